#include "catalog/ui/turgency_card_.h"

#include "catalog/books/urgencybook.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TUrgency_Card_::TUrgency_Card_(Data::Database& db, qint64 id, QWidget* parent)
    : QDialog(parent), m_db(db), m_id(id)
{
    setWindowTitle(id ? u"Коррекция типа срочности"_s : u"Добавление типа срочности"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setMaxLength(20);
    m_priority = new QLineEdit(this);
    m_priority->setMaxLength(9);
    m_priority->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\d*"_s), this));
    auto* nameLabel = new QLabel(u"&Наименование срочности"_s, this);
    nameLabel->setBuddy(m_name);
    auto* priorityLabel = new QLabel(u"&Приоритет"_s, this);
    priorityLabel->setBuddy(m_priority);
    form->addRow(nameLabel, m_name);
    form->addRow(priorityLabel, m_priority);
    layout->addLayout(form);
    Widgets::DialogButtons buttons(this, u"Сохранить"_s, u"Отмена"_s);
    layout->addWidget(buttons.box());
    if (id) {
        Data::Query q(db, u"select Name, Priority from SCM_Library_Urgency where Urgency_ID = ?"_s);
        q.bindAt(0, id, Data::ParamType::Integer).exec();
        if (!q.next())
            throw Exception(u"Тип срочности не найден. Возможно, его уже удалили."_s);
        m_name->setText(q.string(0));
        m_priority->setText(QString::number(q.integer(1)));
    }
    m_name->setFocus();
}

void TUrgency_Card_::accept()
{
    try {
        m_id = UrgencyBook(m_db).save(m_id, m_name->text(), m_priority->text());
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    QDialog::accept();
}

} // namespace Tarvo::Catalog
