#pragma once

#include <QApplication>
#include <QTableView>

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
    if (grid->model())
        grid->setCurrentIndex(grid->model()->index(rowSet.recNo(), 0));
}

} // namespace Tarvo::Catalog
