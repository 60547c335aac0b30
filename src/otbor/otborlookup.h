#pragma once

#include <QString>

// What the descriptions read from outside the filter list: the counterparty's full name
// and the logged-in user.
namespace Tarvo::Otbor::Lookup {

// "name_user" of `_partner` for the short code; the code itself when there is none.
QString partnerName(const QString& code);
QString currentUserName();
QString currentUserDepartment();

} // namespace Tarvo::Otbor::Lookup
