#pragma once

#include "AcceptedOrders/tdmaccshed.h"
#include "BusOffer/detfixture.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/engine/query.h"

#include <QStringList>

namespace Tarvo::Test {

// Supplier orders written in the tables as the order editor writes them: lines with their sums
// and dates, the requests' ordered rows, confirmations and their shares; and the rows of every
// chain table, to compare before and after a save.
struct AccFixture : DetFixture
{
    QStringList shown; // messages of refused saves

    explicit AccFixture(Data::Database& database) : DetFixture(database)
    {
        Data::TDefferedDataModule::setSaveErrorPresenter([this](const QString& m) {
            shown << m;
        });
    }
    ~AccFixture() { Data::TDefferedDataModule::setSaveErrorPresenter({}); }

    qint64 order(const QString& currency = {}) const
    {
        const qint64 suo = DetFixture::order();
        if (!currency.isEmpty())
            db.exec(QStringLiteral("update scm_supplier_order set suo_cod_valut = ? where suo_id = ?"), {currency, suo});
        return suo;
    }
    void orderLine(qint64 suo, qint64 pr, const char* qty, const char* sum, const QDateTime& date,
                   const char* sumValut = "0") const
    {
        db.exec(QStringLiteral("insert into scm_so_products (sop_suo_id, sop_pr_id, sop_deliverydate, sop_amount, "
                               "sop_sum, sop_sum_valut) values (?, ?, ?, ?, ?, ?)"),
                {suo, pr, date, amount(qty), amount(sum), amount(sumValut)});
    }
    void confirmed(qint64 suo, qint64 pr, const QDateTime& date, const char* qty, const char* sum,
                   const char* sumValut = "0") const
    {
        db.exec(QStringLiteral("insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, "
                               "soa_sum, soa_sum_valut) values (?, ?, ?, ?, ?, ?)"),
                {suo, pr, date, amount(qty), amount(sum), amount(sumValut)});
    }
    void setWaiting(qint64 suo, bool waiting) const
    {
        db.exec(QStringLiteral("update scm_supplier_order set suo_waiting = ? where suo_id = ?"), {waiting ? 1 : 0, suo});
    }
    bool waiting(qint64 suo) const
    {
        return count(QStringLiteral("select suo_waiting from scm_supplier_order where suo_id = ?"), {suo}) == 1;
    }

    Money orderedOf(qint64 bof, qint64 pr, qint64 suo) const
    {
        return sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ? "
                                  "and bpo_suo_id = ?"),
                   {bof, pr, suo});
    }
    bool hasOrdered(qint64 bof, qint64 pr, qint64 suo) const
    {
        return count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ? "
                                    "and bpo_suo_id = ?"),
                     {bof, pr, suo}) > 0;
    }
    Money shareOf(qint64 bof, qint64 pr, qint64 suo, const QDateTime& date) const
    {
        return sum(QStringLiteral("select boa_amount from scm_bo_accepted where boa_bof_id = ? and boa_pr_id = ? "
                                  "and boa_suo_id = ? and boa_soa_deliverydate = ?"),
                   {bof, pr, suo, date});
    }
    // "date amount sum sum_valut" of each confirmed line of the product.
    QStringList linesOf(qint64 suo, qint64 pr) const
    {
        Data::Query q(db, QStringLiteral("select soa_deliverydate, soa_amount, soa_sum, soa_sum_valut from scm_so_accepted "
                                         "where soa_suo_id = ? and soa_pr_id = ? order by soa_deliverydate"));
        q.bindAll({suo, pr}).exec();
        QStringList r;
        while (q.next())
            r << QStringLiteral("%1 %2 %3 %4")
                     .arg(q.dateTime(0).toString(QStringLiteral("dd.MM HH:mm")), q.money(1).toString(),
                          q.money(2).toString(), q.money(3).toString());
        return r;
    }

    // Every row of the chain's tables, to see that a refused save changed nothing.
    QStringList snapshot() const
    {
        QStringList r;
        for (const QString& sql :
             {QStringLiteral("select bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount from scm_bo_ordered order by 1, 2, 3"),
              QStringLiteral("select soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum, soa_sum_valut "
                             "from scm_so_accepted order by 1, 2, 3"),
              QStringLiteral("select boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount "
                             "from scm_bo_accepted order by 1, 2, 3, 4"),
              QStringLiteral("select suo_id, suo_waiting from scm_supplier_order order by 1"),
              QStringLiteral("select bpd_bof_id, bpd_pr_id, bpd_placed from scm_bp_delivery order by 1, 2")}) {
            Data::Query q(db, sql);
            q.exec();
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.columnCount(); ++i) {
                    const QVariant v = q.value(i);
                    values << (v.userType() == qMetaTypeId<Money>() ? v.value<Money>().toString() : v.toString());
                }
                r << values.join(u' ');
            }
        }
        return r;
    }
};

// Steps of the confirmation document as the editor's grids take them.
namespace AccShed {

using namespace Qt::Literals::StringLiterals;

inline Money m(const char* text)
{
    return *Money::parse(QString::fromLatin1(text));
}

inline bool toLine(AcceptedOrders::TdmAccShed& doc, const QString& articul, const QDateTime& date = {})
{
    return date.isValid() ? doc.soAccepted.locate({u"pr_articul"_s, u"soa_deliverydate"_s}, {articul, date})
                          : doc.soAccepted.locate({u"pr_articul"_s}, {articul});
}

inline void setLine(AcceptedOrders::TdmAccShed& doc, const QString& field, const QVariant& value)
{
    doc.soAccepted.edit();
    doc.soAccepted.setValue(field, value);
    doc.soAccepted.post();
}

inline void setShare(AcceptedOrders::TdmAccShed& doc, qint64 bof, const QVariant& amount)
{
    if (doc.boAccepted.locate({u"boa_bof_id"_s}, {bof})) {
        doc.boAccepted.edit();
    } else {
        doc.boAccepted.insert();
        doc.boAccepted.setValue(u"boa_bof_id"_s, bof);
    }
    doc.boAccepted.setValue(u"boa_amount"_s, amount);
    doc.boAccepted.post();
}

inline QList<QPair<qint64, Money>> shares(AcceptedOrders::TdmAccShed& doc)
{
    QList<QPair<qint64, Money>> r;
    for (doc.boAccepted.first(); !doc.boAccepted.eof(); doc.boAccepted.next())
        r << qMakePair(doc.boAccepted.integer(u"boa_bof_id"_s), doc.boAccepted.money(u"boa_amount"_s));
    return r;
}


} // namespace AccShed

} // namespace Tarvo::Test
