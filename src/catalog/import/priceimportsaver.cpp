#include "catalog/import/priceimportsaver.h"

#include "catalog/import/priceimportsession.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/engine/schema.h"
#include "db/bulkinserter.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

QVariant opt(const std::optional<qint16>& v)
{
    return v ? QVariant(int(*v)) : QVariant();
}
QVariant opt(const std::optional<Money>& v)
{
    return v ? v->toVariant() : QVariant();
}
QVariant opt(const std::optional<QString>& v)
{
    return v ? QVariant(*v) : QVariant();
}

Data::Table rowTable(const QString& name)
{
    Data::Table t(name);
    t.integer(u"t_pr_id"_s)
        .string(u"t_artc"_s, 50)
        .money(u"t_price"_s)
        .string(u"t_codval"_s, 8)
        .smallint(u"t_deliverydelay"_s)
        .money(u"t_minpartia"_s)
        .money(u"t_pieceperpack"_s)
        .smallint(u"t_chaindelay"_s)
        .string(u"t_name"_s, 250);
    for (int i = 1; i <= 8; ++i)
        t.string(u"t_extra%1"_s.arg(i), 250);
    return t;
}

QStringList rowColumns()
{
    QStringList c{u"t_pr_id"_s,    u"t_artc"_s,         u"t_price"_s,        u"t_codval"_s, u"t_deliverydelay"_s,
                  u"t_minpartia"_s, u"t_pieceperpack"_s, u"t_chaindelay"_s, u"t_name"_s};
    for (int i = 1; i <= 8; ++i)
        c << u"t_extra%1"_s.arg(i);
    return c;
}

QVariantList rowValues(const PriceImportRow& r, const QVariant& key)
{
    QVariantList v{key,
                   r.article,
                   r.price.toVariant(),
                   r.currency.isEmpty() ? QVariant() : QVariant(r.currency),
                   opt(r.deliveryDelay),
                   opt(r.minLot),
                   opt(r.piecesPerPack),
                   opt(r.chainDelay),
                   opt(r.name)};
    for (const auto& e : r.extras)
        v << opt(e);
    return v;
}

void dropTemp(Data::Database& db, const QString& name)
{
    db.exec(u"drop table if exists %1"_s.arg(name));
}

void createTemp(Data::Database& db, const Data::Table& t)
{
    dropTemp(db, t.name());
    db.exec(db.dialect().createTempTable(t));
}

} // namespace

qint64 PriceImportSaver::ensurePartner(Data::Database& db, const QString& nuser)
{
    const auto find = [&]() -> qint64 {
        Data::Query q(db, u"select par_ID from scm_partner where par_nuser = ?"_s);
        q.bindAll({nuser}).exec();
        return q.next() ? q.integer(0) : 0;
    };
    if (const qint64 id = find())
        return id;
    try {
        Data::Savepoint sp(db);
        const qint64 id =
            db.insertReturning(u"insert into scm_partner (par_nuser) values (?)"_s, u"par_ID"_s, {nuser});
        sp.release();
        return id;
    } catch (const Data::DatabaseError& e) {
        // Another workstation created it meanwhile: its row is the supplier's.
        if (e.nativeError() != Data::NativeError::Constraint && e.nativeError() != Data::NativeError::UniqueIndex)
            throw;
    }
    if (const qint64 id = find())
        return id;
    throw Exception(u"Не удалось создать поставщика «%1» в справочнике поставщиков"_s.arg(nuser));
}

qint64 PriceImportSaver::ensurePriceName(Data::Database& db, const QString& name)
{
    // Two workstations creating the same kind at once would make two of it.
    db.lockName(u"scm_pricename:"_s + name);
    Data::Query q(db, u"select min(prn_id) from scm_pricename where prn_name = ?"_s);
    q.bindAll({name}).exec();
    if (q.next() && !q.isNull(0))
        return q.integer(0);
    return db.insertReturning(u"insert into scm_pricename (prn_name) values (?)"_s, u"prn_id"_s, {name});
}

qint64 PriceImportSaver::save(PriceImportSession& session)
{
    session.finish();
    Data::Database& db = m_db;
    Data::Transaction tx(db);
    const qint64 par = ensurePartner(db, session.supplierNUser());
    QHash<QString, qint64> priceIds;
    for (const QString& n : session.priceNames())
        priceIds.insert(n, ensurePriceName(db, n));
    const QDateTime now = db.serverTime();

    createTemp(db, rowTable(u"tmp_price_rows"_s));
    createTemp(db, Data::Table(u"tmp_price_values"_s)
                       .integer(u"v_pr_id"_s)
                       .integer(u"v_prn_id"_s)
                       .money(u"v_price"_s));
    createTemp(db, rowTable(u"tmp_price_deferred"_s));
    createTemp(db, Data::Table(u"tmp_price_deferred_values"_s)
                       .string(u"v_artc"_s, 50)
                       .integer(u"v_prn_id"_s)
                       .money(u"v_price"_s));
    {
        Data::BulkInserter rows(db, u"tmp_price_rows"_s, rowColumns());
        Data::BulkInserter values(db, u"tmp_price_values"_s, {u"v_pr_id"_s, u"v_prn_id"_s, u"v_price"_s});
        Data::BulkInserter deferred(db, u"tmp_price_deferred"_s, rowColumns());
        Data::BulkInserter deferredValues(db, u"tmp_price_deferred_values"_s,
                                          {u"v_artc"_s, u"v_prn_id"_s, u"v_price"_s});
        session.store().forEach([&](const PriceImportRow& r) {
            if (r.productId > 0) {
                rows.add(rowValues(r, r.productId));
                for (const auto& [name, value] : r.prices)
                    values.add({r.productId, priceIds.value(name), value.toVariant()});
            } else {
                deferred.add(rowValues(r, QVariant()));
                for (const auto& [name, value] : r.prices)
                    deferredValues.add({r.article, priceIds.value(name), value.toVariant()});
            }
        });
        rows.flush();
        values.flush();
        deferred.flush();
        deferredValues.flush();
    }

    {
        Data::Query gone(db, u"select t.t_artc from tmp_price_rows t where not exists "
                             u"(select 1 from crm_product p where p.PR_ID = t.t_pr_id) order by t.t_artc"_s);
        gone.exec();
        QStringList articles;
        while (gone.next())
            articles << gone.string(0);
        if (!articles.isEmpty()) {
            const QString shown = articles.mid(0, 20).join(u", "_s) + (articles.size() > 20 ? u", …"_s : QString());
            throw RowsRefused(u"Товары удалены другим пользователем после выбора; строки с артикулами %1 "
                              u"не могут быть сохранены."_s.arg(shown),
                              articles);
        }
    }

    // The optional columns: a value the row did not set keeps what is stored (0 for a new row).
    const QList<std::pair<QString, QString>> optional{
        {u"deliverydelay"_s, u"t_deliverydelay"_s}, {u"minpartia"_s, u"t_minpartia"_s},
        {u"pieceperpack"_s, u"t_pieceperpack"_s},   {u"chaindelay"_s, u"t_chaindelay"_s},
        {u"name"_s, u"t_name"_s}};
    QStringList extras;
    for (int i = 1; i <= 8; ++i)
        extras << u"extra%1"_s.arg(i);

    const auto sets = [&](const QString& prefix) {
        QStringList s{u"%1artc = t.t_artc"_s.arg(prefix), u"%1price = t.t_price"_s.arg(prefix),
                      u"%1codval = t.t_codval"_s.arg(prefix)};
        for (const auto& [c, t] : optional)
            s << u"%1%2 = coalesce(t.%3, %1%2)"_s.arg(prefix, c, t);
        for (const QString& e : extras)
            s << u"%1%2 = coalesce(t.t_%2, %1%2)"_s.arg(prefix, e);
        return s.join(u", "_s);
    };
    const auto insertColumns = [&](const QString& prefix) {
        QStringList c{prefix + u"artc"_s, prefix + u"price"_s, prefix + u"codval"_s};
        for (const auto& o : optional)
            c << prefix + o.first;
        for (const QString& e : extras)
            c << prefix + e;
        return c.join(u", "_s);
    };
    const auto insertValues = [&] {
        QStringList v{u"t.t_artc"_s, u"t.t_price"_s, u"t.t_codval"_s};
        for (const auto& [c, t] : optional)
            v << (c == u"name"_s ? u"t.%1"_s.arg(t) : u"coalesce(t.%1, 0)"_s.arg(t));
        for (const QString& e : extras)
            v << u"t.t_"_s + e;
        return v.join(u", "_s);
    };

    db.exec(u"update scm_artcmap set "_s + sets(u"sam_"_s) +
                u", sam_updatedate = ? from tmp_price_rows t where scm_artcmap.sam_pr_id = t.t_pr_id "
                u"and scm_artcmap.sam_prv_id = ?"_s,
            {now, par});
    db.exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id, "_s + insertColumns(u"sam_"_s) +
                u", sam_updatedate) select t.t_pr_id, ?, "_s + insertValues() +
                u", ? from tmp_price_rows t where not exists (select 1 from scm_artcmap m "
                u"where m.sam_pr_id = t.t_pr_id and m.sam_prv_id = ?)"_s,
            {par, now, par});
    db.exec(u"update CRM_FOREIGNPRICE set fp_price = v.v_price from tmp_price_values v "
            u"where CRM_FOREIGNPRICE.fp_pr_id = v.v_pr_id and CRM_FOREIGNPRICE.fp_prn_id = v.v_prn_id "
            u"and CRM_FOREIGNPRICE.fp_par_id = ?"_s,
            {par});
    db.exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) "
            u"select v.v_prn_id, v.v_pr_id, ?, v.v_price from tmp_price_values v where not exists "
            u"(select 1 from CRM_FOREIGNPRICE f where f.fp_pr_id = v.v_pr_id and f.fp_prn_id = v.v_prn_id "
            u"and f.fp_par_id = ?)"_s,
            {par, par});
    // An article matched now is no longer waiting.
    db.exec(u"delete from scm_unhand_prod where uhp_par_id = ? and uhp_artc in (select t_artc from tmp_price_rows)"_s,
            {par});

    // Deferred articles: the latest file's values replace what waited.
    db.exec(u"update scm_unhand_prod set "_s + sets(u"uhp_"_s) +
                u", uhp_date = ?, uhp_us_id = ? from tmp_price_deferred t where scm_unhand_prod.uhp_par_id = ? "
                u"and scm_unhand_prod.uhp_artc = t.t_artc"_s,
            {now, m_userId > 0 ? QVariant(m_userId) : QVariant(), par});
    db.exec(u"insert into scm_unhand_prod (uhp_par_id, "_s + insertColumns(u"uhp_"_s) +
                u", uhp_date, uhp_us_id) select ?, "_s + insertValues() +
                u", ?, ? from tmp_price_deferred t where not exists (select 1 from scm_unhand_prod u "
                u"where u.uhp_par_id = ? and u.uhp_artc = t.t_artc)"_s,
            {par, now, m_userId > 0 ? QVariant(m_userId) : QVariant(), par});
    db.exec(u"delete from scm_unhand_price where uhn_uhp_id in (select u.uhp_id from scm_unhand_prod u "
            u"join tmp_price_deferred t on t.t_artc = u.uhp_artc where u.uhp_par_id = ?)"_s,
            {par});
    db.exec(u"insert into scm_unhand_price (uhn_uhp_id, uhn_prn_id, uhn_price) select u.uhp_id, v.v_prn_id, "
            u"v.v_price from tmp_price_deferred_values v join scm_unhand_prod u on u.uhp_artc = v.v_artc "
            u"and u.uhp_par_id = ?"_s,
            {par});

    for (const char* t : {"tmp_price_rows", "tmp_price_values", "tmp_price_deferred", "tmp_price_deferred_values"})
        dropTemp(db, QString::fromLatin1(t));
    tx.commit();
    return par;
}

} // namespace Tarvo::Catalog
