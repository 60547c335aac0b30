#pragma once

#include <QApplication>
#include <QTableView>

#include "widgets/tdatagrid.h"

namespace Tarvo::Catalog {

// Ends an open cell editor of the grid, handing its text to the row, as leaving the cell would.
inline void commitGridEdit(QTableView* grid)
{
    QWidget* w = QApplication::focusWidget();
    if (w && w != grid && grid->isAncestorOf(w)) {
        grid->setFocus();
        QApplication::processEvents();
    }
}

// Starts a new row and puts the grid's cursor on it; the row is posted when the user leaves it
// or saves.
template <typename RowSet> void appendRow(QTableView* grid, RowSet& rowSet)
{
    rowSet.append();
    // The new row is shown after the stored ones; a data grid has moved there already.
    auto* dataGrid = qobject_cast<Widgets::TDataGrid*>(grid);
    const int row = dataGrid ? dataGrid->gridRow(rowSet.recordCount()) : rowSet.recordCount();
    if (grid->model() && grid->currentIndex().row() != row)
        grid->setCurrentIndex(grid->model()->index(row, qMax(0, grid->currentIndex().column())));
}

} // namespace Tarvo::Catalog
