#include "SupplierOrders/openrequestamounts.h"
#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/supplierorderpreparation.h"
#include "SupplierOrders/supplierorderwriter.h"
#include "core/exception.h"
#include "data/engine/databaseerror.h"
#include "formingfixture.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Qt::StringLiterals;
using namespace SupplierOrders;
using Test::FormingFixture;

namespace {
QString refusal(const std::function<void()>& act)
{
    try {
        act();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

const PreparedOrder* orderOf(const PreparedOrders& p, qint64 supplier, const QVariant& urgency, const QString& code)
{
    for (const PreparedOrder& o : p.orders)
        if (o.supplierId == supplier && o.urgencyId == urgency && o.currency == code)
            return &o;
    return nullptr;
}

Money linked(const PreparedOrders& p, qint64 bof, int link, qint64 pr)
{
    Money total;
    int rows = 0;
    for (const PreparedLink& l : p.links)
        if (l.requestId == bof && l.orderLink == link && l.productId == pr) {
            total += l.amount;
            ++rows;
        }
    return rows > 1 ? Money(-1) : total;
}
} // namespace

class SupplierOrderFormingTest : public QObject
{
    Q_OBJECT
private slots:
    // Only approved requests count, and only what orders, confirmations and invoices left open;
    // the product rows sum them, list the requests and keep an urgency only when all share it.
    void openAmountsOfApprovedRequests()
    {
        Test::TestDatabase t;
        FormingFixture f{t.db()};
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 hot = f.urgency(u"Срочно"_s);
        const qint64 r1 = f.request({{a, "0.1"}, {b, "4"}}, hot);
        const qint64 r2 = f.request({{a, "0.2"}}, hot);
        f.request({{a, "50"}}, {}, false);
        const qint64 r4 = f.request({{b, "3"}});
        // Part of r1's B is ordered already; r2's A entirely (0.1 + 0.1 is its 0.2 on SQLite too).
        const qint64 suo = f.det.order();
        f.det.ordered(r1, b, suo, "1.5");
        f.det.ordered(r2, a, suo, "0.1");
        f.det.accepted(r2, a, suo, Test::DetFixture::day(3), "0.1");

        const QList<OpenRequestLine> lines = OpenRequestAmounts::read(t.db());
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].requestId, r1);
        QCOMPARE(lines[0].productId, a);
        QCOMPARE(lines[0].amount, FormingFixture::m("0.1"));
        QCOMPARE(lines[0].urgencyName, u"Срочно"_s);
        QCOMPARE(lines[1].productId, b);
        QCOMPARE(lines[1].amount, FormingFixture::m("2.5"));
        QCOMPARE(lines[2].requestId, r4);
        QVERIFY(lines[2].urgencyId.isNull());

        const QList<OpenProduct> products = OpenRequestAmounts::perProduct(lines);
        QCOMPARE(products.size(), 2);
        QCOMPARE(products[0].article, u"A-1"_s);
        QCOMPARE(products[0].required, FormingFixture::m("0.1"));
        QCOMPARE(products[0].urgencyName, u"Срочно"_s);
        QCOMPARE(products[1].required, FormingFixture::m("5.5"));
        QCOMPARE(products[1].requests, u"%1;%2"_s.arg(r1).arg(r4));
        QCOMPARE(products[1].urgencyName, QString());
    }

    void requestListStopsAtItsLength()
    {
        QList<OpenRequestLine> lines;
        for (int i = 0; i < 60; ++i)
            lines << OpenRequestLine{100000 + i, 7, Money(1), {}, {}, u"A"_s, u"A"_s};
        const QList<OpenProduct> p = OpenRequestAmounts::perProduct(lines);
        QCOMPARE(p[0].required, Money(60));
        QCOMPARE(p[0].requestCount, 60);
        QVERIFY(p[0].requests.size() <= OpenRequestAmounts::RequestListLength);
        QCOMPARE(p[0].requests.split(u';').size(), 36); // 36 numbers of 6 digits and 35 separators: 251
        QVERIFY(p[0].requests.endsWith(u"100035"_s));
    }

    // Suppliers cheapest in roubles first at the latest usable rate; a rate stored as 0 is none,
    // and a currency without one comes after every priced supplier.
    void suppliersCheapestFirst()
    {
        Test::TestDatabase t;
        FormingFixture f{t.db()};
        const qint64 a = f.product(u"A-1"_s);
        const qint64 rub = f.supplier(u"РУБ"_s), usd = f.supplier(u"ДОЛ"_s), eur = f.supplier(u"ЕВР"_s),
                     cny = f.supplier(u"ЮАН"_s), empty = f.supplier(u"ПУСТ"_s);
        const QDate today = QDate::currentDate();
        f.rate(u"USD"_s, today.addDays(-30), 80);
        f.rate(u"USD"_s, today.addDays(-2), 90.5);
        f.rate(u"USD"_s, today.addDays(-1), 0); // no rate: the one before counts
        f.rate(u"CNY"_s, today.addDays(-1), 0);
        f.rate(u"EUR"_s, today.addDays(-1), 100);
        f.request({{a, "3"}});
        f.offer(a, rub, "1000");                  // null code: roubles
        f.offer(a, usd, "10", u"USD"_s);         // 905 ₽
        f.offer(a, eur, "9.05", u"EUR"_s);       // 905 ₽ as well: the lower supplier number first
        f.offer(a, cny, "1", u"CNY"_s);          // no usable rate
        f.offer(a, empty, "999.9999", u""_s);

        SupplierOrderForming forming(t.db());
        forming.load();
        const QList<SupplierOffer> offers = forming.offers(a);
        QCOMPARE(offers.size(), 5);
        QCOMPARE(offers[0].supplierId, std::min(usd, eur));
        QCOMPARE(offers[1].supplierId, std::max(usd, eur));
        QCOMPARE(*offers[0].roublePrice, Money(905));
        QCOMPARE(offers[2].supplierId, empty);
        QCOMPARE(offers[3].supplierId, rub);
        QCOMPARE(offers[3].currency, QString());
        QCOMPARE(offers[4].supplierId, cny);
        QVERIFY(!offers[4].roublePrice);
        QCOMPARE(offers[4].minLot, Money(1));
        QCOMPARE(offers[4].deliveryDelay, 5);

        // The line prices: the rouble price at the rate, the supplier's own in currency.
        forming.assign(a, usd, Money(3));
        const PreparedOrders p = forming.prepare();
        QCOMPARE(p.orders.size(), 1);
        QCOMPARE(p.orders[0].currency, u"USD"_s);
        QCOMPARE(p.lines[0].roublePrice, Money(905));
        QCOMPARE(p.lines[0].currencyPrice, Money(10));
        QCOMPARE(p.lines[0].sum(), Money(2715));
        QCOMPARE(p.lines[0].sumValut(), Money(30));
        QCOMPARE(p.sum(0), Money(2715));

        // Without a quotation and without anyone to ask, the supplier cannot be given an amount.
        QVERIFY(!refusal([&] { forming.assign(a, cny, Money(1)); }).isEmpty());
        QCOMPARE(forming.assigned(a), Money(3));
    }

    // A request line is split between two suppliers; requests are served in number order.
    void distributionInRequestOrder()
    {
        Test::TestDatabase t;
        FormingFixture f{t.db()};
        const qint64 a = f.product(u"A-1"_s);
        const qint64 s1 = f.supplier(u"ПЕРВ"_s), s2 = f.supplier(u"ВТОР"_s);
        f.offer(a, s1, "100", u""_s);
        f.offer(a, s2, "120");
        const qint64 r1 = f.request({{a, "3"}});
        const qint64 r2 = f.request({{a, "5"}});
        const qint64 r3 = f.request({{a, "2.5"}});

        SupplierOrderForming forming(t.db());
        forming.load();
        QCOMPARE(forming.products().size(), 1);
        QCOMPARE(forming.products()[0].required, FormingFixture::m("10.5"));
        forming.assign(a, s1, Money(6));
        forming.assignRest(a, s2);
        QCOMPARE(forming.assigned(a), FormingFixture::m("10.5"));
        QCOMPARE(forming.unassigned(a), Money());

        const PreparedOrders p = forming.prepare();
        QCOMPARE(p.orders.size(), 2);
        const PreparedOrder* o1 = orderOf(p, s1, {}, {});
        const PreparedOrder* o2 = orderOf(p, s2, {}, {});
        QVERIFY(o1 && o2);
        QCOMPARE(o1->link, 0);
        QCOMPARE(p.links.size(), 4);
        QCOMPARE(linked(p, r1, o1->link, a), Money(3));
        QCOMPARE(linked(p, r2, o1->link, a), Money(3));
        QCOMPARE(linked(p, r2, o2->link, a), Money(2));
        QCOMPARE(linked(p, r3, o2->link, a), FormingFixture::m("2.5"));
        QCOMPARE(p.linesOf(o1->link).size(), 1);
        QCOMPARE(p.linesOf(o2->link)[0].amount, FormingFixture::m("4.5"));
        QCOMPARE(p.linesOf(o2->link)[0].sum(), Money(540));

        const QList<qint64> ids = forming.save(p);
        QCOMPARE(ids.size(), 2);
        QCOMPARE(f.ordered(r2, a, ids[0]), Money(3));
        QCOMPARE(f.ordered(r2, a, ids[1]), Money(2));
        QCOMPARE(f.ordered(r3, a, ids[1]), FormingFixture::m("2.5"));
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 4);
        QVERIFY(forming.isEmpty());
        TARVO_CHECK_CHAIN(t.db());
    }

    // Orders by supplier, the request's urgency ("no urgency" is one group) and the price's
    // currency (a null code is roubles); a supplier named twice makes one link; the excess of an
    // assignment is not ordered.
    void groupingBySupplierUrgencyAndCurrency()
    {
        const qint64 a = 1, b = 2;
        const qint64 s1 = 10, s2 = 20;
        const QVariant u1 = qint64(5), u2 = qint64(6);
        const QList<OpenRequestLine> lines = {
            {101, a, Money(2), u1, u"Срочно"_s, u"A"_s, u"Товар A"_s},
            {102, a, Money(2), {}, {}, u"A"_s, u"Товар A"_s},
            {103, a, Money(2), {}, {}, u"A"_s, u"Товар A"_s},
            {104, a, Money(2), u2, u"Обычно"_s, u"A"_s, u"Товар A"_s},
            {104, b, Money(1), u2, u"Обычно"_s, u"B"_s, u"Товар B"_s},
            {105, b, Money(3), u1, u"Срочно"_s, u"B"_s, u"Товар B"_s},
        };
        const QList<SupplierAssignment> assignments = {
            {a, s1, u"S1"_s, Money(5), {}, Money(10), Money(10)},
            {a, s1, u"S1"_s, Money(3), {}, Money(10), Money(10)}, // the same supplier again
            {b, s2, u"S2"_s, Money(9), u"USD"_s, Money(900), Money(10)}, // 5 more than needed
        };
        const PreparedOrders p = SupplierOrderPreparation::prepare(lines, assignments);
        QCOMPARE(p.orders.size(), 5);
        const PreparedOrder* urgent = orderOf(p, s1, u1, {});
        const PreparedOrder* none = orderOf(p, s1, {}, {});
        const PreparedOrder* usual = orderOf(p, s1, u2, {});
        QVERIFY(urgent && none && usual);
        QCOMPARE(urgent->link, 0);
        QCOMPARE(none->link, 1);
        QCOMPARE(linked(p, 102, none->link, a), Money(2));
        QCOMPARE(linked(p, 103, none->link, a), Money(2));
        QCOMPARE(linked(p, 104, usual->link, a), Money(2)); // one link although fed by both rows
        QCOMPARE(p.linesOf(none->link).size(), 1);
        QCOMPARE(p.linesOf(none->link)[0].amount, Money(4));
        const PreparedOrder* usdUsual = orderOf(p, s2, u2, u"USD"_s);
        const PreparedOrder* usdUrgent = orderOf(p, s2, u1, u"USD"_s);
        QVERIFY(usdUsual && usdUrgent);
        QCOMPARE(linked(p, 104, usdUsual->link, b), Money(1));
        QCOMPARE(linked(p, 105, usdUrgent->link, b), Money(3));
        Money all;
        for (const PreparedLine& l : p.lines)
            all += l.amount;
        QCOMPARE(all, Money(12)); // 8 of A and only the 4 of B that requests need
        QCOMPARE(p.links.size(), 6);
        QCOMPARE(p.sumValut(usdUrgent->link), Money(30));
    }

    void overAssignmentRefused()
    {
        Test::TestDatabase t;
        FormingFixture f{t.db()};
        const qint64 a = f.product(u"A-1"_s);
        const qint64 s1 = f.supplier(u"ПЕРВ"_s), s2 = f.supplier(u"ВТОР"_s);
        f.offer(a, s1, "100");
        f.offer(a, s2, "120");
        f.request({{a, "10"}});
        SupplierOrderForming forming(t.db());
        forming.load();
        forming.assign(a, s1, Money(6));
        const QString over = refusal([&] { forming.assign(a, s2, Money(5)); });
        QCOMPARE(over, u"Товар A-1: требуется 10, поставщикам нельзя назначить 11"_s);
        QCOMPARE(forming.assignmentsOf(a).size(), 1);
        forming.assign(a, s2, Money(4));
        QCOMPARE(refusal([&] { forming.assignRest(a, s1); }),
                 u"Все требуемое количество товара уже назначено поставщикам"_s);
        QCOMPARE(refusal([&] { forming.assign(a, s2, Money(-1)); }), u"Количество должно быть больше нуля"_s);
        forming.assign(a, s1, Money(5)); // lowering is always allowed
        forming.assign(a, s2, Money(0)); // and 0 takes the supplier out
        QCOMPARE(forming.assignmentsOf(a).size(), 1);
        QCOMPARE(forming.unassigned(a), Money(5));
    }

    // The save writes exactly the prepared orders, lines and links; the orders wait, unapproved,
    // today, with the supplier's warehouse and the next additional numbers; nothing stays open.
    void saveWritesOrdersLinesAndLinks()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        f.warehouse(7, u"Основной"_s);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 s1 = f.supplier(u"ПЕРВ"_s, 7), s2 = f.supplier(u"ВТОР"_s, 0);
        f.rate(u"USD"_s, QDate::currentDate().addDays(-1), 90);
        f.offer(a, s1, "100");
        f.offer(b, s2, "2.5", u"USD"_s);
        const qint64 hot = f.urgency(u"Срочно"_s);
        const qint64 r1 = f.request({{a, "3"}, {b, "2"}}, hot);
        const qint64 r2 = f.request({{a, "1"}});
        db.exec(u"update scm_supplier_order set suo_dopnomer = 41"_s); // none yet: 1 follows
        Test::OfferNotices offerNotices;
        Test::SupplierOrderNotices orderNotices;

        SupplierOrderForming forming(db);
        forming.load();
        forming.assignRest(a, s1);
        forming.assignRest(b, s2);
        const QList<qint64> ids = forming.save(forming.prepare());
        QCOMPARE(ids.size(), 3); // s1 urgent, s1 without urgency, s2 urgent in USD
        QTRY_VERIFY(offerNotices.heard > 0 && orderNotices.heard > 0);

        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 3);
        QCOMPARE(f.count(u"select count(*) from scm_so_products"_s), 3);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 3);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_waiting = 1 and suo_accepted = 0 "
                         "and suo_description = '' and suo_user_id = ?"_s,
                         {f.det.adminId}),
                 3);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ? and suo_supplier = ? "
                         "and Urgency_ID = ? and suo_id_sclad = 7 and suo_cod_valut = ''"_s,
                         {ids[0], s1, hot}),
                 1);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ? and Urgency_ID is null "
                         "and suo_id_sclad = 7"_s,
                         {ids[1]}),
                 1);
        // A registration number naming no warehouse leaves the warehouse empty.
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ? and suo_cod_valut = 'USD' "
                         "and suo_id_sclad is null"_s,
                         {ids[2]}),
                 1);
        QCOMPARE(f.count(u"select count(distinct suo_dopnomer) from scm_supplier_order"_s), 3);
        QCOMPARE(f.count(u"select min(suo_dopnomer) from scm_supplier_order"_s), 1);
        const QDateTime date = db.scalar(u"select suo_date from scm_supplier_order where suo_id = ?"_s, {ids[0]})
                                   .toDateTime();
        QCOMPARE(date, QDateTime(QDate::currentDate(), QTime(0, 0)));
        const QDateTime due = db.scalar(u"select sop_deliverydate from scm_so_products where sop_suo_id = ?"_s,
                                        {ids[2]})
                                  .toDateTime();
        QCOMPARE(due, QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)));
        QCOMPARE(f.sum(u"select sop_sum from scm_so_products where sop_suo_id = ?"_s, {ids[2]}), Money(450));
        QCOMPARE(f.sum(u"select sop_sum_valut from scm_so_products where sop_suo_id = ?"_s, {ids[2]}), Money(5));
        QCOMPARE(f.sum(u"select suo_sum from scm_supplier_order where suo_id = ?"_s, {ids[0]}), Money(300));
        QCOMPARE(f.ordered(r1, a, ids[0]), Money(3));
        QCOMPARE(f.ordered(r2, a, ids[1]), Money(1));
        QCOMPARE(f.ordered(r1, b, ids[2]), Money(2));

        // A second forming finds nothing open.
        SupplierOrderForming again(db);
        again.load();
        QVERIFY(again.isEmpty());
        TARVO_CHECK_CHAIN(db);
    }

    // Another workstation orders part of the amounts after they were read: the save reads them
    // again inside its transaction, refuses and writes nothing.
    void amountsOrderedMeanwhileRefuseTheSave()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 s1 = f.supplier(u"ПЕРВ"_s);
        f.offer(a, s1, "100");
        f.offer(b, s1, "50");
        const qint64 r1 = f.request({{a, "3"}});
        const qint64 r2 = f.request({{a, "2"}, {b, "4"}});

        SupplierOrderForming here(db);
        here.load();
        here.assignRest(a, s1);
        here.assignRest(b, s1);
        const PreparedOrders prepared = here.prepare();

        {
            std::unique_ptr<Data::Database> other = t.connectAgain();
            SupplierOrderForming there(*other);
            there.load();
            there.assign(b, s1, Money(1));
            QCOMPARE(there.save(there.prepare()).size(), 1);
        }
        const qint64 before = f.count(u"select count(*) from scm_bo_ordered"_s);
        const QString refused = refusal([&] { here.save(prepared); });
        QCOMPARE(refused, SupplierOrderWriter::staleMessage(r2, u"B-2"_s));
        QVERIFY(refused.contains(u"Заказы не сохранены"_s));
        QVERIFY(!db.inTransaction());
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), before);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered where bpo_bof_id = ?"_s, {r1}), 0);

        // Read again, the rest can be ordered.
        here.load();
        QCOMPARE(here.unassigned(b), Money(3));
        here.assignRest(a, s1);
        here.assignRest(b, s1);
        QCOMPARE(here.save(here.prepare()).size(), 1);
        QVERIFY(here.isEmpty());
        TARVO_CHECK_CHAIN(db);
    }

    // While a save holds the request lines it read again, another workstation cannot order them:
    // it waits, and here gives up as busy after its one-second command timeout.
    void savingHoldsTheLinesItReadAgain()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 a = f.product(u"A-1"_s);
        const qint64 r1 = f.request({{a, "3"}});
        const qint64 suo = f.det.order();
        f.det.orderLine(suo, a);
        Data::ConnectionSettings quick = t.settings();
        quick.commandTimeout = 1;
        Data::Database other(quick);
        other.open();
        int refusal = 0;
        {
            Data::Transaction holding(db);
            const QHash<RequestLineKey, Money> open = OpenRequestAmounts::lockAndRead(db, {{r1, a}});
            QCOMPARE(open.value({r1, a}), Money(3));
            try {
                Data::Transaction ordering(other);
                other.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                           "values (?, ?, ?, 1)"_s,
                           {r1, a, suo});
                ordering.commit();
            } catch (const Data::DatabaseError& e) {
                refusal = e.nativeError();
            }
        }
        QCOMPARE(refusal, Data::NativeError::LockTimeout);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 0);
        TARVO_CHECK_CHAIN(db);
    }

    // Where the engine locks rows, a save holds only the lines it orders: another workstation
    // orders a different product of the same request meanwhile. The lines come in any order and
    // twice; a line that is not open is absent.
    void savingHoldsOnlyItsOwnLines()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s), c = f.product(u"C-3"_s);
        const qint64 r1 = f.request({{a, "3"}, {b, "5"}});
        const qint64 r2 = f.request({{c, "2"}});
        const qint64 suo = f.det.order();
        f.det.orderLine(suo, b);
        Data::ConnectionSettings quick = t.settings();
        quick.commandTimeout = 1;
        Data::Database other(quick);
        other.open();
        {
            Data::Transaction holding(db);
            const QHash<RequestLineKey, Money> open =
                OpenRequestAmounts::lockAndRead(db, {{r2, c}, {r1, a}, {r2, c}, {r1, c}});
            QCOMPARE(open.size(), 2);
            QCOMPARE(open.value({r1, a}), Money(3));
            QCOMPARE(open.value({r2, c}), Money(2));
            QVERIFY(!open.contains({r1, c}));
            if (db.engine() == Data::Engine::SQLite)
                QSKIP("SQLite's write transaction keeps every other writer out");
            Data::Transaction ordering(other);
            other.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                       "values (?, ?, ?, 1)"_s,
                       {r1, b, suo});
            ordering.commit();
            holding.commit();
        }
        QCOMPARE(f.sum(u"select bpo_amount from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ?"_s, {r1, b}),
                 Money(1));
        TARVO_CHECK_CHAIN(db);
    }
};

QTEST_GUILESS_MAIN(SupplierOrderFormingTest)
#include "tst_supplierorderforming.moc"
