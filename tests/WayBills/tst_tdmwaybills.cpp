#include "WayBills/tdm_waybills.h"
#include "WayBills/waybillprocedures.h"
#include "WayBills/waybillshares.h"
#include "WayBills/waybillfixture.h"
#include "core/exception.h"
#include "data/engine/procedureregistry.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::WayBills;
using namespace Tarvo::Test::WayBill;
using namespace Qt::Literals::StringLiterals;

using F = Test::WayBillFixture;

// The waybill document and its procedures on both engines: what shipping takes from the
// requests' confirmed quantities and what every deletion gives back, each ending with the
// chain's rules.
class TdmWayBillsTest : public QObject
{
    Q_OBJECT

    // A saved waybill with order 1 in one invoice.
    static void shipOrder1(F& f, Tdm_WayBills& doc)
    {
        doc.newWayBill();
        header(doc);
        doc.addOrder(int(f.o1));
        setInvoiceNumber(doc, u"INV-1"_s);
        QVERIFY(doc.saveDocument());
    }
    static QString refusal(const std::function<void()>& step)
    {
        try {
            step();
        } catch (const Exception& e) {
            return e.message();
        }
        return {};
    }
    static bool toRequest(Tdm_WayBills& doc, qint64 bof, const QDateTime& date)
    {
        return doc.deliveredProduct.locate({u"pr_articul"_s}, {u"A-1"_s}) &&
               doc.orderInvoice.locate({u"sdi_soa_deliverydate"_s}, {date}) &&
               doc.offerInvoice.locate({u"soi_bof_id"_s}, {bof});
    }

private slots:
    void shipsAnOrderKeepingThePlacedAmounts()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const QStringList placed = f.placed();
        Tdm_WayBills doc(&f.db);
        doc.newWayBill();
        QCOMPARE(doc.wayBills.integer(u"swb_dopnomer"_s), 1);
        header(doc);
        doc.addOrder(int(f.o1));
        QCOMPARE(doc.deliveryInvoices.integer(u"sde_supplier"_s), f.supplier);
        QVERIFY(doc.deliveredProduct.locate({u"sdp_pr_id"_s}, {f.a}));
        QCOMPARE(doc.deliveredProduct.money(u"sdp_amount"_s), m("15"));
        QCOMPARE(doc.orderInvoice.recordCount(), 2);
        // The weight follows the products before saving.
        set(doc.deliveredProduct, u"sdp_weight"_s, m("2").toVariant());
        QCOMPARE(doc.wayBills.money(u"swb_weight"_s), m("30"));
        setInvoiceNumber(doc, u"INV-1"_s);
        QVERIFY(doc.saveDocument());
        const int swb = doc.wayBillId();
        QVERIFY(swb > 0);

        QCOMPARE(f.shipped(f.r1, f.a, f.o1), m("11"));
        QCOMPARE(f.shipped(f.r2, f.a, f.o1), m("4"));
        QCOMPARE(f.held(f.r1, f.a, f.o1), Money());
        QCOMPARE(f.held(f.r2, f.a, f.o1), Money());
        QCOMPARE(f.placed(), placed);
        QCOMPARE(f.sum(u"select swb_weight from scm_waybill where swb_id = ?"_s, {swb}), m("30"));
        QCOMPARE(f.count(u"select sde_user_id from scm_delivery where sde_swb_id = ?"_s, {swb}), f.adminId);

        Tdm_WayBills again(&f.db);
        again.loadWayBill(swb);
        QCOMPARE(again.deliveryInvoices.recordCount(), 1);
        QVERIFY(again.deliveredProduct.locate({u"sdp_pr_id"_s}, {f.a}));
        QCOMPARE(again.deliveredProduct.money(u"total_weight"_s), m("30"));
        QCOMPARE(again.orderInvoice.recordCount(), 2);
        QVERIFY(!again.modified());
        QCOMPARE(refusal([&] { again.loadWayBill(swb + 100); }), u"Посылка %1 не найдена"_s.arg(swb + 100));
        TARVO_CHECK_CHAIN(f.db);
    }

    // 15 over order rows 10 and 5 cut to 12 leaves 10 and 2; the request rows follow and what
    // they gave up goes back to the request.
    void cuttingTheProductGivesBack()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        Tdm_WayBills doc(&f.db);
        shipOrder1(f, doc);
        QVERIFY(doc.deliveredProduct.locate({u"sdp_pr_id"_s}, {f.a}));
        set(doc.deliveredProduct, u"sdp_amount"_s, m("12").toVariant());
        QCOMPARE(doc.deliveredProduct.money(u"sdp_amount2"_s), m("12"));
        QStringList rows;
        for (doc.orderInvoice.first(); !doc.orderInvoice.eof(); doc.orderInvoice.next())
            rows << doc.orderInvoice.money(u"sdi_amount"_s).toString();
        QCOMPARE(rows, (QStringList{m("10").toString(), m("2").toString()}));
        QVERIFY(doc.saveDocument());
        QCOMPARE(f.shareOf(f.r1, f.a, f.o1, F::day(8)), m("3"));
        QCOMPARE(f.shipped(f.r1, f.a, f.o1), m("8"));
        QCOMPARE(f.sum(u"select sdp_amount from scm_deliveredProduct where sdp_pr_id = ?"_s, {f.a}), m("12"));
        TARVO_CHECK_CHAIN(f.db);
    }

    // A request row, a product and an invoice deleted (one request row before its parent) give
    // back exactly what they took.
    void deletionsGiveBackOnce()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const QStringList before = f.snapshot();
        Tdm_WayBills doc(&f.db);
        doc.newWayBill();
        header(doc);
        doc.addOrder(int(f.o1));
        setInvoiceNumber(doc, u"INV-1"_s);
        doc.addInvoice();
        doc.addOrder(int(f.o2));
        setInvoiceNumber(doc, u"INV-2"_s);
        QVERIFY(doc.saveDocument());
        QCOMPARE(f.held(f.r2, f.b, f.o2), Money());

        // One request row, its row missing in the confirmed shares: created again.
        QVERIFY(doc.deliveryInvoices.locate({u"sde_invoice_num"_s}, {u"INV-1"_s}));
        QVERIFY(toRequest(doc, f.r2, F::day(5)));
        doc.deleteRequestRow();
        QVERIFY(doc.saveDocument());
        QCOMPARE(f.shareOf(f.r2, f.a, f.o1, F::day(5)), m("4"));

        // A request row deleted, then its product, then its invoice: back once. The invoice
        // left without goods is not saved.
        QVERIFY(doc.deliveryInvoices.locate({u"sde_invoice_num"_s}, {u"INV-1"_s}));
        QVERIFY(toRequest(doc, f.r1, F::day(8)));
        doc.deleteRequestRow();
        doc.deleteProduct();
        const QStringList stored = f.everything();
        f.shown.clear();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QCOMPARE(f.shown, QStringList{Tdm_WayBills::NoGoodsMessage});
        QCOMPARE(f.everything(), stored);
        doc.deleteInvoice();
        QVERIFY(doc.saveDocument());
        QCOMPARE(f.shareOf(f.r1, f.a, f.o1, F::day(8)), m("5"));
        QCOMPARE(f.shareOf(f.r1, f.a, f.o1, F::day(5)), m("6"));
        QCOMPARE(f.shareOf(f.r2, f.a, f.o1, F::day(5)), m("4"));
        QCOMPARE(f.count(u"select count(*) from scm_delivery"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_offer_invoice where soi_pr_id = ?"_s, {f.a}), 0);

        // Deleting the waybill gives back what is left.
        WayBillProcedures::registerOnce();
        ProcedureRegistry::instance().call(f.db, WayBillProcedures::DeleteWayBill, {{u"swb_id"_s, doc.wayBillId()}});
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(f.count(u"select count(*) from scm_waybill"_s), 0);
        TARVO_CHECK_CHAIN(f.db);
    }

    // Taking 8 over this order's 5 and another order's 10 spends each row once: 0 and 7; more
    // than the request holds is refused before anything changes.
    void takeSpendsEachRowOnce()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 o4 = f.order(), o5 = f.order(), c = f.product(u"C-3"_s);
        f.line(f.r2, c, "20");
        f.Test::DetFixture::orderLine(o4, c);
        f.Test::DetFixture::orderLine(o5, c);
        f.confirmed(o4, c, F::day(9), "5", "50");
        f.confirmed(o5, c, F::day(9), "10", "100");
        f.accepted(f.r2, c, o4, F::day(9), "5");
        f.accepted(f.r2, c, o5, F::day(9), "10");
        {
            Transaction t(f.db);
            WayBillShares::take(f.db, o4, c, F::day(9), f.r2, m("8"));
            QCOMPARE(f.held(f.r2, c, o4), Money());
            QCOMPARE(f.held(f.r2, c, o5), m("7"));
        }
        const QStringList before = f.everything();
        {
            Transaction t(f.db);
            // Request 2 holds 5 + 10 of C.
            QCOMPARE(refusal([&] { WayBillShares::take(f.db, o4, c, F::day(9), f.r2, m("15.0001")); }),
                     u"Заявка %1, товар C-3: подтверждено и не отгружено меньше, чем в посылке"_s.arg(f.r2));
            QCOMPARE(f.everything(), before);
        }
        TARVO_CHECK_CHAIN(f.db);
    }

    void addingOrdersIsRefusedInWords()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        Tdm_WayBills doc(&f.db);
        doc.newWayBill();
        header(doc);
        doc.addOrder(int(f.o1));
        // Twice before saving, into the same invoice or another of the waybill.
        const QString twice = u"Заказ %1 уже распределен по посылкам"_s.arg(f.o1);
        QCOMPARE(refusal([&] { doc.addOrder(int(f.o1)); }), twice);
        QCOMPARE(refusal([&] { doc.addOrder(int(f.o3)); }), u"Поставщики не совпадают"_s);
        f.db.exec(u"update scm_supplier_order set suo_cod_valut = 'USD' where suo_id = ?"_s, {f.o2});
        QCOMPARE(refusal([&] { doc.addOrder(int(f.o2)); }), u"Валюта заказа не совпадает с валютой инвойса"_s);
        f.db.exec(u"update scm_supplier_order set suo_cod_valut = '' where suo_id = ?"_s, {f.o2});
        doc.addInvoice();
        QCOMPARE(refusal([&] { doc.addOrder(int(f.o1)); }), twice);
        // An invoice made by "Добавить счет" takes the order's supplier.
        doc.addOrder(int(f.o3));
        QCOMPARE(doc.deliveryInvoices.integer(u"sde_supplier"_s), f.other);
        QCOMPARE(doc.deliveredProduct.recordCount(), 1);
        QCOMPARE(refusal([&] { doc.addProduct(f.b); }), u"Этот товар уже выбран в документ"_s);
        QVERIFY(doc.deliveredProduct.locate({u"sdp_pr_id"_s}, {f.b}));
        doc.deliveredProduct.edit();
        QCOMPARE(refusal([&] { doc.deliveredProduct.setValue(u"sdp_amount"_s, m("-1").toVariant()); }),
                 u"Недопустимое значение количества"_s);
        doc.deliveredProduct.cancel();
        doc.wayBills.edit();
        QCOMPARE(refusal([&] { doc.wayBills.setValue(u"swb_plan_arrival_date"_s, QVariant()); }),
                 u"Неверное значение даты"_s);
        doc.wayBills.setValue(u"swb_departure_platform"_s, QString());
        doc.wayBills.post();
        f.shown.clear();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QCOMPARE(f.shown, QStringList{u"Поле Станция отправления должно иметь значение"_s});

        // Saved, the order's rest is what no invoice holds.
        header(doc);
        QVERIFY(doc.deliveryInvoices.locate({u"sde_supplier"_s}, {f.supplier}));
        setInvoiceNumber(doc, u"INV-1"_s);
        QVERIFY(doc.deliveryInvoices.locate({u"sde_supplier"_s}, {f.other}));
        setInvoiceNumber(doc, u"INV-2"_s);
        QVERIFY(doc.saveDocument());
        Tdm_WayBills second(&f.db);
        QCOMPARE(refusal([&] { second.addOrder(int(f.o1)); }), twice);
        TARVO_CHECK_CHAIN(f.db);
    }

    // Goods received keep their request rows: no deletion, no quantity below what was received,
    // nothing changed by a refused deletion of the waybill; without receipts it restores exactly.
    void receivedGoodsStay()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const QStringList before = f.snapshot();
        Tdm_WayBills doc(&f.db);
        shipOrder1(f, doc);
        const qint64 swb = doc.wayBillId();
        const qint64 sde = f.count(u"select sde_id from scm_delivery where sde_swb_id = ?"_s, {swb});
        f.received(f.r1, f.a, f.o1, F::day(5), sde, swb, "4");
        doc.loadWayBill(int(swb));
        QVERIFY(toRequest(doc, f.r1, F::day(5)));
        QCOMPARE(doc.offerInvoice.money(u"received"_s), m("4"));
        doc.offerInvoice.edit();
        QVERIFY(refusal([&] { doc.offerInvoice.setValue(u"soi_amount"_s, m("3").toVariant()); }).contains(u"принято 4"_s));
        doc.offerInvoice.cancel();
        QVERIFY(refusal([&] { doc.deleteRequestRow(); }).startsWith(u"Товар принят на склад"_s));
        QVERIFY(refusal([&] { doc.deleteProduct(); }).startsWith(u"Товар принят на склад"_s));

        const QStringList shipped = f.everything();
        WayBillProcedures::registerOnce();
        QCOMPARE(refusal([&] {
                     ProcedureRegistry::instance().call(f.db, WayBillProcedures::DeleteWayBill, {{u"swb_id"_s, swb}});
                 }),
                 u"Товар принят на склад (приходные накладные ПН-1). Удаление невозможно"_s);
        QCOMPARE(f.everything(), shipped);

        f.db.exec(u"delete from SCM_TOMOVE"_s);
        ProcedureRegistry::instance().call(f.db, WayBillProcedures::DeleteWayBill, {{u"swb_id"_s, swb}});
        QCOMPARE(f.snapshot(), before);
        TARVO_CHECK_CHAIN(f.db);
    }

    // A row another workstation removed, or a quantity it took meanwhile, refuse the whole save.
    void changesElsewhereRefuseTheSave()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        Tdm_WayBills doc(&f.db);
        shipOrder1(f, doc);
        auto other = tdb.connectAgain();
        other->exec(u"delete from scm_offer_invoice where soi_bof_id = ? and soi_soa_deliverydate = ?"_s,
                    {f.r2, F::day(5)});
        const QStringList stored = f.everything();
        QVERIFY(toRequest(doc, f.r2, F::day(5)));
        set(doc.offerInvoice, u"soi_amount"_s, m("3").toVariant());
        f.shown.clear();
        QVERIFY_THROWS_EXCEPTION(Abort, doc.saveDocument());
        QCOMPARE(f.shown, QStringList{Tdm_WayBills::ChangedElsewhereMessage});
        QCOMPARE(f.everything(), stored);
        QVERIFY(doc.modified());
    }

    // Two workstations ship one order: the second is refused and nothing of the first is lost.
    void twoWorkstationsShipOneOrder()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        auto second = tdb.connectAgain();
        Tdm_WayBills first(&f.db), other(second.get());
        for (Tdm_WayBills* d : {&first, &other}) {
            d->newWayBill();
            header(*d);
            d->addOrder(int(f.o1));
            setInvoiceNumber(*d, u"INV"_s);
        }
        QVERIFY(first.saveDocument());
        const QStringList saved = f.everything();
        f.shown.clear();
        QVERIFY_THROWS_EXCEPTION(Abort, other.saveDocument());
        QCOMPARE(f.shown.size(), 1);
        QVERIFY2(f.shown.first().contains(u"отгружено"_s) || f.shown.first().contains(u"подтверждено"_s),
                 qPrintable(f.shown.first()));
        QCOMPARE(f.everything(), saved);
        QCOMPARE(other.wayBillId(), 0);
        QVERIFY(other.modified());

        // A quantity taken elsewhere between load and save: the take is refused.
        first.loadWayBill(first.wayBillId());
        QVERIFY(toRequest(first, f.r2, F::day(5)));
        set(first.offerInvoice, u"soi_amount"_s, m("3").toVariant());
        QVERIFY(first.saveDocument());
        QCOMPARE(f.shareOf(f.r2, f.a, f.o1, F::day(5)), m("1"));
        second->exec(u"delete from scm_bo_accepted where boa_bof_id = ? and boa_pr_id = ?"_s, {f.r2, f.a});
        QVERIFY(toRequest(first, f.r2, F::day(5)));
        set(first.offerInvoice, u"soi_amount"_s, m("4").toVariant());
        f.shown.clear();
        QVERIFY_THROWS_EXCEPTION(Abort, first.saveDocument());
        QCOMPARE(f.shown,
                 QStringList{u"Заявка %1, товар A-1: подтверждено и не отгружено меньше, чем в посылке"_s.arg(f.r2)});
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(TdmWayBillsTest)
#include "tst_tdmwaybills.moc"
