#include "BusOffer/listfixture.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/offerlistcommands.h"
#include "BusOffer/offerliststatement.h"
#include "data/engine/dialect.h"
#include "data/engine/procedureregistry.h"
#include "otbor/registerotbors.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarbool.h"
#include "otbor/tvarstringcompare.h"
#include "security/rights.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

// bof_id -> state of every listed request, reading every batch.
QMap<qint64, int> states(OfferList& list)
{
    list.reload();
    list.fetchAll();
    QMap<qint64, int> r;
    for (list.first(); !list.afterLast(); list.next())
        r.insert(list.integer(u"bof_id"_s), int(list.integer(u"bof_state"_s)));
    return r;
}

QList<qint64> ids(OfferList& list)
{
    return states(list).keys();
}

} // namespace

class OfferListTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Test::ListFixture> m_f;
    qint64 m_buyer = 0;
    qint64 m_supplier = 0;

private slots:
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Data::Database& db = m_t->db();
        Data::Database::setMain(&db);
        m_f = std::make_unique<Test::ListFixture>(Test::ListFixture{db});
        m_f->currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        m_buyer = m_f->partner(u"B1"_s, u"ООО Покупатель"_s);
        m_supplier = m_f->partner(u"S1"_s, u"Поставщик"_s);
    }
    void cleanup()
    {
        m_f.reset();
        Data::Database::setMain(nullptr);
        m_t.reset();
    }

    void stateFollowsHandMadeChains()
    {
        Test::ListFixture& f = *m_f;
        const qint64 p1 = f.product(u"P1"_s), p2 = f.product(u"P2"_s);
        const qint64 suo = f.order(m_supplier);
        // Received in full although part of it never passed through the stage tables.
        const qint64 received = f.request(m_buyer);
        f.line(received, p1, 10);
        const auto open = f.invoice(m_supplier, false);
        f.shipped(received, p1, suo, open, 6);
        f.received(received, p1, suo, open, 10);
        // Partly shipped, nothing received.
        const qint64 partly = f.request(m_buyer);
        f.line(partly, p1, 10);
        f.shipped(partly, p1, suo, open, 4);
        // More placed than requested, not completed.
        const qint64 over = f.request(m_buyer);
        f.line(over, p1, 5);
        f.ordered(over, p1, suo, 4);
        f.accepted(over, p1, suo, 3);
        // 0.3 requested, shipped as 0.1 + 0.2 on two completed invoices.
        const qint64 split = f.request(m_buyer);
        f.line(split, p1, 0.3);
        f.shipped(split, p1, suo, f.invoice(m_supplier, true), 0.1);
        f.shipped(split, p1, suo, f.invoice(m_supplier, true), 0.2);
        // 0.1 + 0.2 requested on two lines, 0.3 placed: all of it placed, not less.
        const qint64 placed = f.request(m_buyer);
        f.line(placed, p1, 0.1);
        f.line(placed, p2, 0.2);
        f.ordered(placed, p2, suo, 0.3);
        // A completed invoice counts what was shipped, whatever was received.
        const qint64 completed = f.request(m_buyer);
        f.line(completed, p1, 2);
        const auto closed = f.invoice(m_supplier, true);
        f.shipped(completed, p1, suo, closed, 2);
        f.received(completed, p1, suo, closed, 1);
        const qint64 empty = f.request(m_buyer);

        OfferList list(m_t->db());
        const QMap<qint64, int> s = states(list);
        QCOMPARE(s.value(received), 0);
        QCOMPARE(s.value(partly), 1);
        QCOMPARE(s.value(over), 2);
        QCOMPARE(s.value(split), 0);
        QCOMPARE(s.value(placed), 2);
        QCOMPARE(s.value(completed), 0);
        QCOMPARE(s.value(empty), 0); // nothing requested, nothing to do
        QVERIFY(list.locateOffer(partly));
        QCOMPARE(list.string(u"bof_state_name"_s), u"В работе"_s);
        QCOMPARE(list.string(u"name_user"_s), u"ООО Покупатель"_s);
        QCOMPARE(Money::fromVariant(list.value(u"k4"_s)), Money::fromDouble(4));
        QVERIFY(list.locateOffer(over));
        QCOMPARE(list.string(u"bof_state_name"_s), u"Выполнено по реестру"_s);
    }

    void invoiceWithoutCompletionFlagCountsWhatWasReceived()
    {
        // The column cannot hold null here; the rule is checked on the expression itself.
        Data::Database& db = m_t->db();
        const QString e = OfferListStatement::completedAmount(u"q.flag"_s, u"q.shipped"_s, u"q.received"_s);
        const auto value = [&](const QString& flag, const QString& received) {
            return Money::fromVariant(
                db.scalar(u"select %1 from (select %2 flag, cast(5 as numeric(19,4)) shipped, %3 received) q"_s.arg(
                    e, flag, received)));
        };
        QCOMPARE(value(u"cast(null as integer)"_s, u"cast(2 as numeric(19,4))"_s), Money::fromDouble(2));
        QCOMPARE(value(u"cast(null as integer)"_s, u"cast(null as numeric(19,4))"_s), Money());
        QCOMPARE(value(u"0"_s, u"cast(2 as numeric(19,4))"_s), Money::fromDouble(2));
        QCOMPARE(value(u"1"_s, u"cast(2 as numeric(19,4))"_s), Money::fromDouble(5));
    }

    void everyStateFilterValueListsExactlyThatState()
    {
        Test::ListFixture& f = *m_f;
        const qint64 p1 = f.product(u"P1"_s);
        const qint64 suo = f.order(m_supplier);
        const auto open = f.invoice(m_supplier, false);
        const qint64 received = f.request(m_buyer);
        f.line(received, p1, 10);
        f.shipped(received, p1, suo, open, 6);
        f.received(received, p1, suo, open, 10);
        const qint64 partly = f.request(m_buyer);
        f.line(partly, p1, 10);
        f.ordered(partly, p1, suo, 3);
        const qint64 over = f.request(m_buyer);
        f.line(over, p1, 5);
        f.ordered(over, p1, suo, 6);
        const qint64 exact = f.request(m_buyer);
        f.line(exact, p1, 5);
        f.accepted(exact, p1, suo, 5);

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);
        OfferList list(m_t->db());
        list.setFilters(own.get());
        const QMap<qint64, int> all = states(list);
        QCOMPARE(all.size(), 4);
        Otbor::TDocStateOtbor* state = global.docState(Otbor::OtborVar::OfferState);
        state->setActive(true);
        for (int v : {0, 1, 2}) {
            state->setDocState(Otbor::TDocStateOtbor::DocState(v));
            QList<qint64> expected;
            for (auto it = all.cbegin(); it != all.cend(); ++it)
                if (it.value() == v)
                    expected << it.key();
            QCOMPARE(ids(list), expected);
        }
        // Fully received requests are done, not in progress; over-placed ones are done by the register.
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        QCOMPARE(ids(list), QList<qint64>{partly});
        state->setDocState(Otbor::TDocStateOtbor::DoneByRegister);
        QCOMPARE(ids(list), (QList<qint64>{over, exact}));
        state->setDocState(Otbor::TDocStateOtbor::Done);
        QCOMPARE(ids(list), QList<qint64>{received});
    }

    void markAndUrgencyFiltersNarrowTheList()
    {
        Test::ListFixture& f = *m_f;
        Data::Database& db = m_t->db();
        const qint64 urgent = db.insertReturning(u"insert into SCM_Library_Urgency (Name, Priority) values (?, 1)"_s,
                                                 u"Urgency_ID"_s, {u"Срочно"_s});
        const qint64 a = f.request(m_buyer, urgent);
        const qint64 b = f.request(m_buyer);
        db.exec(u"update scm_business_offer set bof_otmetka = 1 where bof_id = ?"_s, {b});
        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);
        OfferList list(db);
        list.setFilters(own.get());
        QCOMPARE(ids(list), (QList<qint64>{a, b}));
        Otbor::TMarkedOtbor* mark = global.mark(Otbor::OtborVar::OfferMark);
        mark->setActive(true);
        mark->setValue(true);
        QCOMPARE(ids(list), QList<qint64>{b});
        mark->setValue(false);
        QCOMPARE(ids(list), QList<qint64>{a});
        mark->setActive(false);
        global.urgency()->setActive(true);
        global.urgency()->setCompareType(Otbor::TVarStringCompare::Contains);
        global.urgency()->setCompareString(u"роч"_s);
        QCOMPARE(ids(list), QList<qint64>{a});
        QVERIFY(list.locateOffer(a));
        QCOMPARE(list.string(u"Urgency_Name"_s), u"Срочно"_s);
        global.urgency()->setActive(false);
        const qint64 c = f.request(f.partner(u"B2"_s, u"ЗАО Другой"_s));
        global.partner(Otbor::OtborVar::Customer)->setActive(true);
        global.partner(Otbor::OtborVar::Customer)->setCompareString(u"B2"_s);
        list.setBatchSize(1);
        QCOMPARE(ids(list), QList<qint64>{c});
        QCOMPARE(list.string(u"name_user"_s), u"ЗАО Другой"_s);
    }

    void batchesAreReadInKeyOrderAndTheCurrentRequestComesBack()
    {
        Test::ListFixture& f = *m_f;
        QList<qint64> all;
        for (int i = 0; i < 40; ++i)
            all << f.request(m_buyer);
        Data::Database& db = m_t->db();
        // Requests that the filter hides neither end the reading nor fill a batch.
        for (int i = 4; i < 12; ++i)
            db.exec(u"update scm_business_offer set bof_otmetka = 1 where bof_id = ?"_s, {all[i]});
        OfferList list(db);
        list.setBatchSize(4);
        list.setFirstRows(6);
        list.reload();
        // Batches of 4, then 8, 16, 32, ... requests.
        QCOMPARE(list.recordCount(), 12);
        QVERIFY(list.canFetchMore());
        QVERIFY(list.locateOffer(all[17]));
        QCOMPARE(list.currentOffer(), all[17]);
        QCOMPARE(list.recordCount(), 28);
        list.reload(all[17]);
        QCOMPARE(list.currentOffer(), all[17]);
        QCOMPARE(ids(list), all);

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);
        global.mark(Otbor::OtborVar::OfferMark)->setActive(true);
        global.mark(Otbor::OtborVar::OfferMark)->setValue(false);
        list.setFilters(own.get());
        list.reload();
        QCOMPARE(list.currentOffer(), all[0]);
        // Batches count the requests the filters pass: 4, then 8 after the marked ones.
        QCOMPARE(list.recordCount(), 12);
        QCOMPARE(list.value(u"bof_id"_s).toLongLong(), all[0]);
        while (list.canFetchMore())
            list.fetchMore();
        QCOMPARE(list.recordCount(), 32);
        // A request that the filter hides is not found; the list stays on its first row.
        list.reload(all[5]);
        QCOMPARE(list.currentOffer(), all[0]);

        // Batches that the state filter (decided by the totals) empties are passed over.
        global.mark(Otbor::OtborVar::OfferMark)->setActive(false);
        const qint64 p = f.product(u"P1"_s);
        for (int i = 0; i < 12; ++i)
            f.line(all[i], p, 1); // in progress: requested, nothing placed
        global.docState(Otbor::OtborVar::OfferState)->setActive(true);
        global.docState(Otbor::OtborVar::OfferState)->setDocState(Otbor::TDocStateOtbor::Done);
        list.reload();
        QCOMPARE(list.recordCount(), 16);
        QCOMPARE(list.currentOffer(), all[12]);
    }

    // The list says with its first batch how many rows its other batches will bring, with the
    // header's filters applied; the state filter, which needs every request's totals, gives none.
    void theCountTakenWithTheFirstBatchIsWhatTheBatchesBring()
    {
        Test::ListFixture& f = *m_f;
        Data::Database& db = m_t->db();
        const qint64 other = f.partner(u"B2"_s, u"ЗАО Другой"_s);
        QList<qint64> all;
        for (int i = 0; i < 40; ++i)
            all << f.request(i % 3 == 0 ? other : m_buyer);
        for (int i = 0; i < 40; i += 4)
            db.exec(u"update scm_business_offer set bof_otmetka = 1 where bof_id = ?"_s, {all[i]});
        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);
        OfferList list(db);
        list.setFilters(own.get());
        list.setBatchSize(4);
        list.setFirstRows(1);
        const auto countHolds = [&](int listed) {
            list.reload();
            const int first = list.recordCount();
            const int expected = list.expectedUnreadRows();
            if (first >= listed || expected < 0 || first + expected != listed) {
                qWarning() << "first" << first << "expected" << expected << "listed" << listed;
                return false;
            }
            while (list.canFetchMore())
                list.fetchMore();
            return list.recordCount() == listed && list.expectedUnreadRows() == -1;
        };
        QVERIFY(countHolds(40));
        Otbor::TMarkedOtbor* mark = global.mark(Otbor::OtborVar::OfferMark);
        mark->setActive(true);
        mark->setValue(false);
        QVERIFY(countHolds(30));
        global.partner(Otbor::OtborVar::Customer)->setActive(true);
        global.partner(Otbor::OtborVar::Customer)->setCompareString(u"B1"_s);
        // Requests 1, 2, 5, 6, 7, 9, … of the first customer that are not marked.
        int listed = 0;
        for (int i = 0; i < 40; ++i)
            listed += i % 3 != 0 && i % 4 != 0;
        QVERIFY(countHolds(listed));

        // The state filter: no count, the list grows a batch at a time.
        mark->setActive(false);
        global.partner(Otbor::OtborVar::Customer)->setActive(false);
        global.docState(Otbor::OtborVar::OfferState)->setActive(true);
        global.docState(Otbor::OtborVar::OfferState)->setDocState(Otbor::TDocStateOtbor::Done);
        list.reload();
        QVERIFY(list.canFetchMore());
        QCOMPARE(list.expectedUnreadRows(), -1);
    }

    void flagsAreWrittenOneColumnAtATime()
    {
        Data::Database& db = m_t->db();
        const qint64 id = m_f->request(m_buyer);
        OfferList list(db);
        list.reload();
        QCOMPARE(list.currentOffer(), id);
        // Another workstation marks the request after the list was read.
        auto other = m_t->connectAgain();
        other->exec(u"update scm_business_offer set bof_otmetka = 1 where bof_id = ?"_s, {id});
        list.toggleAccepted();
        QCOMPARE(db.scalar(u"select bof_accepted from scm_business_offer where bof_id = ?"_s, {id}).toInt(), 1);
        QCOMPARE(db.scalar(u"select bof_otmetka from scm_business_offer where bof_id = ?"_s, {id}).toInt(), 1);
        // The list shows both flags as stored.
        QCOMPARE(list.value(u"bof_accepted"_s).toInt(), 1);
        QCOMPARE(list.value(u"bof_otmetka"_s).toInt(), 1);
        // And the other way round: the other user rejects, this one unmarks.
        other->exec(u"update scm_business_offer set bof_accepted = 0 where bof_id = ?"_s, {id});
        list.toggleMarked();
        QCOMPARE(db.scalar(u"select bof_accepted from scm_business_offer where bof_id = ?"_s, {id}).toInt(), 0);
        QCOMPARE(db.scalar(u"select bof_otmetka from scm_business_offer where bof_id = ?"_s, {id}).toInt(), 0);
        QCOMPARE(list.value(u"bof_accepted"_s).toInt(), 0);
        // A request deleted meanwhile is reported, and the list keeps its row as read.
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {id});
        QVERIFY_THROWS_EXCEPTION(Exception, list.toggleMarked());
        QCOMPARE(list.state(), Data::RowSetState::Browse);
        QCOMPARE(list.value(u"bof_otmetka"_s).toInt(), 0);
    }

    void deleteNeedsTheRightAndRefusesReceivedGoods()
    {
        Test::ListFixture& f = *m_f;
        Data::Database& db = m_t->db();
        const qint64 p1 = f.product(u"P1"_s);
        const qint64 suo = f.order(m_supplier);
        const qint64 ordered = f.request(m_buyer);
        f.line(ordered, p1, 3);
        f.ordered(ordered, p1, suo, 3);
        const qint64 received = f.request(m_buyer);
        f.line(received, p1, 3);
        const auto inv = f.invoice(m_supplier, false);
        f.shipped(received, p1, suo, inv, 3);
        f.received(received, p1, suo, inv, 3);
        const auto count = [&](qint64 id) {
            return db.scalar(u"select count(*) from scm_business_offer where bof_id = ?"_s, {id}).toInt();
        };
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException, OfferListCommands::deleteOffer(db, ordered));
        QCOMPARE(count(ordered), 1);

        m_f->currentUser({Security::Right::DeleteBusinessOffer});
        OfferListCommands::deleteOffer(db, ordered);
        QCOMPARE(count(ordered), 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_bo_ordered where bpo_bof_id = ?"_s, {ordered}).toInt(), 0);
        try {
            OfferListCommands::deleteOffer(db, received);
            QFAIL("a request with received goods was deleted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), u"Товар доставлен. Существуют приходные накладные\r\nУдаление заявки невозможно"_s);
        }
        QCOMPARE(count(received), 1);
        QCOMPARE(db.scalar(u"select count(*) from scm_offer_invoice where soi_bof_id = ?"_s, {received}).toInt(), 1);
        QVERIFY(!db.inTransaction());
    }
};

QTEST_GUILESS_MAIN(OfferListTest)
#include "tst_offerlist.moc"
