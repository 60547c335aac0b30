#pragma once

#include "catalog/ui/tcatalogview.h"
#include "catalog/ui/tfviewourprice.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tourpriceview.h"
#include "support/griddriver.h"
#include "widgets/tdatagrid.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTreeWidget>
#include <QtTest>

namespace Tarvo::Test {

// Shows every product in our price list, as a user picking the "Все" node.
inline void showAllProducts(Catalog::TfViewOurPrice* chooser)
{
    QTreeWidget* tree = chooser->tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == QStringLiteral("Все"))
            tree->setCurrentItem(tree->topLevelItem(i));
}

// Double clicks the row of our price list that shows this article.
inline void choose(Catalog::TfViewOurPrice* chooser, const QString& article)
{
    Widgets::TDataGrid* grid = chooser->priceView()->grid();
    const int column = grid->fieldColumn(QStringLiteral("PR_ARTICUL"));
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        const QModelIndex cell = grid->model()->index(r, column);
        if (cell.data().toString() != article)
            continue;
        const QPoint at = grid->visualRect(cell).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        return;
    }
    QFAIL(qPrintable(QStringLiteral("no article ") + article));
}

} // namespace Tarvo::Test
