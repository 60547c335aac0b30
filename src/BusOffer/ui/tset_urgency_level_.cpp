#include "BusOffer/ui/tset_urgency_level_.h"

#include "catalog/ui/tlibrary_urgencys_.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "widgets/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

TSet_Urgency_Level_::TSet_Urgency_Level_(Data::Database& db, const QString& table, const QString& keyColumn,
                                         qint64 key, const QVariant& currentUrgency, QWidget* parent)
    : QDialog(parent), m_db(db), m_level(db, table, keyColumn), m_key(key), m_current(currentUrgency)
{
    setObjectName(u"TSet_Urgency_Level_"_s);
    setWindowTitle(u"Установка срочности выполнения"_s);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(u"&Срочность:"_s, this);
    m_choice = new QComboBox(this);
    m_choice->setObjectName(u"cbUrgency"_s);
    m_choice->setMinimumContentsLength(24);
    label->setBuddy(m_choice);
    m_book = new QToolButton(this);
    m_book->setObjectName(u"btnUrgencyBook"_s);
    m_book->setText(u"..."_s);
    m_book->setFocusPolicy(Qt::StrongFocus);
    m_book->setToolTip(u"Справочник типов срочности"_s);
    m_book->setAccessibleName(u"Справочник типов срочности"_s);
    row->addWidget(label);
    row->addWidget(m_choice, 1);
    row->addWidget(m_book);
    layout->addLayout(row);
    Widgets::DialogButtons buttons(this, u"Изменить"_s, u"Отмена"_s);
    m_change = buttons.acceptButton();
    m_change->setObjectName(u"btnChange"_s);
    buttons.rejectButton()->setObjectName(u"btnCancel"_s);
    layout->addWidget(buttons.box());
    connect(m_book, &QToolButton::clicked, this, &TSet_Urgency_Level_::openBook);
    fill(m_current);
    m_choice->setFocus();
}

bool TSet_Urgency_Level_::execute(QWidget* parent, const QString& table, const QString& keyColumn, int key,
                                  const QVariant& currentUrgency)
{
    TSet_Urgency_Level_ dialog(Data::Database::openMain(), table, keyColumn, key, currentUrgency, parent);
    dialog.exec();
    return dialog.changed();
}

QVariant TSet_Urgency_Level_::chosenUrgency() const
{
    return m_choice->currentIndex() < 0 ? QVariant() : m_choice->currentData();
}

void TSet_Urgency_Level_::fill(const QVariant& select)
{
    const QList<UrgencyLevel::Choice> choices = m_level.choices();
    m_choice->clear();
    int current = 0;
    for (const UrgencyLevel::Choice& c : choices) {
        if (UrgencyLevel::same(c.id, select))
            current = m_choice->count();
        m_choice->addItem(c.name, c.id);
    }
    m_choice->setCurrentIndex(current);
}

void TSet_Urgency_Level_::openBook()
{
    // The book may add, rename or delete types: the list is read again either way.
    const QString picked = Catalog::TLibrary_Urgencys_::pickOne(m_db, this);
    fill(picked.isEmpty() ? chosenUrgency() : QVariant(picked.toLongLong()));
    activateWindow();
    m_choice->setFocus();
}

void TSet_Urgency_Level_::accept()
{
    const QVariant chosen = chosenUrgency();
    if (UrgencyLevel::same(chosen, m_current)) {
        QMessageBox::information(this, u"Смена срочности документа"_s, u"Срочность документа не изменена"_s);
        return;
    }
    try {
        m_level.set(m_key, chosen);
    } catch (const Exception& e) {
        QMessageBox::warning(this, u"Смена срочности документа"_s, e.message());
        fill(chosen);
        return;
    }
    m_changed = true;
    QDialog::accept();
}

} // namespace Tarvo::BusOffer
