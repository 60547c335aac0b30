#include "SupplierOrders/supplierorderlistdetails.h"

#include "data/engine/dialect.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

namespace {
// The request's customer of a request key column.
QString customerOf(const QString& requestColumn)
{
    return u"left join scm_business_offer o on o.bof_id = %1 "
           "left join scm_partner pa on pa.par_ID = o.bof_person "
           "left join _partner pn on pn.N_USER = pa.par_nuser "_s.arg(requestColumn);
}
} // namespace

QString SupplierOrderListDetails::lines(const Data::Dialect& d)
{
    const auto price = [&d](const QString& sum, const QString& amount) {
        return u"case when %2 = 0 then null else %1 end"_s.arg(
            d.roundedAmount(u"1.0 * %1 / %2"_s.arg(sum, amount)), amount);
    };
    const QString valuted = u"coalesce(h.suo_cod_valut, '') <> ''"_s;
    const QString orderedPrice = u"case when %1 then %2 else %3 end"_s.arg(
        valuted, price(u"l.sop_sum_valut"_s, u"l.sop_amount"_s), price(u"l.sop_sum"_s, u"l.sop_amount"_s));
    const QString confirmedPrice = u"case when %1 then %2 else %3 end"_s.arg(
        valuted, price(u"a.soa_sum_valut"_s, u"a.soa_amount"_s), price(u"a.soa_sum"_s, u"a.soa_amount"_s));
    return u"select l.sop_suo_id, l.sop_pr_id, p.pr_articul, p.pr_name, p.pr_dop1, p.pr_dop2, p.pr_dop3, "
           "l.sop_deliverydate, l.sop_amount, l.sop_sum, l.sop_sum_valut, %1 sop_price, %2 sop_val_price, "
           "l.sop_ball, l.sop_mark, a.soa_amount, a.soa_sum, a.soa_sum_valut, "
           "case when coalesce(a.soa_amount, 0) = 0 or l.sop_amount = 0 then null "
           "when %3 = %4 then 0 else 1 end price_differs "
           "from scm_so_products l join crm_product p on p.pr_id = l.sop_pr_id "
           "join scm_supplier_order h on h.suo_id = l.sop_suo_id "
           "left join (select soa_pr_id, sum(soa_amount) soa_amount, sum(soa_sum) soa_sum, "
           "sum(soa_sum_valut) soa_sum_valut from scm_so_accepted where soa_suo_id = :suo_id group by "
           "soa_pr_id) a "
           "on a.soa_pr_id = l.sop_pr_id "
           "where l.sop_suo_id = :suo_id order by p.pr_articul, l.sop_pr_id"_s.arg(
               price(u"l.sop_sum"_s, u"l.sop_amount"_s), price(u"l.sop_sum_valut"_s, u"l.sop_amount"_s),
               confirmedPrice, orderedPrice);
}

QString SupplierOrderListDetails::ordered()
{
    return u"select b.bpo_bof_id, b.bpo_pr_id, b.bpo_suo_id, b.bpo_amount, o.bof_date, pa.par_nuser, "
           u"pn.name_user "
           "from scm_bo_ordered b "_s +
           customerOf(u"b.bpo_bof_id"_s) +
           u"where b.bpo_suo_id = :sop_suo_id and b.bpo_pr_id = :sop_pr_id order by b.bpo_bof_id"_s;
}

QString SupplierOrderListDetails::confirmed()
{
    return u"select a.soa_suo_id, a.soa_pr_id, a.soa_deliverydate, a.soa_amount, a.soa_sum, a.soa_sum_valut, "
           "a.soa_pf_id, pf.pf_snomer from scm_so_accepted a left join scm_Proforma pf on pf.pf_id = "
           "a.soa_pf_id "
           "where a.soa_suo_id = :sop_suo_id and a.soa_pr_id = :sop_pr_id order by a.soa_deliverydate"_s;
}

QString SupplierOrderListDetails::confirmedByRequests()
{
    return u"select b.boa_bof_id, b.boa_amount, o.bof_date, pa.par_nuser, pn.name_user, b.boa_suo_id, "
           u"b.boa_pr_id, "
           "b.boa_soa_deliverydate from scm_bo_accepted b "_s +
           customerOf(u"b.boa_bof_id"_s) +
           u"where b.boa_suo_id = :soa_suo_id and b.boa_pr_id = :soa_pr_id "
           "and b.boa_soa_deliverydate = :soa_deliverydate order by b.boa_bof_id"_s;
}

QString SupplierOrderListDetails::shipped()
{
    return u"select i.sdi_sde_id, i.sdi_sdp_pr_id, i.sdi_suo_id, i.sdi_pr_id, i.sdi_soa_deliverydate, "
           u"i.sdi_swb_id, "
           "i.sdi_amount, s.sde_invoice_num, s.sde_invoice_date, w.swb_stepname, w.swb_arrival_date "
           "from scm_order_invoice i left join scm_delivery s on s.sde_id = i.sdi_sde_id "
           "left join scm_waybill w on w.swb_id = i.sdi_swb_id "
           "where i.sdi_suo_id = :sop_suo_id and i.sdi_pr_id = :sop_pr_id "
           "order by i.sdi_soa_deliverydate, i.sdi_sde_id"_s;
}

QString SupplierOrderListDetails::shippedByRequests()
{
    return u"select v.soi_bof_id, v.soi_amount, o.bof_date, pa.par_nuser, pn.name_user from scm_offer_invoice v "_s +
           customerOf(u"v.soi_bof_id"_s) +
           u"where v.soi_sde_id = :sdi_sde_id and v.soi_sdp_pr_id = :sdi_sdp_pr_id and v.soi_suo_id = "
           u":sdi_suo_id "
           "and v.soi_pr_id = :sdi_pr_id and v.soi_soa_deliverydate = :sdi_soa_deliverydate order by v.soi_bof_id"_s;
}

} // namespace Tarvo::SupplierOrders
