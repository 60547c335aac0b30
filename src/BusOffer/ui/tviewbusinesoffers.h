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
class QTimer;
class QToolBar;
class QToolButton;

namespace Tarvo::Data {
class Database;
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

namespace Tarvo::BusOffer {

class OfferList;
class TOfferDetailsPanel;

// "Заявки покупателя": the register of buyer requests (form type 113) with the current request's
// details below. The caption names the active filters; a change of the filters, a change notice
// of requests or "Обновить" reads the list again and comes back to the same request.
class TviewBusinesOffers : public Shell::TSaveForm, public Messaging::IChangeReceiver
{
    Q_OBJECT
public:
    explicit TviewBusinesOffers(Data::Database& db, QWidget* parent = nullptr);
    ~TviewBusinesOffers() override;

    static constexpr int FormType = 113;
    static constexpr int EditorFormType = 160;

    OfferList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    // The request pop-up of the grid.
    QMenu* requestMenu() const { return m_popup; }
    TOfferDetailsPanel* details() const { return m_details; }
    QAction* action(const QString& objectName) const;
    // The text that tells of a change notice in message mode (empty otherwise).
    QString statusText() const;

    // The commands, also reachable from the toolbar, the pop-up and the keys.
    void newOffer();
    void editOffer();
    void deleteOffer();
    void refreshList();
    void toggleAccepted();
    void toggleMarked();
    void setUrgency();
    void printRegister();
    void chooseSuppliers();
    void formOrders();
    void processOffer();

    // Reads the list again for the current filters and rebuilds the caption.
    void reopen();
    void updateCaption();
    // Enables the commands by the current user's rights and the list's rows.
    void updateActions();

    // IChangeReceiver
    void refresh(const QUuid& event, int mode) override;
    bool notice(const QUuid& event, const QByteArray& payload) override;

Q_SIGNALS:
    // The current request changed (0: none); the details follow it.
    void currentOfferChanged(qint64 offerId);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                        void (TviewBusinesOffers::*slot)());
    void buildToolbar();
    void buildPopup();
    void buildDetails();
    void fillSortMenu(QMenu* menu);
    // Runs a command; its failure is shown in a box, a cancel ends it silently.
    void guarded(const std::function<void()>& command);
    // Asks the server for the right now; without it says which right is missing.
    bool mayDo(int right, const QString& refused);
    void announceChange();
    void currentMoved();
    void showCurrentRow();
    void restoreSplitter();
    void saveSplitter();

    Data::Database& m_db;
    std::unique_ptr<Otbor::TVarList> m_filters;
    std::unique_ptr<OfferList> m_list;
    std::unique_ptr<Messaging::TChangeSubscription> m_subscription;
    Widgets::TDataGrid* m_grid;
    QSplitter* m_split;
    TOfferDetailsPanel* m_details = nullptr;
    QToolBar* m_toolbar;
    QMenu* m_popup;
    QLabel* m_status;
    QTimer* m_reopenTimer;
    Data::RowSetSubscription m_scrolled;
    qint64 m_shownOffer = -1;
    QByteArray m_ownNotice;
};

} // namespace Tarvo::BusOffer
