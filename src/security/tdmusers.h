#pragma once

#include "data/modules/tupdatedadodataset.h"

#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// The user list and its writes. A new user is inserted and granted every existing right in one
// transaction; a deleted user loses the rights in the same transaction. Edits of a row never write
// the password: it changes only through setPassword, so a card edited from a list read before a
// password change cannot bring the old password back.
class TdmUsers
{
public:
    // Opens the list; on an empty table creates "Админ" (createFirstUser).
    explicit TdmUsers(Data::Database& db);

    Data::TUpdatedADODataSet& userQuery() { return m_users; }
    Data::Database& database() const { return m_db; }

    // The distinct departments and positions, for the card's choice lists.
    QStringList departments() const { return m_departments; }
    QStringList positions() const { return m_positions; }
    void refreshLookups();
    // Reads the list again (rows other administrators added, changed or deleted), staying on the
    // current user while there is one.
    void reread();

    // The current row's user.
    int currentUserId() const;
    bool passwordMatches(const QString& password) const;
    void setPassword(const QString& password);

    static constexpr const char* FirstUser = "Админ";
    // "Админ" with an empty password and every right, if the table is empty; safe against another
    // workstation doing the same at once. The new user's key, or -1 when nothing was inserted.
    static int createFirstUser(Data::Database& db);

private:
    void insertRow(Data::TUpdatedADODataSet& ds);
    void updateRow(Data::TUpdatedADODataSet& ds);
    void deleteRow(Data::TUpdatedADODataSet& ds);

    Data::Database& m_db;
    Data::TUpdatedADODataSet m_users;
    QStringList m_departments;
    QStringList m_positions;
};

} // namespace Tarvo::Security
