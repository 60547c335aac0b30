#include "AcceptedOrders/acclistfixture.h"
#include "BusOffer/listfixture.h"
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/acceptedorderlistdetails.h"
#include "AcceptedOrders/acceptedorderliststatement.h"
#include "data/engine/query.h"
#include "otbor/registerotbors.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AcceptedOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Row
{
    int state = -1;
    QString stateName, proforma;
    QVariant z5, shipped;
};

// suo_id -> what the register shows, reading every batch.
QMap<qint64, Row> rows(AcceptedOrderList& list)
{
    list.reload();
    list.fetchAll();
    QMap<qint64, Row> r;
    for (list.first(); !list.afterLast(); list.next())
        r.insert(list.integer(u"suo_id"_s), Row{int(list.integer(u"suo_state"_s)), list.string(u"suo_state_name"_s),
                                                list.string(u"State"_s), list.value(u"z5"_s),
                                                list.value(u"sdi_amount"_s)});
    return r;
}

QList<qint64> ids(AcceptedOrderList& list)
{
    return rows(list).keys();
}

Money money(const QVariant& v)
{
    return Money::fromVariant(v);
}

} // namespace

class AcceptedOrderListTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Test::AccListFixture> m_f;
    qint64 m_a = 0, m_b = 0;

    // The order's confirmed part of `qty` of product `pr` on day 3, shared by one request,
    // shipped by `shipped` on the invoice (none when 0).
    qint64 shippedOrder(const char* qty, const char* shipped, qint64 sde, qint64 swb, const QString& currency = {})
    {
        Test::AccListFixture& f = *m_f;
        const qint64 suo = f.newOrder(currency);
        f.confirm(suo, m_a, f.day(3), qty, "100", currency.isEmpty() ? "0" : "10");
        const qint64 bof = f.sharedRequest(suo, m_a, f.day(3), qty);
        if (sde)
            f.ship(bof, suo, m_a, f.day(3), sde, swb, shipped);
        return suo;
    }

private slots:
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        m_f = std::make_unique<Test::AccListFixture>(m_t->db());
        m_a = m_f->product(u"A-1"_s);
        m_b = m_f->product(u"B-2"_s);
    }
    void cleanup()
    {
        m_f.reset();
        m_t.reset();
    }

    void statesFollowTheChain()
    {
        Test::AccListFixture& f = *m_f;
        const qint64 swb = f.waybill(), open = f.invoice(swb, false), closed = f.invoice(swb, true, u"INV-2"_s);
        const qint64 inProgress = shippedOrder("10", "4", open, swb);
        const qint64 notShipped = shippedOrder("10", nullptr, 0, 0);
        // Shipped in full on an open invoice, nothing received: shipped, not yet done.
        const qint64 byRegister = shippedOrder("10", "10", open, swb);
        const qint64 closedInvoice = shippedOrder("10", "10", closed, swb);
        const qint64 received = shippedOrder("0.3", "0.3", open, swb);
        const qint64 bof = f.count(u"select boa_bof_id from scm_bo_accepted where boa_suo_id = ?"_s, {received});
        f.received(bof, m_a, received, f.day(3), open, swb, "0.1");
        f.received(bof, m_a, received, f.day(3), open, swb, "0.2", u"ПН-2"_s);
        // An order without any confirmed line is not listed.
        const qint64 unconfirmed = f.newOrder();

        AcceptedOrderList list(m_t->db());
        const QMap<qint64, Row> r = rows(list);
        QVERIFY(!r.contains(unconfirmed));
        QCOMPARE(r.value(inProgress).state, 1);
        QCOMPARE(r.value(inProgress).stateName, u"В работе"_s);
        QCOMPARE(r.value(notShipped).state, 1);
        QCOMPARE(r.value(byRegister).state, 2);
        QCOMPARE(r.value(byRegister).stateName, u"Выполнено по реестру"_s);
        QCOMPARE(money(r.value(byRegister).z5), Money(0));
        QCOMPARE(r.value(closedInvoice).state, 0);
        QCOMPARE(r.value(closedInvoice).stateName, u"Выполнено"_s);
        QCOMPARE(r.value(received).state, 0);
        QCOMPARE(money(r.value(received).z5), Money::fromDouble(0.3));
        QVERIFY(list.locateOrder(inProgress));
        QCOMPARE(list.string(u"name_user"_s), u"ООО Поставщик"_s);
        QCOMPARE(money(list.value(u"soa_amount"_s)), Money(10));
        QCOMPARE(money(list.value(u"sdi_amount"_s)), Money(4));
        QCOMPARE(list.string(u"suo_description"_s), u"заказ"_s);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void proformaColumnComparesTheOrdersOwnSums()
    {
        Test::AccListFixture& f = *m_f;
        const qint64 pf = f.proforma(u"PF-7"_s);
        const qint64 none = f.newOrder();
        f.confirm(none, m_a, f.day(3), "1", "100");
        const qint64 part = f.newOrder();
        f.confirm(part, m_a, f.day(3), "1", "600", "0", pf);
        f.confirm(part, m_b, f.day(3), "1", "400");
        const qint64 full = f.newOrder();
        f.confirm(full, m_a, f.day(3), "1", "600", "0", pf);
        f.confirm(full, m_a, f.day(4), "1", "400", "0", pf);
        // In a currency order the currency sums decide: a line of 0.0001 USD keeps it partial.
        const qint64 usdPf = f.proforma(u"PF-8"_s, u"USD"_s);
        const qint64 usdPart = f.newOrder(u"USD"_s);
        f.confirm(usdPart, m_a, f.day(3), "1", "9000", "100", usdPf);
        f.confirm(usdPart, m_b, f.day(3), "1", "0.0001", "0.0001");
        const qint64 usdFull = f.newOrder(u"USD"_s);
        f.confirm(usdFull, m_a, f.day(3), "1", "9000", "100", usdPf);
        f.confirm(usdFull, m_b, f.day(3), "1", "0", "0");

        AcceptedOrderList list(m_t->db());
        const QMap<qint64, Row> r = rows(list);
        QCOMPARE(r.value(none).proforma, QString());
        QCOMPARE(r.value(part).proforma, u"Ч"_s);
        QCOMPARE(r.value(full).proforma, u"+"_s);
        QCOMPARE(r.value(usdPart).proforma, u"Ч"_s);
        QCOMPARE(r.value(usdFull).proforma, u"+"_s);
        QVERIFY(list.locateOrder(usdPart));
        QCOMPARE(list.integer(u"pf_state"_s), 2);
        QCOMPARE(money(list.value(u"soa_sum_valut"_s)), Money::parse(u"100.0001"_s).value());
        QCOMPARE(money(list.value(u"soa_sum_valut_pf"_s)), Money(100));
        QCOMPARE(list.string(u"suo_cod_valut"_s), u"USD"_s);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    // A fully shipped order with nothing received (no receipts, no closed invoice) is listed by
    // the filter value of the state it shows; so is every other order.
    void stateFilterListsWhatEachStateShows()
    {
        Test::AccListFixture& f = *m_f;
        const qint64 swb = f.waybill(), open = f.invoice(swb, false), closed = f.invoice(swb, true, u"INV-2"_s);
        const qint64 inProgress = shippedOrder("10", "4", open, swb);
        const qint64 byRegister = shippedOrder("10", "10", open, swb);
        const qint64 done = shippedOrder("10", "10", closed, swb);
        // 0.1 + 0.2 confirmed, 0.3 shipped: all of it, on either engine.
        const qint64 split = f.newOrder();
        f.confirm(split, m_a, f.day(3), "0.1");
        f.confirm(split, m_a, f.day(4), "0.2");
        const qint64 s1 = f.sharedRequest(split, m_a, f.day(3), "0.1");
        f.share(s1, split, m_a, f.day(4), "0.2");
        f.ship(s1, split, m_a, f.day(3), open, swb, "0.1");
        f.ship(s1, split, m_a, f.day(4), open, swb, "0.2");

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::AcceptedOrders, global);
        AcceptedOrderList list(m_t->db());
        list.setFilters(own.get());
        const QMap<qint64, Row> all = rows(list);
        QCOMPARE(all.size(), 4);
        QCOMPARE(all.value(split).state, 2);
        Otbor::TDocStateOtbor* state = global.docState(Otbor::OtborVar::AcceptedOrderState);
        state->setActive(true);
        for (int v : {0, 1, 2}) {
            state->setDocState(Otbor::TDocStateOtbor::DocState(v));
            QList<qint64> expected;
            for (auto it = all.cbegin(); it != all.cend(); ++it)
                if (it.value().state == v)
                    expected << it.key();
            QCOMPARE(ids(list), expected);
        }
        state->setDocState(Otbor::TDocStateOtbor::DoneByRegister);
        QCOMPARE(ids(list), (QList<qint64>{byRegister, split}));
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        QCOMPARE(ids(list), QList<qint64>{inProgress});
        state->setDocState(Otbor::TDocStateOtbor::Done);
        QCOMPARE(ids(list), QList<qint64>{done});
    }

    // One invoice carries a product in two dated parts, each with its receipts; a closed invoice
    // has several receipts. Each receipt and each shipped quantity counts once.
    void completedCountsEachReceiptOnce()
    {
        Test::AccListFixture& f = *m_f;
        const qint64 swb = f.waybill(), open = f.invoice(swb, false), closed = f.invoice(swb, true, u"INV-2"_s);
        const qint64 parts = f.newOrder();
        f.confirm(parts, m_a, f.day(3), "5");
        f.confirm(parts, m_a, f.day(4), "5");
        const qint64 bof = f.sharedRequest(parts, m_a, f.day(3), "5");
        f.share(bof, parts, m_a, f.day(4), "5");
        f.ship(bof, parts, m_a, f.day(3), open, swb, "5");
        f.ship(bof, parts, m_a, f.day(4), open, swb, "5");
        f.received(bof, m_a, parts, f.day(3), open, swb, "3");
        f.received(bof, m_a, parts, f.day(4), open, swb, "3", u"ПН-2"_s);

        const qint64 twice = shippedOrder("10", "10", closed, swb);
        const qint64 bof2 = f.count(u"select boa_bof_id from scm_bo_accepted where boa_suo_id = ?"_s, {twice});
        f.received(bof2, m_a, twice, f.day(3), closed, swb, "4");
        f.received(bof2, m_a, twice, f.day(3), closed, swb, "6", u"ПН-2"_s);

        AcceptedOrderList list(m_t->db());
        const QMap<qint64, Row> r = rows(list);
        QCOMPARE(money(r.value(parts).z5), Money(6));
        QCOMPARE(r.value(parts).state, 2);
        QCOMPARE(money(r.value(parts).shipped), Money(10));
        QCOMPARE(money(r.value(twice).z5), Money(10));
        QCOMPARE(r.value(twice).state, 0);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void supplierAndDateFiltersAndBatches()
    {
        Test::AccListFixture& f = *m_f;
        const qint64 other = f.catalog.partner(u"ДРУГ"_s, u"ООО Другой"_s, u"П"_s);
        QList<qint64> mine;
        for (int i = 0; i < 5; ++i) {
            mine << f.newOrder();
            f.confirm(mine.last(), m_a, f.day(3), "1");
        }
        const qint64 theirs = f.newOrder({}, true, other);
        f.confirm(theirs, m_a, f.day(3), "1");
        m_t->db().exec(u"update scm_supplier_order set suo_date = ? where suo_id = ?"_s, {f.day(20), theirs});

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::AcceptedOrders, global);
        AcceptedOrderList list(m_t->db());
        list.setFilters(own.get());
        list.setBatchSize(2);
        list.setFirstRows(1);
        list.reload();
        QVERIFY(list.recordCount() < 6);
        QVERIFY(list.canFetchMore());
        QVERIFY(list.locateOrder(theirs));
        QCOMPARE(list.currentOrder(), theirs);
        QCOMPARE(ids(list), QList<qint64>(mine) << theirs);

        global.partner(Otbor::OtborVar::Supplier)->setActive(true);
        global.partner(Otbor::OtborVar::Supplier)->setCompareString(u"ДРУГ"_s);
        QCOMPARE(ids(list), QList<qint64>{theirs});
        global.partner(Otbor::OtborVar::Supplier)->setActive(false);

        Otbor::TVarDate* date = global.date(Otbor::OtborVar::OrderDate);
        date->setDateStart(QDate(2026, 2, 1));
        date->setDateEnd(QDate(2026, 2, 2));
        date->setActive(true);
        QCOMPARE(ids(list), mine);
        date->setActive(false);

        // A manager who may not see other managers' documents lists only the orders made by him.
        const qint64 manager = Test::ListFixture{m_t->db()}.currentUser({});
        m_t->db().exec(u"update scm_supplier_order set suo_user_id = ? where suo_id = ?"_s, {manager, mine.at(2)});
        QCOMPARE(ids(list), QList<qint64>{mine.at(2)});
    }

    void detailsOfTheCurrentOrder()
    {
        Test::AccListFixture& f = *m_f;
        Data::Database& db = m_t->db();
        const qint64 swb = f.waybill(), sde1 = f.invoice(swb, false), sde2 = f.invoice(swb, false, u"INV-2"_s);
        const qint64 pf = f.proforma(u"PF-7"_s);
        const qint64 suo = f.newOrder();
        f.confirm(suo, m_b, f.day(3), "8", "800", "0", pf);
        f.confirm(suo, m_a, f.day(4), "10", "1000");
        // A line of quantity 0, as older versions left them, is not shown.
        f.confirm(suo, m_a, f.day(3), "0");
        const qint64 r1 = f.sharedRequest(suo, m_a, f.day(4), "4");
        const qint64 r2 = f.sharedRequest(suo, m_a, f.day(4), "6");
        f.ship(r1, suo, m_a, f.day(4), sde1, swb, "3");
        f.ship(r2, suo, m_a, f.day(4), sde2, swb, "5");

        Data::Query products(db, AcceptedOrderListDetails::acceptedProducts());
        products.bind(u"suo_id"_s, suo).exec();
        QStringList seen;
        while (products.next())
            seen << u"%1 %2 %3 %4 %5"_s.arg(products.value(u"pr_articul"_s).toString(),
                                          products.dateTime(products.columnIndex(u"soa_deliverydate"_s)).date().toString(Qt::ISODate),
                                          products.money(products.columnIndex(u"soa_amount"_s)).toString(),
                                          products.isNull(products.columnIndex(u"sdi_amount"_s))
                                              ? u"-"_s
                                              : products.money(products.columnIndex(u"sdi_amount"_s)).toString(),
                                          products.value(u"pf_snomer"_s).toString());
        QCOMPARE(seen, (QStringList{u"A-1 2026-02-04 10.0000 8.0000 "_s, u"B-2 2026-02-03 8.0000 - PF-7"_s}));

        Data::Query requests(db, AcceptedOrderListDetails::acceptedByOrders());
        requests.bind(u"soa_suo_id"_s, suo).bind(u"soa_pr_id"_s, m_a).bind(u"soa_deliverydate"_s, f.day(4)).exec();
        QList<qint64> bofs;
        while (requests.next()) {
            bofs << requests.integer(0);
            QCOMPARE(requests.value(u"name_user"_s).toString(), u"ООО Покупатель"_s);
        }
        QCOMPARE(bofs, (QList<qint64>{r1, r2}));

        Data::Query state(db, AcceptedOrderListDetails::acceptedState());
        state.bind(u"suo_id"_s, suo).exec();
        QStringList lines;
        while (state.next())
            lines << u"%1 %2 %3"_s.arg(state.value(u"pr_articul"_s).toString(),
                                       state.value(u"sde_invoice_num"_s).toString(),
                                       state.money(state.columnIndex(u"sdi_amount"_s)).toString());
        QCOMPARE(lines, (QStringList{u"A-1 INV-1 3.0000"_s, u"A-1 INV-2 5.0000"_s, u"A-1 Итого 8.0000"_s}));
    }
};

QTEST_GUILESS_MAIN(AcceptedOrderListTest)
#include "tst_acceptedorderlist.moc"
