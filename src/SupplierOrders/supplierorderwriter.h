#pragma once

#include "SupplierOrders/supplierorderpreparation.h"

#include <QList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::SupplierOrders {

// Writes prepared orders, their lines and the request links in one transaction. Inside it the
// open amounts of the linked request lines are read again, locked: when another workstation
// ordered some of them since they were read, nothing is saved and the first such line is named.
// The orders wait, unapproved, dated today, with the default warehouse and the next additional
// number; the lines are due tomorrow. After the commit the supplier-order and request lists hear
// of it.
class SupplierOrderWriter
{
public:
    // The new order numbers, in the order of `prepared.orders`.
    static QList<qint64> save(Data::Database& db, const PreparedOrders& prepared);

    static QString staleMessage(qint64 requestId, const QString& article);
};

} // namespace Tarvo::SupplierOrders
