#include "newLookup/ui/tdbgcollist.h"

#include "widgets/tdatagrid.h"

namespace Tarvo::NewLookup {

bool TDBGColList::applyInfo(int position, const TColInfo& info)
{
    const int column = placeColumn(m_grid, position, info);
    if (column < 0)
        return false;
    if (!info.caption.isEmpty())
        m_grid.setColumnTitle(column, TColInfo::cleanCaption(info.caption));
    return true;
}

} // namespace Tarvo::NewLookup
