#pragma once

#include "registers/ui/registerframe.h"

#include <memory>

namespace Tarvo::Data {
class TUpdatedADOQuery;
}

namespace Tarvo::WayBills {

class WayBillList;

// "Посылки" (form type 58): the waybills with their receipt and work states, the current
// waybill's products with what was received, and the current product's order and request rows.
class TviewWayBill : public Registers::RegisterFrame
{
    Q_OBJECT
public:
    explicit TviewWayBill(Data::Database& db, QWidget* parent = nullptr);
    ~TviewWayBill() override;

    WayBillList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    Widgets::TDataGrid* productsGrid() const { return m_productsGrid; }
    Widgets::TDataGrid* ordersGrid() const { return m_ordersGrid; }
    Widgets::TDataGrid* offersGrid() const { return m_offersGrid; }

    void newWayBill();
    void editWayBill();
    void deleteWayBill();
    void copyIntoNew();
    void refreshList();
    void updateActions() override;

    static void registerList();

protected:
    void showDocument(qint64 key) override;

private:
    void buildToolbar();
    void buildDetails();

    std::unique_ptr<WayBillList> m_list;
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    std::unique_ptr<Data::TUpdatedADOQuery> m_orders;
    std::unique_ptr<Data::TUpdatedADOQuery> m_offers;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_ordersGrid = nullptr;
    Widgets::TDataGrid* m_offersGrid = nullptr;
};

} // namespace Tarvo::WayBills
