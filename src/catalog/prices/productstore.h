#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace Tarvo::Data {
class Database;
class DatabaseError;
} // namespace Tarvo::Data

namespace Tarvo::Catalog {

// The writes of a product of the price list: the product row with our price, each save one
// transaction, and the delete of a product with everything that hangs on it.
class ProductStore
{
public:
    // The value of a column of the row being saved (product and price columns, see OurPriceQuery).
    using ValueOf = std::function<QVariant(const QString& column)>;

    explicit ProductStore(Data::Database& db) : m_db(db) {}

    // Updates the product and its price; the price row is created when missing.
    void update(qint64 productId, const ValueOf& value);
    // Inserts a product with its price row; returns its key.
    qint64 insert(const ValueOf& value);
    // Deletes the product, its variants and everything of both: analog links in both directions,
    // supplier prices and offers, our prices, descriptions. Refused, with nothing deleted, for a
    // product (or variant) used in requests, supplier orders or waybills.
    void remove(qint64 productId);

    static const QString DuplicateArticle;
    static const QString UsedInRequests;
    static const QString UsedInOrders;
    static const QString UsedInWaybills;

private:
    void writePrice(qint64 productId, const ValueOf& value);
    QList<qint64> withVariants(qint64 productId);
    void refuseWhenUsed(const QList<qint64>& ids);
    [[noreturn]] static void rethrow(const Data::DatabaseError& e);

    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
