#include "catalog/prices/ourpricequery.h"

#include "catalog/tree/scmnodes.h"
#include "core/exception.h"
#include "data/engine/likepattern.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QStringList OurPriceQuery::ProductColumns = {
    u"PR_ARTICUL"_s,    u"PR_NAME"_s,       u"PR_GROUPID"_s,    u"PR_MN_ID"_s,      u"PR_PE_ID"_s,
    u"PR_TYPE"_s,       u"PR_WEIGHT"_s,     u"PR_VOLUME"_s,     u"PR_DISCOUNT"_s,   u"PR_TIP_TOVR"_s,
    u"PR_DOP1"_s,       u"PR_DOP2"_s,       u"PR_DOP3"_s,       u"PR_DOP1_ARTIC"_s, u"PR_OKDP_ARTIC"_s,
    u"PR_S100"_s,       u"PR_S50"_s,        u"PR_BALL"_s,       u"PR_EDIN_IZMER"_s, u"PR_DLINA_ART"_s,
    u"PR_SHIRIN_ART"_s, u"PR_VYSOTA_ART"_s, u"PR_RAZM_IZMER"_s, u"PR_DOP3_ARTIC"_s, u"PR_PRIM"_s,
    u"PR_ID_main"_s};

const QStringList OurPriceQuery::PriceColumns = {u"ou_price"_s, u"op_prval"_s, u"op_codval"_s,
                                                 u"op_valprice"_s};

namespace {

QString columns()
{
    return u"pr_id sam_pr_id, PR_COEF1, "_s + OurPriceQuery::ProductColumns.join(u", "_s) + u", "_s +
           OurPriceQuery::PriceColumns.join(u", "_s);
}

} // namespace

bool OurPriceQuery::isSearchable(const QString& column)
{
    return column.compare(u"sam_pr_id"_s, Qt::CaseInsensitive) == 0 ||
           ProductColumns.contains(column, Qt::CaseInsensitive) ||
           PriceColumns.contains(column, Qt::CaseInsensitive);
}

QString OurPriceQuery::prefixPattern(const QString& text)
{
    return Data::LikePattern::literal(text) + u'%';
}

OurPriceQuery OurPriceQuery::make(QList<Branch> branches, const QString& filter,
                                  const QVariantList& filterParams)
{
    OurPriceQuery q;
    q.m_branches = std::move(branches);
    q.m_filter = filter;
    q.m_filterParams = filterParams;
    q.render({}, {}, q.sql, q.params);
    return q;
}

void OurPriceQuery::render(const QVariant& afterKey, const QVariantList& skipped, QString& sql,
                           QVariantList& params) const
{
    QStringList selects;
    for (const Branch& b : m_branches) {
        QString select = u"select "_s + columns() + u" from crm_product"_s + b.joins +
                         u" left outer join crm_ourprice on op_pr_id = pr_id"_s;
        params << b.joinParams;
        if (!afterKey.isNull()) {
            select += u" and op_pr_id > ?"_s;
            params << afterKey;
        }
        QStringList conditions;
        if (!b.condition.isEmpty()) {
            conditions << b.condition;
            params << b.conditionParams;
        }
        if (!m_filter.isEmpty()) {
            conditions << m_filter;
            params << m_filterParams;
        }
        if (!afterKey.isNull()) {
            conditions << u"pr_id > ?"_s;
            params << afterKey;
        }
        if (!skipped.isEmpty()) {
            conditions << u"pr_id not in ("_s + QStringList(skipped.size(), u"?"_s).join(u", "_s) + u')';
            params << skipped;
        }
        if (!conditions.isEmpty())
            select += u" where "_s + conditions.join(u" and "_s);
        selects << select;
    }
    sql = selects.join(u" union all "_s);
}

OurPriceQuery OurPriceQuery::page(const QVariant& afterKey, int limit, const QVariantList& skipped) const
{
    OurPriceQuery q = *this;
    QString inner;
    q.params.clear();
    render(afterKey, skipped, inner, q.params);
    q.sql = u"select * from ("_s + inner + u") q order by sam_pr_id limit "_s + QString::number(limit);
    return q;
}

OurPriceQuery OurPriceQuery::forNode(qint64 nodeId, bool withSubgroups, const QString& likeOperator,
                                     const Search& search)
{
    QString filter;
    QVariantList filterParams;
    if (!search.text.isEmpty()) {
        if (!isSearchable(search.column))
            throw Exception(u"Поиск по полю %1 невозможен"_s.arg(search.column));
        // Numbers and dates are compared as their text, as the user sees them typed.
        const QString column =
            search.column.compare(u"sam_pr_id"_s, Qt::CaseInsensitive) == 0 ? u"pr_id"_s : search.column;
        filter = u"cast("_s + column + u" as varchar(250)) "_s + likeOperator + u" ?"_s + Data::LikePattern::escapeClause();
        filterParams << prefixPattern(search.text);
    }
    switch (nodeId) {
    case AllProducts:
        return make({Branch{}}, filter, filterParams);
    case WithoutGroup:
        return make({Branch{{}, {}, u"pr_groupid is null"_s, {}}}, filter, filterParams);
    case WithGroups:
        return make({Branch{{}, {}, u"pr_groupid is not null"_s, {}}}, filter, filterParams);
    default:
        break;
    }
    const Branch own{{}, {}, u"pr_groupid = ?"_s, {nodeId}};
    if (!withSubgroups)
        return make({own}, filter, filterParams);
    // A group is recorded as its own ancestor: the second part takes only the groups below it,
    // so no product is listed twice.
    const Branch below{u" join crm_groupsrel on pr_groupid = groupid and ancestor = ? and groupid <> ancestor"_s,
                       {nodeId}, {}, {}};
    return make({own, below}, filter, filterParams);
}

} // namespace Tarvo::Catalog
