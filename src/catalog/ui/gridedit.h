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

} // namespace Tarvo::Catalog
