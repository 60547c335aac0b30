#pragma once

#include "core/exception.h"

#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// A refused login; the dialog comes back after its message.
class ELoginRefused : public Tarvo::Exception
{
public:
    using Exception::Exception;
};

struct UserIdentity
{
    int id = 0;
    QString name;
    QString login;
    QString department;
};

// The checks of the login loop, without the dialog.
class Login
{
public:
    // The logins of the holders of right 100012, in the order of the users' names.
    static QStringList logins(Data::Database& db);
    // Finds the user by the exact login, compares the password exactly (case counts, empty allowed)
    // and checks right 100012; throws ELoginRefused with the user's message otherwise. The user's
    // active flag is not consulted. A plain-text stored password that matches is replaced by its hash.
    static UserIdentity check(Data::Database& db, const QString& login, const QString& password);
    // Makes the identity the session's current user.
    static void makeCurrent(const UserIdentity& user);

    // Stores the hash of a new password (the password dialog, the admin tool).
    static void setPassword(Data::Database& db, int userId, const QString& password);
    // Compares with what the database holds now, not with a list read earlier.
    static bool passwordMatches(Data::Database& db, int userId, const QString& password);
};

} // namespace Tarvo::Security
