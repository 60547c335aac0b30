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

QList<SupplierOffer> SupplierOffers::forProduct(qint64 productId)
{
    Data::Query q(m_db, u"select a.sam_prv_id, p.NAME_USER, p.N_USER, a.sam_artc, a.sam_price, "
                        "coalesce(a.sam_codval, ''), a.sam_minpartia, a.sam_pieceperpack, a.sam_deliverydelay, "
                        "a.sam_chaindelay "
                        "from scm_artcmap a "
                        "join scm_partner s on s.par_ID = a.sam_prv_id "
                        "join _partner p on p.N_USER = s.par_nuser "
                        "where a.sam_pr_id = ?"_s);
    q.bindAt(0, productId, Data::ParamType::Integer).exec();
    QList<SupplierOffer> offers;
    while (q.next()) {
        SupplierOffer o;
        o.supplierId = q.integer(0);
        o.productId = productId;
        o.supplierName = q.string(1);
        o.shortName = q.string(2);
        o.article = q.string(3);
        o.price = q.money(4);
        o.currency = q.string(5).trimmed();
        o.minLot = q.money(6);
        o.piecesPerPack = q.money(7);
        o.deliveryDelay = q.value(8).toInt();
        o.chainDelay = q.value(9).toInt();
        offers << o;
    }
    // The rates only after the last row: on PostgreSQL another statement drops the rows unread.
    for (SupplierOffer& o : offers) {
        o.rate = rateOf(o.currency);
        if (o.rate)
            o.roublePrice = roublePrice(o.price, *o.rate);
    }
    std::sort(offers.begin(), offers.end(), [](const SupplierOffer& a, const SupplierOffer& b) {
        if (a.roublePrice.has_value() != b.roublePrice.has_value())
            return a.roublePrice.has_value();
        if (a.roublePrice && *a.roublePrice != *b.roublePrice)
            return *a.roublePrice < *b.roublePrice;
        return a.supplierId < b.supplierId;
    });
    return offers;
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
