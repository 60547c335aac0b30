#include "widgets/dialogbuttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace Tarvo::Widgets {

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
}

QPushButton* DialogButtons::addButton(const QString& text)
{
    QPushButton* b = m_box->addButton(text, QDialogButtonBox::ActionRole);
    b->setAutoDefault(false);
    return b;
}

} // namespace Tarvo::Widgets
