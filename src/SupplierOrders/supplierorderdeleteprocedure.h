#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::SupplierOrders {

// The server procedure "scm_delete_supplier_order" (parameter "suo_id"): deletes a supplier
// order with its confirmed shares, confirmed lines, ordered request rows, lines and header, in
// the caller's transaction or one of its own, releasing the requests' amounts. Goods of the order
// received into the warehouse keep it: the refusal is a reference error (547) and nothing is
// deleted. Goods in transit keep their waybill's rows and a proforma its lines: refused as well,
// naming the waybill or the proforma.
class SupplierOrderDeleteProcedure
{
public:
    static const QString Name;
    // The constraint the refusal names: a shipment keeps the confirmed line it carries.
    static const QString ReceiptConstraint;

    static void registerOnce();
    // Registers when needed and calls it; true when an order was deleted, false when there was
    // none with that number.
    static bool run(Data::Database& db, qint64 suoId);
    // The second line of every refusal.
    static QString refusalTail();
};

} // namespace Tarvo::SupplierOrders
