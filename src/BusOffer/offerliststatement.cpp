#include "BusOffer/offerliststatement.h"

#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace CB = Data::CommandBuilder;
using Data::ParamType;
using Data::TQueryNodes;
using Data::TQueryNodesPtr;

namespace {

void restrict(TQueryNodes& statement, const QString& keyColumn, const OfferKeyRange& range)
{
    OfferListStatement::restrictToRange(statement, keyColumn, range);
}

// The keys of the requests a batch lists, as the header's filters pass them; null when only the
// range restricts them.
using KeysOf = std::function<TQueryNodesPtr()>;

void restrictTotals(TQueryNodes& sub, const QString& keyColumn, const OfferKeyRange& range, const KeysOf& keys)
{
    OfferListStatement::restrictTotals(sub, keyColumn, range, keys());
}

// "left join (select key, sum(amount) total from table group by key) alias on alias.key = bof_id"
void joinTotal(TQueryNodes& list, const QString& table, const QString& key, const QString& amount,
               const QString& total, const OfferKeyRange& range, const KeysOf& keys)
{
    auto sub = CB::newStatement(u"select %1, sum(%2) %3 from "_s.arg(key, amount, total), table);
    restrictTotals(*sub, key, range, keys);
    sub->addTail(u" group by %1 "_s.arg(key));
    const QString alias = u"t_"_s + total;
    sub->setAlias(alias);
    list.addJoin(u" left join "_s, sub, u" on %1.%2 = scm_business_offer.bof_id "_s.arg(alias, key));
}

// k5: per request and invoice the shipped amount of a completed invoice, else what was received.
void joinCompleted(TQueryNodes& list, const OfferKeyRange& range, const KeysOf& keys)
{
    auto shipped = CB::newStatement(
        u"select soi_bof_id, soi_sde_id, sum(soi_amount) soi_amount from "_s, u"scm_offer_invoice"_s);
    restrictTotals(*shipped, u"soi_bof_id"_s, range, keys);
    shipped->addTail(u" group by soi_bof_id, soi_sde_id "_s);
    shipped->setAlias(u"c"_s);

    auto received = CB::newStatement(
        u"select m.soi_bof_id, m.soi_sde_id, sum(s.kolc_predm) kolc_predm from "_s, u"SCM_TOMOVE"_s, u"m"_s);
    received->addJoin(u" join "_s, CB::newTableNode(u"scl_move"_s, u"s"_s), u" on s.recno = m.recno "_s);
    restrictTotals(*received, u"soi_bof_id"_s, range, keys);
    received->addTail(u" group by m.soi_bof_id, m.soi_sde_id "_s);
    received->setAlias(u"r"_s);

    auto completed = CB::newStatement(u"select c.soi_bof_id, sum(%1) k5 from "_s.arg(OfferListStatement::completedAmount(
                                     u"d.sde_complited"_s, u"c.soi_amount"_s, u"r.kolc_predm"_s)),
                                 u"scm_delivery"_s, u"d"_s);
    completed->addJoin(u" join "_s, shipped, u" on c.soi_sde_id = d.sde_id "_s);
    completed->addJoin(u" left join "_s, received, u" on r.soi_bof_id = c.soi_bof_id and r.soi_sde_id = c.soi_sde_id "_s);
    completed->addTail(u" group by c.soi_bof_id "_s);
    completed->setAlias(u"t_k5"_s);
    list.addJoin(u" left join "_s, completed, u" on t_k5.soi_bof_id = scm_business_offer.bof_id "_s);
}

QString stateTextExpression(const QString& state)
{
    return u"case %1 when 0 then '%2' when 1 then '%3' else '%4' end"_s.arg(
        state, OfferListStatement::stateText(0), OfferListStatement::stateText(1), OfferListStatement::stateText(2));
}

using Otbor::activeVar;

// The header's joins: customer, its name, manager, contract stage and urgency.
void joinHeader(TQueryNodes& s, const Otbor::TVarList* filters)
{
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s), u" on bof_person=par_id "_s);
    s.addJoin(u" join "_s, CB::newTableNode(u"_partner"_s), u" on par_nuser=n_user "_s);
    s.addJoin(u" left join "_s, CB::newTableNode(u"crm_users"_s), u" on bof_user_id=us_id "_s);
    s.addJoin(u" left join "_s, CB::newTableNode(u"crm_stage"_s), u" on bof_stage_id=st_id "_s);
    // Only requests with an urgency can match an urgency filter.
    const bool urgencyFilter = activeVar<Otbor::TUrgencyOtbor>(filters) != nullptr;
    s.addJoin(urgencyFilter ? u" join "_s : u" left join "_s, CB::newTableNode(u"scm_Library_Urgency"_s),
              u" on scm_business_offer.Urgency_ID = scm_Library_Urgency.Urgency_ID "_s);
}

// Every filter that the header decides: dates, customer, urgency, manager and mark.
void addHeaderFilters(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (!filters)
        return;
    Otbor::OtborConditions::addCommon(s, *filters, u"bof_user_id"_s);
    if (auto* mark = activeVar<Otbor::TMarkedOtbor>(filters)) {
        auto g = s.mainNode()->newConditionGroup();
        g->addText(u" bof_otmetka= "_s);
        g->addParam(mark->value() ? 1 : 0, 0, ParamType::Integer);
    }
}

// Only the tables a header filter reads, so that the keys are walked on the primary key. The
// manager restriction joins its own table.
void joinFilterTables(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (activeVar<Otbor::TPartnerOtbor>(filters))
        s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s), u" on bof_person=par_id "_s);
    if (activeVar<Otbor::TUrgencyOtbor>(filters))
        s.addJoin(u" join "_s, CB::newTableNode(u"scm_Library_Urgency"_s),
                  u" on scm_business_offer.Urgency_ID = scm_Library_Urgency.Urgency_ID "_s);
}

// "select bof_id from scm_business_offer ... where <range> and <header filters>"; null when the
// header's filters add no condition (the range alone restricts the keys).
TQueryNodesPtr filteredKeys(const Otbor::TVarList* filters, const OfferKeyRange& range)
{
    auto s = CB::newStatement(u"select scm_business_offer.bof_id from "_s, u"scm_business_offer"_s);
    joinFilterTables(*s, filters);
    restrict(*s, u"bof_id"_s, range);
    const std::size_t rangeOnly = OfferListStatement::conditionCount(*s);
    addHeaderFilters(*s, filters);
    return OfferListStatement::conditionCount(*s) > rangeOnly ? s : nullptr;
}

} // namespace

QString OfferListStatement::stateText(int state)
{
    switch (state) {
    case Done:
        return u"Выполнено"_s;
    case InProgress:
        return u"В работе"_s;
    default:
        return u"Выполнено по реестру"_s;
    }
}

QString OfferListStatement::stateExpression(const Data::Dialect& d)
{
    const QString k1 = d.roundedAmount(u"coalesce(k1, 0)"_s);
    return u"(case when %1 = %2 then 0 when %3 < %1 then 1 else 2 end)"_s.arg(
        k1, d.roundedAmount(u"coalesce(k5, 0)"_s),
        d.roundedAmount(u"coalesce(k2, 0) + coalesce(k3, 0) + coalesce(k4, 0)"_s));
}

QString OfferListStatement::completedAmount(const QString& completedFlag, const QString& shipped,
                                            const QString& received)
{
    return u"case when %1 = 1 then %2 else coalesce(%3, 0) end"_s.arg(completedFlag, shipped, received);
}

void OfferListStatement::restrictToRange(TQueryNodes& statement, const QString& keyColumn, const OfferKeyRange& range)
{
    const Data::TTableNodePtr& main = statement.mainNode();
    if (!range.after.isNull()) {
        auto g = main->newConditionGroup();
        g->addText(main->qualify(keyColumn) + u" > "_s);
        g->addParam(range.after, 0, ParamType::Integer);
    }
    if (!range.upTo.isNull()) {
        auto g = main->newConditionGroup();
        g->addText(main->qualify(keyColumn) + u" <= "_s);
        g->addParam(range.upTo, 0, ParamType::Integer);
    }
}

void OfferListStatement::restrictTotals(TQueryNodes& sub, const QString& keyColumn, const OfferKeyRange& range,
                                        const TQueryNodesPtr& keys)
{
    restrictToRange(sub, keyColumn, range);
    if (keys) {
        auto g = sub.mainNode()->newConditionGroup();
        g->addText(sub.mainNode()->qualify(keyColumn) + u" in "_s);
        g->add(keys);
    }
}

std::size_t OfferListStatement::conditionCount(const TQueryNodes& statement)
{
    std::size_t n = 0;
    for (const Data::TTableNodePtr& t : statement.tables())
        n += t->conditionGroups().size();
    return n;
}

TQueryNodesPtr OfferListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                         const OfferKeyRange& range)
{
    const QString state = stateExpression(dialect);
    auto s = CB::newStatement(
        u"select scm_Library_Urgency.urgency_ID, scm_Library_Urgency.name Urgency_Name, Priority, bof_id, "
        "bof_date, bof_sum, bof_createdate, bof_updatedate, name_user, bof_cod_valut, bof_sum_valut, "
        "bof_description, bof_accepted, st_number bof_stage_id, us_name, bof_snomer, bof_dopnomer, bof_otmetka, "
        "k1, k2, k3, k4, k5, bof_plan_start, bof_plan_end, %1 bof_state, %2 bof_state_name from "_s.arg(
            state, stateTextExpression(state)),
        u"scm_business_offer"_s);
    joinHeader(*s, filters);
    const KeysOf keys = [filters, range] { return filteredKeys(filters, range); };
    joinTotal(*s, u"scm_bp_delivery"_s, u"bpd_bof_id"_s, u"bpd_amount"_s, u"k1"_s, range, keys);
    joinTotal(*s, u"scm_bo_ordered"_s, u"bpo_bof_id"_s, u"bpo_amount"_s, u"k2"_s, range, keys);
    joinTotal(*s, u"scm_bo_accepted"_s, u"boa_bof_id"_s, u"boa_amount"_s, u"k3"_s, range, keys);
    joinTotal(*s, u"scm_offer_invoice"_s, u"soi_bof_id"_s, u"soi_amount"_s, u"k4"_s, range, keys);
    joinCompleted(*s, range, keys);
    restrict(*s, u"bof_id"_s, range);

    addHeaderFilters(*s, filters);
    if (auto* st = activeVar<Otbor::TDocStateOtbor>(filters)) {
        auto g = s->mainNode()->newConditionGroup();
        g->addText(state + u" = "_s);
        g->addParam(int(st->docState()), 0, ParamType::Integer);
    }
    s->addTail(u" order by bof_id "_s);
    return s;
}

TQueryNodesPtr OfferListStatement::buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int requests)
{
    auto s = CB::newStatement(u"select scm_business_offer.bof_id from "_s, u"scm_business_offer"_s);
    joinFilterTables(*s, filters);
    restrict(*s, u"bof_id"_s, {after, {}});
    addHeaderFilters(*s, filters);
    s->addTail(u" order by scm_business_offer.bof_id limit 1 offset %1 "_s.arg(qMax(0, requests - 1)));
    return s;
}

TQueryNodesPtr OfferListStatement::buildCount(const Otbor::TVarList* filters)
{
    if (activeVar<Otbor::TDocStateOtbor>(filters))
        return nullptr;
    // The list's inner joins (customer and its name) drop no request: both keys are required
    // and referenced.
    auto s = CB::newStatement(u"select count(*) from "_s, u"scm_business_offer"_s);
    joinFilterTables(*s, filters);
    addHeaderFilters(*s, filters);
    return s;
}

} // namespace Tarvo::BusOffer
