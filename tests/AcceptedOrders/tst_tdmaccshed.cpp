#include "AcceptedOrders/accfixture.h"
#include "AcceptedOrders/tdmaccshed.h"
#include "core/exception.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::AcceptedOrders;
using namespace Qt::Literals::StringLiterals;

using F = Test::AccFixture;
using namespace Tarvo::Test::AccShed;

// The confirmation document: the chains of quantities between the requests' ordered rows and
// the confirmed shares, on both engines, each ending with the chain's rules.
class TdmAccShedTest : public QObject
{
    Q_OBJECT

    // Order: A 10 for requests 4, 4, 2 (ordered, nothing confirmed); B 5 with 2 confirmed for
    // the first request, 3 still ordered.
    struct Order
    {
        qint64 suo, r1, r2, r3, a, b;
    };
    static Order order(F& f)
    {
        Order o{f.order(), f.request(), f.request(), f.request(), f.product(u"A-1"_s), f.product(u"B-2"_s)};
        for (qint64 r : {o.r1, o.r2, o.r3}) {
            f.line(r, o.a, "10");
            f.line(r, o.b, "10");
        }
        f.orderLine(o.suo, o.a, "10", "1000", F::day(5));
        f.orderLine(o.suo, o.b, "5", "500", F::day(5));
        f.ordered(o.r1, o.a, o.suo, "4");
        f.ordered(o.r2, o.a, o.suo, "4");
        f.ordered(o.r3, o.a, o.suo, "2");
        f.confirmed(o.suo, o.b, F::day(5), "2", "200");
        f.accepted(o.r1, o.b, o.suo, F::day(5), "2");
        f.ordered(o.r1, o.b, o.suo, "3");
        return o;
    }

private slots:
    void loadsTheOrderAndItsRest()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        QCOMPARE(doc.soAccepted.recordCount(), 1);
        QVERIFY(!doc.modified());
        QVERIFY(toLine(doc, u"B-2"_s));
        QCOMPARE(doc.soAccepted.value(u"price"_s).toDouble(), 100.0);
        QCOMPARE(doc.soAccepted.value(u"Ratio"_s).toDouble(), 1.0);
        QCOMPARE(shares(doc), (QList<QPair<qint64, Money>>{{o.r1, Money(2)}}));
        QCOMPARE(Test::failureOf([&] { doc.loadOrder(int(o.suo)); }), u"Уже загружен заказ %1"_s.arg(o.suo));
        // Lines come only from loading and duplicating.
        QVERIFY_THROWS_EXCEPTION(Abort, doc.soAccepted.insert());

        doc.loadRest();
        QCOMPARE(doc.soAccepted.recordCount(), 3);
        QVERIFY(toLine(doc, u"A-1"_s));
        QCOMPARE(doc.soAccepted.updateStatus(), UpdateStatus::Inserted);
        QVERIFY(doc.soAccepted.value(u"merged"_s).toBool());
        QVERIFY(doc.soAccepted.value(u"SaveRecord"_s).toBool());
        QCOMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(10));
        QCOMPARE(shares(doc), (QList<QPair<qint64, Money>>{{o.r1, Money(4)}, {o.r2, Money(4)}, {o.r3, Money(2)}}));
        QVERIFY(toLine(doc, u"B-2"_s, F::day(5)));
        QVERIFY(doc.soAccepted.locate({u"pr_articul"_s, u"merged"_s}, {u"B-2"_s, true}));
        QCOMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(3));
        QCOMPARE(doc.soAccepted.money(u"soa_sum"_s), Money(300));
        // A second "Догрузить" gives nothing for products still pending.
        doc.loadRest();
        QCOMPARE(doc.soAccepted.recordCount(), 3);
        // Both rests dated as the order line: the same key as the confirmed B line.
        QVERIFY(doc.soAccepted.locate({u"pr_articul"_s, u"merged"_s}, {u"B-2"_s, true}));
        doc.setLineDate(QDate(2026, 2, 7), false);
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.a), QStringList{u"05.02 00:00 10.0000 1000.0000 0.0000"_s});
        QCOMPARE(f.linesOf(o.suo, o.b), (QStringList{u"05.02 00:00 2.0000 200.0000 0.0000"_s,
                                                     u"07.02 00:00 3.0000 300.0000 0.0000"_s}));
        QVERIFY(!f.hasOrdered(o.r1, o.a, o.suo));
        QVERIFY(!f.hasOrdered(o.r3, o.a, o.suo));
        QVERIFY(!f.hasOrdered(o.r1, o.b, o.suo));
        QCOMPARE(f.shareOf(o.r1, o.b, o.suo, F::day(7)), Money(3));
        QCOMPARE(f.shareOf(o.r3, o.a, o.suo, F::day(5)), Money(2));
        // Nothing is left to load.
        doc.loadRest();
        QCOMPARE(doc.soAccepted.recordCount(), 3);
        QVERIFY(!doc.modified());
        TARVO_CHECK_CHAIN(f.db);
    }

    // Lowering 10 to 6 over 4, 4, 2 keeps 4 and 2 and drops the third; what is no longer
    // confirmed goes back to the requests' ordered rows while the order waits.
    void loweringALineTrimsAndGivesBack()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        {
            TdmAccShed doc(&f.db);
            doc.loadOrder(int(o.suo));
            doc.loadRest();
            QVERIFY(doc.soAccepted.locate({u"pr_articul"_s, u"merged"_s}, {u"B-2"_s, true}));
            doc.setLineDate(QDate(2026, 2, 7), false);
            QVERIFY(doc.saveDocument(false));
        }
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        QVERIFY(toLine(doc, u"A-1"_s));
        setLine(doc, u"soa_amount"_s, Money(6).toVariant());
        QCOMPARE(shares(doc), (QList<QPair<qint64, Money>>{{o.r1, Money(4)}, {o.r2, Money(2)}}));
        QCOMPARE(doc.soAccepted.money(u"soa_sum"_s), Money(600));
        // Non-positive values are refused without a word.
        setLine(doc, u"soa_amount"_s, Money(0).toVariant());
        QCOMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(6));
        setShare(doc, o.r1, Money(-1).toVariant());
        QCOMPARE(doc.boAccepted.money(u"boa_amount"_s), Money(4));
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.a), QStringList{u"05.02 00:00 6.0000 600.0000 600.0000"_s});
        QCOMPARE(f.shareOf(o.r2, o.a, o.suo, F::day(5)), Money(2));
        QCOMPARE(f.count(u"select count(*) from scm_bo_accepted where boa_bof_id = ? and boa_pr_id = ?"_s, {o.r3, o.a}), 0);
        QCOMPARE(f.orderedOf(o.r2, o.a, o.suo), Money(2));
        QCOMPARE(f.orderedOf(o.r3, o.a, o.suo), Money(2));
        TARVO_CHECK_CHAIN(f.db);
    }

    // A request confirmed for more than this order holds takes the rest from its other orders,
    // by order number; the row that reaches zero goes.
    void takesAcrossOrders()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 bof = f.request(), pr = f.product(u"A-1"_s);
        const qint64 other1 = f.order(), here = f.order(), other2 = f.order();
        f.line(bof, pr, "20");
        for (qint64 suo : {other1, here, other2})
            f.orderLine(suo, pr, "10", "100", F::day(5));
        f.ordered(bof, pr, here, "3");
        f.ordered(bof, pr, other2, "5");
        f.ordered(bof, pr, other1, "2");
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(here));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        setShare(doc, bof, Money(9).toVariant());
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.shareOf(bof, pr, here, F::day(5)), Money(9));
        QVERIFY(!f.hasOrdered(bof, pr, here));
        QVERIFY(!f.hasOrdered(bof, pr, other1));
        QCOMPARE(f.orderedOf(bof, pr, other2), Money(1));
        TARVO_CHECK_CHAIN(f.db);
    }

    // Give-backs only while the order waits; the save that ends the waiting still gives back.
    void givesBackOnlyWhileWaiting()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        QVERIFY(toLine(doc, u"B-2"_s));
        setShare(doc, o.r1, Money(1).toVariant());
        QVERIFY(doc.saveDocument(true));
        QVERIFY(!f.waiting(o.suo));
        QVERIFY(doc.notWaiting());
        QCOMPARE(f.orderedOf(o.r1, o.b, o.suo), Money(4));
        // Now nothing goes back: the line removed gives its share to nobody.
        QVERIFY(toLine(doc, u"B-2"_s));
        doc.soAccepted.remove();
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {o.suo}), 0);
        QCOMPARE(f.orderedOf(o.r1, o.b, o.suo), Money(4));
        TARVO_CHECK_CHAIN(f.db);
    }

    // The date moves the line and its shares; shares lowered, raised and added in the same save
    // land at the new date, what was lowered goes back.
    void dateChangeWithSharesInOneSave()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        f.confirmed(o.suo, o.a, F::day(5), "10", "1000");
        f.db.exec(u"delete from scm_bo_ordered where bpo_pr_id = ?"_s, {o.a});
        f.accepted(o.r1, o.a, o.suo, F::day(5), "6");
        f.accepted(o.r2, o.a, o.suo, F::day(5), "2");
        f.ordered(o.r2, o.a, o.suo, "2");
        f.ordered(o.r3, o.a, o.suo, "2");
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        QVERIFY(toLine(doc, u"A-1"_s));
        doc.setLineDate(QDate(2026, 2, 9), false);
        setShare(doc, o.r1, Money(3).toVariant());
        setShare(doc, o.r2, Money(4).toVariant());
        setShare(doc, o.r3, Money(2).toVariant());
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.a), QStringList{u"09.02 00:00 10.0000 1000.0000 0.0000"_s});
        QCOMPARE(f.count(u"select count(*) from scm_bo_accepted where boa_soa_deliverydate = ?"_s, {F::day(5).addDays(0)}),
                 1); // B's share keeps its date
        QCOMPARE(f.shareOf(o.r1, o.a, o.suo, F::day(9)), Money(3));
        QCOMPARE(f.shareOf(o.r2, o.a, o.suo, F::day(9)), Money(4));
        QCOMPARE(f.shareOf(o.r3, o.a, o.suo, F::day(9)), Money(2));
        QCOMPARE(f.orderedOf(o.r1, o.a, o.suo), Money(3));
        QVERIFY(!f.hasOrdered(o.r2, o.a, o.suo));
        QVERIFY(!f.hasOrdered(o.r3, o.a, o.suo));
        TARVO_CHECK_CHAIN(f.db);
    }

    // The database's refusal names the line and selects it; a duplicate key reads as such;
    // the save refused half way leaves every row and the document as they were.
    void refusedSavesChangeNothing()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        f.confirmed(o.suo, o.a, F::day(5), "10", "1000");
        f.db.exec(u"delete from scm_bo_ordered where bpo_pr_id = ?"_s, {o.a});
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.db.exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2) "
                  "values (?, ?, ?, 7, 7)"_s,
                  {swb, sde, o.a});
        f.db.exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
                  "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, 7, ?, 7)"_s,
                  {o.a, o.suo, F::day(5), sde, swb, o.a});
        const QStringList before = f.snapshot();
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        // First in the passes: B's share lowered (given back), then A below what was shipped.
        QVERIFY(toLine(doc, u"B-2"_s));
        setShare(doc, o.r1, Money(1).toVariant());
        QVERIFY(toLine(doc, u"A-1"_s));
        setLine(doc, u"soa_amount"_s, Money(6).toVariant());
        QVERIFY(toLine(doc, u"B-2"_s));
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument(true));
        QCOMPARE(f.shown.value(0), u"Товар «A-1» на 05.02.2026: отгружено 7, больше подтвержденного количества 6\r\n"
                                   "Нарушение ограничения в выделенном товаре"_s);
        QCOMPARE(doc.soAccepted.string(u"pr_articul"_s), u"A-1"_s);
        QCOMPARE(f.snapshot(), before);
        QVERIFY(doc.modified());
        QCOMPARE(doc.soAccepted.updateStatus(), UpdateStatus::Modified);
        // The waiting question's answer went with that save.
        setLine(doc, u"soa_amount"_s, Money(7).toVariant());
        QVERIFY(doc.saveDocument(false));
        QVERIFY(f.waiting(o.suo));
        QCOMPARE(f.orderedOf(o.r1, o.b, o.suo), Money(4));

        // A copy of a line at the same date is the same key.
        QVERIFY(toLine(doc, u"B-2"_s));
        doc.duplicateLine();
        const QStringList saved = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument(false));
        QCOMPARE(f.shown.value(1), TdmAccShed::DuplicateLineMessage);
        QCOMPARE(f.snapshot(), saved);
        doc.setLineDate(QDate(2026, 2, 8), false);
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.b).size(), 2);
        // A shipped line keeps its date.
        QVERIFY(toLine(doc, u"A-1"_s));
        doc.setLineDate(QDate(2026, 2, 9), false);
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument(false));
        QCOMPARE(f.shown.value(2), TdmAccShed::ShippedDateMessage);
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(TdmAccShedTest)
#include "tst_tdmaccshed.moc"
