#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace Tarvo::Data {
class Database;
class Query;
} // namespace Tarvo::Data

namespace Tarvo::WayBills {

// The server procedures of the waybills, callable through Data::ProcedureRegistry, each in the
// caller's transaction or one of its own:
// - scm_loadWayBill (swb_id): five result sets read from one snapshot — the waybill, its
//   invoices, their delivered products (names, articles, the supplier's article), the order rows
//   and the request rows (with what the warehouse received of each).
// - scm_LoadOrder2WayBill (suo_id): per confirmed line of the order what no invoice carries yet,
//   its sums pro rata, the order's supplier, currency, contract, stage and warehouse, and one row
//   per request of the line with its confirmed, not yet shipped quantity.
// - scm_delete_waybill (swb_id), scm_delete_invoice (sde_id), scm_deleteDeliveredProduct
//   (sde_id, pr_id), scm_deleteOrderInvoice (sde_id, sdp_pr_id, suo_id, pr_id, deliverydate):
//   the rows below first; every deleted request row's quantity goes back to the request's
//   confirmed, not yet shipped row. Goods received into the warehouse keep them: the refusal is
//   a reference error (547) and nothing is deleted. Output "deleted": the rows of the named level.
class WayBillProcedures
{
public:
    static const QString LoadWayBill;
    static const QString LoadOrder;
    static const QString DeleteWayBill;
    static const QString DeleteInvoice;
    static const QString DeleteProduct;
    static const QString DeleteOrderRow;

    // The statements of scm_loadWayBill in the order of its result sets, each binding the
    // waybill's key `keyBinds` times.
    struct Statement
    {
        QString sql;
        int keyBinds = 1;
    };
    static const QList<Statement>& loadWayBillStatements();
    // What scm_loadWayBill does, for a reader that takes the rows itself: runs its statements in
    // one snapshot, handing each bound query, not yet run, to `read` with the number of its result
    // set; `read` returns the rows it read. Throws when the waybill is absent.
    static void readWayBill(Data::Database& db, qint64 swbId, const std::function<int(int set, Data::Query& q)>& read);

    static void registerOnce();
};

} // namespace Tarvo::WayBills
