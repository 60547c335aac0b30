#pragma once

#include "data/engine/money.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace Tarvo::Data {
class Database;
class Dialect;
class Query;
}

namespace Tarvo::SupplierOrders {

// What one line of an approved request still asks for: its amount less what orders,
// confirmations and invoices already hold of it.
struct OpenRequestLine
{
    qint64 requestId = 0;
    qint64 productId = 0;
    Money amount;
    QVariant urgencyId; // null: the request has no urgency
    QString urgencyName;
    QString article;
    QString name;
};

// The open lines of one product summed over the requests.
struct OpenProduct
{
    qint64 productId = 0;
    QString article;
    QString name;
    Money required;
    QString requests;    // request numbers joined by ";" as long as they fit RequestListLength
    QString urgencyName; // the urgency every request of the product shares, else empty
    int requestCount = 0;
};

using RequestLineKey = QPair<qint64, qint64>; // request, product

class OpenRequestAmounts
{
public:
    static constexpr int RequestListLength = 255;

    // Every open line of every approved request, in request-number order and by product within a
    // request. Amounts are compared at 1/10000 on both engines.
    static QList<OpenRequestLine> read(Data::Database& db);
    // The statement read() runs (columns: request, product, open amount, urgency id and name,
    // article, name). `requestCondition` (on `b`, the request) narrows the requests further.
    static QString statement(const Data::Dialect& dialect, const QString& requestCondition = {});
    // The products of the same open lines (one column, a product once per line).
    static QString products(const Data::Dialect& dialect, const QString& requestCondition = {});
    // Runs a prepared statement() with its parameters bound.
    static QList<OpenRequestLine> read(Data::Query& query);

    // The lines summed per product, in the order each product first occurs.
    static QList<OpenProduct> perProduct(const QList<OpenRequestLine>& lines);

    // Inside the caller's transaction: the open amounts of the given request lines as they stand
    // now, with the lines locked until the transaction ends, so a second workstation's save of
    // the same lines waits and then sees this one's. A line gone meanwhile is absent.
    static QHash<RequestLineKey, Money> lockAndRead(Data::Database& db, const QList<RequestLineKey>& lines);

private:
    static QString openLines(const Data::Dialect& dialect, const QString& requestCondition);
};

} // namespace Tarvo::SupplierOrders
