#pragma once

#include "data/modules/tquerynodes.h"
#include "registers/keyrange.h"

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::SupplierOrders {

// The statement of the supplier-order register, built with the command builder on
// scm_supplier_order: the header columns, supplier, stage, manager and urgency (an inner join only
// while the urgency filter is active), per order the ordered quantity and sum, the confirmed
// quantity and sum and the completed quantity z5 from grouped sub-queries, the order's state
// computed from them, and the conditions of the register's filter list.
class SupplierOrderListStatement
{
public:
    enum State
    {
        Done = 0,          // "Выполнено": everything ordered was completed
        InProgress = 1,    // "В работе": less confirmed than ordered while open for waiting
        DoneByRegister = 2 // "Выполнено по реестру": everything else
    };
    static QString stateText(int state);

    // The state from sop_amount, soa_amount_accepted, qz5.z5 (nulls read as 0) and suo_waiting,
    // compared rounded. The column and the state filter use this one expression, so a filter value
    // lists exactly the orders shown with that state.
    static QString stateExpression(const Data::Dialect& dialect);

    // `filters` may be null (no conditions at all, not even the manager restriction).
    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const Registers::KeyRange& range = {});
    // The key of the last order of a batch of `orders` after `after` among those the header's
    // filters pass; no row when fewer remain.
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after,
                                              int orders);
    // "select count(*)" of the orders the header's filters pass; null while the state filter is
    // active (it needs the totals of every order).
    static Data::TQueryNodesPtr buildCount(const Otbor::TVarList* filters);
};

} // namespace Tarvo::SupplierOrders
