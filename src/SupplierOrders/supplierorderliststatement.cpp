#include "SupplierOrders/supplierorderliststatement.h"

#include "AcceptedOrders/acceptedorderliststatement.h"
#include "BusOffer/offerliststatement.h"
#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

namespace CB = Data::CommandBuilder;
using BusOffer::OfferListStatement;
using Data::ParamType;
using Data::TQueryNodes;
using Data::TQueryNodesPtr;

namespace {

const QString Orders = u"scm_supplier_order"_s;

using Otbor::activeVar;

void joinSupplier(TQueryNodes& s)
{
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s, Otbor::OtborConditions::SupplierAlias),
              u" on suo_supplier=par_id "_s);
}

// Every filter the header decides: dates, supplier, urgency, manager and mark.
void addHeaderFilters(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (!filters)
        return;
    Otbor::OtborConditions::addCommon(s, *filters, u"suo_user_id"_s);
    if (auto* mark = activeVar<Otbor::TMarkedOtbor>(filters)) {
        auto g = s.mainNode()->newConditionGroup();
        g->addText(u" suo_otmetka= "_s);
        g->addParam(mark->value() ? 1 : 0, 0, ParamType::Integer);
    }
}

// Only the tables a header filter reads, so that the keys are walked on the primary key.
void joinFilterTables(TQueryNodes& s, const Otbor::TVarList* filters)
{
    if (activeVar<Otbor::TPartnerOtbor>(filters))
        joinSupplier(s);
    if (activeVar<Otbor::TUrgencyOtbor>(filters))
        s.addJoin(u" join "_s, CB::newTableNode(u"scm_Library_Urgency"_s),
                  u" on scm_supplier_order.Urgency_ID = scm_Library_Urgency.Urgency_ID "_s);
}

// The keys of the orders a batch lists as the header's filters pass them; null when only the
// range restricts them.
TQueryNodesPtr filteredKeys(const Otbor::TVarList* filters, const Registers::KeyRange& range)
{
    auto s = CB::newStatement(u"select scm_supplier_order.suo_id from "_s, Orders);
    joinFilterTables(*s, filters);
    OfferListStatement::restrictToRange(*s, u"suo_id"_s, range);
    const std::size_t rangeOnly = OfferListStatement::conditionCount(*s);
    addHeaderFilters(*s, filters);
    return OfferListStatement::conditionCount(*s) > rangeOnly ? s : nullptr;
}

void restrictTotals(TQueryNodes& sub, const QString& keyColumn, const Otbor::TVarList* filters,
                    const Registers::KeyRange& range)
{
    OfferListStatement::restrictTotals(sub, keyColumn, range, filteredKeys(filters, range));
}

void joinTotals(TQueryNodes& list, const QString& select, const QString& table, const QString& key,
                const QString& alias, const Otbor::TVarList* filters, const Registers::KeyRange& range)
{
    auto sub = CB::newStatement(u"select %1, %2 from "_s.arg(key, select), table);
    restrictTotals(*sub, key, filters, range);
    sub->addTail(u" group by %1 "_s.arg(key));
    sub->setAlias(alias);
    list.addJoin(u" left join "_s, sub, u" on %1.%2 = scm_supplier_order.suo_id "_s.arg(alias, key));
}

QString stateTextExpression(const QString& state)
{
    return u"case %1 when 0 then '%2' when 1 then '%3' else '%4' end"_s.arg(
        state, SupplierOrderListStatement::stateText(0), SupplierOrderListStatement::stateText(1),
        SupplierOrderListStatement::stateText(2));
}

} // namespace

QString SupplierOrderListStatement::stateText(int state)
{
    return OfferListStatement::stateText(state);
}

QString SupplierOrderListStatement::stateExpression(const Data::Dialect& d)
{
    const QString ordered = d.roundedAmount(u"coalesce(qp.sop_amount, 0)"_s);
    return u"(case when %1 <= %2 then 0 when %1 > %3 and scm_supplier_order.suo_waiting = 1 then 1 else 2 end)"_s
        .arg(ordered, d.roundedAmount(u"coalesce(qz5.z5, 0)"_s),
             d.roundedAmount(u"coalesce(qa.soa_amount_accepted, 0)"_s));
}

TQueryNodesPtr SupplierOrderListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                                 const Registers::KeyRange& range)
{
    const QString state = stateExpression(dialect);
    auto s = CB::newStatement(
        u"select scm_supplier_order.urgency_ID, scm_Library_Urgency.Name Urgency_Name, Priority, suo_id, "
        u"suo_date, "
        "suo_sum, name_user, suo_waiting, suo_cod_valut, suo_accepted, suo_createdate, suo_updatedate, "
        "suo_sum_valut, qp.sop_amount, suo_snomer, us_name, qa.soa_amount_accepted, suo_dopnomer, "
        "suo_description, "
        "st_number, suo_otmetka, qz5.z5, qp.sop_sum, qa.soa_sum_accepted, qa.soa_sum_valut_accepted, "
        "suo_supplier, "
        "%1 suo_state, %2 suo_state_name from "_s.arg(state, stateTextExpression(state)),
        Orders);
    joinSupplier(*s);
    s->addJoin(u" join "_s, CB::newTableNode(u"_partner"_s), u" on par_nuser=n_user "_s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"crm_stage"_s), u" on suo_stage_id=st_id "_s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"crm_users"_s), u" on suo_user_id=us_id "_s);
    // Only orders with an urgency can match an urgency filter.
    const bool urgencyFilter = activeVar<Otbor::TUrgencyOtbor>(filters) != nullptr;
    s->addJoin(urgencyFilter ? u" join "_s : u" left join "_s, CB::newTableNode(u"scm_Library_Urgency"_s),
               u" on SCM_supplier_order.Urgency_ID = scm_Library_Urgency.Urgency_ID "_s);

    joinTotals(*s, u"sum(sop_amount) sop_amount, sum(sop_sum) sop_sum"_s, u"scm_so_products"_s,
               u"sop_suo_id"_s, u"qp"_s, filters, range);
    joinTotals(*s,
               u"sum(soa_amount) soa_amount_accepted, sum(soa_sum) soa_sum_accepted, "
               "sum(soa_sum_valut) soa_sum_valut_accepted"_s,
               u"scm_so_accepted"_s, u"soa_suo_id"_s, u"qa"_s, filters, range);
    auto completed = AcceptedOrders::AcceptedOrderListStatement::completedByOrder(
        [filters, &range](TQueryNodes& sub, const QString& key) {
            restrictTotals(sub, key, filters, range);
        });
    completed->setAlias(u"qz5"_s);
    s->addJoin(u" left join "_s, completed, u" on qz5.sdi_suo_id = scm_supplier_order.suo_id "_s);

    OfferListStatement::restrictToRange(*s, u"suo_id"_s, range);
    addHeaderFilters(*s, filters);
    if (auto* st = activeVar<Otbor::TDocStateOtbor>(filters)) {
        auto g = s->mainNode()->newConditionGroup();
        g->addText(state + u" = "_s);
        g->addParam(int(st->docState()), 0, ParamType::Integer);
    }
    s->addTail(u" order by suo_id "_s);
    return s;
}

TQueryNodesPtr SupplierOrderListStatement::buildBatchEnd(const Otbor::TVarList* filters,
                                                         const QVariant& after, int orders)
{
    auto s = CB::newStatement(u"select scm_supplier_order.suo_id from "_s, Orders);
    joinFilterTables(*s, filters);
    OfferListStatement::restrictToRange(*s, u"suo_id"_s, {after, {}});
    addHeaderFilters(*s, filters);
    s->addTail(u" order by scm_supplier_order.suo_id limit 1 offset %1 "_s.arg(qMax(0, orders - 1)));
    return s;
}

TQueryNodesPtr SupplierOrderListStatement::buildCount(const Otbor::TVarList* filters)
{
    if (activeVar<Otbor::TDocStateOtbor>(filters))
        return nullptr;
    // The list's inner joins (supplier and its name) drop no order: both keys are required and
    // referenced.
    auto s = CB::newStatement(u"select count(*) from "_s, Orders);
    joinFilterTables(*s, filters);
    addHeaderFilters(*s, filters);
    return s;
}

} // namespace Tarvo::SupplierOrders
