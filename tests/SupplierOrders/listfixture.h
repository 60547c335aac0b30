#pragma once

#include "AcceptedOrders/acclistfixture.h"

namespace Tarvo::Test {

// Supplier orders for the register made in the tables: orders with lines and sums, requests
// ordered from them, confirmations with their shares, shipments and receipts.
struct SupplierListFixture : AccListFixture
{
    using AccListFixture::AccListFixture;

    // An order with one line of `qty` for `sum` roubles (and `sumValut` in its currency), `ordered`
    // of it placed from a new request.
    struct Order
    {
        qint64 suo = 0, bof = 0;
    };
    Order orderWithRequest(qint64 pr, const char* qty, const char* sum, const char* sumValut = "0",
                           const QString& currency = {}, bool waiting = true) const
    {
        Order o;
        o.suo = newOrder(currency, waiting);
        orderedLine(o.suo, pr, qty, sum, sumValut);
        o.bof = request();
        line(o.bof, pr, "1000");
        db.exec(QStringLiteral("insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                               "values (?, ?, ?, ?)"),
                {o.bof, pr, o.suo, amount(qty)});
        return o;
    }
    // Confirms `qty` of the line on `date`, moving it from the request's ordered row to its share.
    void confirmFromRequest(const Order& o, qint64 pr, const QDateTime& date, const char* qty,
                            const char* sum, const char* sumValut = "0") const
    {
        confirm(o.suo, pr, date, qty, sum, sumValut);
        share(o.bof, o.suo, pr, date, qty);
        db.exec(QStringLiteral("update scm_bo_ordered set bpo_amount = bpo_amount - ? where bpo_bof_id = ? "
                               "and bpo_pr_id = ? and bpo_suo_id = ?"),
                {amount(qty), o.bof, pr, o.suo});
        db.exec(QStringLiteral("delete from scm_bo_ordered where bpo_amount <= 0"));
    }
};

} // namespace Tarvo::Test
