#pragma once

#include "data/engine/money.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The writes around one product's suppliers: the offers (`scm_artcmap`), the suppliers' prices
// per price kind (`crm_foreignprice`) and our additional prices (`CRM_OURDOPPRICE`). Every value
// is bound; each call is one transaction.
class SupplierPrices
{
public:
    using ValueOf = std::function<QVariant(const QString& column)>;

    explicit SupplierPrices(Data::Database& db) : m_db(db) {}

    // "Добавить": the supplier starts offering the product.
    void addSupplier(qint64 productId, qint64 supplierId);
    // "Удалить": refused while the supplier has prices for the product.
    void removeSupplier(qint64 productId, qint64 supplierId);
    // The offer's own columns, as edited in the suppliers' grid.
    void saveOffer(qint64 productId, qint64 supplierId, const ValueOf& value);

    // A supplier's price of a kind; the old key is replaced when the row is moved to another
    // supplier or kind. Refused for a supplier who does not offer the product.
    void savePrice(qint64 productId, qint64 supplierId, qint64 priceKind, const QVariant& price,
                   std::optional<std::pair<qint64, qint64>> oldSupplierAndKind = std::nullopt);
    void removePrice(qint64 productId, qint64 supplierId, qint64 priceKind);

    // Our additional price of a kind (insert or update, and when the kind changes, the old row goes).
    void saveOurPrice(qint64 productId, qint64 priceKind, const ValueOf& value,
                      std::optional<qint64> oldKind = std::nullopt);
    void removeOurPrice(qint64 productId, qint64 priceKind);

    static const QString HasPrices;
    static const QString AlreadySupplier;
    static const QString PriceKindTwice;
    // "Поставщик "name" не продает этот товар".
    static QString doesNotSell(const QString& supplierName);

    // The offer columns the suppliers' grid edits.
    static const QStringList OfferColumns;

private:
    QString supplierName(qint64 supplierId);

    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
