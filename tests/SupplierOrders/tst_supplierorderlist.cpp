#include "SupplierOrders/listfixture.h"
#include "SupplierOrders/supplierordercommands.h"
#include "SupplierOrders/supplierorderdeleteprocedure.h"
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/supplierorderlistdetails.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "data/modules/servererror.h"
#include "data/modules/tupdatedadoquery.h"
#include "otbor/registerotbors.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarbool.h"
#include "otbor/tvarstringcompare.h"
#include "security/rights.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::SupplierOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Row
{
    int state = -1;
    QString stateName;
    Money ordered, confirmed, z5;
    int accepted = -1, waiting = -1, marked = -1;
};

QMap<qint64, Row> rows(SupplierOrderList& list)
{
    list.reload();
    list.fetchAll();
    QMap<qint64, Row> r;
    for (list.first(); !list.afterLast(); list.next())
        r.insert(list.integer(u"suo_id"_s),
                 Row{int(list.integer(u"suo_state"_s)), list.string(u"suo_state_name"_s),
                     Money::fromVariant(list.value(u"sop_amount"_s)),
                     Money::fromVariant(list.value(u"soa_amount_accepted"_s)),
                     Money::fromVariant(list.value(u"z5"_s)), list.value(u"suo_accepted"_s).toInt(),
                     list.value(u"suo_waiting"_s).toInt(), list.value(u"suo_otmetka"_s).toInt()});
    return r;
}

QList<qint64> ids(SupplierOrderList& list)
{
    return rows(list).keys();
}

QString refusal(const std::function<void()>& command)
{
    try {
        command();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

} // namespace

class SupplierOrderListTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Test::SupplierListFixture> m_f;
    qint64 m_a = 0, m_b = 0;

private slots:
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        m_f = std::make_unique<Test::SupplierListFixture>(m_t->db());
        m_a = m_f->product(u"A-1"_s);
        m_b = m_f->product(u"B-2"_s);
    }
    void cleanup()
    {
        m_f.reset();
        m_t.reset();
    }

    // The state's edges, and every state filter value lists exactly the orders shown with it.
    void stateAndFiltersAgree()
    {
        Test::SupplierListFixture& f = *m_f;
        const qint64 swb = f.waybill(), open = f.invoice(swb, false),
                     closed = f.invoice(swb, true, u"INV-2"_s);
        // Every line received in full (a closed invoice) while still open for waiting: done.
        const auto received = f.orderWithRequest(m_a, "10", "1000");
        f.confirmFromRequest(received, m_a, f.day(3), "10", "1000");
        f.ship(received.bof, received.suo, m_a, f.day(3), closed, swb, "10");
        // Nothing confirmed, not waiting: by register; waiting: in progress.
        const auto notWaiting = f.orderWithRequest(m_a, "10", "1000", "0", {}, false);
        const auto waiting = f.orderWithRequest(m_a, "10", "1000");
        // Confirmed in full, nothing delivered: by register.
        const auto confirmed = f.orderWithRequest(m_a, "10", "1000");
        f.confirmFromRequest(confirmed, m_a, f.day(3), "10", "1000");
        // 12 ordered, 10 confirmed and shipped, the warehouse counted 12: done, never "В работе".
        const auto counted = f.orderWithRequest(m_a, "12", "1200");
        f.confirmFromRequest(counted, m_a, f.day(3), "10", "1000");
        f.ship(counted.bof, counted.suo, m_a, f.day(3), open, swb, "10");
        f.received(counted.bof, m_a, counted.suo, f.day(3), open, swb, "12");

        SupplierOrderList list(m_t->db());
        QMap<qint64, Row> r = rows(list);
        QCOMPARE(r.value(received.suo).state, 0);
        QCOMPARE(r.value(received.suo).stateName, u"Выполнено"_s);
        QCOMPARE(r.value(received.suo).waiting, 1);
        QCOMPARE(r.value(received.suo).z5, Money(10));
        QCOMPARE(r.value(notWaiting.suo).state, 2);
        QCOMPARE(r.value(notWaiting.suo).stateName, u"Выполнено по реестру"_s);
        QCOMPARE(r.value(waiting.suo).state, 1);
        QCOMPARE(r.value(waiting.suo).stateName, u"В работе"_s);
        QCOMPARE(r.value(confirmed.suo).state, 2);
        QCOMPARE(r.value(confirmed.suo).confirmed, Money(10));
        QCOMPARE(r.value(counted.suo).state, 0);
        QCOMPARE(r.value(counted.suo).z5, Money(12));
        QCOMPARE(r.value(counted.suo).ordered, Money(12));

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::SupplierOrders, global);
        list.setFilters(own.get());
        Otbor::TDocStateOtbor* state = global.docState(Otbor::OtborVar::OrderState);
        state->setActive(true);
        for (int v = 0; v <= 2; ++v) {
            state->setDocState(Otbor::TDocStateOtbor::DocState(v));
            QList<qint64> expected;
            for (auto it = r.cbegin(); it != r.cend(); ++it)
                if (it->state == v)
                    expected << it.key();
            QCOMPARE(ids(list), expected);
        }
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        QCOMPARE(ids(list), QList<qint64>{waiting.suo});
        state->setActive(false);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void markSupplierAndBatches()
    {
        Test::SupplierListFixture& f = *m_f;
        const qint64 other = f.catalog.partner(u"ДРУГ"_s, u"ООО Другой"_s, u"П"_s);
        QList<qint64> all, others;
        for (int i = 0; i < 7; ++i) {
            const qint64 suo = f.newOrder({}, true, i % 3 == 0 ? other : 0);
            f.orderedLine(suo, m_a, "1", "10");
            all << suo;
            if (i % 3 == 0)
                others << suo;
        }
        m_t->db().exec(u"update scm_supplier_order set suo_otmetka = 1 where suo_id = ?"_s, {all.at(2)});
        SupplierOrderList list(m_t->db());
        list.setBatchSize(2);
        list.setFirstRows(1);
        QCOMPARE(ids(list), all);
        QVERIFY(list.locateOrder(all.at(5)));

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::SupplierOrders, global);
        list.setFilters(own.get());
        global.mark(Otbor::OtborVar::OrderMark)->setActive(true);
        global.mark(Otbor::OtborVar::OrderMark)->setValue(true);
        QCOMPARE(ids(list), QList<qint64>{all.at(2)});
        global.mark(Otbor::OtborVar::OrderMark)->setActive(false);
        global.partner(Otbor::OtborVar::Supplier)->setActive(true);
        global.partner(Otbor::OtborVar::Supplier)->setCompareString(u"ДРУГ"_s);
        QCOMPARE(ids(list), others);
        list.reload();
        QCOMPARE(Money::fromVariant(list.value(u"sop_amount"_s)), Money(1));
        QCOMPARE(list.string(u"name_user"_s), u"ООО Другой"_s);
    }

    // A flag written from the list touches its own column only: another user's approval and
    // waiting survive a mark set here, and the row shows them as stored.
    void flagWritesOnlyItsColumn()
    {
        Test::SupplierListFixture& f = *m_f;
        const qint64 suo = f.newOrder();
        f.orderedLine(suo, m_a, "1", "10");
        SupplierOrderList list(m_t->db());
        list.reload(suo);
        QCOMPARE(list.value(u"suo_accepted"_s).toInt(), 0);
        QCOMPARE(list.value(u"suo_waiting"_s).toInt(), 1);
        m_t->db().exec(u"update scm_supplier_order set suo_accepted = 1, suo_waiting = 0 where suo_id = ?"_s,
                       {suo});
        list.toggleMarked();
        const auto stored = [&](const QString& c) {
            return m_t->db()
                .scalar(u"select %1 from scm_supplier_order where suo_id = ?"_s.arg(c), {suo})
                .toInt();
        };
        QCOMPARE(stored(u"suo_otmetka"_s), 1);
        QCOMPARE(stored(u"suo_accepted"_s), 1);
        QCOMPARE(stored(u"suo_waiting"_s), 0);
        QCOMPARE(list.value(u"suo_accepted"_s).toInt(), 1);
        QCOMPARE(list.value(u"suo_waiting"_s).toInt(), 0);
        QVERIFY(!list.isWaiting());

        list.setWaiting(true);
        QCOMPARE(stored(u"suo_waiting"_s), 1);
        m_t->db().exec(u"update scm_supplier_order set suo_otmetka = 0 where suo_id = ?"_s, {suo});
        list.toggleAccepted();
        QCOMPARE(stored(u"suo_accepted"_s), 0);
        QCOMPARE(stored(u"suo_otmetka"_s), 0);
        QCOMPARE(stored(u"suo_waiting"_s), 1);

        // An order deleted meanwhile: refused, nothing written.
        m_t->db().exec(u"delete from scm_so_products where sop_suo_id = ?"_s, {suo});
        m_t->db().exec(u"delete from scm_supplier_order where suo_id = ?"_s, {suo});
        QCOMPARE(refusal([&] { list.toggleMarked(); }), u"Заказ %1 удален другим пользователем"_s.arg(suo));
    }

    // The lines with their confirmed totals and whether the confirmed price differs.
    void linesShowConfirmedTotals()
    {
        Test::SupplierListFixture& f = *m_f;
        const qint64 c = f.product(u"C-3"_s);
        const auto o = f.orderWithRequest(m_a, "10", "1000");
        f.orderedLine(o.suo, m_b, "5", "500");
        f.orderedLine(o.suo, c, "0", "0");
        f.confirmFromRequest(o, m_a, f.day(3), "4", "400");
        f.confirm(o.suo, m_a, f.day(4), "2", "200");
        f.confirm(o.suo, m_b, f.day(3), "5", "550");
        Data::TUpdatedADOQuery lines(&m_t->db());
        lines.setSql(SupplierOrderListDetails::lines(m_t->db().dialect()));
        lines.setParameter(u"suo_id"_s, o.suo);
        lines.open();
        QCOMPARE(lines.recordCount(), 3);
        QMap<qint64, QVariantList> byProduct;
        for (lines.first(); !lines.afterLast(); lines.next())
            byProduct.insert(lines.integer(u"sop_pr_id"_s),
                             {lines.value(u"soa_amount"_s), lines.value(u"soa_sum"_s),
                              lines.value(u"price_differs"_s), lines.value(u"sop_price"_s)});
        QCOMPARE(Money::fromVariant(byProduct.value(m_a).at(0)), Money(6));
        QCOMPARE(Money::fromVariant(byProduct.value(m_a).at(1)), Money(600));
        QCOMPARE(byProduct.value(m_a).at(2).toInt(), 0);
        QCOMPARE(Money::fromVariant(byProduct.value(m_a).at(3)), Money(100));
        QCOMPARE(byProduct.value(m_b).at(2).toInt(), 1);
        QVERIFY(byProduct.value(c).at(2).isNull());
        QVERIFY(byProduct.value(c).at(3).isNull());
        TARVO_CHECK_CHAIN(m_t->db());
    }

    // Cut to the confirmed amount, the line keeps its price: both sums shrink with it.
    void reduceKeepsThePrice()
    {
        Test::SupplierListFixture& f = *m_f;
        const auto o = f.orderWithRequest(m_a, "10", "1000", "100", u"USD"_s);
        f.confirmFromRequest(o, m_a, f.day(3), "6", "600", "60");
        f.orderedLine(o.suo, m_b, "3", "300", "30");
        SupplierOrderCommands::reduceToConfirmed(m_t->db(), o.suo, m_a);
        const auto line = [&](qint64 pr, const QString& c) {
            return f.sum(u"select %1 from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s.arg(c),
                         {o.suo, pr});
        };
        QCOMPARE(line(m_a, u"sop_amount"_s), Money(6));
        QCOMPARE(line(m_a, u"sop_sum"_s), Money(600));
        QCOMPARE(line(m_a, u"sop_sum_valut"_s), Money(60));
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered where bpo_suo_id = ? and bpo_pr_id = ?"_s,
                         {o.suo, m_a}),
                 0);
        QCOMPARE(f.count(u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s, {o.suo}), 1);
        // Nothing confirmed: the line goes.
        SupplierOrderCommands::reduceToConfirmed(m_t->db(), o.suo, m_b);
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                         {o.suo, m_b}),
                 0);
        // A line gone meanwhile is refused.
        QVERIFY(refusal([&] {
                    SupplierOrderCommands::reduceToConfirmed(m_t->db(), o.suo, m_b);
                }).contains(u"удален другим пользователем"_s));
        TARVO_CHECK_CHAIN(m_t->db());
    }

    // The delete takes everything hanging from the order and releases the requests' amounts.
    void deleteTakesTheWholeOrder()
    {
        Test::SupplierListFixture& f = *m_f;
        const auto o = f.orderWithRequest(m_a, "10", "1000");
        f.confirmFromRequest(o, m_a, f.day(3), "4", "400");
        const auto other = f.orderWithRequest(m_b, "2", "20");
        SupplierOrderCommands::deleteOrder(m_t->db(), o.suo);
        for (const auto& [table, key] : {std::pair{u"scm_bo_accepted"_s, u"boa_suo_id"_s},
                                         {u"scm_so_accepted"_s, u"soa_suo_id"_s},
                                         {u"scm_bo_ordered"_s, u"bpo_suo_id"_s},
                                         {u"scm_so_products"_s, u"sop_suo_id"_s},
                                         {u"scm_supplier_order"_s, u"suo_id"_s}})
            QCOMPARE(f.count(u"select count(*) from %1 where %2 = ?"_s.arg(table, key), {o.suo}), 0);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {o.bof}), 1);
        QCOMPARE(f.sum(u"select bpd_placed from scm_bp_delivery where bpd_bof_id = ?"_s, {o.bof}), Money(0));
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {other.suo}), 1);
        // Gone already: refused.
        QCOMPARE(refusal([&] { SupplierOrderCommands::deleteOrder(m_t->db(), o.suo); }),
                 u"Заказ %1 уже удален другим пользователем"_s.arg(o.suo));

        // In the caller's transaction: rolled back with it.
        {
            Data::Transaction t(m_t->db());
            QVERIFY(SupplierOrderDeleteProcedure::run(m_t->db(), other.suo));
            QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {other.suo}), 0);
        }
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {other.suo}), 1);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    // Received goods, goods in transit and a proforma keep the order, and nothing is deleted.
    void deleteRefusals()
    {
        Test::SupplierListFixture& f = *m_f;
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        const auto received = f.orderWithRequest(m_a, "10", "1000");
        f.confirmFromRequest(received, m_a, f.day(3), "10", "1000");
        f.ship(received.bof, received.suo, m_a, f.day(3), sde, swb, "10");
        f.received(received.bof, m_a, received.suo, f.day(3), sde, swb, "10", u"ПН-7"_s);
        const auto transit = f.orderWithRequest(m_a, "5", "500");
        f.confirmFromRequest(transit, m_a, f.day(3), "5", "500");
        f.ship(transit.bof, transit.suo, m_a, f.day(3), sde, swb, "5");
        const auto inProforma = f.orderWithRequest(m_b, "5", "500");
        f.confirm(inProforma.suo, m_b, f.day(4), "5", "500", "0", f.proforma(u"PF-9"_s));

        const QString tail = u"\r\nУдаление заказа невозможно"_s;
        QCOMPARE(refusal([&] { SupplierOrderCommands::deleteOrder(m_t->db(), received.suo); }),
                 u"Товар доставлен. Существуют приходные накладные"_s + tail);
        try {
            SupplierOrderDeleteProcedure::run(m_t->db(), received.suo);
            QFAIL("a received order was deleted");
        } catch (const Data::DatabaseError& e) {
            QCOMPARE(Data::ServerError::classify(e.errors()).kind, Data::ServerErrorKind::Reference);
            QVERIFY(e.message().contains(u"ПН-7"_s));
        }
        QCOMPARE(refusal([&] { SupplierOrderCommands::deleteOrder(m_t->db(), transit.suo); }),
                 u"Товар заказа %1 в пути (посылка %2)"_s.arg(transit.suo).arg(swb) + tail);
        QCOMPARE(refusal([&] { SupplierOrderCommands::deleteOrder(m_t->db(), inProforma.suo); }),
                 u"Товар заказа %1 входит в счет поставщика PF-9"_s.arg(inProforma.suo) + tail);
        for (qint64 suo : {received.suo, transit.suo, inProforma.suo}) {
            QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {suo}), 1);
            QCOMPARE(f.count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {suo}), 1);
        }
        QCOMPARE(f.count(u"select count(*) from scm_offer_invoice where soi_suo_id = ?"_s, {transit.suo}), 1);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void deleteNeedsItsRight()
    {
        Test::SupplierListFixture& f = *m_f;
        const auto o = f.orderWithRequest(m_a, "10", "1000");
        m_t->db().exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = ?"_s,
                       {f.adminId, Security::Right::DeleteSupplierOrder});
        QVERIFY(!Security::HasRight(Security::Right::DeleteSupplierOrder));
        QVERIFY(!refusal([&] { SupplierOrderCommands::deleteOrder(m_t->db(), o.suo); }).isEmpty());
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {o.suo}), 1);
        TARVO_CHECK_CHAIN(m_t->db());
    }
};

QTEST_GUILESS_MAIN(SupplierOrderListTest)
#include "tst_supplierorderlist.moc"
