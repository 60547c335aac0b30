#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace Tarvo::SupplierOrders {

// The products one supplier offers (an assortment row, no main product) for a node of the
// product tree: -1 all, -2 those without a group, -3 those with any group, else the group's
// own with those of every group below it (`crm_groupsrel`). Each row carries the amount the
// order has of the product ("in_order", null when it has none).
struct SupplierProductQuery
{
    QString sql;
    QVariantList params;

    static SupplierProductQuery forNode(qint64 supplierId, qint64 orderId, qint64 nodeId);
    // At most `limit` rows in key order after `afterKey` (from the start when null).
    SupplierProductQuery page(const QVariant& afterKey, int limit) const;

private:
    qint64 m_supplier = 0;
    qint64 m_order = 0;
    qint64 m_node = 0;
    void render(const QVariant& afterKey, QString& sql, QVariantList& params) const;
};

} // namespace Tarvo::SupplierOrders
