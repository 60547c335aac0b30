#include "catalog/import/priceimportsaver.h"

#include "catalog/import/priceimportsession.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/engine/schema.h"
#include "data/engine/sqlitestatement.h"
#include "data/engine/temptable.h"
#include "db/bulkinserter.h"

#include <QHash>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

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

// The optional columns: a value the row did not set keeps what is stored (0 for a new row).
const QList<std::pair<QString, QString>>& optionalColumns()
{
    static const QList<std::pair<QString, QString>> c{
        {u"deliverydelay"_s, u"t_deliverydelay"_s}, {u"minpartia"_s, u"t_minpartia"_s},
        {u"pieceperpack"_s, u"t_pieceperpack"_s},   {u"chaindelay"_s, u"t_chaindelay"_s},
        {u"name"_s, u"t_name"_s}};
    return c;
}

const QStringList& extraColumns()
{
    static const QStringList c = [] {
        QStringList e;
        for (int i = 1; i <= 8; ++i)
            e << u"extra%1"_s.arg(i);
        return e;
    }();
    return c;
}

// Where a row's value comes from in a statement: a staging table's column or a parameter.
using Source = std::function<QString(const QString& rowColumn)>;

Source stagedSource()
{
    return [](const QString& c) { return u"t."_s + c; };
}

// ?1 is the key, then the row's columns in rowColumns() order; ?18 and on are the caller's.
Source parameterSource()
{
    return [](const QString& c) { return u"?%1"_s.arg(rowColumns().indexOf(c) + 1); };
}

// `fields` (PriceRowStore::setFields) leaves out the optional columns no row set: they would
// keep their values anyway, and each column written costs on every row.
QString setClause(const QString& prefix, const Source& src, quint32 fields, bool article = true)
{
    QStringList s{u"%1price = %2"_s.arg(prefix, src(u"t_price"_s)), u"%1codval = %2"_s.arg(prefix, src(u"t_codval"_s))};
    if (article)
        s.prepend(u"%1artc = %2"_s.arg(prefix, src(u"t_artc"_s)));
    // Bits in rowColumns() order from t_deliverydelay on.
    const auto set = [&](const QString& rowColumn) {
        return fields & (1u << (rowColumns().indexOf(rowColumn) - rowColumns().indexOf(u"t_deliverydelay"_s)));
    };
    for (const auto& [c, t] : optionalColumns())
        if (set(t))
            s << u"%1%2 = coalesce(%3, %1%2)"_s.arg(prefix, c, src(t));
    for (const QString& e : extraColumns())
        if (set(u"t_"_s + e))
            s << u"%1%2 = coalesce(%3, %1%2)"_s.arg(prefix, e, src(u"t_"_s + e));
    return s.join(u", "_s);
}

QString insertColumns(const QString& prefix)
{
    QStringList c{prefix + u"artc"_s, prefix + u"price"_s, prefix + u"codval"_s};
    for (const auto& o : optionalColumns())
        c << prefix + o.first;
    for (const QString& e : extraColumns())
        c << prefix + e;
    return c.join(u", "_s);
}

QString insertValues(const Source& src)
{
    QStringList v{src(u"t_artc"_s), src(u"t_price"_s), src(u"t_codval"_s)};
    for (const auto& [c, t] : optionalColumns())
        v << (c == u"name"_s ? src(t) : u"coalesce(%1, 0)"_s.arg(src(t)));
    for (const QString& e : extraColumns())
        v << src(u"t_"_s + e);
    return v.join(u", "_s);
}

// One statement stepped straight through the SQLite library, prepared once for every row.
class NativeStatement
{
public:
    NativeStatement(Data::Database& db, const QString& sql) : m_db(db), m_sql(sql)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db.sqliteHandle(), text.constData(), int(text.size()), &m_st, nullptr) != SQLITE_OK)
            Data::raiseSqliteError(db, db.sqliteHandle(), sql);
    }
    ~NativeStatement() { sqlite3_finalize(m_st); }
    NativeStatement(const NativeStatement&) = delete;
    NativeStatement& operator=(const NativeStatement&) = delete;

    sqlite3_stmt* get() const { return m_st; }
    void bind(int at, qint64 v) { sqlite3_bind_int64(m_st, at, v); }
    void bind(int at, Money v) { sqlite3_bind_double(m_st, at, v.toDouble()); }
    void bind(int at, const QByteArray& v)
    {
        sqlite3_bind_text(m_st, at, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    void bind(int at, const QString& v) { bind(at, v.toUtf8()); }
    template <typename T> void bind(int at, const std::optional<T>& v)
    {
        if (v)
            bind(at, *v);
        else
            sqlite3_bind_null(m_st, at);
    }
    void bind(int at, qint16 v) { bind(at, qint64(v)); }
    void bindNull(int at) { sqlite3_bind_null(m_st, at); }

    // The rows changed; -1 when a reference check refused the row (the statement is undone).
    int step(bool refusedKeyAllowed = false)
    {
        const int rc = sqlite3_step(m_st);
        sqlite3_reset(m_st);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW)
            return rc == SQLITE_ROW ? 1 : sqlite3_changes(sqlite3_db_handle(m_st));
        // The schema's reference checks are triggers (named refusals) or native keys.
        const int code = sqlite3_extended_errcode(sqlite3_db_handle(m_st));
        if (refusedKeyAllowed && (code == SQLITE_CONSTRAINT_TRIGGER || code == SQLITE_CONSTRAINT_FOREIGNKEY))
            return -1;
        Data::raiseSqliteError(m_db, sqlite3_db_handle(m_st), m_sql);
    }
    // Steps a query of one integer column: its first value, 0 when no row.
    qint64 integer()
    {
        qint64 v = 0;
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            v = sqlite3_column_int64(m_st, 0);
        sqlite3_reset(m_st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            Data::raiseSqliteError(m_db, sqlite3_db_handle(m_st), m_sql);
        return v;
    }

private:
    Data::Database& m_db;
    QString m_sql;
    sqlite3_stmt* m_st = nullptr;
};

void bindRow(NativeStatement& st, const PriceImportRow& r)
{
    st.bind(2, r.article);
    st.bind(3, r.price);
    if (r.currency.isEmpty())
        st.bindNull(4);
    else
        st.bind(4, r.currency);
    st.bind(5, r.deliveryDelay);
    st.bind(6, r.minLot);
    st.bind(7, r.piecesPerPack);
    st.bind(8, r.chainDelay);
    st.bind(9, r.name);
    for (int i = 0; i < 8; ++i)
        st.bind(10 + i, r.extras[size_t(i)]);
}

[[noreturn]] void refuseRows(QStringList articles)
{
    articles.sort();
    const QString shown = articles.mid(0, 20).join(u", "_s) + (articles.size() > 20 ? u", …"_s : QString());
    throw PriceImportSaver::RowsRefused(u"Товары удалены другим пользователем после выбора; строки с артикулами %1 "
                                        u"не могут быть сохранены."_s.arg(shown),
                                        articles);
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
    if (session.store().failed())
        throw Exception(u"Строки импорта не сохранены во временный файл; импорт нужно повторить."_s);
    Data::Database& db = m_db;
    Data::Transaction tx(db);
    const qint64 par = ensurePartner(db, session.supplierNUser());
    QHash<QString, qint64> priceIds;
    for (const QString& n : session.priceNames())
        priceIds.insert(n, ensurePriceName(db, n));
    const QDateTime now = db.serverTime();
    const QVariant user = m_userId > 0 ? QVariant(m_userId) : QVariant();

    // In process every row costs no round trip: prepared statements stepped per row beat any
    // staging table there. A server gets the rows in bulk and set-based statements.
    if (Data::BulkInserter::stepsInProcess(db))
        writeRows(session, par, priceIds, now);
    else
        stageRows(session, par, priceIds, now);

    // An article matched now is no longer waiting.
    db.exec(u"delete from scm_unhand_prod where uhp_par_id = ? and exists (select 1 from scm_artcmap m "
            u"where m.sam_prv_id = ? and m.sam_artc = scm_unhand_prod.uhp_artc and m.sam_updatedate = ?)"_s,
            {par, par, now});
    tx.commit();
    return par;
}

void PriceImportSaver::writeRows(PriceImportSession& session, qint64 par, const QHash<QString, qint64>& priceIds,
                                 const QDateTime& now)
{
    Data::Database& db = m_db;
    const Source src = parameterSource();
    const quint32 fields = session.store().setFields();
    const QByteArray nowText = Data::Query::dateTimeText(now).toUtf8();
    // ?18 the save time, ?19 the supplier, ?20 the user.
    NativeStatement mapUpdate(db, u"update scm_artcmap set "_s + setClause(u"sam_"_s, src, fields) +
                                      u", sam_updatedate = ?18 where sam_pr_id = ?1 and sam_prv_id = ?19"_s);
    // The article unchanged: its index is left alone.
    NativeStatement mapUpdatePrices(db, u"update scm_artcmap set "_s + setClause(u"sam_"_s, src, fields, false) +
                                            u", sam_updatedate = ?18 where sam_pr_id = ?1 and sam_prv_id = ?19"_s);
    NativeStatement mapInsert(db, u"insert into scm_artcmap (sam_pr_id, sam_prv_id, "_s + insertColumns(u"sam_"_s) +
                                      u", sam_updatedate) values (?1, ?19, "_s + insertValues(src) +
                                      u", ?18) on conflict (sam_pr_id, sam_prv_id) do nothing"_s);
    NativeStatement priceUpdate(db, u"update CRM_FOREIGNPRICE set fp_price = ?3 where fp_pr_id = ?1 "
                                    u"and fp_prn_id = ?2 and fp_par_id = ?4"_s);
    NativeStatement priceInsert(db, u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) "
                                    u"values (?2, ?1, ?4, ?3)"_s);
    NativeStatement deferredUpdate(db, u"update scm_unhand_prod set "_s + setClause(u"uhp_"_s, src, fields) +
                                           u", uhp_date = ?18, uhp_us_id = ?20 where uhp_par_id = ?19 "
                                           u"and uhp_artc = ?2"_s);
    NativeStatement deferredInsert(db, u"insert into scm_unhand_prod (uhp_par_id, "_s + insertColumns(u"uhp_"_s) +
                                           u", uhp_date, uhp_us_id) values (?19, "_s + insertValues(src) +
                                           u", ?18, ?20)"_s);
    NativeStatement productExists(db, u"select count(*) from crm_product where PR_ID = ?1"_s);
    NativeStatement deferredId(db, u"select uhp_id from scm_unhand_prod where uhp_par_id = ?1 and uhp_artc = ?2"_s);
    NativeStatement deferredPricesDelete(db, u"delete from scm_unhand_price where uhn_uhp_id = ?1"_s);
    NativeStatement deferredPriceInsert(db, u"insert into scm_unhand_price (uhn_uhp_id, uhn_prn_id, uhn_price) "
                                            u"values (?1, ?2, ?3)"_s);
    for (NativeStatement* st : {&mapUpdate, &mapUpdatePrices, &mapInsert, &deferredUpdate, &deferredInsert}) {
        sqlite3_bind_text(st->get(), 18, nowText.constData(), int(nowText.size()), SQLITE_STATIC);
        st->bind(19, par);
    }
    for (NativeStatement* st : {&deferredUpdate, &deferredInsert}) {
        if (m_userId > 0)
            st->bind(20, qint64(m_userId));
        else
            st->bindNull(20);
    }
    priceUpdate.bind(4, par);
    priceInsert.bind(4, par);
    deferredId.bind(1, par);

    const PriceArticleIndex& index = session.store().index();
    QStringList gone;
    session.store().forEach([&](const PriceImportRow& r, qint32 e) {
        if (r.productId > 0) {
            // A product of the stored map most likely has its row: the update comes first then.
            const PriceArticleIndex::Entry& entry = index.at(e);
            const bool known = (entry.flags & PriceArticleIndex::Stored) && entry.stored == r.productId;
            NativeStatement& update =
                known && entry.spelling == PriceRowStore::spelling(r.article.toUtf8()) ? mapUpdatePrices : mapUpdate;
            NativeStatement& first = known ? update : mapInsert;
            NativeStatement& second = known ? mapInsert : update;
            first.bind(1, r.productId);
            bindRow(first, r);
            NativeStatement* last = &first;
            int changed = first.step(true);
            if (changed == 0) {
                last = &second;
                second.bind(1, r.productId);
                bindRow(second, r);
                changed = second.step(true);
            }
            // A new row: its prices cannot exist yet.
            const bool added = (last == &mapInsert);
            if (changed < 0) {
                productExists.bind(1, r.productId);
                if (productExists.integer() != 0)
                    last->step(); // another check refused the row: its own error
                gone << r.article; // the product was deleted meanwhile
                return;
            }
            for (const auto& [name, value] : r.prices) {
                const qint64 prn = priceIds.value(name);
                if (!added) {
                    priceUpdate.bind(1, r.productId);
                    priceUpdate.bind(2, prn);
                    priceUpdate.bind(3, value);
                    if (priceUpdate.step() > 0)
                        continue;
                }
                priceInsert.bind(1, r.productId);
                priceInsert.bind(2, prn);
                priceInsert.bind(3, value);
                priceInsert.step();
            }
            return;
        }
        // Deferred articles: the latest file's values replace what waited.
        bindRow(deferredUpdate, r);
        qint64 id = 0;
        if (deferredUpdate.step() > 0) {
            deferredId.bind(2, r.article);
            id = deferredId.integer();
            deferredPricesDelete.bind(1, id);
            deferredPricesDelete.step();
        } else {
            bindRow(deferredInsert, r);
            deferredInsert.step();
            id = sqlite3_last_insert_rowid(db.sqliteHandle());
        }
        for (const auto& [name, value] : r.prices) {
            deferredPriceInsert.bind(1, id);
            deferredPriceInsert.bind(2, priceIds.value(name));
            deferredPriceInsert.bind(3, value);
            deferredPriceInsert.step();
        }
    });
    if (!gone.isEmpty())
        refuseRows(gone);
}

void PriceImportSaver::insertAndAnalyze(const QString& table, const QString& sql, const QVariantList& params)
{
    Data::Query q(m_db, sql);
    q.bindAll(params).exec();
    // The server's statistics would still show this supplier without rows until its autoanalyze
    // comes round; a re-import planned on them meanwhile joins the staged rows row by row and runs
    // for minutes. Analysed here, the new statistics commit with the rows (a role that does not own
    // the table gets only a warning).
    if (q.numRowsAffected() >= AnalyzeAfterRows)
        m_db.exec(u"analyze "_s + table);
}

void PriceImportSaver::stageRows(PriceImportSession& session, qint64 par, const QHash<QString, qint64>& priceIds,
                                 const QDateTime& now)
{
    Data::Database& db = m_db;
    Data::createTempTable(db, rowTable(u"tmp_price_rows"_s));
    Data::createTempTable(db, Data::Table(u"tmp_price_values"_s)
                       .integer(u"v_pr_id"_s)
                       .integer(u"v_prn_id"_s)
                       .money(u"v_price"_s));
    Data::createTempTable(db, rowTable(u"tmp_price_deferred"_s));
    Data::createTempTable(db, Data::Table(u"tmp_price_deferred_values"_s)
                       .string(u"v_artc"_s, 50)
                       .integer(u"v_prn_id"_s)
                       .money(u"v_price"_s));
    {
        Data::BulkInserter rows(db, u"tmp_price_rows"_s, rowColumns());
        Data::BulkInserter values(db, u"tmp_price_values"_s, {u"v_pr_id"_s, u"v_prn_id"_s, u"v_price"_s});
        Data::BulkInserter deferred(db, u"tmp_price_deferred"_s, rowColumns());
        Data::BulkInserter deferredValues(db, u"tmp_price_deferred_values"_s,
                                          {u"v_artc"_s, u"v_prn_id"_s, u"v_price"_s});
        // Typed fields: no QVariant per value on the way to COPY.
        const auto addRow = [](Data::BulkInserter& b, const PriceImportRow& r) {
            b.addText(r.article).addMoney(r.price);
            if (r.currency.isEmpty())
                b.addNull();
            else
                b.addText(r.currency);
            b.addOptional(r.deliveryDelay)
                .addOptional(r.minLot)
                .addOptional(r.piecesPerPack)
                .addOptional(r.chainDelay)
                .addOptional(r.name);
            for (const auto& e : r.extras)
                b.addOptional(e);
            b.endRow();
        };
        session.store().forEach([&](const PriceImportRow& r, qint32) {
            if (r.productId > 0) {
                addRow(rows.addInteger(r.productId), r);
                for (const auto& [name, value] : r.prices)
                    values.addInteger(r.productId).addInteger(priceIds.value(name)).addMoney(value).endRow();
            } else {
                addRow(deferred.addNull(), r);
                for (const auto& [name, value] : r.prices)
                    deferredValues.addText(r.article).addInteger(priceIds.value(name)).addMoney(value).endRow();
            }
        });
        rows.flush();
        values.flush();
        deferred.flush();
        deferredValues.flush();
    }

    {
        Data::Query gone(db, u"select t.t_artc from tmp_price_rows t where not exists "
                             u"(select 1 from crm_product p where p.PR_ID = t.t_pr_id)"_s);
        gone.exec();
        QStringList articles;
        while (gone.next())
            articles << gone.string(0);
        if (!articles.isEmpty())
            refuseRows(articles);
    }

    const Source src = stagedSource();
    const quint32 fields = session.store().setFields();
    const QVariant user = m_userId > 0 ? QVariant(m_userId) : QVariant();
    db.exec(u"update scm_artcmap set "_s + setClause(u"sam_"_s, src, fields) +
                u", sam_updatedate = ? from tmp_price_rows t where scm_artcmap.sam_pr_id = t.t_pr_id "
                u"and scm_artcmap.sam_prv_id = ?"_s,
            {now, par});
    insertAndAnalyze(u"scm_artcmap"_s,
                     u"insert into scm_artcmap (sam_pr_id, sam_prv_id, "_s + insertColumns(u"sam_"_s) +
                         u", sam_updatedate) select t.t_pr_id, ?, "_s + insertValues(src) +
                         u", ? from tmp_price_rows t where not exists (select 1 from scm_artcmap m "
                         u"where m.sam_pr_id = t.t_pr_id and m.sam_prv_id = ?)"_s,
                     {par, now, par});
    db.exec(u"update CRM_FOREIGNPRICE set fp_price = v.v_price from tmp_price_values v "
            u"where CRM_FOREIGNPRICE.fp_pr_id = v.v_pr_id and CRM_FOREIGNPRICE.fp_prn_id = v.v_prn_id "
            u"and CRM_FOREIGNPRICE.fp_par_id = ?"_s,
            {par});
    insertAndAnalyze(u"CRM_FOREIGNPRICE"_s,
                     u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) "
                     u"select v.v_prn_id, v.v_pr_id, ?, v.v_price from tmp_price_values v where not exists "
                     u"(select 1 from CRM_FOREIGNPRICE f where f.fp_pr_id = v.v_pr_id and f.fp_prn_id = v.v_prn_id "
                     u"and f.fp_par_id = ?)"_s,
                     {par, par});

    // Deferred articles: the latest file's values replace what waited.
    db.exec(u"update scm_unhand_prod set "_s + setClause(u"uhp_"_s, src, fields) +
                u", uhp_date = ?, uhp_us_id = ? from tmp_price_deferred t where scm_unhand_prod.uhp_par_id = ? "
                u"and scm_unhand_prod.uhp_artc = t.t_artc"_s,
            {now, user, par});
    insertAndAnalyze(u"scm_unhand_prod"_s,
                     u"insert into scm_unhand_prod (uhp_par_id, "_s + insertColumns(u"uhp_"_s) +
                         u", uhp_date, uhp_us_id) select ?, "_s + insertValues(src) +
                         u", ?, ? from tmp_price_deferred t where not exists (select 1 from scm_unhand_prod u "
                         u"where u.uhp_par_id = ? and u.uhp_artc = t.t_artc)"_s,
                     {par, now, user, par});
    db.exec(u"delete from scm_unhand_price where uhn_uhp_id in (select u.uhp_id from scm_unhand_prod u "
            u"join tmp_price_deferred t on t.t_artc = u.uhp_artc where u.uhp_par_id = ?)"_s,
            {par});
    insertAndAnalyze(u"scm_unhand_price"_s,
                     u"insert into scm_unhand_price (uhn_uhp_id, uhn_prn_id, uhn_price) select u.uhp_id, v.v_prn_id, "
                     u"v.v_price from tmp_price_deferred_values v join scm_unhand_prod u on u.uhp_artc = v.v_artc "
                     u"and u.uhp_par_id = ?"_s,
                     {par});

    for (const char* t : {"tmp_price_rows", "tmp_price_values", "tmp_price_deferred", "tmp_price_deferred_values"})
        Data::dropTempTable(db, QString::fromLatin1(t));
}

} // namespace Tarvo::Catalog
