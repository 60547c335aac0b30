#pragma once

#include "registers/ui/registerframe.h"

#include <memory>

class QTabWidget;

namespace Tarvo::BusOffer {
class OfferDetailsWriter;
}
namespace Tarvo::Data {
class TUpdatedADODataSet;
class TUpdatedADOQuery;
} // namespace Tarvo::Data

namespace Tarvo::SupplierOrders {

class SupplierOrderList;

// "Заказы поставщику": the register of supplier orders (form type 129) with the current order's
// lines below and, for the current line, its requests: ordered (editable with the administrator's
// editing right), confirmed and shipped. A change of the filters, a notice of supplier or
// confirmed orders or "Обновить" reads the list again and comes back to the same order.
class TViewSupplierOrder : public Registers::RegisterFrame
{
    Q_OBJECT
public:
    explicit TViewSupplierOrder(Data::Database& db, QWidget* parent = nullptr);
    ~TViewSupplierOrder() override;

    static constexpr int FormType = 129;
    static constexpr int EditorFormType = 78;
    static constexpr int FormingFormType = 43;
    // The extension actions of order processing and printing.
    static const QString ProcessOrderAction;
    static const QString PrintOrderAction;

    SupplierOrderList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    Widgets::TDataGrid* linesGrid() const { return m_linesGrid; }
    Widgets::TDataGrid* orderedGrid() const { return m_orderedGrid; }
    Widgets::TDataGrid* confirmedGrid() const { return m_confirmedGrid; }
    Widgets::TDataGrid* confirmedRequestsGrid() const { return m_confirmedRequestsGrid; }
    Widgets::TDataGrid* shippedGrid() const { return m_shippedGrid; }
    Widgets::TDataGrid* shippedRequestsGrid() const { return m_shippedRequestsGrid; }
    Data::TUpdatedADOQuery& lines() const { return *m_lines; }
    QTabWidget* tabs() const { return m_tabs; }
    QMenu* orderMenu() const { return popup(); }
    QMenu* linesMenu() const { return m_linesPopup; }

    void newOrder();
    void editOrder();
    void deleteOrder();
    void refreshList();
    void findOrder();
    void toggleAccepted();
    void toggleMarked();
    void openWaiting();
    void closeWaiting();
    void setUrgency();
    void loadForConfirmation();
    void processOrder();
    void printOrder();
    void formOrders();
    void reduceToConfirmed();
    void updateActions() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showDocument(qint64 key) override;
    QString registerTitle() const override;

private:
    void buildToolbar();
    void buildPopups();
    void buildDetails();
    void applyEditRight();
    // Opens a window of another part through the registry; one not part of the program is said so.
    void openForm(int formType, int parameter, const QString& what);
    void announceChange(bool requestsToo);

    std::unique_ptr<SupplierOrderList> m_list;
    std::unique_ptr<BusOffer::OfferDetailsWriter> m_writer;
    std::unique_ptr<Data::TUpdatedADOQuery> m_lines;
    std::unique_ptr<Data::TUpdatedADODataSet> m_ordered;
    std::unique_ptr<Data::TUpdatedADOQuery> m_confirmed;
    std::unique_ptr<Data::TUpdatedADOQuery> m_confirmedRequests;
    std::unique_ptr<Data::TUpdatedADOQuery> m_shipped;
    std::unique_ptr<Data::TUpdatedADOQuery> m_shippedRequests;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_linesGrid = nullptr;
    Widgets::TDataGrid* m_orderedGrid = nullptr;
    Widgets::TDataGrid* m_confirmedGrid = nullptr;
    Widgets::TDataGrid* m_confirmedRequestsGrid = nullptr;
    Widgets::TDataGrid* m_shippedGrid = nullptr;
    Widgets::TDataGrid* m_shippedRequestsGrid = nullptr;
    QSplitter* m_lower = nullptr;
    QTabWidget* m_tabs = nullptr;
    QMenu* m_linesPopup = nullptr;
    bool m_editable = false;
};

} // namespace Tarvo::SupplierOrders
