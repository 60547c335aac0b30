#include "BusOffer/offerdetailsqueries.h"
#include "BusOffer/offerliststatement.h"

#include "data/engine/dialect.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

QString OfferDetailsQueries::receivedPerInvoiceRow(const Data::Dialect& dialect)
{
    // An invoice line (invoice, invoiced product, order, product) is shipped on one row per
    // confirmation date. The undated receipts of the line fill its rows in date order, each up to
    // what its dated receipts leave open, the last row taking any excess: joined to every row,
    // they were counted once per row.
    const QString group = u"soi_sde_id, soi_sdp_pr_id, soi_suo_id, soi_pr_id, soi_bof_id"_s;
    const auto receipts = [](const QString& date, const QString& grouping) {
        return u"select %1, sum(m.kolc_predm) received from SCM_TOMOVE t join scl_move m on m.recno = t.recno "
               "where t.soi_bof_id = :bof_id and t.soi_soa_deliverydate %2 group by %1"_s.arg(grouping, date);
    };
    const QString keys = u"t.soi_sde_id, t.soi_sdp_pr_id, t.soi_suo_id, t.soi_pr_id, t.soi_bof_id"_s;
    const QString dated = receipts(u"is not null"_s, keys + u", t.soi_soa_deliverydate"_s);
    const QString undated = receipts(u"is null"_s, keys);
    const QString open = dialect.roundedAmount(u"o.soi_amount - coalesce(d.received, 0)"_s);
    const QString rows =
        u"select o.soi_sde_id, o.soi_sdp_pr_id, o.soi_suo_id, o.soi_pr_id, o.soi_bof_id, o.soi_soa_deliverydate, "
        "coalesce(d.received, 0) dated, case when %1 > 0 then %1 else 0 end open_amount "
        "from scm_offer_invoice o left join (%2) d on d.soi_sde_id = o.soi_sde_id "
        "and d.soi_sdp_pr_id = o.soi_sdp_pr_id and d.soi_suo_id = o.soi_suo_id and d.soi_pr_id = o.soi_pr_id "
        "and d.soi_bof_id = o.soi_bof_id and d.soi_soa_deliverydate = o.soi_soa_deliverydate "
        "where o.soi_bof_id = :bof_id"_s.arg(open, dated);
    const QString ordered =
        u"select n.*, coalesce(sum(n.open_amount) over (partition by %1 order by n.soi_soa_deliverydate "
        "rows between unbounded preceding and 1 preceding), 0) open_before, "
        "row_number() over (partition by %1 order by n.soi_soa_deliverydate desc) from_last from (%2) n"_s.arg(
            group, rows);
    return u"select w.soi_sde_id, w.soi_sdp_pr_id, w.soi_suo_id, w.soi_pr_id, w.soi_bof_id, w.soi_soa_deliverydate, "
           "w.dated + case when u.received is null or u.received <= w.open_before then 0 "
           "when w.from_last = 1 or u.received - w.open_before < w.open_amount then u.received - w.open_before "
           "else w.open_amount end received "
           "from (%1) w left join (%2) u on u.soi_sde_id = w.soi_sde_id and u.soi_sdp_pr_id = w.soi_sdp_pr_id "
           "and u.soi_suo_id = w.soi_suo_id and u.soi_pr_id = w.soi_pr_id and u.soi_bof_id = w.soi_bof_id"_s.arg(
               ordered, undated);
}

QString OfferDetailsQueries::receivedJoin(const Data::Dialect& dialect)
{
    return u"left join (%1) r on r.soi_sde_id = o.soi_sde_id and r.soi_sdp_pr_id = o.soi_sdp_pr_id "
           "and r.soi_suo_id = o.soi_suo_id and r.soi_pr_id = o.soi_pr_id and r.soi_bof_id = o.soi_bof_id "
           "and r.soi_soa_deliverydate = o.soi_soa_deliverydate "_s
        .arg(receivedPerInvoiceRow(dialect));
}

QString OfferDetailsQueries::lines(const Data::Dialect& dialect)
{
    const QString completed = dialect.roundedAmount(u"coalesce(c.complited_amount, 0)"_s);
    const QString amount = dialect.roundedAmount(u"d.bpd_amount"_s);
    return u"select d.bpd_bof_id, d.bpd_pr_id, p.pr_articul, p.pr_name, d.bpd_amount, d.bpd_deliverydate, "
           "d.bpd_sum, d.bpd_sum_valut, "
           "case when d.bpd_amount = 0 then null else %1 end bpd_price, "
           "case when d.bpd_amount = 0 then null else %2 end bpd_val_price, "
           "%3 arrived, %4 complited_amount, "
           "case when %4 >= %5 then 1 else 0 end bpd_completed, d.bpd_description, d.bpd_placed "
           "from scm_bp_delivery d join crm_product p on p.pr_id = d.bpd_pr_id "
           "left join (select t.soi_pr_id, sum(m.kolc_predm) arrived from SCM_TOMOVE t "
           "join scl_move m on m.recno = t.recno where t.soi_bof_id = :bof_id group by t.soi_pr_id) a "
           "on a.soi_pr_id = d.bpd_pr_id "
           "left join (select o.soi_pr_id, sum(%6) complited_amount from scm_offer_invoice o "
           "left join scm_delivery s on s.sde_id = o.soi_sde_id %7"
           "where o.soi_bof_id = :bof_id group by o.soi_pr_id) c on c.soi_pr_id = d.bpd_pr_id "
           "where d.bpd_bof_id = :bof_id order by p.pr_articul"_s
        .arg(dialect.roundedAmount(u"d.bpd_sum / d.bpd_amount"_s),
             dialect.roundedAmount(u"d.bpd_sum_valut / d.bpd_amount"_s),
             dialect.roundedAmount(u"coalesce(a.arrived, 0)"_s), completed, amount,
             OfferListStatement::completedAmount(u"s.sde_complited"_s, u"o.soi_amount"_s, u"r.received"_s), receivedJoin(dialect));
}

QString OfferDetailsQueries::ordered()
{
    return u"select o.bpo_amount, o.bpo_suo_id, pa.par_nuser, p.name_user, o.bpo_bof_id, o.bpo_pr_id "
           "from scm_bo_ordered o "
           "left join scm_supplier_order so on so.suo_id = o.bpo_suo_id "
           "left join scm_partner pa on pa.par_ID = so.suo_supplier "
           "left join _partner p on p.N_USER = pa.par_nuser "
           "where o.bpo_bof_id = :bpd_bof_id and o.bpo_pr_id = :bpd_pr_id order by o.bpo_suo_id"_s;
}

QString OfferDetailsQueries::accepted()
{
    return u"select b.boa_amount, d.bpd_deliverydate, b.boa_soa_deliverydate, pa.par_nuser, p.name_user, "
           "b.boa_suo_id, b.boa_bof_id, b.boa_pr_id "
           "from scm_bo_accepted b "
           "join scm_so_accepted a on a.soa_suo_id = b.boa_suo_id and a.soa_pr_id = b.boa_pr_id "
           "and a.soa_deliverydate = b.boa_soa_deliverydate "
           "left join scm_bp_delivery d on d.bpd_bof_id = b.boa_bof_id and d.bpd_pr_id = b.boa_pr_id "
           "left join scm_supplier_order so on so.suo_id = b.boa_suo_id "
           "left join scm_partner pa on pa.par_ID = so.suo_supplier "
           "left join _partner p on p.N_USER = pa.par_nuser "
           "where b.boa_bof_id = :bpd_bof_id and b.boa_pr_id = :bpd_pr_id "
           "order by b.boa_suo_id, b.boa_soa_deliverydate"_s;
}

QString OfferDetailsQueries::shipped()
{
    return u"select o.soi_swb_id, s.sde_invoice_num, o.soi_amount, w.swb_consignor, o.soi_suo_id, "
           "o.soi_soa_deliverydate, o.soi_sde_id, o.soi_sdp_pr_id, o.soi_bof_id, o.soi_pr_id "
           "from scm_offer_invoice o "
           "join scm_waybill w on w.swb_id = o.soi_swb_id "
           "left join scm_delivery s on s.sde_id = o.soi_sde_id "
           "where w.swb_arrival_date is null and o.soi_bof_id = :bpd_bof_id and o.soi_pr_id = :bpd_pr_id "
           "order by o.soi_swb_id, o.soi_sde_id, o.soi_suo_id"_s;
}

QString OfferDetailsQueries::state(const Data::Dialect& dialect)
{
    // Each branch gives: stage order, stage, product, amount, order, confirmed date, invoice,
    // waybill, receipt; the outer select adds the product and the supplier names.
    const QString noDate = u"cast(null as timestamp)"_s;
    const QString noInt = u"cast(null as integer)"_s;
    const QString noText = u"cast(null as varchar(30))"_s;
    const QString rest = dialect.roundedAmount(u"o.soi_amount - coalesce(r.received, 0)"_s);
    const QString open = dialect.roundedAmount(u"d.bpd_amount - d.bpd_placed"_s);
    const QString branches =
        u"select 1 st_order, 'Заказано' st_name, o.bpo_pr_id pr_id, o.bpo_amount amount, o.bpo_suo_id suo_id, "
        "%1 soa_date, %2 sde_id, %2 swb_id, %3 numdocm_pr, %1 date_predm "
        "from scm_bo_ordered o where o.bpo_bof_id = :bof_id "
        "union all "
        "select 2, 'Подтверждено', b.boa_pr_id, b.boa_amount, b.boa_suo_id, b.boa_soa_deliverydate, %2, %2, %3, %1 "
        "from scm_bo_accepted b where b.boa_bof_id = :bof_id "
        "union all "
        "select 3, 'В пути', o.soi_pr_id, %4, o.soi_suo_id, o.soi_soa_deliverydate, o.soi_sde_id, o.soi_swb_id, %3, %1 "
        "from scm_offer_invoice o %5where o.soi_bof_id = :bof_id and %4 > 0 "
        "union all "
        "select 4, 'Получено', t.soi_pr_id, m.kolc_predm, t.soi_suo_id, t.soi_soa_deliverydate, t.soi_sde_id, "
        "t.soi_swb_id, m.numdocm_pr, m.date_predm "
        "from SCM_TOMOVE t join scl_move m on m.recno = t.recno where t.soi_bof_id = :bof_id "
        "union all "
        "select 0, 'Не распределено', d.bpd_pr_id, %6, %2, %1, %2, %2, %3, %1 "
        "from scm_bp_delivery d where d.bpd_bof_id = :bof_id and %6 > 0"_s.arg(noDate, noInt, noText, rest,
                                                                                 receivedJoin(dialect), open);
    return u"select x.st_name, p.pr_articul, p.pr_name, x.amount, x.suo_id, pa.par_nuser, pn.name_user, "
           "x.soa_date, s.sde_invoice_num, s.sde_invoice_date, w.swb_stepname, w.swb_stepdate, "
           "w.swb_plan_arrival_date, x.numdocm_pr, x.date_predm, x.st_order, x.pr_id "
           "from (%1) x "
           "join crm_product p on p.pr_id = x.pr_id "
           "left join scm_supplier_order so on so.suo_id = x.suo_id "
           "left join scm_partner pa on pa.par_ID = so.suo_supplier "
           "left join _partner pn on pn.N_USER = pa.par_nuser "
           "left join scm_delivery s on s.sde_id = x.sde_id "
           "left join scm_waybill w on w.swb_id = coalesce(x.swb_id, s.sde_swb_id) "
           "order by p.pr_articul, x.st_order, x.suo_id"_s.arg(branches);
}

} // namespace Tarvo::BusOffer
