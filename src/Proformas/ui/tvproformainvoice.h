#pragma once

#include "data/rowset/trowset.h"
#include "registers/ui/registerframe.h"

#include <memory>

class QTabWidget;

namespace Tarvo::Data {
class TUpdatedADOQuery;
}

namespace Tarvo::Proformas {

class ProformaList;

// "Счета": the register of supplier proformas with the current one's lines, payments, payment
// plan and buyers below. A save of a proforma anywhere, or of a confirmation, re-reads it.
class TvProformaInvoice : public Registers::RegisterFrame
{
    Q_OBJECT
public:
    explicit TvProformaInvoice(Data::Database& db, QWidget* parent = nullptr);
    ~TvProformaInvoice() override;

    ProformaList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    Widgets::TDataGrid* productsGrid() const { return m_productsGrid; }
    Widgets::TDataGrid* paymentsGrid() const { return m_paymentsGrid; }
    Widgets::TDataGrid* planGrid() const { return m_planGrid; }
    Widgets::TDataGrid* buyersGrid() const { return m_buyersGrid; }
    Data::TRowSet& plan() { return m_plan; }

    void editProforma();
    void viewProforma();
    void deleteProforma();
    void updateActions() override;

protected:
    void showDocument(qint64 key) override;

private:
    void buildToolbar();
    void buildPopup();
    void buildDetails();

    std::unique_ptr<ProformaList> m_list;
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    std::unique_ptr<Data::TUpdatedADOQuery> m_payments;
    std::unique_ptr<Data::TUpdatedADOQuery> m_buyers;
    Data::TRowSet m_plan;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_paymentsGrid = nullptr;
    Widgets::TDataGrid* m_planGrid = nullptr;
    Widgets::TDataGrid* m_buyersGrid = nullptr;
    QTabWidget* m_tabs = nullptr;
};

// The "Счета поставщиков" menu item.
void registerProformaRegister();

} // namespace Tarvo::Proformas
