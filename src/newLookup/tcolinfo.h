#pragma once

#include <QString>

namespace Tarvo::NewLookup {

// One column of a grid as the user set it up.
struct TColInfo
{
    QString fieldName;
    QString caption;
    bool visible = true;
    int width = 0;

    // A caption as it can be stored: tabs and line breaks would break its line in "columns.ini",
    // so they become blanks.
    static QString cleanCaption(const QString& caption);
};

} // namespace Tarvo::NewLookup
