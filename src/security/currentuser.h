#pragma once

#include <QString>

namespace Tarvo::Security {

// The user of this session, set once by the login.
int CurrentUserId();
QString CurrentUserName();
QString CurrentUserLogin();
QString CurrentUserDepartment();

} // namespace Tarvo::Security
