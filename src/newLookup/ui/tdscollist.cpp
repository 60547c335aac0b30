#include "newLookup/ui/tdscollist.h"

#include "widgets/tdatagrid.h"

namespace Tarvo::NewLookup {

int TDSColList::placeColumn(Widgets::TDataGrid& grid, int position, const TColInfo& info)
{
    const int column = grid.fieldColumn(info.fieldName);
    if (column < 0 || !grid.columnsInDisplayOrder().contains(column))
        return -1;
    grid.moveColumnTo(column, position);
    grid.setColumnShown(column, info.visible);
    grid.setKeptColumnWidth(column, info.width);
    return column;
}

bool TDSColList::applyInfo(int position, const TColInfo& info)
{
    const int column = placeColumn(m_grid, position, info);
    if (column < 0)
        return false;
    if (!info.caption.isEmpty())
        m_grid.setFieldLabel(column, TColInfo::cleanCaption(info.caption));
    return true;
}

void TDSColList::collect()
{
    m_items.clear();
    for (int column : m_grid.columnsInDisplayOrder())
        m_items << TColInfo{m_grid.columnField(column), m_grid.columnCaption(column),
                            m_grid.isColumnShown(column), m_grid.keptColumnWidth(column)};
}

} // namespace Tarvo::NewLookup
