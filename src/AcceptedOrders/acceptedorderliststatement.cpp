#include "AcceptedOrders/acceptedorderliststatement.h"

#include "data/engine/dialect.h"
#include "otbor/activevar.h"
#include "otbor/otborconditions.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

namespace CB = Data::CommandBuilder;
using BusOffer::OfferListStatement;
using Data::ParamType;
using Data::TQueryNodes;
using Data::TQueryNodesPtr;

namespace {

const QString Orders = u"scm_supplier_order"_s;

using Otbor::activeVar;

// Per order: confirmed quantity and sums, and the parts of the sums whose line is in a proforma.
void joinConfirmed(TQueryNodes& list, const OfferKeyRange& range)
{
    auto sub = CB::newStatement(
        u"select soa_suo_id, sum(soa_amount) soa_amount, sum(soa_sum) soa_sum, sum(soa_sum_valut) soa_sum_valut, "
        "sum(case when soa_pf_id is null then 0 else soa_sum end) soa_sum_pf, "
        "sum(case when soa_pf_id is null then 0 else soa_sum_valut end) soa_sum_valut_pf from "_s,
        u"scm_so_accepted"_s);
    OfferListStatement::restrictToRange(*sub, u"soa_suo_id"_s, range);
    sub->addTail(u" group by soa_suo_id "_s);
    sub->setAlias(u"t1"_s);
    list.addJoin(u" join "_s, sub, u" on t1.soa_suo_id = scm_supplier_order.suo_id "_s);
}

void joinShipped(TQueryNodes& list, const OfferKeyRange& range)
{
    auto sub = CB::newStatement(u"select sdi_suo_id, sum(sdi_amount) sdi_amount from "_s, u"scm_order_invoice"_s);
    OfferListStatement::restrictToRange(*sub, u"sdi_suo_id"_s, range);
    sub->addTail(u" group by sdi_suo_id "_s);
    sub->setAlias(u"t2"_s);
    list.addJoin(u" left join "_s, sub, u" on t2.sdi_suo_id = scm_supplier_order.suo_id "_s);
}

QString textOf(const QString& code, const QStringList& texts)
{
    QString e = u"case %1"_s.arg(code);
    for (int i = 0; i < texts.size(); ++i)
        e += u" when %1 then '%2'"_s.arg(i).arg(texts.at(i));
    return e + u" end"_s;
}

// Only the orders with a confirmed line.
void confirmedOnly(TQueryNodes& s)
{
    s.mainNode()->newConditionGroup()->addText(
        u" exists (select 1 from scm_so_accepted x where x.soa_suo_id = scm_supplier_order.suo_id) "_s);
}

void joinSupplier(TQueryNodes& s)
{
    s.addJoin(u" join "_s, CB::newTableNode(u"scm_partner"_s, Otbor::OtborConditions::SupplierAlias),
              u" on suo_supplier=par_id "_s);
}

} // namespace

TQueryNodesPtr AcceptedOrderListStatement::completedByOrder(const RestrictTotals& restrict)
{
    auto shipped = CB::newStatement(
        u"select sdi_suo_id, sdi_sde_id, sdi_pr_id, sum(sdi_amount) sdi_amount from "_s, u"scm_order_invoice"_s);
    restrict(*shipped, u"sdi_suo_id"_s);
    shipped->addTail(u" group by sdi_suo_id, sdi_sde_id, sdi_pr_id "_s);
    shipped->setAlias(u"c"_s);

    auto received = CB::newStatement(
        u"select m.soi_suo_id, m.soi_sde_id, m.soi_pr_id, sum(s.kolc_predm) kolc_predm from "_s, u"SCM_TOMOVE"_s,
        u"m"_s);
    received->addJoin(u" join "_s, CB::newTableNode(u"scl_move"_s, u"s"_s), u" on s.recno = m.recno "_s);
    restrict(*received, u"soi_suo_id"_s);
    received->addTail(u" group by m.soi_suo_id, m.soi_sde_id, m.soi_pr_id "_s);
    received->setAlias(u"r"_s);

    auto completed = CB::newStatement(
        u"select c.sdi_suo_id, sum(%1) z5 from "_s.arg(
            OfferListStatement::completedAmount(u"d.sde_complited"_s, u"c.sdi_amount"_s, u"r.kolc_predm"_s)),
        u"scm_delivery"_s, u"d"_s);
    completed->addJoin(u" join "_s, shipped, u" on c.sdi_sde_id = d.sde_id "_s);
    completed->addJoin(u" left join "_s, received,
                       u" on r.soi_suo_id = c.sdi_suo_id and r.soi_sde_id = c.sdi_sde_id and r.soi_pr_id = c.sdi_pr_id "_s);
    completed->addTail(u" group by c.sdi_suo_id "_s);
    return completed;
}

QString AcceptedOrderListStatement::stateText(int state)
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

QString AcceptedOrderListStatement::proformaSign(int state)
{
    switch (state) {
    case FullProforma:
        return u"+"_s;
    case PartlyProforma:
        return u"Ч"_s;
    default:
        return {};
    }
}

QString AcceptedOrderListStatement::stateExpression(const Data::Dialect& d)
{
    const QString confirmed = d.roundedAmount(u"coalesce(t1.soa_amount, 0)"_s);
    return u"(case when %1 > %2 then 1 when %3 < %1 then 2 else 0 end)"_s.arg(
        confirmed, d.roundedAmount(u"coalesce(t2.sdi_amount, 0)"_s), d.roundedAmount(u"coalesce(t5.z5, 0)"_s));
}

QString AcceptedOrderListStatement::proformaStateExpression(const Data::Dialect& d)
{
    const QString valuted = u"coalesce(scm_supplier_order.suo_cod_valut, '') <> ''"_s;
    const QString whole = d.roundedAmount(
        u"coalesce(case when %1 then t1.soa_sum_valut else t1.soa_sum end, 0)"_s.arg(valuted));
    const QString part = d.roundedAmount(
        u"coalesce(case when %1 then t1.soa_sum_valut_pf else t1.soa_sum_pf end, 0)"_s.arg(valuted));
    return u"(case when %1 = 0 then 0 when %1 >= %2 then 1 else 2 end)"_s.arg(part, whole);
}

TQueryNodesPtr AcceptedOrderListStatement::build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                                 const OfferKeyRange& range)
{
    const QString state = stateExpression(dialect);
    const QString proforma = proformaStateExpression(dialect);
    auto s = CB::newStatement(
        u"select scm_supplier_order.*, t1.soa_amount, t2.sdi_amount, name_user, us_name, t5.z5, t1.soa_sum, "
        "t1.soa_sum_valut, t1.soa_sum_pf, t1.soa_sum_valut_pf, %1 suo_state, %2 suo_state_name, %3 pf_state, "
        "%4 State from "_s.arg(state, textOf(state, {stateText(0), stateText(1), stateText(2)}), proforma,
                               textOf(proforma, {proformaSign(0), proformaSign(1), proformaSign(2)})),
        Orders);
    joinSupplier(*s);
    s->addJoin(u" join "_s, CB::newTableNode(u"_partner"_s), u" on par_nuser=n_user "_s);
    s->addJoin(u" left join "_s, CB::newTableNode(u"crm_users"_s), u" on suo_user_id=us_id "_s);
    joinConfirmed(*s, range);
    joinShipped(*s, range);
    auto completed = completedByOrder(
        [&range](TQueryNodes& sub, const QString& key) { OfferListStatement::restrictToRange(sub, key, range); });
    completed->setAlias(u"t5"_s);
    s->addJoin(u" left join "_s, completed, u" on t5.sdi_suo_id = scm_supplier_order.suo_id "_s);
    OfferListStatement::restrictToRange(*s, u"suo_id"_s, range);
    if (filters)
        Otbor::OtborConditions::addCommon(*s, *filters, u"suo_user_id"_s);
    if (auto* st = activeVar<Otbor::TDocStateOtbor>(filters)) {
        auto g = s->mainNode()->newConditionGroup();
        g->addText(state + u" = "_s);
        g->addParam(int(st->docState()), 0, ParamType::Integer);
    }
    s->addTail(u" order by scm_supplier_order.suo_id "_s);
    return s;
}

TQueryNodesPtr AcceptedOrderListStatement::buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after,
                                                         int orders)
{
    auto s = CB::newStatement(u"select scm_supplier_order.suo_id from "_s, Orders);
    if (activeVar<Otbor::TPartnerOtbor>(filters))
        joinSupplier(*s);
    confirmedOnly(*s);
    OfferListStatement::restrictToRange(*s, u"suo_id"_s, {after, {}});
    if (filters)
        Otbor::OtborConditions::addCommon(*s, *filters, u"suo_user_id"_s);
    s->addTail(u" order by scm_supplier_order.suo_id limit 1 offset %1 "_s.arg(qMax(0, orders - 1)));
    return s;
}

} // namespace Tarvo::AcceptedOrders
