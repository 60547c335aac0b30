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
using namespace Tarvo::Test::AccShed;
using namespace Qt::Literals::StringLiterals;

using F = Test::AccFixture;

// Faults of the confirmation document as it was first described, each mended and kept so.
class AccShedFaultsTest : public QObject
{
    Q_OBJECT

    struct Order
    {
        qint64 suo, r1, r2, r3, a;
    };
    // A 10 ordered for three requests 4, 4, 2.
    static Order order(F& f)
    {
        Order o{f.order(), f.request(), f.request(), f.request(), f.product(u"A-1"_s)};
        for (qint64 r : {o.r1, o.r2, o.r3})
            f.line(r, o.a, "10");
        f.orderLine(o.suo, o.a, "10", "1000", F::day(5));
        f.ordered(o.r1, o.a, o.suo, "4");
        f.ordered(o.r2, o.a, o.suo, "4");
        f.ordered(o.r3, o.a, o.suo, "2");
        return o;
    }

private slots:
    // An unmarked line is not written, takes nothing and stays new until the editor closes; a
    // second "Догрузить" does not add it again.
    void unmarkedLinesStayNew()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        const QStringList before = f.snapshot();
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        doc.toggleSaveRecord();
        QVERIFY(!doc.soAccepted.value(u"SaveRecord"_s).toBool());
        QVERIFY(!doc.saveDocument(false) || true);
        QCOMPARE(f.snapshot(), before);
        QVERIFY(toLine(doc, u"A-1"_s));
        QCOMPARE(doc.soAccepted.updateStatus(), UpdateStatus::Inserted);
        setLine(doc, u"soa_amount"_s, Money(8).toVariant());
        doc.saveDocument(false);
        QCOMPARE(f.snapshot(), before);
        doc.loadRest();
        QCOMPARE(doc.soAccepted.recordCount(), 1);
        QVERIFY(toLine(doc, u"A-1"_s));
        QCOMPARE(doc.soAccepted.updateStatus(), UpdateStatus::Inserted);
        QCOMPARE(shares(doc).size(), 2); // 4 and 4 of the 8
        doc.setSaveRecordForAll(true);
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.a), QStringList{u"05.02 00:00 8.0000 800.0000 800.0000"_s});
        QVERIFY(!f.hasOrdered(o.r1, o.a, o.suo));
        QCOMPARE(f.orderedOf(o.r3, o.a, o.suo), Money(2));
        TARVO_CHECK_CHAIN(f.db);
    }

    // A request given twice on a line, or one without the product, is refused when the row is
    // posted, naming request and article.
    void requestRowsAreCheckedWhenPosted()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        const qint64 stranger = f.request();
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        doc.boAccepted.insert();
        doc.boAccepted.setValue(u"boa_bof_id"_s, o.r2);
        doc.boAccepted.setValue(u"boa_amount"_s, Money(1).toVariant());
        QCOMPARE(Test::failureOf([&] { doc.boAccepted.post(); }),
                 u"Заявка %1 уже есть в распределении товара A-1"_s.arg(o.r2));
        doc.boAccepted.setValue(u"boa_bof_id"_s, stranger);
        QCOMPARE(Test::failureOf([&] { doc.boAccepted.post(); }), u"В заявке %1 нет товара A-1"_s.arg(stranger));
        doc.boAccepted.cancel();
        // Its own row edited keeps its request.
        setShare(doc, o.r2, Money(3).toVariant());
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.shareOf(o.r2, o.a, o.suo, F::day(5)), Money(3));
        QCOMPARE(f.orderedOf(o.r2, o.a, o.suo), Money(1));
        TARVO_CHECK_CHAIN(f.db);
    }

    // An order line lowered after its requests were ordered: the rest keeps them in request
    // order up to its quantity.
    void restSharesAreTrimmedAtLoad()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        f.db.exec(u"update scm_so_products set sop_amount = 6, sop_sum = 600"_s);
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        QCOMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(6));
        QCOMPARE(shares(doc), (QList<QPair<qint64, Money>>{{o.r1, Money(4)}, {o.r2, Money(2)}}));
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.shareOf(o.r2, o.a, o.suo, F::day(5)), Money(2));
        QCOMPARE(f.orderedOf(o.r2, o.a, o.suo), Money(2));
        QCOMPARE(f.orderedOf(o.r3, o.a, o.suo), Money(2));
        TARVO_CHECK_CHAIN(f.db);
    }

    // Sums are multiplied first and rounded once.
    void sumsDoNotDrift()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(u"USD"_s), big = f.product(u"BIG"_s), small = f.product(u"SMALL"_s);
        f.orderLine(suo, big, "3", "1000000", F::day(5), "10000");
        f.confirmed(suo, big, F::day(4), "1", "333333.3333", "3333.3333");
        f.orderLine(suo, small, "3", "300", F::day(5), "100");
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"BIG"_s, F::day(5)));
        QCOMPARE(doc.soAccepted.money(u"soa_sum"_s).toString(), m("666666.6667").toString());
        QCOMPARE(doc.soAccepted.money(u"soa_sum_valut"_s), m("6666.6667"));
        QVERIFY(toLine(doc, u"SMALL"_s));
        QVERIFY(doc.soAccepted.value(u"IsValuted"_s).toBool());
        setLine(doc, u"soa_amount"_s, Money(6).toVariant());
        QCOMPARE(doc.soAccepted.money(u"soa_sum_valut"_s), Money(200));
        QCOMPARE(doc.soAccepted.money(u"soa_sum"_s), Money(600));
        // A new quotation recomputes the rouble sum from the currency sum.
        setLine(doc, u"Ratio"_s, 2.5);
        QCOMPARE(doc.soAccepted.money(u"soa_sum"_s), Money(500));
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(suo, small), QStringList{u"05.02 00:00 6.0000 500.0000 200.0000"_s});
        TARVO_CHECK_CHAIN(f.db);
    }

    // A share may take more than the request still has ordered, but never more than its line:
    // what it takes beyond the order must still be open on the request.
    void sharesBeyondTheRequestAreRefused()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        setLine(doc, u"soa_amount"_s, Money(20).toVariant());
        setShare(doc, o.r1, Money(11).toVariant());
        const QStringList before = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument(false));
        QCOMPARE(f.shown.value(0), u"Товар A-1 по заявке %1: заявке нужно 10, а с этим распределением ей пришлось "
                                   "бы 11. Уменьшите количество по заявке"_s.arg(o.r1));
        QCOMPARE(f.snapshot(), before);
        setShare(doc, o.r1, Money(10).toVariant());
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.shareOf(o.r1, o.a, o.suo, F::day(5)), Money(10));
        QVERIFY(!f.hasOrdered(o.r1, o.a, o.suo));
        TARVO_CHECK_CHAIN(f.db);
    }

    // The second workstation to save an order's confirmation is refused.
    void secondWorkstationIsRefused()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        TdmAccShed first(&f.db), second(&f.db);
        first.loadOrder(int(o.suo));
        second.loadOrder(int(o.suo));
        first.loadRest();
        second.loadRest();
        QVERIFY(first.saveDocument(false));
        const QStringList saved = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, second.saveDocument(false));
        QCOMPARE(f.shown.value(0),
                 u"Подтверждение заказа %1 изменено другим пользователем. Откройте его заново"_s.arg(o.suo));
        QCOMPARE(f.snapshot(), saved);
        // Its own save leaves it current.
        QVERIFY(toLine(first, u"A-1"_s));
        setLine(first, u"soa_amount"_s, Money(9).toVariant());
        QVERIFY(first.saveDocument(false));
        TARVO_CHECK_CHAIN(f.db);
    }

    // Confirmed dates are whole days, whatever time the order line carries.
    void datesAreWholeDays()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        f.db.exec(u"update scm_so_products set sop_deliverydate = ?"_s, {QDateTime(QDate(2026, 2, 5), QTime(14, 35))});
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        doc.loadRest();
        QVERIFY(toLine(doc, u"A-1"_s));
        QCOMPARE(doc.soAccepted.value(u"soa_deliverydate"_s).toDateTime(), F::day(5));
        doc.duplicateLine();
        doc.setLineDate(QDate(2026, 2, 6), false);
        QCOMPARE(doc.soAccepted.value(u"soa_deliverydate"_s).toDateTime(), F::day(6));
        setLine(doc, u"soa_amount"_s, Money(1).toVariant());
        QVERIFY(toLine(doc, u"A-1"_s, F::day(5)));
        setLine(doc, u"soa_amount"_s, Money(9).toVariant());
        QVERIFY(doc.saveDocument(false));
        QCOMPARE(f.linesOf(o.suo, o.a), (QStringList{u"05.02 00:00 9.0000 900.0000 900.0000"_s,
                                                     u"06.02 00:00 1.0000 100.0000 100.0000"_s}));
        TARVO_CHECK_CHAIN(f.db);
    }

    // A shipped line, or one in a proforma, is not deleted: named with its waybill or proforma.
    void shippedOrInvoicedLinesAreNotDeleted()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const Order o = order(f);
        const qint64 b = f.product(u"B-2"_s);
        f.db.exec(u"delete from scm_bo_ordered"_s);
        f.confirmed(o.suo, o.a, F::day(5), "10", "1000");
        f.orderLine(o.suo, b, "5", "500", F::day(5));
        f.confirmed(o.suo, b, F::day(5), "5", "500");
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.db.exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2) "
                  "values (?, ?, ?, 7, 7)"_s,
                  {swb, sde, o.a});
        f.db.exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
                  "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, 7, ?, 7)"_s,
                  {o.a, o.suo, F::day(5), sde, swb, o.a});
        const qint64 pf = f.db.insertReturning(
            u"insert into scm_Proforma (pf_snomer, pf_dopnomer, pf_supplier, pf_date) values ('PI-7', 1, ?, ?)"_s,
            u"pf_id"_s, {f.supplier, F::day(3)});
        f.db.exec(u"update scm_so_accepted set soa_pf_id = ? where soa_pr_id = ?"_s, {pf, b});
        const QStringList before = f.snapshot();
        TdmAccShed doc(&f.db);
        doc.loadOrder(int(o.suo));
        QVERIFY(toLine(doc, u"A-1"_s));
        const QString shipped = u"Товар A-1 на 05.02.2026 отгружен в посылке № %1\r\nУдаление подтверждения невозможно"_s
                                    .arg(swb);
        QCOMPARE(doc.deletionRefusal(), shipped);
        QVERIFY(toLine(doc, u"B-2"_s));
        QCOMPARE(doc.deletionRefusal(),
                 u"Товар B-2 на 05.02.2026 входит в проформу № PI-7\r\nУдаление подтверждения невозможно"_s);
        // The save refuses them as well, should the row have been dropped by other means.
        doc.soAccepted.remove();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument(false));
        QCOMPARE(f.shown.value(0),
                 u"Товар B-2 на 05.02.2026 входит в проформу № PI-7\r\nУдаление подтверждения невозможно"_s);
        QCOMPARE(f.snapshot(), before);
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(AccShedFaultsTest)
#include "tst_accshedfaults.moc"
