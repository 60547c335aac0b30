#pragma once

#include "SupplierOrders/supplierorderdocument.h"
#include "catalog/tree/tscmtreeowner.h"
#include "data/rowset/rowsetsubscription.h"

#include <QDialog>
#include <memory>

class QPushButton;
class QSplitter;
class QTreeWidget;

namespace Tarvo::Data {
class TUpdatedADOQuery;
}
namespace Tarvo::Widgets {
class TDataGrid;
}
namespace Tarvo::Catalog {
class TSCMTreePanel;
class TTreeLink;
} // namespace Tarvo::Catalog

namespace Tarvo::SupplierOrders {

class SupplierProductList;

// "Выбор товара от <поставщик>": the product groups on the left, the supplier's products of
// the node on the right with the amount the order has ("В заказе", typed to change it), and
// below the supplier's prices of the current product per price kind. "Выбрать" (also a double
// click and Enter) adds the product with its minimum lot, at least 1. The order editor answers
// through TSupplierProductExchange.
class TSelectSupplProducts : public QDialog, public Catalog::TSCMTreeOwner
{
    Q_OBJECT
public:
    TSelectSupplProducts(Data::Database& db, qint64 supplierId, const QString& supplierName, qint64 orderId,
                         QWidget* parent = nullptr);
    ~TSelectSupplProducts() override;

    qint64 supplierId() const { return m_supplier; }
    qint64 orderId() const { return m_order; }
    SupplierProductList& products() const { return *m_products; }
    Widgets::TDataGrid* productsGrid() const { return m_grid; }
    Widgets::TDataGrid* pricesGrid() const { return m_pricesGrid; }
    QTreeWidget* tree() const { return m_tree; }

    void selectNode(qint64 nodeId, bool flag) override;
    // "Выбрать" on the current product.
    void choose();

    static const QString ProductsKey;

private:
    SupplierProduct currentProduct() const;
    Money ask(int operation, const SupplierProduct& product, Money amount);
    void showAmount(Money amount);
    void readPrices();

    Data::Database& m_db;
    qint64 m_supplier;
    qint64 m_order;
    std::unique_ptr<SupplierProductList> m_products;
    std::unique_ptr<Data::TUpdatedADOQuery> m_prices;
    std::unique_ptr<Catalog::TSCMTreePanel> m_root;
    Catalog::TTreeLink* m_link = nullptr;
    QTreeWidget* m_tree = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
    Widgets::TDataGrid* m_pricesGrid = nullptr;
    Data::RowSetSubscription m_scrolled;
    bool m_showing = false;
};

} // namespace Tarvo::SupplierOrders
