#include "SupplierOrders/supplierorderpreparation.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <tuple>

namespace Tarvo::SupplierOrders {

QList<PreparedLine> PreparedOrders::linesOf(int orderLink) const
{
    QList<PreparedLine> result;
    for (const PreparedLine& l : lines)
        if (l.orderLink == orderLink)
            result << l;
    return result;
}

Money PreparedOrders::sum(int orderLink) const
{
    Money total;
    for (const PreparedLine& l : lines)
        if (l.orderLink == orderLink)
            total += l.sum();
    return total;
}

Money PreparedOrders::sumValut(int orderLink) const
{
    Money total;
    for (const PreparedLine& l : lines)
        if (l.orderLink == orderLink)
            total += l.sumValut();
    return total;
}

PreparedOrders SupplierOrderPreparation::prepare(const QList<OpenRequestLine>& lines,
                                                 const QList<SupplierAssignment>& assignments)
{
    PreparedOrders result;
    QHash<qint64, QList<qsizetype>> byProduct; // open lines of each product, in the order given
    for (qsizetype i = 0; i < lines.size(); ++i)
        byProduct[lines[i].productId] << i;
    QList<Money> distributed(lines.size());

    // Null urgency is its own key value: "no urgency" must group, not compare unequal to itself.
    using OrderKey = std::tuple<qint64, bool, qint64, QString>;
    std::map<OrderKey, int> orders;
    std::map<std::pair<int, qint64>, qsizetype> orderLines;
    std::map<std::tuple<qint64, int, qint64>, qsizetype> links;

    for (const SupplierAssignment& a : assignments) {
        Money remaining = a.amount;
        const QList<qsizetype> open = byProduct.value(a.productId);
        for (qsizetype i : open) {
            if (remaining <= Money())
                break;
            const OpenRequestLine& line = lines[i];
            const Money take = std::min(remaining, line.amount - distributed[i]);
            if (take <= Money())
                continue;
            remaining -= take;
            distributed[i] += take;

            const bool urgent = !line.urgencyId.isNull();
            const OrderKey key{a.supplierId, urgent, urgent ? line.urgencyId.toLongLong() : 0, a.currency};
            auto order = orders.find(key);
            if (order == orders.end()) {
                const int link = int(result.orders.size());
                result.orders << PreparedOrder{link, a.supplierId, a.supplierName,
                                               urgent ? line.urgencyId : QVariant(), line.urgencyName, a.currency};
                order = orders.emplace(key, link).first;
            }
            const int link = order->second;

            const auto lineKey = std::make_pair(link, a.productId);
            auto ol = orderLines.find(lineKey);
            if (ol == orderLines.end()) {
                result.lines << PreparedLine{link, a.productId, line.article, line.name, Money(), a.roublePrice,
                                             a.currencyPrice};
                ol = orderLines.emplace(lineKey, result.lines.size() - 1).first;
            }
            result.lines[ol->second].amount += take;

            const auto linkKey = std::make_tuple(line.requestId, link, a.productId);
            auto lk = links.find(linkKey);
            if (lk == links.end()) {
                result.links << PreparedLink{line.requestId, link, a.productId, Money()};
                lk = links.emplace(linkKey, result.links.size() - 1).first;
            }
            result.links[lk->second].amount += take;
        }
    }
    return result;
}

} // namespace Tarvo::SupplierOrders
