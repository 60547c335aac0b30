#include "SupplierOrders/openrequestamounts.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/engine/schema.h"
#include "data/engine/temptable.h"
#include "db/bulkinserter.h"

using namespace Qt::StringLiterals;

namespace Tarvo::SupplierOrders {

QString OpenRequestAmounts::openLines(const Data::Dialect& d, const QString& requestCondition)
{
    const QString placed = u"coalesce(v.amount, 0)"_s;
    return u"from scm_business_offer b "
           "join scm_bp_delivery d on d.bpd_bof_id = b.bof_id "
           "join crm_product p on p.PR_ID = d.bpd_pr_id "
           "left join vBusinessOfferState1 v on v.bof_id = d.bpd_bof_id and v.pr_id = d.bpd_pr_id "
           "left join SCM_Library_Urgency u on u.Urgency_ID = b.Urgency_ID "
           "where b.bof_accepted = 1 and %1 > %2 %3"_s.arg(d.roundedAmount(u"d.bpd_amount"_s),
                                                         d.roundedAmount(placed),
                                                         requestCondition.isEmpty() ? QString()
                                                                                    : u"and "_s + requestCondition);
}

QString OpenRequestAmounts::statement(const Data::Dialect& d, const QString& requestCondition)
{
    return u"select d.bpd_bof_id, d.bpd_pr_id, %1 as open_amount, b.Urgency_ID, u.Name, p.PR_ARTICUL, p.PR_NAME "_s.arg(
               d.roundedAmount(u"d.bpd_amount - coalesce(v.amount, 0)"_s)) +
           openLines(d, requestCondition) + u" order by d.bpd_bof_id, d.bpd_pr_id"_s;
}

QString OpenRequestAmounts::products(const Data::Dialect& d, const QString& requestCondition)
{
    return u"select d.bpd_pr_id "_s + openLines(d, requestCondition);
}

QList<OpenRequestLine> OpenRequestAmounts::read(Data::Query& q)
{
    q.exec();
    QList<OpenRequestLine> lines;
    while (q.next()) {
        OpenRequestLine l;
        l.requestId = q.integer(0);
        l.productId = q.integer(1);
        l.amount = q.money(2);
        l.urgencyId = q.isNull(3) ? QVariant() : QVariant(q.integer(3));
        l.urgencyName = q.string(4);
        l.article = q.string(5);
        l.name = q.string(6);
        lines << l;
    }
    return lines;
}

QList<OpenRequestLine> OpenRequestAmounts::read(Data::Database& db)
{
    Data::Query q(db, statement(db.dialect()));
    return read(q);
}

QList<OpenProduct> OpenRequestAmounts::perProduct(const QList<OpenRequestLine>& lines)
{
    QList<OpenProduct> products;
    QHash<qint64, qsizetype> index;
    for (const OpenRequestLine& l : lines) {
        const QString number = QString::number(l.requestId);
        const auto found = index.constFind(l.productId);
        if (found == index.constEnd()) {
            index.insert(l.productId, products.size());
            products << OpenProduct{l.productId, l.article, l.name, l.amount, number, l.urgencyName, 1};
            continue;
        }
        OpenProduct& p = products[*found];
        p.required += l.amount;
        ++p.requestCount;
        const QString longer = p.requests + u';' + number;
        if (longer.size() <= RequestListLength)
            p.requests = longer;
        if (p.urgencyName != l.urgencyName)
            p.urgencyName.clear();
    }
    return products;
}

QHash<RequestLineKey, Money> OpenRequestAmounts::lockAndRead(Data::Database& db, const QList<RequestLineKey>& lines)
{
    // The wanted keys go into a scratch table of the connection, so that one statement locks and
    // reads exactly those lines: a round trip per batch of requests cost more than the save's inserts.
    const QString keys = u"tmp_locked_lines"_s;
    Data::createTempTable(db, Data::Table(keys).bigint(u"r"_s).bigint(u"p"_s));
    {
        Data::BulkInserter staged(db, keys, {u"r"_s, u"p"_s});
        for (const RequestLineKey& k : lines)
            staged.addInteger(k.first).addInteger(k.second).endRow();
    }
    // Locked in key order, the same on every workstation, so two saves never wait on each other.
    Data::Query q(db, u"select bpd_bof_id, bpd_pr_id, %1 from scm_bp_delivery "
                      "where (bpd_bof_id, bpd_pr_id) in (select r, p from %2) "
                      "order by bpd_bof_id, bpd_pr_id%3"_s.arg(db.dialect().roundedAmount(u"bpd_amount - bpd_placed"_s),
                                                             keys, db.dialect().lockRowsClause()));
    q.exec();
    QHash<RequestLineKey, Money> open;
    open.reserve(lines.size());
    while (q.next())
        open.insert({q.integer(0), q.integer(1)}, q.money(2));
    Data::dropTempTable(db, keys);
    return open;
}

} // namespace Tarvo::SupplierOrders
