#include "BusOffer/offerdetailsqueries.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/offerliststatement.h"
#include "BusOffer/offerdetailswriter.h"
#include "BusOffer/detfixture.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "security/rights.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using Test::DetFixture;

namespace {

struct LineRow
{
    QString article;
    Money amount, arrived, completed;
    bool complete = false;
    QVariant price;
};

QList<LineRow> readLines(Data::Database& db, qint64 bof)
{
    Data::Query q(db, OfferDetailsQueries::lines(db.dialect()));
    q.bind(QStringLiteral("bof_id"), bof).exec();
    QList<LineRow> rows;
    while (q.next())
        rows << LineRow{q.value(QStringLiteral("pr_articul")).toString(),
                        Money::fromVariant(q.value(QStringLiteral("bpd_amount"))),
                        Money::fromVariant(q.value(QStringLiteral("arrived"))),
                        Money::fromVariant(q.value(QStringLiteral("complited_amount"))),
                        q.value(QStringLiteral("bpd_completed")).toInt() == 1,
                        q.value(QStringLiteral("bpd_price"))};
    return rows;
}

// "stage article amount" per state row, in the query's order.
QStringList readState(Data::Database& db, qint64 bof)
{
    Data::Query q(db, OfferDetailsQueries::state(db.dialect()));
    q.bind(QStringLiteral("bof_id"), bof).exec();
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(q.value(QStringLiteral("st_name")).toString(), q.value(QStringLiteral("pr_articul")).toString(),
                         Money::fromVariant(q.value(QStringLiteral("amount"))).toString());
    return rows;
}

Money m(const char* text)
{
    return *Money::parse(QString::fromLatin1(text));
}

} // namespace

class OfferDetailsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void linesShowArrivedAndCompletionOfHandMadeChains()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request(), suo = f.order();
        const qint64 a = f.product(QStringLiteral("A-1")), b = f.product(QStringLiteral("B-2")),
                     c = f.product(QStringLiteral("C-3")), d = f.product(QStringLiteral("D-4")),
                     e = f.product(QStringLiteral("E-5"));
        // Inserted out of article order: the lines come ordered by article.
        f.line(bof, e, "2");
        f.line(bof, a, "10");
        f.line(bof, b, "5");
        f.line(bof, c, "0.3");
        f.line(bof, d, "0");
        const qint64 open = f.waybill(), arrived = f.waybill(true);
        const qint64 sdeOpen = f.invoice(open, false), sdeDone = f.invoice(arrived, true, QStringLiteral("INV-2"));
        // A: ordered 2, confirmed 3, shipped 5 of which 4 received on an open invoice.
        f.ordered(bof, a, suo, "2");
        f.accepted(bof, a, suo, DetFixture::day(3), "3");
        f.shipped(bof, a, suo, DetFixture::day(3), sdeOpen, open, "5");
        f.received(bof, a, suo, DetFixture::day(3), sdeOpen, open, "4");
        // B: shipped whole on an invoice marked completed, nothing received yet.
        f.shipped(bof, b, suo, DetFixture::day(3), sdeDone, arrived, "5");
        // C: 0.1 and 0.2 shipped on two confirmations and received in full.
        f.shipped(bof, c, suo, DetFixture::day(3), sdeOpen, open, "0.1");
        f.shipped(bof, c, suo, DetFixture::day(4), sdeOpen, open, "0.2");
        f.received(bof, c, suo, DetFixture::day(3), sdeOpen, open, "0.1");
        f.received(bof, c, suo, DetFixture::day(4), sdeOpen, open, "0.2");
        // E: shipped 2, received only 1.5 though shipped whole.
        f.shipped(bof, e, suo, DetFixture::day(3), sdeOpen, open, "2");
        f.received(bof, e, suo, DetFixture::day(3), sdeOpen, open, "1.5");

        const QList<LineRow> lines = readLines(f.db, bof);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0).article, QStringLiteral("A-1"));
        QCOMPARE(lines.at(0).arrived, m("4"));
        QCOMPARE(lines.at(0).completed, m("4"));
        QVERIFY(!lines.at(0).complete);
        QCOMPARE(Money::fromVariant(lines.at(0).price), m("10"));
        QCOMPARE(lines.at(1).article, QStringLiteral("B-2"));
        QCOMPARE(lines.at(1).arrived, Money());
        QCOMPARE(lines.at(1).completed, m("5"));
        QVERIFY(lines.at(1).complete);
        QCOMPARE(lines.at(2).article, QStringLiteral("C-3"));
        QCOMPARE(lines.at(2).completed, m("0.3"));
        QVERIFY2(lines.at(2).complete, "0.1 + 0.2 received completes 0.3");
        QCOMPARE(lines.at(3).article, QStringLiteral("D-4"));
        QVERIFY2(lines.at(3).price.isNull(), "no price for a zero amount");
        QCOMPARE(lines.at(4).arrived, m("1.5"));
        QVERIFY(!lines.at(4).complete);

        // The state page: every stage of every line, and the undistributed rest.
        const QStringList state = readState(f.db, bof);
        QVERIFY2(state.contains(QStringLiteral("Заказано A-1 2.0000")), qPrintable(state.join(u'|')));
        QVERIFY(state.contains(QStringLiteral("Подтверждено A-1 3.0000")));
        QVERIFY(state.contains(QStringLiteral("В пути A-1 1.0000")));
        QVERIFY(state.contains(QStringLiteral("Получено A-1 4.0000")));
        QVERIFY(state.contains(QStringLiteral("В пути B-2 5.0000")));
        QVERIFY(state.contains(QStringLiteral("Получено C-3 0.1000")));
        QVERIFY(state.contains(QStringLiteral("Получено C-3 0.2000")));
        QVERIFY2(!state.join(u'|').contains(QStringLiteral("В пути C-3")), "received in full: nothing on the way");
        QVERIFY(!state.join(u'|').contains(QStringLiteral("Не распределено")));
        QCOMPARE(state.size(), 9);
        QCOMPARE(state.first().section(u' ', 1, 1), QStringLiteral("A-1"));

        // The tabs of a line: the waybill that arrived leaves "Отправленные".
        const auto rows = [&](const QString& sql, qint64 pr) {
            Data::Query q(f.db, sql);
            q.bind(QStringLiteral("bpd_bof_id"), bof).bind(QStringLiteral("bpd_pr_id"), pr).exec();
            int n = 0;
            while (q.next())
                ++n;
            return n;
        };
        QCOMPARE(rows(OfferDetailsQueries::ordered(), a), 1);
        QCOMPARE(rows(OfferDetailsQueries::accepted(), a), 1);
        QCOMPARE(rows(OfferDetailsQueries::shipped(), a), 1);
        QCOMPARE(rows(OfferDetailsQueries::shipped(), b), 0);
        QCOMPARE(rows(OfferDetailsQueries::shipped(), c), 2);

        // Taking the order away leaves its amount undistributed.
        f.db.exec(QStringLiteral("delete from scm_bo_ordered where bpo_bof_id = ?"), {bof});
        QVERIFY(readState(f.db, bof).contains(QStringLiteral("Не распределено A-1 2.0000")));
    }

    void aReceiptWithoutConfirmationDateCountsOnce()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request(), suo = f.order();
        const qint64 a = f.product(QStringLiteral("A-1")), b = f.product(QStringLiteral("B-2")),
                     c = f.product(QStringLiteral("C-3")), d = f.product(QStringLiteral("D-4"));
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        const qint64 sdeDone = f.invoice(swb, true, QStringLiteral("INV-2"));
        const QVariant undated(QMetaType::fromType<QDateTime>());
        // A: 6 shipped on two confirmations, 3 received naming neither.
        f.line(bof, a, "6");
        f.shipped(bof, a, suo, DetFixture::day(3), sde, swb, "3");
        f.shipped(bof, a, suo, DetFixture::day(4), sde, swb, "3");
        f.received(bof, a, suo, undated, sde, swb, "3");
        // B: one row of 5, received 2 with its date and 1 without.
        f.line(bof, b, "5");
        f.shipped(bof, b, suo, DetFixture::day(3), sde, swb, "5");
        f.received(bof, b, suo, DetFixture::day(3), sde, swb, "2");
        f.received(bof, b, suo, undated, sde, swb, "1", QStringLiteral("ПН-2"));
        // C: a completed invoice counts its row once, whatever was received.
        f.line(bof, c, "4");
        f.shipped(bof, c, suo, DetFixture::day(3), sdeDone, swb, "4");
        f.received(bof, c, suo, DetFixture::day(3), sdeDone, swb, "1");
        f.received(bof, c, suo, undated, sdeDone, swb, "1", QStringLiteral("ПН-2"));
        // D: 3 + 3 shipped, 4 received undated in two parts: the earlier row is full, 2 on the way.
        f.line(bof, d, "6");
        f.shipped(bof, d, suo, DetFixture::day(3), sde, swb, "3");
        f.shipped(bof, d, suo, DetFixture::day(4), sde, swb, "3");
        f.received(bof, d, suo, undated, sde, swb, "2");
        f.received(bof, d, suo, undated, sde, swb, "2", QStringLiteral("ПН-2"));

        const QList<LineRow> lines = readLines(f.db, bof);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0).arrived, m("3"));
        QCOMPARE(lines.at(0).completed, m("3"));
        QVERIFY2(!lines.at(0).complete, "3 of 6 received");
        QCOMPARE(lines.at(1).completed, m("3"));
        QCOMPARE(lines.at(2).completed, m("4"));
        QVERIFY(lines.at(2).complete);
        QCOMPARE(lines.at(3).completed, m("4"));
        QVERIFY(!lines.at(3).complete);

        const QStringList state = readState(f.db, bof);
        const auto onTheWay = [&](const QString& article) {
            return state.filter(QStringLiteral("В пути ") + article + u' ');
        };
        QCOMPARE(onTheWay(QStringLiteral("A-1")), QStringList{QStringLiteral("В пути A-1 3.0000")});
        QCOMPARE(onTheWay(QStringLiteral("B-2")), QStringList{QStringLiteral("В пути B-2 2.0000")});
        QCOMPARE(onTheWay(QStringLiteral("C-3")), QStringList{QStringLiteral("В пути C-3 2.0000")});
        QCOMPARE(onTheWay(QStringLiteral("D-4")), QStringList{QStringLiteral("В пути D-4 2.0000")});
        QCOMPARE(state.filter(QStringLiteral("Получено")).size(), 7);

        // The register's completed total agrees with the lines.
        OfferList list(f.db);
        list.reload();
        QVERIFY(list.locateOffer(bof));
        QCOMPARE(Money::fromVariant(list.value(QStringLiteral("k5"))), m("14"));
    }

    void anInvoiceOfUnknownCompletionIsNotCompleted()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const QString expr = OfferListStatement::completedAmount(QStringLiteral("x.flag"), QStringLiteral("x.invoiced"),
                                                                  QStringLiteral("x.received"));
        const auto completed = [&](const QVariant& flag, const QVariant& received) {
            return Money::fromVariant(db.scalar(
                QStringLiteral("select %1 from (select cast(? as integer) flag, cast(5 as numeric(19,4)) invoiced, "
                               "cast(? as numeric(19,4)) received) x")
                    .arg(expr),
                {flag, received}));
        };
        const QVariant none(QMetaType::fromType<qint64>());
        QCOMPARE(completed(none, m("2").toVariant()), m("2"));
        QCOMPARE(completed(0, m("2").toVariant()), m("2"));
        QCOMPARE(completed(1, m("2").toVariant()), m("5"));
        QCOMPARE(completed(none, QVariant(QMetaType::fromType<QString>())), Money());
    }

    void theLastLineIsRefusedAndAnotherGoesWithItsWholeDistribution()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        Test::OfferNotices notices;
        const auto [bof, suo, a, b] = f.twoLineRequest();

        OfferDetailsWriter writer(f.db);
        QCOMPARE(writer.lineCount(bof), 2);
        writer.deleteLine(bof, a);
        QCOMPARE(notices.heard, 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_bof_id = ?"), {bof}), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_pr_id = ?"), {a}), 0);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_accepted where boa_pr_id = ?"), {a}), 0);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_offer_invoice where soi_pr_id = ?"), {a}), 0);
        // The other line keeps its distribution.
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_pr_id = ?"), {b}), 1);

        try {
            writer.deleteLine(bof, b);
            QFAIL("the last line was deleted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), OfferDetailsWriter::LastLineMessage);
        }
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_bof_id = ?"), {bof}), 1);
        QCOMPARE(notices.heard, 1);
    }

    void aFailedLineDeletionLeavesEveryRow()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const auto [bof, suo, a, b] = f.twoLineRequest();
        // Something else holds the line, so the last of the four deletes is refused.
        f.db.exec(QStringLiteral("create table test_line_holder (h_bof integer not null, h_pr integer not null, "
                                 "constraint FK_test_line_holder foreign key (h_bof, h_pr) "
                                 "references scm_bp_delivery (bpd_bof_id, bpd_pr_id))"));
        f.db.exec(QStringLiteral("insert into test_line_holder (h_bof, h_pr) values (?, ?)"), {bof, a});

        QVERIFY_THROWS_EXCEPTION(Exception, OfferDetailsWriter(f.db).deleteLine(bof, a));
        QVERIFY(!f.db.inTransaction());
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_pr_id = ?"), {a}), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_pr_id = ?"), {a}), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_accepted where boa_pr_id = ?"), {a}), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_offer_invoice where soi_pr_id = ?"), {a}), 1);
    }

    void receivedGoodsKeepTheirLineAndInvoiceRow()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const auto [bof, suo, a, b] = f.twoLineRequest();
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false, QStringLiteral("INV-9"));
        f.shipped(bof, b, suo, DetFixture::day(5), sde, swb, "2");
        f.received(bof, b, suo, DetFixture::day(5), sde, swb, "1");
        OfferDetailsWriter writer(f.db);
        try {
            writer.deleteLine(bof, b);
            QFAIL("a received line was deleted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Товар доставлен. Существуют приходные накладные\r\nУдаление товара невозможно"));
        }
        const StageRow row{bof, b, suo, DetFixture::day(5), sde, swb, b, *Money::parse(u"2")};
        QVERIFY_THROWS_EXCEPTION(Exception, writer.remove(OfferStage::Shipped, row));
        StageRow moved = row;
        moved.confirmedDate = DetFixture::day(3);
        QVERIFY_THROWS_EXCEPTION(Exception, writer.update(OfferStage::Shipped, row, moved));
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_offer_invoice where soi_pr_id = ?"), {b}), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_pr_id = ?"), {b}), 1);
        QVERIFY(!f.db.inTransaction());
        // The amount may still be corrected.
        StageRow less = row;
        less.amount = *Money::parse(u"1.5");
        writer.update(OfferStage::Shipped, row, less);
        QCOMPARE(f.sum(QStringLiteral("select soi_amount from scm_offer_invoice where soi_pr_id = ?"), {b}),
                 *Money::parse(u"1.5"));
    }

    void eachTabIsEditedByHandWithTheRight()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        Test::OfferNotices notices;
        const qint64 bof = f.request(), suo = f.order(), suo2 = f.order();
        const qint64 a = f.product(QStringLiteral("A"));
        f.line(bof, a, "10");
        f.orderLine(suo, a);
        f.orderLine(suo2, a);
        f.confirmation(suo, a, DetFixture::day(3));
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.invoiced(sde, swb, suo, a, DetFixture::day(3));
        OfferDetailsWriter writer(f.db);
        QVERIFY(writer.canEdit());

        // Ordered: new row, amount changed, moved to another order, deleted.
        StageRow ordered{bof, a, suo, {}, 0, 0, 0, m("2")};
        writer.insert(OfferStage::Ordered, ordered);
        StageRow changed = ordered;
        changed.amount = m("2.5");
        writer.update(OfferStage::Ordered, ordered, changed);
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_suo_id = ?"), {suo}), m("2.5"));
        StageRow moved = changed;
        moved.suoId = suo2;
        writer.update(OfferStage::Ordered, changed, moved);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_suo_id = ?"), {suo}), 0);
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_suo_id = ?"), {suo2}), m("2.5"));
        writer.remove(OfferStage::Ordered, moved);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered")), 0);

        // Confirmed: by the full key with the confirmation date.
        StageRow accepted{bof, a, suo, DetFixture::day(3), 0, 0, 0, m("3")};
        writer.insert(OfferStage::Accepted, accepted);
        accepted.amount = m("1");
        writer.update(OfferStage::Accepted, accepted, accepted);
        QCOMPARE(f.sum(QStringLiteral("select boa_amount from scm_bo_accepted where boa_bof_id = ?"), {bof}), m("1"));

        // Shipped: the waybill comes from the invoice; both amounts are kept together.
        StageRow shipped{bof, a, suo, DetFixture::day(3), sde, 0, 0, m("4")};
        writer.insert(OfferStage::Shipped, shipped);
        QCOMPARE(f.count(QStringLiteral("select soi_swb_id from scm_offer_invoice where soi_bof_id = ?"), {bof}), swb);
        shipped.amount = m("3.5");
        writer.update(OfferStage::Shipped, shipped, shipped);
        QCOMPARE(f.sum(QStringLiteral("select soi_sdp_amount from scm_offer_invoice where soi_bof_id = ?"), {bof}),
                 m("3.5"));
        QCOMPARE(f.sum(QStringLiteral("select bpd_placed from scm_bp_delivery where bpd_bof_id = ?"), {bof}), m("4.5"));
        QCOMPARE(notices.heard, 8);
    }

    void refusalsOfTheDatabaseBecomeMessagesAndWriteNothing()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request(), suo = f.order(), other = f.order();
        const qint64 a = f.product(QStringLiteral("A"));
        f.line(bof, a, "10");
        f.ordered(bof, a, suo, "2");
        OfferDetailsWriter writer(f.db);
        const auto message = [](const std::function<void()>& act) {
            try {
                act();
            } catch (const Data::DatabaseError& e) {
                return QStringLiteral("raw: ") + e.message();
            } catch (const Exception& e) {
                return e.message();
            }
            return QString();
        };
        // The supplier order has no line for the product (547).
        QCOMPARE(message([&] { writer.insert(OfferStage::Ordered, {bof, a, other, {}, 0, 0, 0, m("1")}); }),
                 QStringLiteral("В заказе поставщику № %1 нет этого товара. Строка не записана").arg(other));
        // No confirmation on that date (547).
        QVERIFY(message([&] {
                    writer.insert(OfferStage::Accepted, {bof, a, suo, DetFixture::day(9), 0, 0, 0, m("1")});
                }).startsWith(QStringLiteral("Заказ поставщику № %1 не подтвержден").arg(suo)));
        // The same order twice (2627).
        QCOMPARE(message([&] { writer.insert(OfferStage::Ordered, {bof, a, suo, {}, 0, 0, 0, m("1")}); }),
                 QStringLiteral("Товар уже распределен в заказ поставщику № %1. Измените количество в той строке")
                     .arg(suo));
        // An invoice that does not exist, and amounts that are no amounts.
        QCOMPARE(message([&] { writer.insert(OfferStage::Shipped, {bof, a, suo, DetFixture::day(3), 999, 0, 0, m("1")}); }),
                 QStringLiteral("Счет поставщика с кодом 999 не найден"));
        QCOMPARE(message([&] { writer.insert(OfferStage::Ordered, {bof, a, suo, {}, 0, 0, 0, Money()}); }),
                 QStringLiteral("Количество должно быть больше нуля"));
        // A row another user deleted meanwhile.
        QVERIFY(message([&] {
                    writer.update(OfferStage::Ordered, {bof, a, other, {}, 0, 0, 0, m("1")},
                                  {bof, a, other, {}, 0, 0, 0, m("2")});
                }).contains(QStringLiteral("удалил другой пользователь")));
        // Moving to an order without the product fails as a whole: the old row stays.
        QVERIFY(!message([&] {
                     writer.update(OfferStage::Ordered, {bof, a, suo, {}, 0, 0, 0, m("2")},
                                   {bof, a, other, {}, 0, 0, 0, m("2")});
                 }).isEmpty());
        QVERIFY(!f.db.inTransaction());
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_suo_id = ?"), {suo}), m("2"));
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered")), 1);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_accepted")), 0);
    }

    void withoutTheRightNothingIsWritten()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request(), suo = f.order();
        const qint64 a = f.product(QStringLiteral("A")), b = f.product(QStringLiteral("B"));
        f.line(bof, a, "10");
        f.line(bof, b, "1");
        f.ordered(bof, a, suo, "2");
        f.orderLine(suo, b);
        f.revokeEditing();
        OfferDetailsWriter writer(f.db);
        QVERIFY(!writer.canEdit());
        const StageRow row{bof, a, suo, {}, 0, 0, 0, m("2")};
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException,
                                 writer.insert(OfferStage::Ordered, {bof, b, suo, {}, 0, 0, 0, m("1")}));
        StageRow more = row;
        more.amount = m("5");
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException, writer.update(OfferStage::Ordered, row, more));
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException, writer.remove(OfferStage::Ordered, row));
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException, writer.deleteLine(bof, a));
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered")), 1);
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered")), m("2"));
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery")), 2);
    }
};

QTEST_MAIN(OfferDetailsTest)
#include "tst_offerdetails.moc"
