#pragma once

#include <QString>
#include <QVariantList>

namespace Tarvo::Catalog {

// The product list of a tree node: -1 all products, -2 those without a group, -3 those with
// any group, else the group's own (and, with subgroups, those of every group below it).
struct ProductListQuery
{
    QString sql;
    QVariantList params;

    static ProductListQuery forNode(qint64 nodeId, bool withSubgroups);
    // The columns the catalog's product list shows.
    static const QString Columns;
};

} // namespace Tarvo::Catalog
