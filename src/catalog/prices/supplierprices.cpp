#include "catalog/prices/supplierprices.h"

#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"

#include <QDateTime>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString SupplierPrices::HasPrices = u"У поставщика этого товара существуют дополнительные цены"_s;
const QString SupplierPrices::AlreadySupplier = u"Этот поставщик уже продает этот товар"_s;
const QString SupplierPrices::PriceKindTwice = u"Такая цена уже задана"_s;

const QStringList SupplierPrices::OfferColumns = {
    u"sam_artc"_s,         u"sam_name"_s,   u"sam_deliverydelay"_s, u"sam_chaindelay"_s, u"sam_minpartia"_s,
    u"sam_pieceperpack"_s, u"sam_price"_s,  u"sam_codval"_s,        u"sam_available"_s,  u"sam_extra1"_s,
    u"sam_extra2"_s,       u"sam_extra3"_s, u"sam_extra4"_s,        u"sam_extra5"_s,     u"sam_extra6"_s,
    u"sam_extra7"_s,       u"sam_extra8"_s};

namespace {

bool isKeyClash(const Data::DatabaseError& e)
{
    return e.nativeError() == Data::NativeError::Constraint ||
           e.nativeError() == Data::NativeError::UniqueIndex;
}

bool mentions(const Data::DatabaseError& e, const QString& constraint)
{
    return e.nativeError() == Data::NativeError::Reference &&
           (e.constraint().compare(constraint, Qt::CaseInsensitive) == 0 ||
            e.message().contains(constraint, Qt::CaseInsensitive));
}

const QString OfferReference = u"FK_CRM_FOREIGNPRICE_scm_artcmap"_s;

} // namespace

QString SupplierPrices::doesNotSell(const QString& supplierName)
{
    return u"Поставщик \""_s + supplierName + u"\" не продает этот товар"_s;
}

QString SupplierPrices::supplierName(qint64 supplierId)
{
    Data::Query q(
        m_db, u"select NAME_USER from scm_partner join _partner on N_USER = par_nuser where par_ID = ?"_s);
    q.bindAll({supplierId}).exec();
    return q.next() ? q.string(0).trimmed() : QString::number(supplierId);
}

void SupplierPrices::addSupplier(qint64 productId, qint64 supplierId)
{
    try {
        CatalogTransaction tx(m_db);
        Data::Query(m_db,
                    u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_updatedate) values (?, ?, ?)"_s)
            .bindAll({productId, supplierId, QDateTime::currentDateTime()})
            .exec();
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (isKeyClash(e))
            throw Exception(AlreadySupplier);
        throw;
    }
}

void SupplierPrices::removeSupplier(qint64 productId, qint64 supplierId)
{
    try {
        CatalogTransaction tx(m_db);
        Data::Query(m_db, u"delete from scm_artcmap where sam_pr_id = ? and sam_prv_id = ?"_s)
            .bindAll({productId, supplierId})
            .exec();
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (mentions(e, OfferReference))
            throw Exception(HasPrices);
        throw;
    }
}

void SupplierPrices::saveOffer(qint64 productId, qint64 supplierId, const ValueOf& value)
{
    CatalogTransaction tx(m_db);
    QStringList sets;
    QVariantList params;
    for (const QString& c : OfferColumns) {
        sets << c + u" = ?"_s;
        params << value(c);
    }
    params << QDateTime::currentDateTime() << productId << supplierId;
    Data::Query(m_db, u"update scm_artcmap set "_s + sets.join(u", "_s) +
                          u", sam_updatedate = ? where sam_pr_id = ? and sam_prv_id = ?"_s)
        .bindAll(params)
        .exec();
    tx.commit();
}

void SupplierPrices::savePrice(qint64 productId, qint64 supplierId, qint64 priceKind, const QVariant& price,
                               std::optional<std::pair<qint64, qint64>> oldSupplierAndKind)
{
    try {
        CatalogTransaction tx(m_db);
        if (oldSupplierAndKind)
            Data::Query(
                m_db,
                u"delete from crm_foreignprice where fp_pr_id = ? and fp_par_id = ? and fp_prn_id = ?"_s)
                .bindAll({productId, oldSupplierAndKind->first, oldSupplierAndKind->second})
                .exec();
        Data::Query update(m_db, u"update crm_foreignprice set fp_price = ?"
                                 u" where fp_pr_id = ? and fp_par_id = ? and fp_prn_id = ?"_s);
        update.bindAll({price, productId, supplierId, priceKind}).exec();
        if (update.numRowsAffected() == 0)
            Data::Query(m_db, u"insert into crm_foreignprice (fp_pr_id, fp_par_id, fp_prn_id, fp_price)"
                              u" values (?, ?, ?, ?)"_s)
                .bindAll({productId, supplierId, priceKind, price})
                .exec();
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (mentions(e, OfferReference))
            throw Exception(doesNotSell(supplierName(supplierId)));
        if (isKeyClash(e))
            throw Exception(PriceKindTwice);
        throw;
    }
}

void SupplierPrices::removePrice(qint64 productId, qint64 supplierId, qint64 priceKind)
{
    CatalogTransaction tx(m_db);
    Data::Query(m_db,
                u"delete from crm_foreignprice where fp_pr_id = ? and fp_par_id = ? and fp_prn_id = ?"_s)
        .bindAll({productId, supplierId, priceKind})
        .exec();
    tx.commit();
}

void SupplierPrices::saveOurPrice(qint64 productId, qint64 priceKind, const ValueOf& value,
                                  std::optional<qint64> oldKind)
{
    try {
        CatalogTransaction tx(m_db);
        if (oldKind && *oldKind != priceKind)
            Data::Query(m_db, u"delete from CRM_OURDOPPRICE where ODC_PR_ID = ? and ODC_PRN_ID = ?"_s)
                .bindAll({productId, *oldKind})
                .exec();
        const QVariantList values{value(u"ODC_PRICE"_s), value(u"ODC_RATIO"_s), value(u"ODC_VALPRICE"_s)};
        Data::Query update(m_db, u"update CRM_OURDOPPRICE set ODC_PRICE = ?, ODC_RATIO = ?, ODC_VALPRICE = ?"
                                 u" where ODC_PR_ID = ? and ODC_PRN_ID = ?"_s);
        update.bindAll(values + QVariantList{productId, priceKind}).exec();
        if (update.numRowsAffected() == 0)
            Data::Query(
                m_db,
                u"insert into CRM_OURDOPPRICE (ODC_PR_ID, ODC_PRN_ID, ODC_PRICE, ODC_RATIO, ODC_VALPRICE)"
                u" values (?, ?, ?, ?, ?)"_s)
                .bindAll(QVariantList{productId, priceKind} + values)
                .exec();
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (isKeyClash(e))
            throw Exception(PriceKindTwice);
        throw;
    }
}

void SupplierPrices::removeOurPrice(qint64 productId, qint64 priceKind)
{
    CatalogTransaction tx(m_db);
    Data::Query(m_db, u"delete from CRM_OURDOPPRICE where ODC_PR_ID = ? and ODC_PRN_ID = ?"_s)
        .bindAll({productId, priceKind})
        .exec();
    tx.commit();
}

} // namespace Tarvo::Catalog
