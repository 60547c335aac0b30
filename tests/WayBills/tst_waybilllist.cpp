#include "BusOffer/listfixture.h"
#include "WayBills/tdm_waybills.h"
#include "WayBills/waybillfixture.h"
#include "WayBills/waybilllist.h"
#include "core/exception.h"
#include "otbor/registerotbors.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tmanagerotbor.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::WayBills;
using namespace Tarvo::Test::WayBill;
using namespace Qt::Literals::StringLiterals;

using F = Test::WayBillFixture;

namespace {

struct State
{
    QString receipt;
    int work = -1;
    bool operator==(const State&) const = default;
};

QMap<qint64, State> listed(WayBillList& list)
{
    list.reload();
    list.fetchAll();
    QMap<qint64, State> r;
    for (list.first(); !list.afterLast(); list.next())
        r.insert(list.integer(u"swb_id"_s), State{list.string(u"swb_state"_s), int(list.integer(u"swb_state2"_s))});
    return r;
}

// The states worked out independently: per waybill, delivered from the products, received from
// the receipts, completed per invoice and product.
QMap<qint64, State> expected(Data::Database& db)
{
    QMap<qint64, State> r;
    Data::Query w(db, u"select swb_id from scm_waybill"_s);
    w.exec();
    QList<qint64> ids;
    while (w.next())
        ids << w.integer(0);
    w.finish();
    for (const qint64 swb : ids) {
        Money delivered, received, completed;
        Data::Query p(db, u"select sdp_sde_id, sdp_pr_id, sdp_amount, sde_complited from scm_deliveredProduct "
                          "join scm_delivery on sde_id = sdp_sde_id where sdp_swb_id = ?"_s);
        p.bindAll({swb}).exec();
        while (p.next()) {
            const Money got = Money::fromVariant(
                db.scalar(u"select coalesce(sum(kolc_predm), 0) from SCM_TOMOVE t join scl_move m on m.recno = t.recno "
                          "where t.soi_sde_id = ? and t.soi_sdp_pr_id = ?"_s,
                          {p.integer(0), p.integer(1)}));
            delivered += p.money(2);
            received += got;
            completed += p.integer(3) == 1 ? p.money(2) : got;
        }
        r.insert(swb, State{received <= Money() ? QString() : received >= delivered ? u"+"_s : u"Ч"_s,
                            completed < delivered ? 1 : 0});
    }
    return r;
}

qint64 ship(F& f, int suo, const QString& number)
{
    Tdm_WayBills doc(&f.db);
    doc.newWayBill();
    header(doc);
    doc.addOrder(suo);
    setInvoiceNumber(doc, number);
    if (!doc.saveDocument())
        throw Exception(u"not saved"_s);
    return doc.wayBillId();
}

qint64 invoiceOf(F& f, qint64 swb)
{
    return f.count(u"select min(sde_id) from scm_delivery where sde_swb_id = ?"_s, {swb});
}

} // namespace

// The list's states and filters against the tables, the in-place edits and the deletion.
class WayBillListTest : public QObject
{
    Q_OBJECT

private slots:
    void statesAndFiltersFollowTheTables()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 w1 = ship(f, int(f.o1), u"W1"_s), w2 = ship(f, int(f.o2), u"W2"_s), w3 = ship(f, int(f.o3), u"W3"_s);
        // Receipts come one per request row, three for one product: 6 + 4 + 5 of 15 received.
        f.received(f.r1, f.a, f.o1, F::day(5), invoiceOf(f, w1), w1, "6");
        f.received(f.r2, f.a, f.o1, F::day(5), invoiceOf(f, w1), w1, "4");
        f.received(f.r1, f.a, f.o1, F::day(8), invoiceOf(f, w1), w1, "5");
        f.received(f.r2, f.b, f.o2, F::day(6), invoiceOf(f, w2), w2, "2");
        f.db.exec(u"update scm_delivery set sde_complited = 1 where sde_id = ?"_s, {invoiceOf(f, w3)});

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::WayBills, global);
        WayBillList list(f.db);
        list.setFilters(own.get());
        const QMap<qint64, State> all = listed(list);
        QCOMPARE(all, expected(f.db));
        QCOMPARE(all.value(w1), (State{u"+"_s, 0}));
        QCOMPARE(all.value(w2), (State{u"Ч"_s, 1}));
        QCOMPARE(all.value(w3), (State{QString(), 0}));

        Otbor::TDocStateOtbor* state = global.docState(Otbor::OtborVar::WayBillState);
        state->setActive(true);
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        QCOMPARE(listed(list).keys(), QList<qint64>{w2});
        state->setDocState(Otbor::TDocStateOtbor::Done);
        QCOMPARE(listed(list).keys(), (QList<qint64>{w1, w3}));
        state->setActive(false);

        // A manager who may not see others' documents lists the waybills of his invoices only.
        const qint64 manager = Test::ListFixture{f.db}.currentUser({});
        f.db.exec(u"update scm_delivery set sde_user_id = ? where sde_swb_id = ?"_s, {manager, w2});
        QCOMPARE(listed(list).keys(), QList<qint64>{w2});
        TARVO_CHECK_CHAIN(f.db);
    }

    void stageAndArrivalAreEditedInPlace()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 w1 = ship(f, int(f.o1), u"W1"_s);
        WayBillList list(f.db);
        list.reload();
        QVERIFY(list.locateWayBill(w1));
        list.edit();
        list.setValue(u"swb_stepname"_s, u"На границе"_s);
        list.setValue(u"swb_arrival_date"_s, F::day(20));
        list.post();
        QCOMPARE(f.db.scalar(u"select swb_stepname from scm_waybill where swb_id = ?"_s, {w1}).toString(), u"На границе"_s);
        list.edit();
        list.setValue(u"swb_arrival_date"_s, QVariant());
        list.post();
        QVERIFY(f.db.scalar(u"select swb_arrival_date from scm_waybill where swb_id = ?"_s, {w1}).isNull());
        QVERIFY_THROWS_EXCEPTION(Exception, list.setValue(u"swb_weight"_s, 1));
        // Deleted elsewhere: the edit is refused, not reported saved.
        QVERIFY(WayBillList::deleteWayBill(f.db, w1));
        list.edit();
        list.setValue(u"swb_stepname"_s, u"Прибыла"_s);
        QVERIFY_THROWS_EXCEPTION(Exception, list.post());
        QVERIFY(!WayBillList::deleteWayBill(f.db, w1));
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(WayBillListTest)
#include "tst_waybilllist.moc"
