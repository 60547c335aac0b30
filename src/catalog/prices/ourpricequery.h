#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

namespace Tarvo::Catalog {

// The product list of the price windows for a tree node: the product columns with our price
// joined, for -1 all products, -2 those without a group, -3 those with any group, else the
// group's own (and, with subgroups, those of every group below it).
struct OurPriceQuery
{
    QString sql;
    QVariantList params;

    // A prefix search on one column of the list; the text is bound, never part of the statement.
    struct Search
    {
        QString column;
        QString text;
    };

    // likeOperator: the connection's case-insensitive LIKE.
    static OurPriceQuery forNode(qint64 nodeId, bool withSubgroups, const QString& likeOperator = {},
                                 const Search& search = {});
    // At most `limit` rows of this list in key order, those after `afterKey` (all keys when null)
    // other than `skipped` (the products the list added itself): big lists are read a batch at a time.
    OurPriceQuery page(const QVariant& afterKey, int limit, const QVariantList& skipped = {}) const;

    // The product columns saved by the price-list window, in statement order.
    static const QStringList ProductColumns;
    // The columns of our price.
    static const QStringList PriceColumns;
    // The columns a search may name.
    static bool isSearchable(const QString& column);
    // The LIKE pattern that finds values starting with the text: '%', '_' and '\' are escaped.
    static QString prefixPattern(const QString& text);

private:
    // One select of the list: the tables after crm_product (with their parameters) and the node's
    // own condition. A page puts its key bound into every branch and into our price's join too,
    // so no engine scans our prices from the start of the table for a batch near the end.
    struct Branch
    {
        QString joins;
        QVariantList joinParams;
        QString condition;
        QVariantList conditionParams;
    };
    QList<Branch> m_branches;
    QString m_filter;
    QVariantList m_filterParams;

    static OurPriceQuery make(QList<Branch> branches, const QString& filter, const QVariantList& filterParams);
    // The branches joined with "union all", each bounded by `afterKey` and `skipped` when given.
    void render(const QVariant& afterKey, const QVariantList& skipped, QString& sql, QVariantList& params) const;
};

} // namespace Tarvo::Catalog
