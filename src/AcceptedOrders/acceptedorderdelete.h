#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AcceptedOrders {

// The confirmed-order register's commands that change more than the header's two columns.
namespace AcceptedOrderDelete {
// The line every refusal of a delete ends with.
QString refusalTail();
// Deletes the order's confirmation in one transaction of its own: its confirmed lines and their
// request shares; a waiting order gives the shares back to the requests' ordered quantities.
// Needs right 100007 (ESecurityException). Refused, with nothing changed, while any confirmed line
// is shipped (naming the waybills) or belongs to a proforma (naming it), and when there is no
// confirmation left to delete.
void deleteAcceptedOrder(Data::Database& db, qint64 orderId);
// The waybills carrying goods of the order, and the proformas (number, else additional number)
// holding its confirmed lines: what keeps an order and its confirmation from being deleted.
QStringList waybillsOf(Data::Database& db, qint64 orderId);
QStringList proformasOf(Data::Database& db, qint64 orderId);
// The change notices of a confirmation written or deleted: the confirmed orders, and the
// supplier orders and buyer requests whose states and tabs read the same rows.
void announceChange(const QByteArray& payload = {});
} // namespace AcceptedOrderDelete

} // namespace Tarvo::AcceptedOrders
