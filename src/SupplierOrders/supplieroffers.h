#pragma once

#include "data/engine/money.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace Tarvo::Data {
class Database;
struct Param;
}

namespace Tarvo::SupplierOrders {

// A supplier's assortment row of one product (scm_artcmap) with its price in roubles.
struct SupplierOffer
{
    qint64 supplierId = 0;
    qint64 productId = 0;
    QString supplierName;
    QString shortName;
    QString article; // the supplier's own
    Money price;     // in `currency`
    QString currency; // empty for roubles; a null code is roubles too
    std::optional<double> rate;       // the latest usable quotation; 1 for roubles
    std::optional<Money> roublePrice; // price × rate; none without a usable rate
    Money minLot;
    Money piecesPerPack;
    int deliveryDelay = 0;
    int chainDelay = 0;
};

// The product's suppliers with their prices, the rates read once per currency.
class SupplierOffers
{
public:
    explicit SupplierOffers(Data::Database& db) : m_db(db) {}

    // Cheapest rouble price first; suppliers whose currency has no usable rate come after every
    // priced one. Ties go by supplier number, so both engines propose the same supplier.
    QList<SupplierOffer> forProduct(qint64 productId);

    // The cheapest offer of every product the statement `products` lists (one column of product
    // keys, with `params`), in one statement; a product without offers has no entry.
    QHash<qint64, SupplierOffer> cheapestOf(const QString& products, const QList<Data::Param>& params);
    static QString cheapestStatement(const QString& products);

    // The order of forProduct(): a before b.
    static bool cheaper(const SupplierOffer& a, const SupplierOffer& b);
    // Fills the rate and the rouble price from the offer's currency.
    void price(SupplierOffer& offer);

    // An offer without a usable rate gets today's, asked through CurrencyRates' asker (the
    // quotation dialog; its cancel is Tarvo::Abort).
    void requireRate(SupplierOffer& offer);

    static Money roublePrice(Money price, double rate);

private:
    std::optional<double> rateOf(const QString& code);

    Data::Database& m_db;
    QHash<QString, std::optional<double>> m_rates;
};

} // namespace Tarvo::SupplierOrders
