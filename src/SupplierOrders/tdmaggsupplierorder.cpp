#include "SupplierOrders/tdmaggsupplierorder.h"

#include "BusOffer/offereditorlookups.h"
#include "BusOffer/offerliststatement.h"
#include "SupplierOrders/supplierorderwriter.h"
#include "catalog/catalogtransaction.h"
#include "catalog/prices/supplierprices.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace Tarvo::SupplierOrders {

QString TdmAggSupplierOrder::nothingOpenText()
{
    return u"Нет заявок для составления заказов"_s;
}

QString TdmAggSupplierOrder::noSupplierText(const QString& article)
{
    return u"Товар %1: не выбран поставщик"_s.arg(article);
}

QString TdmAggSupplierOrder::amountText()
{
    return u"Количество должно быть больше нуля"_s;
}

Data::TQueryCommandBuilder TdmAggSupplierOrder::collectingStatement(const Data::Dialect& dialect,
                                                                    const Otbor::TVarList* filters,
                                                                    bool productsOnly)
{
    // The requests are those the register lists with its filters (manager, state, dates …),
    // every batch of them, not only the batches it has read.
    Data::TQueryCommandBuilder list;
    if (filters)
        list = Data::TQueryCommandBuilder::render(*BusOffer::OfferListStatement::build(dialect, filters));
    const QString condition =
        filters ? u"b.bof_id in (select r.bof_id from (%1) r)"_s.arg(list.sql()) : QString();
    Data::TQueryCommandBuilder out;
    out.writeText(productsOnly ? OpenRequestAmounts::products(dialect, condition)
                               : OpenRequestAmounts::statement(dialect, condition));
    for (const Data::Param& p : list.params())
        out.addParameter(p.value, p.name, p.size, p.type);
    return out;
}

bool TdmAggSupplierOrder::collect(const Otbor::TVarList* filters)
{
    m_lines.clear();
    m_products.clear();
    m_productIndex.clear();
    m_supplies.clear();
    m_productOffers.clear();

    {
        const auto lines = collectingStatement(m_db.dialect(), filters, false).toQuery(m_db);
        m_lines = OpenRequestAmounts::read(*lines);
    }
    if (m_lines.isEmpty())
        return false;
    m_products = OpenRequestAmounts::perProduct(m_lines);
    for (qsizetype i = 0; i < m_products.size(); ++i)
        m_productIndex.insert(m_products[i].productId, i);

    const auto products = collectingStatement(m_db.dialect(), filters, true);
    const QHash<qint64, SupplierOffer> cheapest = m_offers.cheapestOf(products.sql(), products.params());
    for (const OpenProduct& p : m_products) {
        const auto found = cheapest.constFind(p.productId);
        if (found == cheapest.constEnd())
            continue;
        SupplyRow row;
        row.productId = p.productId;
        row.amount = p.required;
        fromOffer(row, *found);
        if (!found->rate) {
            // No usable rate: proposed without a price; choosing it asks for the rate.
            row.roublePrice = Money();
            row.rate = 0;
        }
        m_supplies << row;
    }
    return true;
}

const OpenProduct* TdmAggSupplierOrder::product(qint64 productId) const
{
    const auto found = m_productIndex.constFind(productId);
    return found == m_productIndex.constEnd() ? nullptr : &m_products[*found];
}

QList<int> TdmAggSupplierOrder::suppliesOf(qint64 productId) const
{
    QList<int> rows;
    for (int i = 0; i < m_supplies.size(); ++i)
        if (m_supplies[i].productId == productId)
            rows << i;
    return rows;
}

const QList<SupplierOffer>& TdmAggSupplierOrder::offers(qint64 productId)
{
    auto found = m_productOffers.find(productId);
    if (found == m_productOffers.end())
        found = m_productOffers.insert(productId, m_offers.forProduct(productId));
    return *found;
}

void TdmAggSupplierOrder::fromOffer(SupplyRow& row, const SupplierOffer& offer)
{
    row.supplierId = offer.supplierId;
    row.supplierName = offer.supplierName;
    row.currency = offer.currency;
    row.currencyPrice = offer.price;
    row.rate = offer.rate.value_or(0);
    row.roublePrice = offer.roublePrice.value_or(Money());
}

int TdmAggSupplierOrder::addSupply(qint64 productId)
{
    if (!product(productId))
        throw Exception(u"Товар не требуется ни одной одобренной заявкой"_s);
    SupplyRow row;
    row.productId = productId;
    m_supplies << row;
    return int(m_supplies.size() - 1);
}

void TdmAggSupplierOrder::removeSupply(int row)
{
    if (row >= 0 && row < m_supplies.size())
        m_supplies.removeAt(row);
}

void TdmAggSupplierOrder::setSupplier(int row, qint64 supplierId)
{
    SupplyRow& r = m_supplies[row];
    for (const SupplierOffer& o : offers(r.productId)) {
        if (o.supplierId != supplierId)
            continue;
        SupplierOffer priced = o;
        try {
            m_offers.requireRate(priced);
        } catch (const Abort&) {
            r.supplierId = 0;
            r.supplierName.clear();
            r.currency.clear();
            r.rate = 1;
            r.roublePrice = r.currencyPrice = Money();
            throw;
        }
        // The rate asked is the product's other offers' too.
        m_productOffers.remove(r.productId);
        fromOffer(r, priced);
        return;
    }
    throw Exception(u"Поставщик %1 не предлагает этот товар"_s.arg(supplierId));
}

void TdmAggSupplierOrder::setAmount(int row, Money amount)
{
    if (amount <= Money())
        throw Exception(amountText());
    m_supplies[row].amount = amount;
}

void TdmAggSupplierOrder::requireRates()
{
    for (int i = 0; i < m_supplies.size(); ++i)
        if (m_supplies[i].supplierId > 0 && m_supplies[i].rate <= 0)
            setSupplier(i, m_supplies[i].supplierId);
}

qint64 TdmAggSupplierOrder::saveOffer(const OfferEdit& e)
{
    if (e.price < Money())
        throw Exception(u"Цена не может быть отрицательной"_s);
    Catalog::SupplierPrices prices(m_db);
    qint64 supplier = e.supplierId;
    {
        Catalog::CatalogTransaction tx(m_db);
        if (supplier <= 0) {
            if (e.supplierCode.isEmpty())
                throw Exception(u"Выберите поставщика"_s);
            supplier = BusOffer::OfferEditorLookups::registeredCounterparty(m_db, e.supplierCode);
        }
        const bool added = e.oldSupplierId != supplier;
        if (added)
            prices.addSupplier(e.productId, supplier);
        // The columns not edited here keep what the row holds.
        QVariantMap stored;
        {
            Data::Query q(m_db, u"select %1 from scm_artcmap where sam_pr_id = ? and sam_prv_id = ?"_s.arg(
                                    Catalog::SupplierPrices::OfferColumns.join(u", "_s)));
            q.bindAll({e.productId, added && e.oldSupplierId > 0 ? e.oldSupplierId : supplier}).exec();
            if (q.next())
                for (int i = 0; i < Catalog::SupplierPrices::OfferColumns.size(); ++i)
                    stored.insert(Catalog::SupplierPrices::OfferColumns[i], q.value(i));
        }
        const QVariantMap edited{{u"sam_artc"_s, e.article},
                                 {u"sam_deliverydelay"_s, e.deliveryDelay},
                                 {u"sam_minpartia"_s, e.minLot.toVariant()},
                                 {u"sam_pieceperpack"_s, e.piecesPerPack.toVariant()},
                                 {u"sam_price"_s, e.price.toVariant()},
                                 {u"sam_codval"_s, e.currency},
                                 {u"sam_chaindelay"_s, e.chainDelay}};
        prices.saveOffer(e.productId, supplier, [&](const QString& column) {
            return edited.contains(column) ? edited.value(column) : stored.value(column);
        });
        if (added && e.oldSupplierId > 0)
            prices.removeSupplier(e.productId, e.oldSupplierId);
        tx.commit();
    }
    m_productOffers.remove(e.productId);
    retakePrices(e.productId, supplier);
    return supplier;
}

void TdmAggSupplierOrder::retakePrices(qint64 productId, qint64 supplierId)
{
    for (SupplyRow& r : m_supplies) {
        if (r.productId != productId || r.supplierId != supplierId)
            continue;
        bool found = false;
        for (const SupplierOffer& o : offers(productId))
            if (o.supplierId == supplierId) {
                SupplierOffer priced = o;
                m_offers.requireRate(priced);
                fromOffer(r, priced);
                found = true;
            }
        if (!found)
            r.supplierId = 0;
    }
}

PreparedOrders TdmAggSupplierOrder::prepare() const
{
    QList<SupplierAssignment> assignments;
    for (const SupplyRow& r : m_supplies) {
        const OpenProduct* p = product(r.productId);
        if (r.supplierId <= 0)
            throw Exception(noSupplierText(p ? p->article : QString::number(r.productId)));
        if (r.amount <= Money())
            throw Exception(amountText());
        if (r.rate <= 0)
            throw Exception(u"Товар %1: нет курса валюты %2 поставщика %3"_s.arg(p ? p->article : QString(),
                                                                                  r.currency, r.supplierName));
        assignments << SupplierAssignment{r.productId, r.supplierId, r.supplierName, r.amount,
                                          r.currency, r.roublePrice, r.currencyPrice};
    }
    return SupplierOrderPreparation::prepare(m_lines, assignments);
}

QList<qint64> TdmAggSupplierOrder::save(const PreparedOrders& prepared)
{
    return SupplierOrderWriter::save(m_db, prepared);
}

} // namespace Tarvo::SupplierOrders
