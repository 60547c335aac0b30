#pragma once

#include <QList>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Reports {

// One level of a call place's report menu as a user may see it: his denied items left out,
// in the order of NUMORD, then of the key (siblings of equal NUMORD keep a fixed order).
class ReportMenuSource
{
public:
    struct Entry
    {
        int item = 0;
        QString caption;
        int report = 0; // 0: a submenu or a separator
        bool isSeparator() const { return caption == QLatin1String("-"); }
    };

    // Report features need the menu table (an older database has none).
    static bool available(Data::Database& db);
    // `parent` 0 is the top level.
    static QList<Entry> level(Data::Database& db, int place, int parent, int user);
};

} // namespace Tarvo::Reports
