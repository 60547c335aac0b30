#pragma once

#include "data/engine/money.h"

#include <QList>
#include <QString>
#include <functional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The articles put aside by price-list runs ("Разбор прайс-листов"): each is matched to a
// product (offer and prices written, the row removed) or deleted, each in one transaction.
class UnhandledProducts
{
public:
    struct Row
    {
        qint64 id = 0;
        QString article;
        QString name;
        Money price;
        QString currency;
    };
    // At most `limit` rows of the supplier after the key `after`, in key order.
    static QList<Row> page(Data::Database& db, qint64 supplierId, qint64 after, int limit);
    // Suppliers with rows waiting: par_ID, n_user, name.
    static QList<std::tuple<qint64, QString, QString>> suppliers(Data::Database& db);

    // `replace` is asked when the product already has another article of the supplier (given);
    // false leaves everything as it was and returns false.
    static bool match(Data::Database& db, qint64 rowId, qint64 productId,
                      const std::function<bool(const QString& otherArticle)>& replace);
    static void remove(Data::Database& db, qint64 rowId);
    // The supplier's rows whose article equals a product's PR_ARTICUL (and whose product has no
    // offer of the supplier yet); matched in one transaction. Returns how many.
    static int countByArticle(Data::Database& db, qint64 supplierId);
    static int matchByArticle(Data::Database& db, qint64 supplierId);

    static const QString RowGone;

private:
    static void matchInTransaction(Data::Database& db, qint64 rowId, qint64 productId);
};

} // namespace Tarvo::Catalog
