#include "Payments/paymentliststatement.h"

#include "BusOffer/offerliststatement.h"
#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tvardate.h"
#include "otbor/tvarlist.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

namespace CB = Data::CommandBuilder;
using BusOffer::OfferListStatement;
using Otbor::OtborConditions;

namespace {

const QString Payments = u"scm_payments"_s;

} // namespace

void PaymentListStatement::joinPartners(Data::TQueryNodes& s)
{
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s, OtborConditions::CustomerAlias),
              u" on spm_payer = %1.par_id "_s.arg(OtborConditions::CustomerAlias));
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s, OtborConditions::SupplierAlias),
              u" on spm_recipient = %1.par_id "_s.arg(OtborConditions::SupplierAlias));
}

void PaymentListStatement::addFilters(Data::TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (!filters)
        return;
    OtborConditions::addCommon(s, *filters, u"spm_user_id"_s);
    if (auto* date = Otbor::activeVar<Otbor::TPFPlatDate>(filters))
        OtborConditions::addDate(s, *date, Payments, u"spm_date"_s);
}

Data::TQueryNodesPtr PaymentListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                                 const Registers::KeyRange& range)
{
    const QString& c = OtborConditions::CustomerAlias;
    const QString& r = OtborConditions::SupplierAlias;
    auto s = CB::newStatement(u"select scm_payments.*, %1.par_nuser, %2.par_nuser recipient_nuser, t.spp_sum, "
                              "%3 not_spp_sum, p11.name_user payer_name, p22.name_user Recipient_name, us_name from "_s
                                  .arg(c, r, dialect.roundedAmount(u"scm_payments.spm_sum2 - coalesce(t.spp_sum, 0)"_s)),
                              Payments);
    joinPartners(*s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"crm_users"_s), u" on spm_user_id = us_id "_s);
    auto paid = CB::newStatement(u"select spp_spm_id, sum(spp_sum) spp_sum from "_s, u"scm_pfpayment"_s);
    OfferListStatement::restrictToRange(*paid, u"spp_spm_id"_s, range);
    paid->addTail(u" group by spp_spm_id "_s);
    paid->setAlias(u"t"_s);
    s->addJoin(u" left join "_s, paid, u" on t.spp_spm_id = scm_payments.spm_id "_s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"_partner"_s, u"p11"_s), u" on p11.n_user = %1.par_nuser "_s.arg(c));
    s->addJoin(u" left join "_s, CB::newTableNode(u"_partner"_s, u"p22"_s), u" on p22.n_user = %1.par_nuser "_s.arg(r));
    OfferListStatement::restrictToRange(*s, u"spm_id"_s, range);
    addFilters(*s, filters);
    s->addTail(u" order by scm_payments.spm_id "_s);
    return s;
}

Data::TQueryNodesPtr PaymentListStatement::buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after,
                                                         int payments)
{
    auto s = CB::newStatement(u"select scm_payments.spm_id from "_s, Payments);
    joinPartners(*s);
    OfferListStatement::restrictToRange(*s, u"spm_id"_s, {after, {}});
    addFilters(*s, filters);
    s->addTail(u" order by scm_payments.spm_id limit 1 offset %1 "_s.arg(qMax(0, payments - 1)));
    return s;
}

QString PaymentListStatement::paidProformas()
{
    return u"select pp.spp_pf_id, pf.pf_dopnomer, pf.pf_snomer, pf.pf_date, pf.pf_sum + pf.pf_surcharge pf_total, "
           "pp.spp_sum from scm_pfpayment pp join scm_Proforma pf on pf.pf_id = pp.spp_pf_id "
           "where pp.spp_spm_id = :spm_id order by pp.spp_pf_id"_s;
}

} // namespace Tarvo::Payments
