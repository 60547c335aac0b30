#pragma once

#include "data/rowset/rowsetsubscription.h"
#include "messaging/ichangereceiver.h"
#include "shell/ui/tsaveform.h"

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;

namespace Tarvo::Data {
class Database;
class TUpdatedADOQuery;
}
namespace Tarvo::Messaging {
class TChangeSubscription;
}
namespace Tarvo::Otbor {
class TVarList;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::AcceptedOrders {

class AcceptedOrderList;

// "Подтвержденные заказы": the register of confirmed supplier orders (form type 215), with the
// current order's confirmed lines, the current line's requests and the order's shipments below.
// Description and planned surcharge are edited in the grid; a change of the filters, a change
// notice of confirmed orders or "Обновить" reads the list again and comes back to the same order.
class TvwAccOrders : public Shell::TSaveForm, public Messaging::IChangeReceiver
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
    QAction* action(const QString& objectName) const;
    QString statusText() const;

    void deleteOrder();
    void refreshList();
    void processOrder();
    void reopen();
    void updateActions();

    // IChangeReceiver
    void refresh(const QUuid& event, int mode) override;
    bool notice(const QUuid& event, const QByteArray& payload) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void editOrder();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                        const std::function<void()>& command);
    void buildToolbar();
    void buildPopup();
    void buildDetails();
    void guarded(const std::function<void()>& command);
    // Tells of a command whose document is not part of the program yet.
    void arrivesWith(const QString& what);
    void announceChange();
    void currentMoved();
    void showCurrentRow();
    void showOrder(qint64 orderId);

    Data::Database& m_db;
    std::unique_ptr<Otbor::TVarList> m_filters;
    std::unique_ptr<AcceptedOrderList> m_list;
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    std::unique_ptr<Data::TUpdatedADOQuery> m_requests;
    std::unique_ptr<Data::TUpdatedADOQuery> m_state;
    std::unique_ptr<Messaging::TChangeSubscription> m_subscription;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_requestsGrid = nullptr;
    Widgets::TDataGrid* m_stateGrid = nullptr;
    QSplitter* m_split;
    QTabWidget* m_tabs = nullptr;
    QToolBar* m_toolbar;
    QMenu* m_popup;
    QLabel* m_status;
    QTimer* m_reopenTimer;
    Data::RowSetSubscription m_scrolled;
    qint64 m_shownOrder = -1;
    QByteArray m_ownNotice;
};

} // namespace Tarvo::AcceptedOrders
