#include "Payments/ui/partnerfield.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "widgets/guardedcommand.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

PartnerField::PartnerField(Data::Database& db, Catalog::PartnerList::Kind kind, const QString& caption,
                           QWidget* parent)
    : QWidget(parent), m_db(db), m_kind(kind)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(u"edit"_s);
    m_edit->setReadOnly(true);
    m_edit->setAccessibleName(caption);
    m_edit->setAccessibleDescription(u"F3 или Ctrl+Enter: выбрать из списка"_s);
    m_edit->setMinimumWidth(200);
    m_button = new QToolButton(this);
    m_button->setObjectName(u"pick"_s);
    m_button->setText(u"..."_s);
    m_button->setFocusPolicy(Qt::StrongFocus);
    m_button->setToolTip(u"Выбрать: %1 (F3)"_s.arg(caption));
    m_button->setAccessibleName(u"Выбрать: %1"_s.arg(caption));
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    setFocusProxy(m_edit);
    m_edit->installEventFilter(this);
    m_button->installEventFilter(this);
    connect(m_button, &QToolButton::clicked, this, &PartnerField::pick);
}

void PartnerField::showPartner(const QVariant& id)
{
    if (id.isNull() || !id.isValid()) {
        m_id = QVariant();
        m_edit->clear();
        return;
    }
    if (m_id.isValid() && !m_id.isNull() && m_id.toLongLong() == id.toLongLong())
        return;
    m_id = id.toLongLong();
    Data::Query q(m_db, u"select n.NAME_USER, n.N_USER from scm_partner p join _partner n on n.N_USER = p.par_nuser "
                        "where p.par_id = ?"_s);
    q.bindAll({m_id}).exec();
    QString name;
    if (q.next())
        name = q.string(0).trimmed().isEmpty() ? q.string(1) : q.string(0).trimmed();
    m_edit->setText(name);
    m_edit->setCursorPosition(0);
}

void PartnerField::setEditable(bool editable)
{
    m_editable = editable;
    m_button->setEnabled(editable);
}

void PartnerField::pick()
{
    if (!m_editable)
        return;
    std::optional<Choice> chosen;
    if (!Widgets::guardedCommand(window(), window()->windowTitle(), [&] {
            if (beforePick)
                beforePick();
            chosen = SupplierOrders::TselectSupplier::pickPartner(m_db, m_kind, window());
        }, Widgets::FailureBox::Warning))
        return;
    m_edit->setFocus();
    if (chosen)
        emit picked(chosen->id);
}

bool PartnerField::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if ((press || event->type() == QEvent::ShortcutOverride) && (watched == m_edit || watched == m_button)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_F3 && mods == Qt::NoModifier) || (enter && mods == Qt::ControlModifier)) {
            // The window's own shortcuts do not take the picker's keys.
            event->accept();
            if (press)
                pick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Tarvo::Payments
