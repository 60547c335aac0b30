#pragma once

#include "registers/ui/registerframe.h"

#include <memory>

class QTabWidget;

namespace Tarvo::Data {
class TUpdatedADOQuery;
}

namespace Tarvo::AcceptedOrders {

class AcceptedOrderList;

// "Подтвержденные заказы": the register of confirmed supplier orders (form type 215), with the
// current order's confirmed lines, the current line's requests and the order's shipments below.
// Description and planned surcharge are edited in the grid; a change of the filters, a change
// notice of confirmed orders or "Обновить" reads the list again and comes back to the same order.
class TvwAccOrders : public Registers::RegisterFrame
{
    Q_OBJECT
public:
    explicit TvwAccOrders(Data::Database& db, QWidget* parent = nullptr);
    ~TvwAccOrders() override;

    static constexpr int FormType = 215;

    AcceptedOrderList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    Widgets::TDataGrid* productsGrid() const { return m_productsGrid; }
    Widgets::TDataGrid* requestsGrid() const { return m_requestsGrid; }
    Widgets::TDataGrid* stateGrid() const { return m_stateGrid; }

    void deleteOrder();
    void processOrder();
    // "Загрузка выделенных заказов в счет": a new proforma of the selected orders' free lines.
    void loadToProforma();
    // The current order into a new waybill, or into the open waybill's current invoice.
    void shipOrder(bool newWayBill);
    QList<qint64> selectedOrders() const;
    void updateActions() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showDocument(qint64 key) override;
    // A description being typed is written before the rows are read again; its refusal keeps it.
    void beforeReload() override;

private:
    void editOrder();
    void buildToolbar();
    void buildPopup();
    void buildDetails();
    void announceChange();
    void showOrder(qint64 orderId);

    std::unique_ptr<AcceptedOrderList> m_list;
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    std::unique_ptr<Data::TUpdatedADOQuery> m_requests;
    std::unique_ptr<Data::TUpdatedADOQuery> m_state;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_requestsGrid = nullptr;
    Widgets::TDataGrid* m_stateGrid = nullptr;
    QTabWidget* m_tabs = nullptr;
};

} // namespace Tarvo::AcceptedOrders
