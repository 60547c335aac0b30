#include "Proformas/proformafixture.h"
#include "Proformas/tdmeditproforma.h"
#include "core/exception.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::Proformas;
using namespace Qt::Literals::StringLiterals;

using F = Test::ProformaFixture;

// The proforma document: which confirmed lines it takes, how a partly taken line splits into
// the kept line and a free remainder with its invoice and request rows, on both engines.
class TdmEditProformaTest : public QObject
{
    Q_OBJECT

    static qint64 pfOf(F& f, qint64 suo, qint64 pr, const QDateTime& date)
    {
        return f.db.scalar(u"select soa_pf_id from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? "
                           "and soa_deliverydate = ?"_s,
                           {suo, pr, date})
            .toLongLong();
    }

private slots:
    void untouchedNewProformaTakesEveryLineWhole()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        f.acceptedLine(suo, a, F::day(5), "3", "100");
        f.acceptedLine(suo, b, F::day(6), "2", "50");
        const QStringList totals = f.totals();
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        QCOMPARE(doc.dsProducts.recordCount(), 2);
        QVERIFY(doc.modified());
        // A new proforma is dated today.
        QCOMPARE(doc.dsHead.value(u"pf_date"_s).toDateTime().date(), QDate::currentDate());
        F::number(doc, 7);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();
        QVERIFY(pf > 0);
        QCOMPARE(f.linesWithPf(suo, a, pf), QStringList{u"05.02 3.0000 100.0000 0.0000 pf"_s});
        QCOMPARE(f.linesWithPf(suo, b, pf), QStringList{u"06.02 2.0000 50.0000 0.0000 pf"_s});
        QCOMPARE(f.count(u"select pf_user_id from scm_Proforma where pf_id = ?"_s, {pf}), f.adminId);
        QCOMPARE(f.totals(), totals);
        // Re-read as stored; nothing is free any more.
        QCOMPARE(doc.dsProductsOrder.clone()->recordCount(), 2);
        QVERIFY(!doc.modified());
        TdmEditProforma again(&f.db);
        QCOMPARE(Test::failureOf([&] { again.loadFromOrders({suo}); }), TdmEditProforma::NothingToInvoiceMessage);
        TARVO_CHECK_CHAIN(f.db);
    }

    // A line of 10: invoiced 4, free 6. The free part deleted keeps the invoiced 4 in the
    // proforma and moves the free 6 with its request rows to a remainder a day later.
    void deletedFreePartKeepsTheInvoicedPart()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        const qint64 r1 = f.requestFor(a), r2 = f.requestFor(a);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, a, F::day(5), "4");
        f.invoiceShare(r1, sde, swb, suo, a, F::day(5), "4");
        f.share(r1, suo, a, F::day(5), "2");
        f.share(r2, suo, a, F::day(5), "4");
        const QStringList totals = f.totals();

        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        QCOMPARE(doc.dsProductsOrder.clone()->recordCount(), 2);
        QVERIFY(F::toPart(doc, a, F::day(5)));
        QCOMPARE(doc.dsProductsOffer.recordCount(), 2);
        doc.dsProductsOrder.remove();
        QCOMPARE(doc.dsProducts.money(u"amount"_s), Money(4));
        QCOMPARE(doc.dsProductsOffer.clone()->recordCount(), 1);
        F::number(doc, 1);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();
        QCOMPARE(f.linesWithPf(suo, a, pf),
                 (QStringList{u"05.02 4.0000 400.0000 0.0000 pf"_s, u"06.02 6.0000 600.0000 0.0000 free"_s}));
        QCOMPARE(f.invoiceRows(suo, a), QStringList{u"05.02 4.0000 4.0000"_s});
        QCOMPARE(f.requestRows(suo, a, true), QStringList{u"05.02 %1 4.0000"_s.arg(r1)});
        QCOMPARE(f.requestRows(suo, a, false),
                 (QStringList{u"06.02 %1 2.0000"_s.arg(r1), u"06.02 %1 4.0000"_s.arg(r2)}));
        QCOMPARE(f.totals(), totals);
        TARVO_CHECK_CHAIN(f.db);
    }

    // An invoiced part of 10 (R1 6, R2 4) cut to 6 and back up to 8 keeps R1 6 and R2 2: the
    // request parts follow the current quantity, not the edit history. The moved invoice row
    // goes to the remainder's date with its request rows.
    void invoicedPartCutAndGrownBack()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        const qint64 r1 = f.requestFor(a), r2 = f.requestFor(a);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, a, F::day(5), "10");
        f.invoiceShare(r1, sde, swb, suo, a, F::day(5), "6");
        f.invoiceShare(r2, sde, swb, suo, a, F::day(5), "4");
        const QStringList totals = f.totals();

        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        QVERIFY(F::toPart(doc, a, F::day(5), sde));
        F::setPart(doc, "6");
        QCOMPARE(doc.dsProductsOffer.recordCount(), 1);
        F::setPart(doc, "8");
        QCOMPARE(doc.dsProductsOffer.recordCount(), 2);
        QCOMPARE(Test::failureOf([&] { F::setPart(doc, "11"); }), TdmEditProforma::GrowBeyondLoadedMessage);
        QCOMPARE(Test::failureOf([&] { F::setPart(doc, "0"); }), TdmEditProforma::InvalidAmountMessage);
        QCOMPARE(doc.dsProductsOrder.money(u"Amount"_s), Money(8));
        F::number(doc, 2);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();
        QCOMPARE(f.linesWithPf(suo, a, pf),
                 (QStringList{u"05.02 8.0000 800.0000 0.0000 pf"_s, u"06.02 2.0000 200.0000 0.0000 free"_s}));
        QCOMPARE(f.invoiceRows(suo, a), (QStringList{u"05.02 8.0000 8.0000"_s, u"06.02 2.0000 2.0000"_s}));
        QCOMPARE(f.requestRows(suo, a, true), (QStringList{u"05.02 %1 6.0000"_s.arg(r1), u"05.02 %1 2.0000"_s.arg(r2),
                                                           u"06.02 %1 2.0000"_s.arg(r2)}));
        // The re-read proforma shows the kept request parts at the kept line's date.
        QVERIFY(F::toPart(doc, a, F::day(5), sde));
        QCOMPARE(doc.dsProductsOffer.recordCount(), 2);
        for (doc.dsProductsOffer.first(); !doc.dsProductsOffer.eof(); doc.dsProductsOffer.next())
            QCOMPARE(doc.dsProductsOffer.value(u"soa_deliverydate"_s).toDateTime(), F::day(5));
        QCOMPARE(f.totals(), totals);
        TARVO_CHECK_CHAIN(f.db);
    }

    // Editing one part leaves the cursor on it, so a walk over the parts visits each once.
    void cursorStaysOnTheEditedPart()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 r1 = f.requestFor(a);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        f.acceptedLine(suo, b, F::day(5), "10", "1000");
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, a, F::day(5), "4");
        f.invoiceShare(r1, sde, swb, suo, a, F::day(5), "4");
        f.share(r1, suo, a, F::day(5), "6");
        // The same product in a second order: still one product row.
        const qint64 suo2 = f.order();
        f.acceptedLine(suo2, a, F::day(6), "5", "500");
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo, suo2});
        QCOMPARE(doc.dsProducts.recordCount(), 2);
        QVERIFY(doc.dsProducts.locate({u"pr_id"_s}, {a}));
        QCOMPARE(doc.dsProducts.money(u"amount"_s), Money(15));
        QCOMPARE(doc.dsProducts.money(u"sum"_s), Money(1500));
        QCOMPARE(doc.dsProductsOrder.recordCount(), 3); // its invoice part, its free part, the second order's
        int visited = 0;
        for (doc.dsProducts.first(); !doc.dsProducts.eof(); doc.dsProducts.next())
            for (doc.dsProductsOrder.first(); !doc.dsProductsOrder.eof(); doc.dsProductsOrder.next()) {
                const int at = doc.dsProductsOrder.recNo();
                F::setPart(doc, "1");
                QCOMPARE(doc.dsProductsOrder.recNo(), at);
                ++visited;
            }
        QCOMPARE(visited, 4);
        QVERIFY(doc.dsProducts.locate({u"pr_id"_s}, {a}));
        QCOMPARE(doc.dsProducts.money(u"amount"_s), Money(3));
        QCOMPARE(doc.dsProducts.money(u"sum"_s), Money(300));
    }

    // A remainder whose next day is taken moves on (D+1 taken → D+2); two lines of one product
    // split in one save each find their own day. The retry survives on PostgreSQL too.
    void remaindersSkipTakenDays()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        const qint64 r1 = f.requestFor(a);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        f.acceptedLine(suo, a, F::day(6), "10", "1000");
        f.share(r1, suo, a, F::day(5), "10");
        f.share(r1, suo, a, F::day(6), "5");
        const QStringList totals = f.totals();

        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        QVERIFY(F::toPart(doc, a, F::day(5)));
        F::setPart(doc, "6");
        QVERIFY(F::toPart(doc, a, F::day(6)));
        F::setPart(doc, "3");
        F::number(doc, 3);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();
        QCOMPARE(f.linesWithPf(suo, a, pf),
                 (QStringList{u"05.02 6.0000 600.0000 0.0000 pf"_s, u"06.02 3.0000 300.0000 0.0000 pf"_s,
                              u"07.02 4.0000 400.0000 0.0000 free"_s, u"08.02 7.0000 700.0000 0.0000 free"_s}));
        QCOMPARE(f.requestRows(suo, a, false),
                 (QStringList{u"05.02 %1 6.0000"_s.arg(r1), u"06.02 %1 3.0000"_s.arg(r1), u"07.02 %1 4.0000"_s.arg(r1),
                              u"08.02 %1 2.0000"_s.arg(r1)}));
        QCOMPARE(f.totals(), totals);
        TARVO_CHECK_CHAIN(f.db);
    }

    // With every following day of a year taken the save gives up, names order and article, and
    // writes nothing.
    void remainderWithoutAFreeDayGivesUp()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        {
            Transaction t(f.db);
            for (int d = 1; d <= 366; ++d)
                f.confirmed(suo, a, F::day(5).addDays(d), "1", "1");
            t.commit();
        }
        QVERIFY(F::toPart(doc, a, F::day(5)));
        F::setPart(doc, "6");
        F::number(doc, 1);
        const QStringList before = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QVERIFY2(f.shown.last().contains(u"Заказ %1"_s.arg(suo)) && f.shown.last().contains(u"A-1"_s),
                 qPrintable(f.shown.last()));
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(f.count(u"select count(*) from scm_Proforma"_s), 0);
    }

    // Sums never drift: a line taken whole keeps its sum, a split line divides it once and the
    // remainder gets the rest, in both currencies. Parts keep their own prices when the product
    // row is cut.
    void sumsAddUpInBothCurrencies()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 rub = f.order(), usd = f.order(u"USD"_s);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s), c = f.product(u"C-3"_s);
        f.acceptedLine(rub, a, F::day(5), "3", "100");
        f.acceptedLine(rub, b, F::day(5), "3", "100");
        f.acceptedLine(usd, c, F::day(5), "10", "9000", "100");

        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({rub});
        QVERIFY(F::toPart(doc, b, F::day(5)));
        F::setPart(doc, "1");
        F::number(doc, 4);
        QVERIFY(doc.saveDocument());
        QCOMPARE(f.linesWithPf(rub, a, doc.proformaId()), QStringList{u"05.02 3.0000 100.0000 0.0000 pf"_s});
        QCOMPARE(f.linesWithPf(rub, b, doc.proformaId()),
                 (QStringList{u"05.02 1.0000 33.3333 0.0000 pf"_s, u"06.02 2.0000 66.6667 0.0000 free"_s}));

        TdmEditProforma val(&f.db);
        val.loadFromOrders({usd});
        QCOMPARE(val.dsHead.string(u"pf_cod_valut"_s), u"USD"_s);
        QVERIFY(val.dsProducts.locate({u"pr_id"_s}, {c}));
        QCOMPARE(val.dsProducts.value(u"price"_s).toDouble(), 10.0);
        val.dsProducts.edit();
        val.dsProducts.setValue(u"amount"_s, F::amount("6"));
        val.dsProducts.post();
        QCOMPARE(val.dsProducts.money(u"sum"_s), Money(60));
        QVERIFY(F::toPart(val, c, F::day(5)));
        QCOMPARE(val.dsProductsOrder.money(u"Amount"_s), Money(6));
        QCOMPARE(val.dsProductsOrder.value(u"price"_s).toDouble(), 900.0);
        val.sumFromProducts();
        QCOMPARE(val.dsHead.money(u"pf_sum"_s), Money(60));
        QVERIFY(val.dsProducts.locate({u"pr_id"_s}, {c}));
        // The product can hold no more than its parts.
        QCOMPARE(Test::failureOf([&] {
                     val.dsProducts.edit();
                     try {
                         val.dsProducts.setValue(u"amount"_s, F::amount("7"));
                     } catch (...) {
                         val.dsProducts.cancel();
                         throw;
                     }
                 }),
                 TdmEditProforma::GrowBeyondLoadedMessage);
        F::number(val, 5);
        QVERIFY(val.saveDocument());
        QCOMPARE(f.linesWithPf(usd, c, val.proformaId()),
                 (QStringList{u"05.02 6.0000 5400.0000 60.0000 pf"_s, u"06.02 4.0000 3600.0000 40.0000 free"_s}));
        QCOMPARE(f.sum(u"select pf_sum from scm_Proforma where pf_id = ?"_s, {val.proformaId()}), Money(60));
        TARVO_CHECK_CHAIN(f.db);
    }

    void loadRefusals()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 rub = f.order(), usd = f.order(u"USD"_s), a = f.product(u"A-1"_s);
        f.acceptedLine(rub, a, F::day(5), "3", "100");
        f.acceptedLine(usd, a, F::day(5), "3", "270", "3");
        const qint64 other = f.catalog.partner(u"ДРУГ"_s, u"ООО Другой"_s, u"П"_s);
        const qint64 foreign = f.catalog.supplierOrder(other);
        f.acceptedLine(foreign, a, F::day(5), "1", "10");
        const qint64 empty = f.order();
        // A line of quantity 0, as older versions left them, gives no part (and no division by zero).
        f.acceptedLine(empty, a, F::day(5), "0", "0");

        TdmEditProforma doc(&f.db);
        QCOMPARE(Test::failureOf([&] { doc.loadFromOrders({rub, usd}); }), TdmEditProforma::CurrencyMismatchMessage);
        QVERIFY(doc.dsProducts.clone()->isEmpty());
        QCOMPARE(Test::failureOf([&] { doc.loadFromOrders({rub, foreign}); }), TdmEditProforma::SupplierMismatchMessage);
        QVERIFY(doc.dsProducts.clone()->isEmpty());
        QCOMPARE(Test::failureOf([&] { doc.loadFromOrders({empty}); }), TdmEditProforma::NothingToInvoiceMessage);

        doc.loadFromOrders({rub});
        // Without a number nothing is written.
        const QStringList before = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QCOMPARE(f.shown.last(), TdmEditProforma::NumberMissingMessage);
        QCOMPARE(f.count(u"select count(*) from scm_Proforma"_s), 0);
        QCOMPARE(f.snapshot(), before);
    }

    // Two workstations load the same free line; the second save stops and writes nothing.
    void secondWorkstationIsRefused()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        auto otherDb = tdb.connectAgain();
        TdmEditProforma first(&f.db), second(otherDb.get());
        first.loadFromOrders({suo});
        second.loadFromOrders({suo});
        QVERIFY(F::toPart(second, a, F::day(5)));
        F::setPart(second, "4");
        F::number(first, 1);
        F::number(second, 2);
        QVERIFY(first.saveDocument());
        const QStringList before = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, second.saveDocument());
        QCOMPARE(f.shown.last(), TdmEditProforma::ChangedElsewhereMessage);
        QCOMPARE(f.count(u"select count(*) from scm_Proforma"_s), 1);
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(pfOf(f, suo, a, F::day(5)), first.proformaId());
        // Still pending: the second document keeps its edit.
        QVERIFY(second.modified());
        TARVO_CHECK_CHAIN(f.db);
    }

    // Editing a saved proforma: a line whose parts are all deleted is released unchanged; goods
    // received against an invoice row keep its part as it is.
    void editReleasesAndReceivedGoodsStay()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 r1 = f.requestFor(b);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        f.acceptedLine(suo, b, F::day(5), "5", "500");
        const qint64 swb = f.waybill(true), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, b, F::day(5), "5");
        f.invoiceShare(r1, sde, swb, suo, b, F::day(5), "5");
        f.received(r1, b, suo, F::day(5), sde, swb, "5");
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        F::number(doc, 9);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();

        TdmEditProforma edit(&f.db);
        edit.loadProforma(pf);
        QVERIFY(!edit.modified());
        QVERIFY(F::toPart(edit, b, F::day(5), sde));
        QCOMPARE(Test::failureOf([&] { F::setPart(edit, "4"); }),
                 u"Товар инвойса INV-1 уже принят на склад: количество изменить нельзя"_s);
        QCOMPARE(Test::failureOf([&] { edit.dsProductsOrder.remove(); }),
                 u"Товар инвойса INV-1 уже принят на склад: количество изменить нельзя"_s);
        QVERIFY(edit.dsProducts.locate({u"pr_id"_s}, {a}));
        edit.dsProducts.remove();
        QVERIFY(edit.saveDocument());
        QCOMPARE(f.linesWithPf(suo, a, pf), QStringList{u"05.02 10.0000 1000.0000 0.0000 free"_s});
        QCOMPARE(f.linesWithPf(suo, b, pf), QStringList{u"05.02 5.0000 500.0000 0.0000 pf"_s});
        QCOMPARE(edit.dsProducts.clone()->recordCount(), 1);
        TARVO_CHECK_CHAIN(f.db);
    }

    // Goods received after the document was read: the edit passes on what was read, the save
    // reads the receipts again inside its transaction and refuses, writing nothing.
    void goodsReceivedMeanwhileStopTheSave()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), b = f.product(u"B-2"_s);
        const qint64 r1 = f.requestFor(b);
        f.acceptedLine(suo, b, F::day(5), "5", "500");
        const qint64 swb = f.waybill(true), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, b, F::day(5), "5");
        f.invoiceShare(r1, sde, swb, suo, b, F::day(5), "5");
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        f.received(r1, b, suo, F::day(5), sde, swb, "5");
        QVERIFY(F::toPart(doc, b, F::day(5), sde));
        F::setPart(doc, "4");
        F::number(doc, 3);
        const QStringList before = f.snapshot();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QCOMPARE(f.shown.last(), u"Товар инвойса INV-1 уже принят на склад: количество изменить нельзя"_s);
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(f.count(u"select count(*) from scm_Proforma"_s), 0);
        TARVO_CHECK_CHAIN(f.db);
    }

    // Deleting releases the lines (split lines stay split) and the plan; a paid one stays.
    void deleteReleasesOrRefuses()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        TdmEditProforma doc(&f.db);
        doc.loadFromOrders({suo});
        QVERIFY(F::toPart(doc, a, F::day(5)));
        F::setPart(doc, "6");
        F::number(doc, 1);
        QVERIFY(doc.saveDocument());
        const qint64 pf = doc.proformaId();
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 100)"_s, {pf, F::day(9)});

        const qint64 payment = f.db.insertReturning(
            u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_inum, spm_snum) "
            "values (?, ?, ?, 100, '1', '1')"_s,
            u"spm_id"_s, {f.buyer, f.supplier, F::day(10)});
        f.db.exec(u"insert into scm_pfpayment (spp_spm_id, spp_pf_id, spp_sum) values (?, ?, 100)"_s, {payment, pf});
        const QStringList before = f.snapshot();
        QCOMPARE(Test::failureOf([&] { TdmEditProforma::cmdDeletePf(f.db, pf); }),
                 TdmEditProforma::LinkedPaymentsMessage);
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(pfOf(f, suo, a, F::day(5)), pf);
        QCOMPARE(f.count(u"select count(*) from scm_payshedule where sps_pf_id = ?"_s, {pf}), 1);

        f.db.exec(u"delete from scm_pfpayment where spp_pf_id = ?"_s, {pf});
        TdmEditProforma::cmdDeletePf(f.db, pf);
        QCOMPARE(f.count(u"select count(*) from scm_Proforma"_s), 0);
        QCOMPARE(f.count(u"select count(*) from scm_payshedule"_s), 0);
        QCOMPARE(f.linesWithPf(suo, a, pf),
                 (QStringList{u"05.02 6.0000 600.0000 0.0000 free"_s, u"06.02 4.0000 400.0000 0.0000 free"_s}));
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_GUILESS_MAIN(TdmEditProformaTest)
#include "tst_tdmeditproforma.moc"
