#pragma once

#include "registers/ui/registerframe.h"

#include <memory>

namespace Tarvo::Data {
class TUpdatedADOQuery;
}

namespace Tarvo::Payments {

class PaymentList;

// "Просмотр платежей": the payments with their distributed sums and free rests, the proformas
// the current one pays below; new, edit, delete and the export to the warehouse accounting.
class TViewPayments : public Registers::RegisterFrame
{
    Q_OBJECT
public:
    static const QString DeleteQuestion;

    explicit TViewPayments(Data::Database& db, QWidget* parent = nullptr);
    ~TViewPayments() override;

    PaymentList& list() const { return *m_list; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    Widgets::TDataGrid* detailsGrid() const { return m_detailsGrid; }

    void newPayment();
    void editPayment();
    void viewPayment();
    void deletePayment();
    void exportPayment();
    void updateActions() override;

protected:
    void showDocument(qint64 key) override;

private:
    void buildToolbar();
    void buildPopup();

    std::unique_ptr<PaymentList> m_list;
    std::unique_ptr<Data::TUpdatedADOQuery> m_details;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_detailsGrid = nullptr;
};

// Binds the main menu's "Платежи" (one window).
void registerPayments();

} // namespace Tarvo::Payments
