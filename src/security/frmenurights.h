#pragma once

#include <QList>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// The deny list of report menu items (FR_DENIED: GROUP_ID is the user, IDITEM the menu item).
class FrMenuRights
{
public:
    struct Entry
    {
        int userId = 0;
        QString login;
        bool denied = false;
        QString stateText() const;
    };
    // Every user with the item's state for them.
    static QList<Entry> list(Data::Database& db, int item);
    static Entry entry(Data::Database& db, int userId, int item);
    static bool isDenied(Data::Database& db, int userId, int item);
    static void allow(Data::Database& db, int userId, int item);
    // Denying twice keeps one row.
    static void deny(Data::Database& db, int userId, int item);
};

} // namespace Tarvo::Security
