#include "security/currentuser.h"

#include "shell/tdatabaseconnection.h"

namespace Tarvo::Security {

int CurrentUserId()
{
    return Shell::TDataBaseConnection::instance().currentUserId();
}

QString CurrentUserName()
{
    return Shell::TDataBaseConnection::instance().currentUserName();
}

QString CurrentUserLogin()
{
    return Shell::TDataBaseConnection::instance().currentUserLogin();
}

QString CurrentUserDepartment()
{
    return Shell::TDataBaseConnection::instance().currentUserDepartment();
}

} // namespace Tarvo::Security
