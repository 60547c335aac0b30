#pragma once

#include "otbor/tglobalotbors.h"

#include <QList>
#include <memory>

namespace Tarvo::Otbor {

// The registers and reports that read filter variables.
enum class OtborRegister
{
    BusinessOffers,   // TviewBusinesOffers
    SupplierOrders,   // TViewSupplierOrder
    AcceptedOrders,   // TvwAccOrders
    WayBills,         // TviewWayBill
    Invoices,         // TvwDeliveryFrm
    Routes,           // TvwRouteFrm
    ProformaInvoices, // TvProformaInvoice
    Payments,         // TViewPayments
    OrderReport,      // TfRptTvr1
    SettlementReport, // TfrmRptPost1
    ProductReport     // TfProductReport
};

// Which register reads which variables. A register keeps its own list over the global
// list's variables: it subscribes to it, describes it and hands it to
// OtborConditions::addCommon, so it is told of and filtered by its own variables only.
class RegisterOtbors
{
public:
    static QList<OtborVar> variables(OtborRegister reg);
    // A list holding the register's variables of `global` (they stay in the global list).
    static std::unique_ptr<TVarList> makeList(OtborRegister reg, const TGlobalOtbors& global);
};

} // namespace Tarvo::Otbor
