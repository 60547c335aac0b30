#include "catalog/tree/productlistquery.h"

#include "catalog/tree/scmnodes.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString ProductListQuery::Columns = u"PR_ID, PR_ARTICUL, PR_NAME, PR_GROUPID, PR_EDIN_IZMER"_s;

ProductListQuery ProductListQuery::forNode(qint64 nodeId, bool withSubgroups)
{
    const QString select = u"select "_s + Columns + u" from crm_product"_s;
    const QString order = u" order by PR_NAME"_s;
    switch (nodeId) {
    case AllProducts:
        return {select + order, {}};
    case WithoutGroup:
        return {select + u" where PR_GROUPID is null"_s + order, {}};
    case WithGroups:
        return {select + u" where PR_GROUPID is not null"_s + order, {}};
    default:
        break;
    }
    if (!withSubgroups)
        return {select + u" where PR_GROUPID = ?"_s + order, {nodeId}};
    return {
        select +
            u" where PR_GROUPID in (select groupid from crm_groupsrel where ancestor = ? union select ?)"_s +
            order,
        {nodeId, nodeId}};
}

} // namespace Tarvo::Catalog
