#pragma once

#include "BusOffer/offerliststatement.h"
#include "data/modules/tquerynodes.h"

#include <functional>

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::AcceptedOrders {

using BusOffer::OfferKeyRange;

// The statement of the confirmed-order register: the headers of orders with at least one
// confirmed line, the per-order totals confirmed (with their parts in proformas), shipped
// (sdi_amount) and completed (z5), the execution state and the proforma state computed from
// them, and the conditions of the register's filter list.
class AcceptedOrderListStatement
{
public:
    enum State
    {
        Done = 0,          // "Выполнено": everything confirmed was received
        InProgress = 1,    // "В работе": less shipped than confirmed
        DoneByRegister = 2 // "Выполнено по реестру": shipped in full, not yet received in full
    };
    static QString stateText(int state);

    enum ProformaState
    {
        NoProforma = 0,      // shown empty
        FullProforma = 1,    // "+": the proformas carry the whole sum
        PartlyProforma = 2   // "Ч": part of it
    };
    static QString proformaSign(int state);

    // The execution state from t1.soa_amount, t2.sdi_amount and t5.z5 (nulls read as 0). The
    // column and the state filter use this one expression, so a filter value lists exactly the
    // orders shown with that state.
    static QString stateExpression(const Data::Dialect& dialect);
    // The proforma state: the rouble sums for an order without currency, else the currency sums.
    static QString proformaStateExpression(const Data::Dialect& dialect);

    // Restricts a grouped sub-query on its order key column to the documents a batch lists.
    using RestrictTotals = std::function<void(Data::TQueryNodes& sub, const QString& keyColumn)>;
    // z5 per order (columns sdi_suo_id, z5): per (order, invoice, product) the shipped quantity of
    // a closed invoice, else what was received. Shipped and received are summed each on its own
    // first: one invoice carries a product in several dated parts, and joined row to row a receipt
    // would count once per part.
    static Data::TQueryNodesPtr completedByOrder(const RestrictTotals& restrict);

    // `filters` may be null (no conditions at all, not even the manager restriction).
    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const OfferKeyRange& range = {});
    // The key of the last order of a batch of `orders` after `after` among the confirmed orders
    // the header's filters pass; no row when fewer remain.
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int orders);
};

} // namespace Tarvo::AcceptedOrders
