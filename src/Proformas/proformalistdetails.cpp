#include "Proformas/proformalistdetails.h"

#include "Payments/paymentcoverage.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas::ProformaListDetails {

QString products()
{
    return u"select a.soa_suo_id, p.pr_articul, p.pr_name, a.soa_deliverydate, a.soa_amount, a.soa_sum, "
           "a.soa_sum_valut, a.soa_pr_id from scm_so_accepted a join crm_product p on p.pr_id = a.soa_pr_id "
           "where a.soa_pf_id = :pf_id order by p.pr_articul, a.soa_suo_id, a.soa_deliverydate"_s;
}

QString payments()
{
    return u"select m.spm_id, m.spm_date, m.spm_inum, m.spm_snum, pp.spp_sum, m.spm_sum, m.spm_cod_valut "
           "from scm_pfpayment pp join scm_payments m on m.spm_id = pp.spp_spm_id where pp.spp_pf_id = :pf_id "
           "order by m.spm_date, m.spm_id"_s;
}

QString buyers()
{
    const QString line = u"join scm_so_accepted a on a.soa_suo_id = %1_suo_id and a.soa_pr_id = %1_pr_id "
                         "and a.soa_deliverydate = %1_soa_deliverydate where a.soa_pf_id = :pf_id"_s;
    return u"select x.bof_id, c.par_nuser, n.name_user, p.pr_articul, p.pr_name, sum(x.amount) amount from ("
           "select boa_bof_id bof_id, boa_pr_id pr_id, boa_amount amount from scm_bo_accepted %1 union all "
           "select soi_bof_id, soi_pr_id, soi_amount from scm_offer_invoice %2) x "
           "join scm_business_offer o on o.bof_id = x.bof_id left join scm_partner c on c.par_id = o.bof_person "
           "left join _partner n on n.n_user = c.par_nuser join crm_product p on p.pr_id = x.pr_id "
           "group by x.bof_id, c.par_nuser, n.name_user, p.pr_articul, p.pr_name "
           "order by x.bof_id, p.pr_articul"_s.arg(line.arg(u"boa"_s), line.arg(u"soi"_s));
}

QList<Instalment> paymentPlan(Data::Database& db, qint64 pfId)
{
    QList<Instalment> plan;
    for (const auto& i : Payments::PaymentCoverage::ofProforma(db, pfId))
        plan << Instalment{i.date, i.sum, i.covered};
    return plan;
}

} // namespace Tarvo::Proformas::ProformaListDetails
