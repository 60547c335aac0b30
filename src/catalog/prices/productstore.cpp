#include "catalog/prices/productstore.h"

#include "catalog/catalogtransaction.h"
#include "catalog/prices/ourpricequery.h"
#include "core/exception.h"
#include "data/engine/databaseerror.h"
#include "data/engine/money.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString ProductStore::DuplicateArticle = u"Такой артикул уже существует"_s;
const QString ProductStore::UsedInRequests = u"Нельзя удалить товар, участвующий в заявках"_s;
const QString ProductStore::UsedInOrders = u"Нельзя удалить товар, участвующий в заказах поставщикам"_s;
const QString ProductStore::UsedInWaybills = u"Нельзя удалить товар, участвующий в накладных"_s;

namespace {

struct Use
{
    const char* table;
    const char* column;
    const char* constraint;
    const QString& message;
};

const Use Uses[] = {
    {"scm_bp_delivery", "bpd_pr_id", "FK_scm_bp_delivery_crm_product", ProductStore::UsedInRequests},
    {"scm_so_products", "sop_pr_id", "FK_scm_so_products_crm_product", ProductStore::UsedInOrders},
    {"scm_deliveredProduct", "sdp_pr_id", "FK_scm_deliveredProduct_crm_product",
     ProductStore::UsedInWaybills},
};

QString placeholders(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << u"?"_s;
    return marks.join(u", "_s);
}

QVariantList variants(const QList<qint64>& ids)
{
    QVariantList r;
    for (qint64 id : ids)
        r << id;
    return r;
}

} // namespace

void ProductStore::rethrow(const Data::DatabaseError& e)
{
    const QString text = e.constraint() + u' ' + e.message();
    if ((e.nativeError() == Data::NativeError::Constraint ||
         e.nativeError() == Data::NativeError::UniqueIndex) &&
        text.contains(u"ix_crm_product"_s, Qt::CaseInsensitive))
        throw Exception(DuplicateArticle);
    for (const Use& use : Uses) {
        if (e.nativeError() == Data::NativeError::Reference &&
            text.contains(QLatin1String(use.constraint), Qt::CaseInsensitive))
            throw Exception(use.message);
    }
    throw e;
}

void ProductStore::update(qint64 productId, const ValueOf& value)
{
    try {
        CatalogTransaction tx(m_db);
        QStringList sets;
        QVariantList params;
        // PR_COEF1 is kept by the server's side of the business and never written here.
        for (const QString& c : OurPriceQuery::ProductColumns) {
            sets << c + u" = ?"_s;
            params << value(c);
        }
        params << productId;
        Data::Query(m_db, u"update crm_product set "_s + sets.join(u", "_s) + u" where PR_ID = ?"_s)
            .bindAll(params)
            .exec();
        writePrice(productId, value);
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        rethrow(e);
    }
}

qint64 ProductStore::insert(const ValueOf& value)
{
    try {
        CatalogTransaction tx(m_db);
        QVariantList params;
        for (const QString& c : OurPriceQuery::ProductColumns)
            params << value(c);
        const qint64 id = m_db.insertReturning(
            u"insert into crm_product ("_s + OurPriceQuery::ProductColumns.join(u", "_s) + u") values ("_s +
                placeholders(int(params.size())) + u")"_s,
            u"PR_ID"_s, params);
        writePrice(id, value);
        tx.commit();
        return id;
    } catch (const Data::DatabaseError& e) {
        rethrow(e);
    }
}

void ProductStore::writePrice(qint64 productId, const ValueOf& value)
{
    const QVariant flag = value(u"op_prval"_s);
    const QVariantList prices{value(u"ou_price"_s), flag.isNull() ? false : flag.toBool(),
                              value(u"op_codval"_s), value(u"op_valprice"_s)};
    Data::Query update(m_db,
                       u"update crm_ourprice set ou_price = ?, op_prval = ?, op_codval = ?, op_valprice = ?"
                       u" where op_pr_id = ?"_s);
    update.bindAll(prices + QVariantList{productId}).exec();
    if (update.numRowsAffected() > 0)
        return;
    Data::Query(m_db, u"insert into crm_ourprice (op_pr_id, ou_price, op_prval, op_codval, op_valprice)"
                      u" values (?, ?, ?, ?, ?)"_s)
        .bindAll(QVariantList{productId} + prices)
        .exec();
}

QList<qint64> ProductStore::withVariants(qint64 productId)
{
    // Variants of variants too: every one of them must go before its main product.
    QList<qint64> all{productId};
    for (qsizetype next = 0; next < all.size(); ++next) {
        Data::Query q(m_db, u"select PR_ID from crm_product where PR_ID_main = ?"_s);
        q.bindAll({all[next]}).exec();
        while (q.next()) {
            const qint64 id = q.integer(0);
            if (!all.contains(id))
                all << id;
        }
    }
    return all;
}

void ProductStore::refuseWhenUsed(const QList<qint64>& ids)
{
    for (const Use& use : Uses) {
        Data::Query q(m_db, u"select 1 from "_s + QLatin1String(use.table) + u" where "_s +
                                QLatin1String(use.column) + u" in ("_s + placeholders(int(ids.size())) +
                                u")"_s);
        q.bindAll(variants(ids)).exec();
        if (q.next())
            throw Exception(use.message);
    }
}

void ProductStore::remove(qint64 productId)
{
    try {
        CatalogTransaction tx(m_db);
        const QList<qint64> ids = withVariants(productId);
        refuseWhenUsed(ids);
        const QString in = u" in ("_s + placeholders(int(ids.size())) + u")"_s;
        const QVariantList keys = variants(ids);
        const QString dependents[] = {
            u"delete from crm_product_analog where cpa_pr_id"_s,
            u"delete from crm_product_analog where cpa_pr_id_analog"_s,
            u"delete from crm_foreignprice where fp_pr_id"_s,
            u"delete from scm_artcmap where sam_pr_id"_s,
            u"delete from crm_ourdopprice where odc_pr_id"_s,
            u"delete from crm_ourprice where op_pr_id"_s,
            u"delete from crm_tvr where tv_pr_id"_s,
        };
        for (const QString& statement : dependents)
            Data::Query(m_db, statement + in).bindAll(keys).exec();
        // The deepest variants first, the product last.
        for (qsizetype i = ids.size() - 1; i >= 0; --i)
            Data::Query(m_db, u"delete from crm_product where PR_ID = ?"_s).bindAll({ids[i]}).exec();
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        rethrow(e);
    }
}

} // namespace Tarvo::Catalog
