#include "Proformas/proformaliststatement.h"

#include "BusOffer/offerliststatement.h"
#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tvardate.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

namespace CB = Data::CommandBuilder;
using BusOffer::OfferListStatement;
using Data::TQueryNodes;
using Data::TQueryNodesPtr;

namespace {

const QString Proformas = u"scm_Proforma"_s;

void joinSupplier(TQueryNodes& s)
{
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s, Otbor::OtborConditions::SupplierAlias),
              u" on pf_supplier = par_id "_s);
}

} // namespace

QString ProformaListStatement::stateSign(int state)
{
    switch (state) {
    case Paid:
        return u"+"_s;
    case PartlyPaid:
        return u"Ч"_s;
    default:
        return {};
    }
}

QString ProformaListStatement::stateExpression(const Data::Dialect& d)
{
    const QString paid = d.roundedAmount(u"coalesce(t2.spp_sum, 0)"_s);
    const QString due = d.roundedAmount(u"scm_Proforma.pf_sum + scm_Proforma.pf_surcharge"_s);
    return u"(case when %1 = 0 then 0 when %1 >= %2 then 1 else 2 end)"_s.arg(paid, due);
}

void ProformaListStatement::addFilters(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (!filters)
        return;
    Otbor::OtborConditions::addCommon(s, *filters, u"pf_user_id"_s);
    if (auto* date = Otbor::activeVar<Otbor::TPFPlatDate>(filters))
        Otbor::OtborConditions::addDate(s, *date, Proformas, u"pf_date"_s);
}

TQueryNodesPtr ProformaListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                            const Registers::KeyRange& range)
{
    const QString state = stateExpression(dialect);
    auto s = CB::newStatement(
        u"select scm_Proforma.*, par_nuser, name_user, case when pf_cod_valut = '' then t1.soa_sum "
        "else t1.soa_sum_valut end soa_sum, t2.spp_sum, us_name, %1 pf_state, case %1 when 1 then '%2' "
        "when 2 then '%3' else '' end State from "_s.arg(state, stateSign(Paid), stateSign(PartlyPaid)),
        Proformas);
    joinSupplier(*s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"_partner"_s), u" on par_nuser = n_user "_s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"crm_users"_s), u" on pf_user_id = us_id "_s);
    auto lines = CB::newStatement(u"select soa_pf_id, sum(soa_sum) soa_sum, sum(soa_sum_valut) soa_sum_valut from "_s,
                                  u"scm_so_accepted"_s);
    OfferListStatement::restrictToRange(*lines, u"soa_pf_id"_s, range);
    lines->mainNode()->newConditionGroup()->addText(u" soa_pf_id is not null "_s);
    lines->addTail(u" group by soa_pf_id "_s);
    lines->setAlias(u"t1"_s);
    s->addJoin(u" left join "_s, lines, u" on t1.soa_pf_id = scm_Proforma.pf_id "_s);
    auto payments = CB::newStatement(u"select spp_pf_id, sum(spp_sum) spp_sum from "_s, u"scm_pfpayment"_s);
    OfferListStatement::restrictToRange(*payments, u"spp_pf_id"_s, range);
    payments->addTail(u" group by spp_pf_id "_s);
    payments->setAlias(u"t2"_s);
    s->addJoin(u" left join "_s, payments, u" on t2.spp_pf_id = scm_Proforma.pf_id "_s);
    OfferListStatement::restrictToRange(*s, u"pf_id"_s, range);
    addFilters(*s, filters);
    s->addTail(u" order by scm_Proforma.pf_id "_s);
    return s;
}

TQueryNodesPtr ProformaListStatement::buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after,
                                                    int proformas)
{
    auto s = CB::newStatement(u"select scm_Proforma.pf_id from "_s, Proformas);
    if (Otbor::activeVar<Otbor::TPartnerOtbor>(filters))
        joinSupplier(*s);
    OfferListStatement::restrictToRange(*s, u"pf_id"_s, {after, {}});
    addFilters(*s, filters);
    s->addTail(u" order by scm_Proforma.pf_id limit 1 offset %1 "_s.arg(qMax(0, proformas - 1)));
    return s;
}

} // namespace Tarvo::Proformas
