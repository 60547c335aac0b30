#include "otbor/registerotbors.h"

namespace Tarvo::Otbor {

QList<OtborVar> RegisterOtbors::variables(OtborRegister reg)
{
    using V = OtborVar;
    switch (reg) {
    case OtborRegister::BusinessOffers:
        return {V::OfferDate, V::Customer, V::Urgency, V::OfferState, V::OfferMark, V::Manager};
    case OtborRegister::SupplierOrders:
        return {V::OrderDate, V::Supplier, V::Urgency, V::OrderMark, V::OrderState, V::Manager};
    case OtborRegister::AcceptedOrders:
        return {V::OrderDate, V::Supplier, V::AcceptedOrderState, V::Manager};
    case OtborRegister::WayBills:
        return {V::WayBillDate, V::WayBillState, V::Manager};
    case OtborRegister::Invoices:
        return {V::Supplier, V::WayBillDate, V::WayBillState, V::Manager};
    case OtborRegister::Routes:
        return {V::Transporter, V::RouteState, V::RouteDate, V::Manager};
    case OtborRegister::ProformaInvoices:
        return {V::Supplier, V::PaymentDate, V::Manager};
    case OtborRegister::Payments:
        return {V::Customer, V::Supplier, V::PaymentDate, V::Manager};
    case OtborRegister::OrderReport:
        return {V::OrderDate, V::Supplier, V::Urgency, V::OrderMark, V::OrderState};
    case OtborRegister::SettlementReport:
        return {V::PaymentDate};
    case OtborRegister::ProductReport:
        return {V::OfferDate, V::OrderDate, V::Customer, V::Supplier, V::WayBillDate};
    }
    return {};
}

std::unique_ptr<TVarList> RegisterOtbors::makeList(OtborRegister reg, const TGlobalOtbors& global)
{
    auto list = std::make_unique<TVarList>();
    for (OtborVar v : variables(reg))
        if (TVar* var = global.var(v))
            list->add(var);
    return list;
}

} // namespace Tarvo::Otbor
