#include "AcceptedOrders/acceptedorderlistdetails.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

QString AcceptedOrderListDetails::acceptedProducts()
{
    return u"select a.soa_suo_id, a.soa_pr_id, p.pr_articul, p.pr_name, a.soa_deliverydate, a.soa_amount, "
           "i.sdi_amount, a.soa_sum, a.soa_sum_valut, a.soa_pf_id, pf.pf_snomer, p.pr_dop1, p.pr_dop2, p.pr_dop3 "
           "from scm_so_accepted a join crm_product p on p.pr_id = a.soa_pr_id "
           "left join scm_Proforma pf on pf.pf_id = a.soa_pf_id "
           "left join (select sdi_pr_id, sdi_soa_deliverydate, sum(sdi_amount) sdi_amount from scm_order_invoice "
           "where sdi_suo_id = :suo_id group by sdi_pr_id, sdi_soa_deliverydate) i "
           "on i.sdi_pr_id = a.soa_pr_id and i.sdi_soa_deliverydate = a.soa_deliverydate "
           "where a.soa_suo_id = :suo_id and a.soa_amount <> 0 "
           "order by p.pr_articul, a.soa_deliverydate"_s;
}

QString AcceptedOrderListDetails::acceptedByOrders()
{
    return u"select b.boa_bof_id, b.boa_amount, o.bof_date, pa.par_nuser, pn.name_user, b.boa_suo_id, b.boa_pr_id, "
           "b.boa_soa_deliverydate "
           "from scm_bo_accepted b "
           "left join scm_business_offer o on o.bof_id = b.boa_bof_id "
           "left join scm_partner pa on pa.par_ID = o.bof_person "
           "left join _partner pn on pn.N_USER = pa.par_nuser "
           "where b.boa_suo_id = :soa_suo_id and b.boa_pr_id = :soa_pr_id "
           "and b.boa_soa_deliverydate = :soa_deliverydate "
           "order by b.boa_bof_id"_s;
}

QString AcceptedOrderListDetails::acceptedState()
{
    // The sub-totals are a grouped branch of their own: both engines give the same rows in the
    // same order.
    const QString branches =
        u"select 0 row_kind, o.sdi_pr_id, o.sdi_soa_deliverydate, o.sdi_sde_id, s.sde_invoice_num, "
        "s.sde_invoice_date, o.sdi_swb_id, w.swb_stepname, w.swb_arrival_date, o.sdi_amount "
        "from scm_order_invoice o "
        "left join scm_delivery s on s.sde_id = o.sdi_sde_id "
        "left join scm_waybill w on w.swb_id = o.sdi_swb_id "
        "where o.sdi_suo_id = :suo_id "
        "union all "
        "select 1, o.sdi_pr_id, o.sdi_soa_deliverydate, cast(null as integer), 'Итого', cast(null as timestamp), "
        "cast(null as integer), cast(null as varchar(30)), cast(null as timestamp), sum(o.sdi_amount) "
        "from scm_order_invoice o where o.sdi_suo_id = :suo_id "
        "group by o.sdi_pr_id, o.sdi_soa_deliverydate"_s;
    return u"select p.pr_articul, p.pr_name, x.sdi_soa_deliverydate soa_deliverydate, x.sde_invoice_num, x.sde_invoice_date, "
           "x.sdi_swb_id, x.swb_stepname, x.swb_arrival_date, x.sdi_amount, x.row_kind, x.sdi_pr_id, x.sdi_sde_id "
           "from (%1) x join crm_product p on p.pr_id = x.sdi_pr_id "
           "order by p.pr_articul, x.sdi_soa_deliverydate, x.row_kind, x.sdi_sde_id, x.sdi_swb_id"_s.arg(branches);
}

} // namespace Tarvo::AcceptedOrders
