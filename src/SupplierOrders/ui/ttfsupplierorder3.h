#pragma once

#include "BusOffer/offereditorlookups.h"
#include "data/rowset/rowsetsubscription.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Tarvo::Data {
class Database;
class TRowSet;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::SupplierOrders {

class TdmAggSupplierOrder;

// "Формирование заказа поставщику" from the request register: the products the listed
// approved requests still need above, the current product's assortment below left (editable:
// Insert adds a supplier's row) and the suppliers it is ordered from below right (the supplier
// is chosen in place among the product's assortment, the amount typed; Insert adds a row,
// Delete removes one). "Далее" prepares the orders and, confirmed, saves them; the window
// closes either way.
class TTfSupplierOrder3 : public QDialog
{
    Q_OBJECT
public:
    // `dm` has collected something.
    TTfSupplierOrder3(Data::Database& db, TdmAggSupplierOrder& dm, QWidget* parent = nullptr);
    ~TTfSupplierOrder3() override;

    static QString title();
    static QString preparedText(int orders);

    TdmAggSupplierOrder& document() const { return m_dm; }
    Widgets::TDataGrid* productsGrid() const { return m_productsGrid; }
    Widgets::TDataGrid* providersGrid() const { return m_providersGrid; }
    Widgets::TDataGrid* suppliesGrid() const { return m_suppliesGrid; }
    // The orders saved by "Далее" (empty when none were).
    const QList<qint64>& savedOrders() const { return m_saved; }

    void next();
    void addSupply();
    void removeSupply();
    void addProvider();

private:
    void guarded(const std::function<void()>& command);
    qint64 currentProduct() const;
    int currentSupply() const;
    void fillProviders();
    void fillSupplies(int keepRow = -1);
    void scheduleRefill(bool providersToo);
    void postProvider();
    void newProvider();

    Data::Database& m_db;
    TdmAggSupplierOrder& m_dm;
    QList<BusOffer::OfferEditorLookups::Item> m_suppliers;
    std::unique_ptr<Data::TRowSet> m_products;
    std::unique_ptr<Data::TRowSet> m_providers;
    std::unique_ptr<Data::TRowSet> m_supplies;
    Data::RowSetSubscription m_productMoved;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_providersGrid = nullptr;
    Widgets::TDataGrid* m_suppliesGrid = nullptr;
    qint64 m_shownProduct = -1;
    bool m_refillPending = false;
    bool m_refillProviders = false;
    bool m_refillDeferred = false;
    bool m_filling = false;
    int m_fills = 0;
    QList<qint64> m_saved;
};

} // namespace Tarvo::SupplierOrders
