#pragma once

#include <QByteArray>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::SupplierOrders {

// The register's commands that change an order beyond its flags, each in one transaction.
namespace SupplierOrderCommands {
// The refusal shown when goods of the order were received into the warehouse.
QString deliveredRefusal();
// Deletes the order with everything hanging from it (the procedure scm_delete_supplier_order).
// Needs right 100006; an order whose goods were received is refused with deliveredRefusal(), one
// in transit or in a proforma with the procedure's own text; an order already gone is refused.
void deleteOrder(Data::Database& db, qint64 suoId);
// Cuts the line to its confirmed total: its ordered request rows are deleted, the amount becomes
// the confirmed total and both sums shrink with it at the same price; a line with nothing
// confirmed is deleted. A line gone meanwhile is refused.
void reduceToConfirmed(Data::Database& db, qint64 suoId, qint64 productId);
// The notices of supplier orders and buyer requests (whose ordered amounts moved).
void announceChange(const QByteArray& payload);
} // namespace SupplierOrderCommands

} // namespace Tarvo::SupplierOrders
