#include "db/volumewaybills.h"

#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"

#include <QStringList>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {
const QString BigMark = u"Большая посылка"_s;
constexpr int BigInvoices = 20;
} // namespace

qint64 VolumeWaybills::bigWayBill(Database& db)
{
    return db.scalar(u"select coalesce(max(swb_id), 0) from scm_waybill where swb_consignor = ?"_s, {BigMark})
        .toLongLong();
}

qint64 VolumeWaybills::run(Database& db, qint64 bigOrder)
{
    const Dialect& d = db.dialect();
    // The orders of one block of ten keys travel together: their shipped ones share the first's waybill.
    const QString leader = u"(select min(w.swb_id) from scm_waybill w where (w.swb_id - 1) / 10 = (%1 - 1) / 10)"_s;
    for (const auto& [table, column] : QList<QPair<QString, QString>>{{u"scm_delivery"_s, u"sde_swb_id"_s},
                                                                       {u"scm_deliveredProduct"_s, u"sdp_swb_id"_s},
                                                                       {u"scm_order_invoice"_s, u"sdi_swb_id"_s},
                                                                       {u"scm_offer_invoice"_s, u"soi_swb_id"_s},
                                                                       {u"SCM_TOMOVE"_s, u"soi_swb_id"_s},
                                                                       {u"scm_routedelivery"_s, u"srd_swb_id"_s}})
        db.exec(u"update %1 set %2 = %3 where %2 is not null"_s.arg(table, column, leader.arg(table + u"."_s + column)));
    db.exec(u"delete from scm_waybill where not exists (select 1 from scm_delivery where sde_swb_id = swb_id) "
            "and not exists (select 1 from scm_routedelivery where srd_swb_id = swb_id)"_s);

    // A tenth of the received invoices lack the receipts of their even products.
    db.exec(u"delete from scl_move where recno in (select t.recno from SCM_TOMOVE t where t.soi_sde_id % 10 = 3 "
            "and t.soi_pr_id % 2 = 0)"_s);

    // Twenty invoices not yet received travel together in one big waybill.
    qint64 rows = 0;
    Query pick(db, u"select sde_id from scm_delivery where not exists (select 1 from SCM_TOMOVE t "
                   "where t.soi_sde_id = sde_id) order by sde_id desc limit %1"_s.arg(BigInvoices));
    pick.exec();
    QStringList picked;
    while (pick.next())
        picked << QString::number(pick.integer(0));
    pick.finish();
    if (picked.size() == BigInvoices) {
        const qint64 swb = db.scalar(u"select coalesce(max(swb_id), 0) + 1 from scm_waybill"_s).toLongLong();
        db.exec(u"insert into scm_waybill (swb_id, swb_departure_platform, swb_department, swb_consignor, swb_dopnomer, "
                "swb_plan_arrival_date, swb_createdate, swb_updatedate) select ?, 'Брест', min(sde_invoice_date), ?, ?, "
                "max(sde_invoice_date), min(sde_invoice_date), min(sde_invoice_date) from scm_delivery where sde_id in (%1)"_s
                    .arg(picked.join(u", "_s)),
                {swb, BigMark, swb});
        for (const auto& [table, key, column] : QList<std::tuple<QString, QString, QString>>{
                 {u"scm_delivery"_s, u"sde_id"_s, u"sde_swb_id"_s},
                 {u"scm_deliveredProduct"_s, u"sdp_sde_id"_s, u"sdp_swb_id"_s},
                 {u"scm_order_invoice"_s, u"sdi_sde_id"_s, u"sdi_swb_id"_s},
                 {u"scm_offer_invoice"_s, u"soi_sde_id"_s, u"soi_swb_id"_s}})
            db.exec(u"update %1 set %2 = ? where %3 in (%4)"_s.arg(table, column, key, picked.join(u", "_s)), {swb});
        db.exec(u"delete from scm_waybill where not exists (select 1 from scm_delivery where sde_swb_id = swb_id) "
                "and not exists (select 1 from scm_routedelivery where srd_swb_id = swb_id)"_s);
        rows = 1;
    }
    Q_UNUSED(bigOrder);

    // A waybill with goods received has arrived.
    db.exec(u"update scm_waybill set swb_arrival_date = coalesce(swb_arrival_date, swb_plan_arrival_date, swb_department) "
            "where swb_arrival_date is null and swb_id in (select soi_swb_id from SCM_TOMOVE)"_s);

    // Unit weights and volumes; the waybills carry their products' totals.
    db.exec(u"update scm_deliveredProduct set sdp_weight = 0.5 + (sdp_pr_id % 10) * 0.25, "
            "sdp_volume = 0.01 + (sdp_pr_id % 7) * 0.005"_s);
    db.exec(u"update scm_waybill set swb_weight = (select %1 from scm_deliveredProduct where sdp_swb_id = swb_id), "
            "swb_volume = (select %2 from scm_deliveredProduct where sdp_swb_id = swb_id)"_s.arg(
                d.roundedAmount(u"coalesce(sum(sdp_weight * sdp_amount), 0)"_s),
                d.roundedAmount(u"coalesce(sum(sdp_volume * sdp_amount), 0)"_s)));
    return rows;
}

} // namespace Tarvo::Data
