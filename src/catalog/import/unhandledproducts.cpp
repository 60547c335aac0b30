#include "catalog/import/unhandledproducts.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString UnhandledProducts::RowGone =
    u"Отложенный артикул уже разобран или удалён другим пользователем"_s;

QList<UnhandledProducts::Row> UnhandledProducts::page(Data::Database& db, qint64 supplierId, qint64 after, int limit)
{
    Data::Query q(db, u"select uhp_id, uhp_artc, uhp_name, uhp_price, uhp_codval from scm_unhand_prod "
                      u"where uhp_par_id = ? and uhp_id > ? order by uhp_id limit ?"_s);
    q.bindAll({supplierId, after, limit}).exec();
    QList<Row> rows;
    while (q.next())
        rows << Row{q.integer(0), q.string(1), q.string(2), q.money(3), q.string(4)};
    return rows;
}

QList<std::tuple<qint64, QString, QString>> UnhandledProducts::suppliers(Data::Database& db)
{
    Data::Query q(db, u"select s.par_ID, s.par_nuser, p.NAME_USER from scm_partner s join _partner p on "
                      u"p.N_USER = s.par_nuser where exists (select 1 from scm_unhand_prod u where "
                      u"u.uhp_par_id = s.par_ID) order by p.NAME_USER"_s);
    q.exec();
    QList<std::tuple<qint64, QString, QString>> out;
    while (q.next())
        out << std::tuple{q.integer(0), q.string(1), q.string(2)};
    return out;
}

void UnhandledProducts::matchInTransaction(Data::Database& db, qint64 rowId, qint64 productId)
{
    Data::Query row(db, u"select uhp_par_id from scm_unhand_prod where uhp_id = ?"_s);
    row.bindAll({rowId}).exec();
    if (!row.next())
        throw Exception(RowGone);
    const qint64 par = row.integer(0);
    const QDateTime now = db.serverTime();
    QStringList extras, extraValues;
    for (int i = 1; i <= 8; ++i) {
        extras << u"sam_extra%1 = coalesce(u.uhp_extra%1, sam_extra%1)"_s.arg(i);
        extraValues << u"u.uhp_extra%1"_s.arg(i);
    }
    // The product's offer of this supplier takes the waiting article's values (unset ones stay).
    Data::Query update(db, u"update scm_artcmap set sam_artc = u.uhp_artc, sam_price = u.uhp_price, "
                           u"sam_codval = u.uhp_codval, sam_name = coalesce(u.uhp_name, sam_name), "
                           u"sam_deliverydelay = coalesce(u.uhp_deliverydelay, sam_deliverydelay), "
                           u"sam_chaindelay = coalesce(u.uhp_chaindelay, sam_chaindelay), "
                           u"sam_minpartia = coalesce(u.uhp_minpartia, sam_minpartia), "
                           u"sam_pieceperpack = coalesce(u.uhp_pieceperpack, sam_pieceperpack), "_s +
                               extras.join(u", "_s) +
                               u", sam_updatedate = ? from scm_unhand_prod u where u.uhp_id = ? "
                               u"and scm_artcmap.sam_pr_id = ? and scm_artcmap.sam_prv_id = u.uhp_par_id"_s);
    update.bindAll({now, rowId, productId}).exec();
    if (update.numRowsAffected() == 0) {
        QStringList cols;
        for (int i = 1; i <= 8; ++i)
            cols << u"sam_extra%1"_s.arg(i);
        db.exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_artc, sam_price, sam_codval, sam_name, "
                u"sam_deliverydelay, sam_chaindelay, sam_minpartia, sam_pieceperpack, "_s +
                    cols.join(u", "_s) +
                    u", sam_updatedate) select ?, u.uhp_par_id, u.uhp_artc, u.uhp_price, u.uhp_codval, u.uhp_name, "
                    u"coalesce(u.uhp_deliverydelay, 0), coalesce(u.uhp_chaindelay, 0), coalesce(u.uhp_minpartia, 0), "
                    u"coalesce(u.uhp_pieceperpack, 0), "_s +
                    extraValues.join(u", "_s) + u", ? from scm_unhand_prod u where u.uhp_id = ?"_s,
                {productId, now, rowId});
    }
    db.exec(u"update CRM_FOREIGNPRICE set fp_price = p.uhn_price from scm_unhand_price p where p.uhn_uhp_id = ? "
            u"and CRM_FOREIGNPRICE.fp_pr_id = ? and CRM_FOREIGNPRICE.fp_par_id = ? "
            u"and CRM_FOREIGNPRICE.fp_prn_id = p.uhn_prn_id"_s,
            {rowId, productId, par});
    db.exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) select p.uhn_prn_id, ?, ?, "
            u"p.uhn_price from scm_unhand_price p where p.uhn_uhp_id = ? and not exists (select 1 from "
            u"CRM_FOREIGNPRICE f where f.fp_prn_id = p.uhn_prn_id and f.fp_pr_id = ? and f.fp_par_id = ?)"_s,
            {productId, par, rowId, productId, par});
    Data::Query gone(db, u"delete from scm_unhand_prod where uhp_id = ?"_s);
    gone.bindAll({rowId}).exec();
    if (gone.numRowsAffected() == 0)
        throw Exception(RowGone);
}

bool UnhandledProducts::match(Data::Database& db, qint64 rowId, qint64 productId,
                              const std::function<bool(const QString&)>& replace)
{
    Data::Transaction tx(db);
    Data::Query other(db, u"select m.sam_artc from scm_artcmap m join scm_unhand_prod u on "
                          u"u.uhp_par_id = m.sam_prv_id where u.uhp_id = ? and m.sam_pr_id = ?"_s);
    other.bindAll({rowId, productId}).exec();
    if (other.next() && replace && !replace(other.string(0)))
        return false;
    matchInTransaction(db, rowId, productId);
    tx.commit();
    return true;
}

void UnhandledProducts::remove(Data::Database& db, qint64 rowId)
{
    Data::Transaction tx(db);
    Data::Query q(db, u"delete from scm_unhand_prod where uhp_id = ?"_s);
    q.bindAll({rowId}).exec();
    if (q.numRowsAffected() == 0)
        throw Exception(RowGone);
    tx.commit();
}

namespace {

const QString ByArticle =
    u"from scm_unhand_prod u join crm_product p on p.PR_ARTICUL = u.uhp_artc where u.uhp_par_id = ? "
    u"and not exists (select 1 from scm_artcmap m where m.sam_pr_id = p.PR_ID and m.sam_prv_id = u.uhp_par_id)"_s;

} // namespace

int UnhandledProducts::countByArticle(Data::Database& db, qint64 supplierId)
{
    return db.scalar(u"select count(*) "_s + ByArticle, {supplierId}).toInt();
}

int UnhandledProducts::matchByArticle(Data::Database& db, qint64 supplierId)
{
    Data::Transaction tx(db);
    Data::Query q(db, u"select u.uhp_id, p.PR_ID "_s + ByArticle + u" order by u.uhp_id"_s);
    q.bindAll({supplierId}).exec();
    QList<std::pair<qint64, qint64>> pairs;
    QSet<qint64> products;
    while (q.next())
        // Two waiting articles equal to one product's article: the first is taken.
        if (!products.contains(q.integer(1))) {
            products.insert(q.integer(1));
            pairs << std::pair{q.integer(0), q.integer(1)};
        }
    for (const auto& [row, product] : pairs)
        matchInTransaction(db, row, product);
    tx.commit();
    return int(pairs.size());
}

} // namespace Tarvo::Catalog
