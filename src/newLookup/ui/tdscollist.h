#pragma once

#include "newLookup/tcollist.h"

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::NewLookup {

// The columns of a grid that shows every field of its row set: captions are the fields' display
// labels, order, visibility and widths the grid's.
class TDSColList : public TColList
{
public:
    explicit TDSColList(Widgets::TDataGrid& grid) : m_grid(grid) {}
    bool applyInfo(int position, const TColInfo& info) override;
    void collect() override;

protected:
    // Puts the column in place with its visibility and width; -1 when the grid has no such column.
    static int placeColumn(Widgets::TDataGrid& grid, int position, const TColInfo& info);
    Widgets::TDataGrid& m_grid;
};

} // namespace Tarvo::NewLookup
