#pragma once

#include "SupplierOrders/supplierorderdocument.h"
#include "messaging/teventobject.h"

#include <functional>

namespace Tarvo::SupplierOrders {

// What the supplier's product picker asks of the order editor, by product: add it with an
// amount, set its amount (0 deletes the line, a missing product is added), or read its amount
// (0 when absent), also through a filter of the lines. The editor answers through `reply`.
class TSupplierProductExchange : public Messaging::TEventObject
{
public:
    enum class Operation
    {
        Add,
        SetAmount,
        ReadAmount,
        ReadFiltered,
    };

    Operation operation = Operation::ReadAmount;
    qint64 supplierId = 0; // the picker's supplier: an editor of another one does not answer
    SupplierProduct product;
    Money amount;
    std::function<void(Money)> reply;
};

} // namespace Tarvo::SupplierOrders
