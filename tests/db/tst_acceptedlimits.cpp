#include "BusOffer/detfixture.h"
#include "BusOffer/offerdetailswriter.h"
#include "data/engine/databaseerror.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

// The native error and text of the statement's refusal; 0 when it ran.
QPair<int, QString> refusalOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DatabaseError& e) {
        return {e.nativeError(), e.message()};
    }
    return {0, {}};
}

} // namespace

// The database's own rules of a confirmed line: its requests' shares never exceed it, and it
// never holds less than was shipped of it; whoever writes meets them.
class AcceptedLimitsTest : public QObject
{
    Q_OBJECT

    struct Line
    {
        qint64 bof, bof2, pr, suo;
        QDateTime date;
    };
    // A line confirmed for 10 on 5 February, with shares 6 and 4 of two requests.
    static Line confirmedLine(Test::DetFixture& f)
    {
        Line l{f.request(), f.request(), f.product(u"A-1"_s), f.order(), Test::DetFixture::day(5)};
        f.line(l.bof, l.pr, "20");
        f.line(l.bof2, l.pr, "20");
        f.confirmation(l.suo, l.pr, l.date);
        f.db.exec(u"update scm_so_accepted set soa_amount = 10"_s);
        f.accepted(l.bof, l.pr, l.suo, l.date, "6");
        f.accepted(l.bof2, l.pr, l.suo, l.date, "4");
        return l;
    }

private slots:
    void sharesNeverExceedTheLine()
    {
        Test::TestDatabase tdb;
        Test::DetFixture f(tdb.db());
        const Line l = confirmedLine(f);
        const QString over = u"Товар «A-1» на 05.02.2026: заявкам распределено 10,5, больше подтвержденного "
                             "количества 10"_s;
        const auto raise = refusalOf([&] {
            f.db.exec(u"update scm_bo_accepted set boa_amount = 4.5 where boa_bof_id = ?"_s, {l.bof2});
        });
        QCOMPARE(raise.first, NativeError::General);
        QCOMPARE(raise.second, over);
        const auto lower = refusalOf([&] { f.db.exec(u"update scm_so_accepted set soa_amount = 9.5"_s); });
        QCOMPARE(lower.first, NativeError::General);
        QCOMPARE(lower.second, u"Товар «A-1» на 05.02.2026: заявкам распределено 10, больше подтвержденного "
                               "количества 9,5"_s);
        // A request's share added by hand in the request register meets the rule with its text.
        f.db.exec(u"delete from scm_bo_accepted where boa_bof_id = ?"_s, {l.bof2});
        BusOffer::StageRow row;
        row.bofId = l.bof2;
        row.prId = l.pr;
        row.suoId = l.suo;
        row.confirmedDate = l.date;
        row.amount = Money::fromRaw(45000);
        QCOMPARE(Test::failureOf([&] { BusOffer::OfferDetailsWriter(f.db).insert(BusOffer::OfferStage::Accepted, row); }),
                 over);
        // Up to the line's quantity is kept.
        row.amount = Money(4);
        BusOffer::OfferDetailsWriter(f.db).insert(BusOffer::OfferStage::Accepted, row);
        f.db.exec(u"update scm_so_accepted set soa_amount = 10"_s);
        QCOMPARE(f.sum(u"select sum(boa_amount) from scm_bo_accepted"_s), Money(10));
        TARVO_CHECK_CHAIN(f.db);
    }

    void lineNeverHoldsLessThanShipped()
    {
        Test::TestDatabase tdb;
        Test::DetFixture f(tdb.db());
        const Line l = confirmedLine(f);
        f.db.exec(u"delete from scm_bo_accepted"_s);
        const qint64 swb = f.waybill(), first = f.invoice(swb, false), second = f.invoice(swb, false, u"INV-2"_s);
        for (const qint64 sde : {first, second})
            f.db.exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2) "
                      "values (?, ?, ?, 10, 10)"_s,
                      {swb, sde, l.pr});
        const auto ship = [&](qint64 sde, const char* qty) {
            f.db.exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, "
                      "sdi_swb_id, sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                      {l.pr, l.suo, l.date, sde, swb, Test::DetFixture::amount(qty), l.pr,
                       Test::DetFixture::amount(qty)});
        };
        ship(first, "7");
        const auto more = refusalOf([&] { ship(second, "3.25"); });
        QCOMPARE(more.first, NativeError::General);
        QCOMPARE(more.second, u"Товар «A-1» на 05.02.2026: отгружено 10,25, больше подтвержденного количества 10"_s);
        QCOMPARE(f.count(u"select count(*) from scm_order_invoice"_s), 1);
        const auto raise = refusalOf([&] { f.db.exec(u"update scm_order_invoice set sdi_amount = 11"_s); });
        QCOMPARE(raise.second, u"Товар «A-1» на 05.02.2026: отгружено 11, больше подтвержденного количества 10"_s);
        const auto lower = refusalOf([&] { f.db.exec(u"update scm_so_accepted set soa_amount = 6"_s); });
        QCOMPARE(lower.first, NativeError::General);
        QCOMPARE(lower.second, u"Товар «A-1» на 05.02.2026: отгружено 7, больше подтвержденного количества 6"_s);
        ship(second, "3");
        QCOMPARE(f.sum(u"select soa_amount from scm_so_accepted"_s), Money(10));
        QCOMPARE(f.sum(u"select sum(sdi_amount) from scm_order_invoice"_s), Money(10));
        TARVO_CHECK_CHAIN(f.db);
    }

    // The date change of a line copies it at 0, copies its shares at 0, drops the old rows and
    // raises the amounts again: every step keeps both rules, in one transaction as the editor
    // runs it.
    void dateChangeStepsKeepTheRules()
    {
        Test::TestDatabase tdb;
        Test::DetFixture f(tdb.db());
        const Line l = confirmedLine(f);
        const QDateTime to = Test::DetFixture::day(9);
        Transaction tr(f.db);
        f.db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum, "
                  "soa_sum_valut, soa_pf_id) select soa_suo_id, soa_pr_id, ?, 0, soa_sum, soa_sum_valut, soa_pf_id "
                  "from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? and soa_deliverydate = ?"_s,
                  {to, l.suo, l.pr, l.date});
        f.db.exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
                  "select boa_suo_id, boa_pr_id, ?, boa_bof_id, 0 from scm_bo_accepted where boa_suo_id = ? "
                  "and boa_pr_id = ? and boa_soa_deliverydate = ?"_s,
                  {to, l.suo, l.pr, l.date});
        f.db.exec(u"delete from scm_bo_accepted where boa_soa_deliverydate = ?"_s, {l.date});
        f.db.exec(u"delete from scm_so_accepted where soa_deliverydate = ?"_s, {l.date});
        f.db.exec(u"update scm_so_accepted set soa_amount = 10"_s);
        f.db.exec(u"update scm_bo_accepted set boa_amount = 6 where boa_bof_id = ?"_s, {l.bof});
        f.db.exec(u"update scm_bo_accepted set boa_amount = 4 where boa_bof_id = ?"_s, {l.bof2});
        tr.commit();
        QCOMPARE(f.count(u"select count(*) from scm_bo_accepted where boa_soa_deliverydate = ?"_s, {to}), 2);
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(AcceptedLimitsTest)
#include "tst_acceptedlimits.moc"
