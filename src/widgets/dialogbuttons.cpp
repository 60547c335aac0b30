#include "widgets/dialogbuttons.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPointer>
#include <QPushButton>

namespace Tarvo::Widgets {

namespace {
// Arranges the dialog's focus once, when it is first shown.
class FirstShow : public QObject
{
public:
    FirstShow(QDialog* dialog, QDialogButtonBox* box) : QObject(box), m_dialog(dialog), m_box(box)
    {
        dialog->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_dialog && event->type() == QEvent::Show && m_box) {
            m_dialog->removeEventFilter(this);
            DialogButtons::arrangeFocus(m_dialog, m_box);
        }
        return false;
    }

private:
    QDialog* m_dialog;
    QPointer<QDialogButtonBox> m_box;
};

bool takesTab(QWidget* w, QWidget* top)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(top) && !w->focusProxy();
}

// A radio button that is not checked while another of its group is: Tab skips it.
QWidget* checkedChoice(QWidget* w)
{
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (!b || !b->isCheckable() || !b->autoExclusive() || b->isChecked() || !b->parentWidget())
        return w;
    for (QAbstractButton* sibling : b->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        if (sibling->autoExclusive() && sibling->isChecked() && sibling->isEnabled())
            return sibling;
    return w;
}
} // namespace

DialogButtons::DialogButtons(QDialog* dialog, const QString& acceptText, const QString& rejectText, bool connectAccept)
{
    m_box = new QDialogButtonBox(dialog);
    m_accept = m_box->addButton(acceptText, QDialogButtonBox::AcceptRole);
    if (!rejectText.isEmpty()) {
        m_reject = m_box->addButton(rejectText, QDialogButtonBox::RejectRole);
        m_reject->setAutoDefault(false);
        QObject::connect(m_box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    }
    m_accept->setAutoDefault(true);
    m_accept->setDefault(true);
    if (connectAccept)
        QObject::connect(m_box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    new FirstShow(dialog, m_box);
}

QPushButton* DialogButtons::addButton(const QString& text)
{
    QPushButton* b = m_box->addButton(text, QDialogButtonBox::ActionRole);
    b->setAutoDefault(false);
    return b;
}

void DialogButtons::arrangeFocus(QDialog* dialog, QDialogButtonBox* box)
{
    QList<QWidget*> fields;
    QList<QWidget*> buttons;
    for (QWidget* w = dialog->nextInFocusChain(); w && w != dialog; w = w->nextInFocusChain()) {
        if (!takesTab(w, dialog))
            continue;
        (box->isAncestorOf(w) ? buttons : fields) << w;
    }
    // The row follows the last field, its buttons in their own order. The whole order is set
    // pair by pair: moving the buttons alone behind a field made after the row cut that field
    // and the ones between out of the Tab ring.
    const QList<QWidget*> order = fields + buttons;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    if (!dialog->focusWidget() && !fields.isEmpty())
        checkedChoice(fields.front())->setFocus(Qt::OtherFocusReason);
}

} // namespace Tarvo::Widgets
