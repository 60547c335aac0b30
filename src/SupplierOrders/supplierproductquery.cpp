#include "SupplierOrders/supplierproductquery.h"

#include "catalog/tree/scmnodes.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

SupplierProductQuery SupplierProductQuery::forNode(qint64 supplierId, qint64 orderId, qint64 nodeId)
{
    SupplierProductQuery q;
    q.m_supplier = supplierId;
    q.m_order = orderId;
    q.m_node = nodeId;
    q.render({}, q.sql, q.params);
    return q;
}

SupplierProductQuery SupplierProductQuery::page(const QVariant& afterKey, int limit) const
{
    SupplierProductQuery q = *this;
    QString inner;
    q.params.clear();
    render(afterKey, inner, q.params);
    q.sql = u"select * from ("_s + inner + u") q order by pr_id limit "_s + QString::number(limit);
    return q;
}

void SupplierProductQuery::render(const QVariant& afterKey, QString& sql, QVariantList& params) const
{
    struct Branch
    {
        QString joins;
        QVariantList joinParams;
        QString condition;
        QVariantList conditionParams;
    };
    QList<Branch> branches;
    switch (m_node) {
    case Catalog::AllProducts:
        branches << Branch{};
        break;
    case Catalog::WithoutGroup:
        branches << Branch{{}, {}, u"pr_groupid is null"_s, {}};
        break;
    case Catalog::WithGroups:
        branches << Branch{{}, {}, u"pr_groupid is not null"_s, {}};
        break;
    default:
        // A group is its own ancestor in crm_groupsrel: the second part takes the groups below.
        branches
            << Branch{{}, {}, u"pr_groupid = ?"_s, {m_node}}
            << Branch{
                   u" join crm_groupsrel on pr_groupid = groupid and ancestor = ? and groupid <> ancestor"_s,
                   {m_node},
                   {},
                   {}};
        break;
    }
    QStringList selects;
    for (const Branch& b : branches) {
        // The key comes from the assortment's index (supplier, product), so that each batch is a
        // range of it read in order rather than a walk over every product.
        QString select =
            u"select sam_pr_id as pr_id, pr_articul, pr_name, sam_artc, sam_deliverydelay, pg_groupname, sam_minpartia, "
            "sam_pieceperpack, sam_price, sam_codval, sam_chaindelay, pr_dop1, pr_dop2, pr_dop3, "
            "sop_amount in_order "
            "from crm_product join scm_artcmap on pr_id = sam_pr_id and sam_prv_id = ? "
            "left join crm_productgroups on pr_groupid = pg_groupid "
            "left join scm_so_products on sop_suo_id = ? and sop_pr_id = pr_id"_s +
            b.joins;
        params << m_supplier << m_order << b.joinParams;
        QStringList conditions{u"PR_ID_MAIN is null"_s};
        if (!b.condition.isEmpty()) {
            conditions << b.condition;
            params << b.conditionParams;
        }
        if (!afterKey.isNull()) {
            // On the assortment's key: the supplier's rows are walked in product order.
            conditions << u"sam_pr_id > ?"_s;
            params << afterKey;
        }
        selects << select + u" where "_s + conditions.join(u" and "_s);
    }
    sql = selects.join(u" union all "_s);
}

} // namespace Tarvo::SupplierOrders
