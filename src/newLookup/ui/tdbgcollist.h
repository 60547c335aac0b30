#pragma once

#include "newLookup/ui/tdscollist.h"

namespace Tarvo::NewLookup {

// The columns of a grid with explicit columns: only those, captions are the grid's own titles.
class TDBGColList : public TDSColList
{
public:
    explicit TDBGColList(Widgets::TDataGrid& grid) : TDSColList(grid) {}
    bool applyInfo(int position, const TColInfo& info) override;
};

} // namespace Tarvo::NewLookup
