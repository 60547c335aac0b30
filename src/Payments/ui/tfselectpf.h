#pragma once

#include "data/rowset/trowset.h"

#include <QDialog>

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Payments {

class TdmEditPayment;

// "Выбор счетов к оплате": the recipient's proformas still owed, in the supplier's currency.
// "Выбрать" (Enter, double click) adds the current one to the payment and stays open for the
// next; "Закрыть" (Esc) ends the choice.
class TfSelectPf : public QDialog
{
    Q_OBJECT
public:
    TfSelectPf(TdmEditPayment& payment, QWidget* parent = nullptr);
    ~TfSelectPf() override;

    Widgets::TDataGrid* grid() const { return m_grid; }
    Data::TRowSet& rows() { return m_rows; }
    // Adds the current proforma; the list is read again (the payment's rest changed).
    void choose();

private:
    void reload();

    TdmEditPayment& m_payment;
    Data::TRowSet m_rows;
    Widgets::TDataGrid* m_grid;
};

} // namespace Tarvo::Payments
