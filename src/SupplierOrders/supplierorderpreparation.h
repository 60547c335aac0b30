#pragma once

#include "SupplierOrders/openrequestamounts.h"
#include "data/engine/money.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace Tarvo::SupplierOrders {

// An amount of one product to order from one supplier, at the supplier's prices.
struct SupplierAssignment
{
    qint64 productId = 0;
    qint64 supplierId = 0;
    QString supplierName;
    Money amount;
    QString currency; // empty for roubles
    Money roublePrice;
    Money currencyPrice; // the supplier's own price; the rouble price for roubles
};

struct PreparedOrder
{
    int link = 0; // number within the run: 0, 1, 2 … in the order the orders arose
    qint64 supplierId = 0;
    QString supplierName;
    QVariant urgencyId; // null: no urgency
    QString urgencyName;
    QString currency;
};

struct PreparedLine
{
    int orderLink = 0;
    qint64 productId = 0;
    QString article;
    QString name;
    Money amount;
    Money roublePrice;
    Money currencyPrice;
    Money sum() const { return roublePrice * amount; }
    Money sumValut() const { return currencyPrice * amount; }
};

// A share of a request line in an order line (a row of scm_bo_ordered).
struct PreparedLink
{
    qint64 requestId = 0;
    int orderLink = 0;
    qint64 productId = 0;
    Money amount;
};

struct PreparedOrders
{
    QList<PreparedOrder> orders;
    QList<PreparedLine> lines;
    QList<PreparedLink> links;

    bool isEmpty() const { return orders.isEmpty(); }
    QList<PreparedLine> linesOf(int orderLink) const;
    Money sum(int orderLink) const;
    Money sumValut(int orderLink) const;
};

// Turns supplier assignments into orders. Each assignment, in the order given, is served from
// the open lines of its product in the order given (request-number order), each line up to what
// earlier assignments left of it; what no line needs is not ordered. Orders are one per
// (supplier, the request's urgency, the assignment's currency), "no urgency" being one group;
// one line per product in an order; one link per request line and order, however many
// assignments fed it.
class SupplierOrderPreparation
{
public:
    static PreparedOrders prepare(const QList<OpenRequestLine>& lines, const QList<SupplierAssignment>& assignments);
};

} // namespace Tarvo::SupplierOrders
