#pragma once

#include <QList>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// The program's fixed rights, brought into CRM_SECURITY at every start before the login.
class RightsCatalog
{
public:
    struct Entry
    {
        int id;
        int parent; // -1 for a top-level right
        QString description;
        bool grantedWhenAdded;
    };
    // In processing order: 100000..100013, then 100014.
    static const QList<Entry>& entries();

    // Inserts the rights that are absent; existing rows are never changed. A right added here is
    // granted (when its entry says so) to every user whose US_NEW_SECUR_ACTIVE is set, or to every
    // user when the database held none of the program's rights yet. Safe when several
    // workstations start at once: a right another one has just added is left to it.
    // Returns the number of rights added.
    static int update(Data::Database& db);
};

} // namespace Tarvo::Security
