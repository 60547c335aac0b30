#include "WayBills/waybillliststatement.h"

#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tmanagerotbor.h"
#include "otbor/tvardate.h"
#include "otbor/tvarlist.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

namespace CB = Data::CommandBuilder;
using BusOffer::OfferListStatement;
using Data::TQueryNodes;
using Data::TQueryNodesPtr;

namespace {

const QString WayBills = u"scm_waybill"_s;

// Delivered and received are summed each per invoice and product before they meet: a product
// carries one receipt per request row, and joined first every receipt would multiply the
// delivered quantity.
TQueryNodesPtr totals(const BusOffer::OfferKeyRange& range)
{
    auto delivered = CB::newStatement(
        u"select sdp_swb_id, sdp_sde_id, sdp_pr_id, sum(sdp_amount) sdp_amount from "_s, u"scm_deliveredProduct"_s);
    OfferListStatement::restrictToRange(*delivered, u"sdp_swb_id"_s, range);
    delivered->addTail(u" group by sdp_swb_id, sdp_sde_id, sdp_pr_id "_s);
    delivered->setAlias(u"d"_s);

    auto received = CB::newStatement(u"select m.soi_sde_id, m.soi_sdp_pr_id, sum(s.kolc_predm) kolc_predm from "_s,
                                     u"scm_delivery"_s, u"x"_s);
    received->addJoin(u" join "_s, CB::newTableNode(u"SCM_TOMOVE"_s, u"m"_s), u" on m.soi_sde_id = x.sde_id "_s);
    received->addJoin(u" join "_s, CB::newTableNode(u"scl_move"_s, u"s"_s), u" on s.recno = m.recno "_s);
    OfferListStatement::restrictToRange(*received, u"sde_swb_id"_s, range);
    received->addTail(u" group by m.soi_sde_id, m.soi_sdp_pr_id "_s);
    received->setAlias(u"r"_s);

    auto t = CB::newStatement(
        u"select d.sdp_swb_id, sum(d.sdp_amount) sdp_amount, sum(coalesce(r.kolc_predm, 0)) kolc_predm, "
        "sum(%1) kolc_complited from "_s.arg(
            OfferListStatement::completedAmount(u"e.sde_complited"_s, u"d.sdp_amount"_s, u"r.kolc_predm"_s)),
        u"scm_delivery"_s, u"e"_s);
    t->addJoin(u" join "_s, delivered, u" on d.sdp_sde_id = e.sde_id "_s);
    t->addJoin(u" left join "_s, received, u" on r.soi_sde_id = d.sdp_sde_id and r.soi_sdp_pr_id = d.sdp_pr_id "_s);
    t->addTail(u" group by d.sdp_swb_id "_s);
    t->setAlias(u"t"_s);
    return t;
}

// The manager filter goes through the invoices' authors.
void joinAuthors(TQueryNodes& s, const Otbor::TVarList* filters)
{
    // Only a list that holds the manager filter is restricted, as the other registers are.
    const Otbor::TManagerOtbor* manager = nullptr;
    for (Otbor::TVar* v : filters->items())
        if (auto* m = dynamic_cast<Otbor::TManagerOtbor*>(v))
            manager = m;
    if (!manager || !Otbor::OtborConditions::managerRule(manager).applies)
        return;
    auto authors = CB::newStatement(u" select distinct sde_swb_id from "_s, u"scm_delivery"_s);
    authors->addJoin(u" join "_s, CB::newTableNode(u"crm_users"_s), u" on sde_user_id = us_id "_s);
    Otbor::OtborConditions::addManager(*authors, manager, {});
    authors->setAlias(u"au"_s);
    s.addJoin(u" join "_s, authors, u" on au.sde_swb_id = scm_waybill.swb_id "_s);
}

void addConditions(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (!filters)
        return;
    for (Otbor::TVar* v : filters->items())
        if (auto* d = dynamic_cast<Otbor::TWayBillDate*>(v))
            Otbor::OtborConditions::addWayBillDate(s, *d);
    joinAuthors(s, filters);
}

} // namespace

QString WayBillListStatement::receiptStateExpression(const Data::Dialect& d)
{
    const QString received = d.roundedAmount(u"coalesce(t.kolc_predm, 0)"_s);
    return u"(case when %1 <= 0 then '' when %1 >= %2 then '+' else 'Ч' end)"_s.arg(
        received, d.roundedAmount(u"coalesce(t.sdp_amount, 0)"_s));
}

QString WayBillListStatement::workStateExpression(const Data::Dialect& d)
{
    return u"(case when %1 < %2 then 1 else 0 end)"_s.arg(d.roundedAmount(u"coalesce(t.kolc_complited, 0)"_s),
                                                         d.roundedAmount(u"coalesce(t.sdp_amount, 0)"_s));
}

QString WayBillListStatement::workStateText(int state)
{
    return state == 1 ? u"В работе"_s : u"Выполнено"_s;
}

TQueryNodesPtr WayBillListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                           const BusOffer::OfferKeyRange& range)
{
    const QString work = workStateExpression(dialect);
    auto s = CB::newStatement(u"select scm_waybill.*, t.kolc_predm, t.sdp_amount, t.kolc_complited, %1 swb_state, "
                              "%2 swb_state2, case %2 when 1 then '%3' else '%4' end swb_state2_name from "_s.arg(
                                  receiptStateExpression(dialect), work, workStateText(1), workStateText(0)),
                              WayBills);
    s->addJoin(u" left join "_s, totals(range), u" on t.sdp_swb_id = scm_waybill.swb_id "_s);
    OfferListStatement::restrictToRange(*s, u"swb_id"_s, range);
    addConditions(*s, filters);
    if (auto* st = Otbor::activeVar<Otbor::TDocStateOtbor>(filters)) {
        auto g = s->mainNode()->newConditionGroup();
        g->addText(work + u" = "_s);
        g->addParam(int(st->docState()), 0, Data::ParamType::Integer);
    }
    s->addTail(u" order by scm_waybill.swb_id "_s);
    return s;
}

TQueryNodesPtr WayBillListStatement::buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int waybills)
{
    auto s = CB::newStatement(u"select scm_waybill.swb_id from "_s, WayBills);
    OfferListStatement::restrictToRange(*s, u"swb_id"_s, {after, {}});
    addConditions(*s, filters);
    s->addTail(u" order by scm_waybill.swb_id limit 1 offset %1 "_s.arg(qMax(0, waybills - 1)));
    return s;
}

} // namespace Tarvo::WayBills
