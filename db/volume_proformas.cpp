#include "db/volume_proformas.h"

#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::VolumeProformas {

qint64 freeStageSixOrders(Database& db, qint64 orders)
{
    const QString half = db.dialect().roundedAmount(u"boa_amount / 2.0"_s);
    const auto stageSix = [](const QString& column) { return column + u" <= :orders and "_s + column + u" % 10 = 7"_s; };
    qint64 rows = 0;
    const auto run = [&](const QString& sql) {
        Query q(db, sql);
        q.bind(u"orders"_s, orders).exec();
        rows += qMax(0, q.numRowsAffected());
    };
    run(u"update scm_so_accepted set soa_pf_id = null where "_s + stageSix(u"soa_suo_id"_s));
    run(u"delete from scm_pfpayment where "_s + stageSix(u"spp_pf_id"_s));
    run(u"delete from scm_payments where "_s + stageSix(u"spm_id"_s));
    run(u"delete from scm_payshedule where "_s + stageSix(u"sps_pf_id"_s));
    run(u"delete from scm_Proforma where "_s + stageSix(u"pf_id"_s));
    // Shipped orders no longer wait.
    run(u"update scm_supplier_order set suo_waiting = 0 where "_s + stageSix(u"suo_id"_s));
    // Shipped on the order's day and on its way.
    run(u"insert into scm_waybill (swb_id, swb_departure_platform, swb_arrival_platform, swb_department, "
        "swb_dopnomer, swb_stepname, swb_createdate, swb_updatedate) select suo_id, 'Тула', 'Москва-Товарная', "
        "suo_date, suo_id, 'В пути', suo_date, suo_date from scm_supplier_order where "_s + stageSix(u"suo_id"_s));
    run(u"insert into scm_delivery (sde_id, sde_swb_id, sde_supplier, sde_invoice_num, sde_invoice_date, sde_id_sclad, "
        "sde_complited, sde_createdate, sde_updatedate) select suo_id, suo_id, suo_supplier, 'INV-' || suo_id, "
        "suo_date, 1, 0, suo_date, suo_date from scm_supplier_order where "_s + stageSix(u"suo_id"_s));
    run(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2, sdp_sum, "
        "sdp_sum_val) select boa_suo_id, boa_suo_id, boa_pr_id, sum(%1), sum(%1), 0, 0 from scm_bo_accepted where %2 "
        "group by boa_suo_id, boa_pr_id"_s.arg(half, stageSix(u"boa_suo_id"_s)));
    run(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
        "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) select boa_pr_id, boa_suo_id, boa_soa_deliverydate, boa_suo_id, "
        "boa_suo_id, sum(%1), boa_pr_id, sum(%1) from scm_bo_accepted where %2 "
        "group by boa_suo_id, boa_pr_id, boa_soa_deliverydate"_s.arg(half, stageSix(u"boa_suo_id"_s)));
    run(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
        "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) select boa_pr_id, boa_suo_id, boa_soa_deliverydate, "
        "boa_suo_id, boa_suo_id, boa_bof_id, boa_pr_id, %1, %1 from scm_bo_accepted where %2"_s.arg(
            half, stageSix(u"boa_suo_id"_s)));
    run(u"update scm_bo_accepted set boa_amount = boa_amount - %1 where %2"_s.arg(half, stageSix(u"boa_suo_id"_s)));
    return rows;
}

} // namespace Tarvo::Data::VolumeProformas
