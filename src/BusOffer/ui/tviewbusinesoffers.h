#pragma once

#include "registers/ui/registerframe.h"

#include <memory>

namespace Tarvo::BusOffer {

class OfferList;
class TOfferDetailsPanel;

// "Заявки покупателя": the register of buyer requests (form type 113) with the current request's
// details below. The caption names the active filters; a change of the filters, a change notice
// of requests or "Обновить" reads the list again and comes back to the same request.
class TviewBusinesOffers : public Registers::RegisterFrame
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
    QMenu* requestMenu() const { return popup(); }
    TOfferDetailsPanel* details() const { return m_details; }

    // The commands, also reachable from the toolbar, the pop-up and the keys.
    void newOffer();
    void editOffer();
    void deleteOffer();
    void refreshList();
    void toggleAccepted();
    void toggleMarked();
    void setUrgency();
    void printRegister();
    void runReport(int report);
    void chooseSuppliers();
    void formOrders();
    void processOffer();

    void updateActions() override;

Q_SIGNALS:
    // The current request changed (0: none); the details follow it.
    void currentOfferChanged(qint64 offerId);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showDocument(qint64 key) override;
    void refreshShown() override;
    QString registerTitle() const override;

private:
    void buildToolbar();
    void buildPopup();
    void buildDetails();
    void announceChange();

    std::unique_ptr<OfferList> m_list;
    Widgets::TDataGrid* m_grid;
    TOfferDetailsPanel* m_details = nullptr;
};

} // namespace Tarvo::BusOffer
