#include "newLookup/tcollist.h"

namespace Tarvo::NewLookup {

QString TColInfo::cleanCaption(const QString& caption)
{
    QString r = caption;
    for (QChar& c : r)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return r.trimmed();
}

void TColList::applyAll()
{
    for (int i = 0; i < count(); ++i)
        applyInfo(i, m_items.at(i));
}

} // namespace Tarvo::NewLookup
