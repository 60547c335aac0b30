#include "WayBills/waybillprocedures.h"

#include "BusOffer/offerdeleteprocedure.h"
#include "WayBills/waybillshares.h"
#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

const QString WayBillProcedures::LoadWayBill = u"scm_loadWayBill"_s;
const QString WayBillProcedures::LoadOrder = u"scm_LoadOrder2WayBill"_s;
const QString WayBillProcedures::DeleteWayBill = u"scm_delete_waybill"_s;
const QString WayBillProcedures::DeleteInvoice = u"scm_delete_invoice"_s;
const QString WayBillProcedures::DeleteProduct = u"scm_deleteDeliveredProduct"_s;
const QString WayBillProcedures::DeleteOrderRow = u"scm_deleteOrderInvoice"_s;

namespace {

qint64 keyParam(const QVariantMap& params, const QString& procedure, const QString& name)
{
    bool ok = false;
    const qint64 v = params.value(name).toLongLong(&ok);
    if (!ok)
        throw Exception(u"Процедура %1: не задан параметр %2"_s.arg(procedure, name));
    return v;
}

Data::ProcedureRows rowsOf(Data::Query& q)
{
    Data::ProcedureRows r;
    q.exec();
    for (int i = 0; i < q.columnCount(); ++i)
        r.columns << q.columnName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(r.columns.size());
        for (int i = 0; i < r.columns.size(); ++i)
            row << q.value(i);
        r.rows << row;
    }
    return r;
}

// A reading transaction whose statements all see one state of the database.
class SnapshotRead
{
public:
    explicit SnapshotRead(Data::Database& db)
    {
        if (db.inTransaction())
            return;
        m_transaction.emplace(db);
        if (const QString s = db.dialect().snapshotReads(); !s.isEmpty())
            db.exec(s);
    }
    void done()
    {
        if (m_transaction)
            m_transaction->commit();
    }

private:
    std::optional<Data::Transaction> m_transaction;
};

Data::ProcedureResult loadWayBill(Data::Database& db, const QVariantMap& params)
{
    const qint64 swb = keyParam(params, WayBillProcedures::LoadWayBill, u"swb_id"_s);
    Data::ProcedureResult result;
    WayBillProcedures::readWayBill(db, swb, [&](int set, Data::Query& q) {
        Data::ProcedureRows rows = rowsOf(q);
        const int n = int(rows.rows.size());
        if (set > 0) {
            result.further << std::move(rows);
        } else {
            result.columns = std::move(rows.columns);
            result.rows = std::move(rows.rows);
        }
        return n;
    });
    return result;
}

Data::ProcedureResult loadOrder(Data::Database& db, const QVariantMap& params)
{
    const qint64 suo = keyParam(params, WayBillProcedures::LoadOrder, u"suo_id"_s);
    const Data::Dialect& d = db.dialect();
    const QString rest = u"(soa_amount - coalesce(i.s, 0))"_s;
    SnapshotRead read(db);
    // Sums follow the rest pro rata, multiplied first and rounded once; "* 1.0" keeps SQLite from
    // dividing whole numbers as integers.
    Data::Query q(db, u"select suo_supplier, suo_cod_valut, suo_dg_id, suo_stage_id, suo_id_sclad, soa_pr_id, "
                      "%1 as soa_amount, %2 as soa_sum, %3 as soa_sum_valut, soa_deliverydate, pr_name, pr_articul, "
                      "pr_dop1, pr_dop2, pr_dop3, coalesce(a1.sam_artc, a2.sam_artc) as sam_artc, "
                      "boa_bof_id as bof_id, boa_amount "
                      "from scm_so_accepted join scm_supplier_order on suo_id = soa_suo_id "
                      "join crm_product on pr_id = soa_pr_id "
                      "left join scm_artcmap a1 on a1.sam_pr_id = pr_id_main and a1.sam_prv_id = suo_supplier "
                      "left join scm_artcmap a2 on a2.sam_pr_id = pr_id and a2.sam_prv_id = suo_supplier "
                      "left join (select sdi_pr_id, sdi_soa_deliverydate, sum(sdi_amount) as s from scm_order_invoice "
                      "where sdi_suo_id = ? group by sdi_pr_id, sdi_soa_deliverydate) i on i.sdi_pr_id = soa_pr_id "
                      "and i.sdi_soa_deliverydate = soa_deliverydate "
                      "left join scm_bo_accepted on boa_suo_id = soa_suo_id and boa_pr_id = soa_pr_id "
                      "and boa_soa_deliverydate = soa_deliverydate "
                      "where soa_suo_id = ? and %1 > 0 and %2 >= 0 "
                      "order by pr_articul, soa_pr_id, soa_deliverydate, boa_bof_id"_s.arg(
                          d.roundedAmount(rest), d.roundedAmount(u"soa_sum * %1 / (soa_amount * 1.0)"_s.arg(rest)),
                          d.roundedAmount(u"soa_sum_valut * %1 / (soa_amount * 1.0)"_s.arg(rest))));
    q.bindAll({suo, suo});
    const Data::ProcedureRows rows = rowsOf(q);
    Data::Query head(db, u"select suo_id, suo_supplier, suo_cod_valut, suo_dg_id, suo_stage_id, suo_id_sclad "
                         "from scm_supplier_order where suo_id = ?"_s);
    head.bindAt(0, suo);
    const Data::ProcedureRows order = rowsOf(head);
    read.done();
    if (order.rows.isEmpty())
        throw Exception(u"Заказ поставщику № %1 не найден"_s.arg(suo));
    Data::ProcedureResult result;
    result.columns = rows.columns;
    result.rows = rows.rows;
    result.further << order;
    return result;
}

// What one deletion removes, named by key columns of the request rows; the other tables' column
// names follow from them.
struct Scope
{
    QStringList soiColumns;
    QVariantList values;

    QString where(const QString& table) const
    {
        static const QHash<QString, QString> delivered{{u"soi_sde_id"_s, u"sdp_sde_id"_s},
                                                        {u"soi_sdp_pr_id"_s, u"sdp_pr_id"_s},
                                                        {u"soi_swb_id"_s, u"sdp_swb_id"_s}};
        QStringList parts;
        for (const QString& c : soiColumns) {
            QString column = c;
            if (table == u"sdi"_s)
                column = u"sdi_"_s + c.mid(4);
            else if (table == u"sdp"_s)
                column = delivered.value(c);
            parts << column + u" = ?"_s;
        }
        return parts.join(u" and "_s);
    }
};

// Refuses while receipts name any request row of the scope, then gives back and deletes the
// request rows, and the order rows and delivered products when asked.
void deleteShipments(Data::Database& db, const Scope& scope, bool orderRows, bool products)
{
    const Data::Dialect& d = db.dialect();
    QStringList tomove;
    for (const QString& c : scope.soiColumns)
        tomove << c;
    // Older receipts may lack the waybill; the invoice names it too.
    std::optional<QString> documents;
    if (scope.soiColumns == QStringList{u"soi_swb_id"_s}) {
        Data::Query invoices(db, u"select sde_id from scm_delivery where sde_swb_id = ?"_s);
        invoices.bindAll(scope.values).exec();
        QList<qint64> ids;
        while (invoices.next())
            ids << invoices.integer(0);
        invoices.finish();
        QStringList found;
        for (const qint64 sde : ids)
            if (auto docs = BusOffer::OfferDeleteProcedure::receiptDocuments(db, u"soi_sde_id"_s, sde))
                found << *docs;
        if (auto docs = BusOffer::OfferDeleteProcedure::receiptDocuments(db, tomove, scope.values))
            found << *docs;
        if (!found.isEmpty()) {
            found.removeDuplicates();
            documents = found.join(u", "_s);
        }
    } else {
        documents = BusOffer::OfferDeleteProcedure::receiptDocuments(db, tomove, scope.values);
    }
    if (documents)
        WayBillShares::refuseReceived(db, *documents);

    Data::Query shipped(db, u"select soi_suo_id, soi_pr_id, soi_soa_deliverydate, soi_bof_id, %1 from scm_offer_invoice "
                            "where %2 group by soi_suo_id, soi_pr_id, soi_soa_deliverydate, soi_bof_id"_s.arg(
                                d.roundedAmount(u"sum(soi_amount)"_s), scope.where(u"soi"_s)));
    shipped.bindAll(scope.values).exec();
    struct Back
    {
        qint64 suo, pr;
        QDateTime date;
        qint64 bof;
        Money amount;
    };
    QList<Back> back;
    while (shipped.next())
        back << Back{shipped.integer(0), shipped.integer(1), shipped.dateTime(2), shipped.integer(3), shipped.money(4)};
    shipped.finish();
    db.exec(u"delete from scm_offer_invoice where %1"_s.arg(scope.where(u"soi"_s)), scope.values);
    for (const Back& b : back)
        WayBillShares::giveBack(db, b.suo, b.pr, b.date, b.bof, b.amount);
    if (orderRows)
        db.exec(u"delete from scm_order_invoice where %1"_s.arg(scope.where(u"sdi"_s)), scope.values);
    if (products)
        db.exec(u"delete from scm_deliveredProduct where %1"_s.arg(scope.where(u"sdp"_s)), scope.values);
}

Data::ProcedureResult deleted(int rows)
{
    Data::ProcedureResult r;
    r.outputs.insert(u"deleted"_s, rows);
    return r;
}

Data::ProcedureResult deleteWayBill(Data::Database& db, const QVariantMap& params)
{
    const qint64 swb = keyParam(params, WayBillProcedures::DeleteWayBill, u"swb_id"_s);
    Catalog::CatalogTransaction work(db);
    deleteShipments(db, Scope{{u"soi_swb_id"_s}, {swb}}, true, true);
    db.exec(u"delete from scm_routedelivery where srd_swb_id = ? or srd_sde_id in "
            "(select sde_id from scm_delivery where sde_swb_id = ?)"_s,
            {swb, swb});
    db.exec(u"delete from scm_delivery where sde_swb_id = ?"_s, {swb});
    Data::Query del(db, u"delete from scm_waybill where swb_id = ?"_s);
    del.bindAt(0, swb).exec();
    const int n = del.numRowsAffected();
    work.commit();
    return deleted(n);
}

Data::ProcedureResult deleteInvoice(Data::Database& db, const QVariantMap& params)
{
    const qint64 sde = keyParam(params, WayBillProcedures::DeleteInvoice, u"sde_id"_s);
    Catalog::CatalogTransaction work(db);
    deleteShipments(db, Scope{{u"soi_sde_id"_s}, {sde}}, true, true);
    db.exec(u"delete from scm_routedelivery where srd_sde_id = ?"_s, {sde});
    Data::Query del(db, u"delete from scm_delivery where sde_id = ?"_s);
    del.bindAt(0, sde).exec();
    const int n = del.numRowsAffected();
    work.commit();
    return deleted(n);
}

Data::ProcedureResult deleteProduct(Data::Database& db, const QVariantMap& params)
{
    const qint64 sde = keyParam(params, WayBillProcedures::DeleteProduct, u"sde_id"_s);
    const qint64 pr = keyParam(params, WayBillProcedures::DeleteProduct, u"pr_id"_s);
    Catalog::CatalogTransaction work(db);
    deleteShipments(db, Scope{{u"soi_sde_id"_s, u"soi_sdp_pr_id"_s}, {sde, pr}}, true, false);
    Data::Query del(db, u"delete from scm_deliveredProduct where sdp_sde_id = ? and sdp_pr_id = ?"_s);
    del.bindAll({sde, pr}).exec();
    const int n = del.numRowsAffected();
    work.commit();
    return deleted(n);
}

Data::ProcedureResult deleteOrderRow(Data::Database& db, const QVariantMap& params)
{
    const QString& name = WayBillProcedures::DeleteOrderRow;
    const QVariantList key{keyParam(params, name, u"sde_id"_s), keyParam(params, name, u"sdp_pr_id"_s),
                           keyParam(params, name, u"suo_id"_s), keyParam(params, name, u"pr_id"_s),
                           params.value(u"deliverydate"_s).toDateTime()};
    Catalog::CatalogTransaction work(db);
    const Scope scope{{u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s, u"soi_pr_id"_s, u"soi_soa_deliverydate"_s},
                      key};
    deleteShipments(db, scope, false, false);
    Data::Query del(db, u"delete from scm_order_invoice where %1"_s.arg(scope.where(u"sdi"_s)));
    del.bindAll(key).exec();
    const int n = del.numRowsAffected();
    work.commit();
    return deleted(n);
}

} // namespace

const QList<WayBillProcedures::Statement>& WayBillProcedures::loadWayBillStatements()
{
    static const QList<Statement> statements{
        {u"select * from scm_waybill where swb_id = ?"_s},
        {u"select scm_delivery.*, p.NAME_USER as supplier_name, s.NAME_SCLAD as sclad_name "
         "from scm_delivery left join scm_partner sp on sp.par_ID = sde_supplier "
         "left join _partner p on p.N_USER = sp.par_nuser "
         "left join SCLAD_R s on s.ID_SCLAD = sde_id_sclad where sde_swb_id = ? order by sde_id"_s},
        // The supplier's article of the main product when it has one, else of the product itself.
        {u"select scm_deliveredProduct.*, pr_name, pr_articul, pr_dop1, pr_dop2, pr_dop3, "
         "coalesce(a1.sam_artc, a2.sam_artc) as sam_artc from scm_deliveredProduct "
         "join scm_delivery on sde_id = sdp_sde_id join crm_product on pr_id = sdp_pr_id "
         "left join scm_artcmap a1 on a1.sam_pr_id = pr_id_main and a1.sam_prv_id = sde_supplier "
         "left join scm_artcmap a2 on a2.sam_pr_id = pr_id and a2.sam_prv_id = sde_supplier "
         "where sdp_swb_id = ? order by sdp_sde_id, pr_articul, sdp_pr_id"_s},
        {u"select scm_order_invoice.*, suo_cod_valut from scm_order_invoice "
         "join scm_supplier_order on suo_id = sdi_suo_id where sdi_swb_id = ? "
         "order by sdi_sde_id, sdi_sdp_pr_id, sdi_suo_id, sdi_soa_deliverydate"_s},
        // What the warehouse received of each request row.
        {u"select scm_offer_invoice.*, coalesce(r.received, 0) as received "
         "from scm_offer_invoice left join (select t.soi_sde_id as r_sde, t.soi_sdp_pr_id as r_sdp, "
         "t.soi_suo_id as r_suo, t.soi_pr_id as r_pr, t.soi_soa_deliverydate as r_date, "
         "t.soi_bof_id as r_bof, sum(m.kolc_predm) as received from SCM_TOMOVE t "
         "join scl_move m on m.recno = t.recno where t.soi_sde_id in "
         "(select sde_id from scm_delivery where sde_swb_id = ?) group by t.soi_sde_id, "
         "t.soi_sdp_pr_id, t.soi_suo_id, t.soi_pr_id, t.soi_soa_deliverydate, t.soi_bof_id) r "
         "on r.r_sde = soi_sde_id and r.r_sdp = soi_sdp_pr_id and r.r_suo = soi_suo_id "
         "and r.r_pr = soi_pr_id and r.r_date = soi_soa_deliverydate and r.r_bof = soi_bof_id "
         "where soi_swb_id = ? order by soi_sde_id, soi_sdp_pr_id, soi_suo_id, "
         "soi_soa_deliverydate, soi_bof_id"_s,
         2}};
    return statements;
}

void WayBillProcedures::readWayBill(Data::Database& db, qint64 swbId,
                                    const std::function<int(int set, Data::Query& q)>& read)
{
    const QList<Statement>& statements = loadWayBillStatements();
    SnapshotRead snapshot(db);
    for (int i = 0; i < statements.size(); ++i) {
        Data::Query q(db, statements.at(i).sql);
        q.bindAll(QVariantList(statements.at(i).keyBinds, swbId));
        if (read(i, q) == 0 && i == 0)
            throw Exception(u"Посылка %1 не найдена"_s.arg(swbId));
    }
    snapshot.done();
}

void WayBillProcedures::registerOnce()
{
    Data::ProcedureRegistry& r = Data::ProcedureRegistry::instance();
    if (r.contains(LoadWayBill))
        return;
    r.add(LoadWayBill, &loadWayBill);
    r.add(LoadOrder, &loadOrder);
    r.add(DeleteWayBill, &deleteWayBill);
    r.add(DeleteInvoice, &deleteInvoice);
    r.add(DeleteProduct, &deleteProduct);
    r.add(DeleteOrderRow, &deleteOrderRow);
}

} // namespace Tarvo::WayBills
