#include "security/ui/useractions.h"

#include "security/tdmusers.h"
#include "security/ui/tfsecurityuseredit.h"
#include "security/ui/tfsecurityuserpwd.h"

#include <QMessageBox>

namespace Tarvo::Security::UserActions {

bool add(TdmUsers& users, QWidget* parent)
{
    users.userQuery().insert();
    TfSecurityUserEdit card(users, parent);
    return card.exec() == QDialog::Accepted;
}

bool edit(TdmUsers& users, QWidget* parent)
{
    if (users.userQuery().isEmpty())
        return false;
    TfSecurityUserEdit card(users, parent);
    return card.exec() == QDialog::Accepted;
}

bool remove(TdmUsers& users, QWidget* parent)
{
    if (users.userQuery().isEmpty())
        return false;
    if (QMessageBox::question(parent, QStringLiteral("Удаление"),
                              QStringLiteral("Вы уверены, что желаете удалить сотрудника?"),
                              QMessageBox::Ok | QMessageBox::No, QMessageBox::No) != QMessageBox::Ok)
        return false;
    users.userQuery().remove();
    users.refreshLookups();
    return true;
}

bool changePassword(TdmUsers& users, QWidget* parent)
{
    return TfSecurityUserPwd::execute(users, parent);
}

} // namespace Tarvo::Security::UserActions
