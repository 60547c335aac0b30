#include "SupplierOrders/supplieroffers.h"

#include "catalog/currency/currencyrates.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QDate>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace Tarvo::SupplierOrders {

Money SupplierOffers::roublePrice(Money price, double rate)
{
    return Catalog::CurrencyRates::convert(price, Catalog::CurrencyRates::quotationOf(rate),
                                           Catalog::CurrencyRates::QuotationScale);
}

std::optional<double> SupplierOffers::rateOf(const QString& code)
{
    const auto found = m_rates.constFind(code);
    if (found != m_rates.constEnd())
        return *found;
    const std::optional<double> r = Catalog::CurrencyRates(m_db).latestRate(code);
    m_rates.insert(code, r);
    return r;
}

namespace {
// The offer columns of forProduct() and cheapestOf(), the product first.
const QString OfferColumns = u"select a.sam_pr_id, a.sam_prv_id, p.NAME_USER, p.N_USER, a.sam_artc, a.sam_price, "
                             "coalesce(a.sam_codval, ''), a.sam_minpartia, a.sam_pieceperpack, a.sam_deliverydelay, "
                             "a.sam_chaindelay "
                             "from scm_artcmap a "
                             "join scm_partner s on s.par_ID = a.sam_prv_id "
                             "join _partner p on p.N_USER = s.par_nuser "_s;

SupplierOffer offerOf(const Data::Query& q)
{
    SupplierOffer o;
    o.productId = q.integer(0);
    o.supplierId = q.integer(1);
    o.supplierName = q.string(2);
    o.shortName = q.string(3);
    o.article = q.string(4);
    o.price = q.money(5);
    o.currency = q.string(6).trimmed();
    o.minLot = q.money(7);
    o.piecesPerPack = q.money(8);
    o.deliveryDelay = q.value(9).toInt();
    o.chainDelay = q.value(10).toInt();
    return o;
}
} // namespace

bool SupplierOffers::cheaper(const SupplierOffer& a, const SupplierOffer& b)
{
    if (a.roublePrice.has_value() != b.roublePrice.has_value())
        return a.roublePrice.has_value();
    if (a.roublePrice && *a.roublePrice != *b.roublePrice)
        return *a.roublePrice < *b.roublePrice;
    return a.supplierId < b.supplierId;
}

void SupplierOffers::price(SupplierOffer& o)
{
    o.rate = rateOf(o.currency);
    o.roublePrice.reset();
    if (o.rate)
        o.roublePrice = roublePrice(o.price, *o.rate);
}

QList<SupplierOffer> SupplierOffers::forProduct(qint64 productId)
{
    Data::Query q(m_db, OfferColumns + u"where a.sam_pr_id = ?"_s);
    q.bindAt(0, productId, Data::ParamType::Integer).exec();
    QList<SupplierOffer> offers;
    while (q.next())
        offers << offerOf(q);
    // The rates only after the last row: on PostgreSQL another statement drops the rows unread.
    for (SupplierOffer& o : offers)
        price(o);
    std::sort(offers.begin(), offers.end(), cheaper);
    return offers;
}

QString SupplierOffers::cheapestStatement(const QString& products)
{
    return OfferColumns + u"where a.sam_pr_id in (%1)"_s.arg(products);
}

QHash<qint64, SupplierOffer> SupplierOffers::cheapestOf(const QString& products, const QList<Data::Param>& params)
{
    Data::Query q(m_db, cheapestStatement(products));
    for (int i = 0; i < params.size(); ++i)
        q.bindAt(i, params[i].value, params[i].type, params[i].size);
    q.exec();
    QList<SupplierOffer> offers;
    while (q.next())
        offers << offerOf(q);
    QHash<qint64, SupplierOffer> best;
    for (SupplierOffer& o : offers) {
        price(o);
        auto found = best.find(o.productId);
        if (found == best.end())
            best.insert(o.productId, o);
        else if (cheaper(o, *found))
            *found = o;
    }
    return best;
}

void SupplierOffers::requireRate(SupplierOffer& offer)
{
    if (offer.rate)
        return;
    const double r = Catalog::CurrencyRates(m_db).rate(offer.currency, QDate::currentDate());
    m_rates.insert(offer.currency, r);
    offer.rate = r;
    offer.roublePrice = roublePrice(offer.price, r);
}

} // namespace Tarvo::SupplierOrders
