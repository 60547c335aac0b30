#include "AcceptedOrders/acclistfixture.h"
#include "AcceptedOrders/acceptedorderdelete.h"
#include "AcceptedOrders/acceptedorderlist.h"
#include "security/rights.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AcceptedOrders;
using namespace Qt::Literals::StringLiterals;

class AcceptedOrderDeleteTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Test::AccListFixture> m_f;
    qint64 m_a = 0, m_b = 0;

    // Every row of the confirmed and ordered stages, so a refusal can be shown to change nothing.
    QStringList stages()
    {
        QStringList out;
        for (const QString& sql :
             {u"select soa_suo_id, soa_pr_id, soa_amount from scm_so_accepted order by 1, 2, 3"_s,
              u"select boa_suo_id, boa_pr_id, boa_bof_id, boa_amount from scm_bo_accepted order by 1, 2, 3"_s,
              u"select bpo_suo_id, bpo_pr_id, bpo_bof_id, bpo_amount from scm_bo_ordered order by 1, 2, 3"_s,
              u"select bpd_bof_id, bpd_pr_id, bpd_placed from scm_bp_delivery order by 1, 2"_s,
              u"select sdi_suo_id, sdi_pr_id, sdi_amount from scm_order_invoice order by 1, 2"_s}) {
            Data::Query q(m_t->db(), sql);
            q.exec();
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.columnCount(); ++i)
                    row << q.value(i).toString();
                out << row.join(u' ');
            }
        }
        return out;
    }
    Money ordered(qint64 bof, qint64 pr, qint64 suo)
    {
        return m_f->sum(u"select bpo_amount from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ? "
                        "and bpo_suo_id = ?"_s,
                        {bof, pr, suo});
    }

    struct Order
    {
        qint64 suo, r1, r2;
    };
    // A: 10 confirmed on day 3 for r1 (4) and r2 (6), r1 still holding 2 ordered; B: 3 for r1.
    Order confirmedOrder(bool waiting)
    {
        Test::AccListFixture& f = *m_f;
        const qint64 suo = f.newOrder({}, waiting);
        f.confirm(suo, m_a, f.day(3), "10", "1000");
        f.confirm(suo, m_b, f.day(4), "3", "300");
        const qint64 r1 = f.sharedRequest(suo, m_a, f.day(3), "4");
        const qint64 r2 = f.sharedRequest(suo, m_a, f.day(3), "6");
        f.line(r1, m_b, "10");
        f.share(r1, suo, m_b, f.day(4), "3");
        f.ordered(r1, m_a, suo, "2");
        return {suo, r1, r2};
    }
    void revoke(int right)
    {
        m_t->db().exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = ?"_s, {m_f->adminId, right});
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

    void deleteOfAWaitingOrderGivesTheSharesBack()
    {
        const Order o = confirmedOrder(true);
        const Order other = confirmedOrder(true);
        AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), o.suo);
        QCOMPARE(m_f->count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {o.suo}), 0);
        QCOMPARE(m_f->count(u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s, {o.suo}), 0);
        QCOMPARE(ordered(o.r1, m_a, o.suo), Money(6));
        QCOMPARE(ordered(o.r2, m_a, o.suo), Money(6));
        QCOMPARE(ordered(o.r1, m_b, o.suo), Money(3));
        // The other order keeps its confirmation.
        QCOMPARE(m_f->count(u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s, {other.suo}), 3);
        QCOMPARE(ordered(other.r1, m_a, other.suo), Money(2));
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void deleteAfterTheWaitingEndedGivesNothingBack()
    {
        const Order o = confirmedOrder(false);
        AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), o.suo);
        QCOMPARE(m_f->count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {o.suo}), 0);
        QCOMPARE(m_f->count(u"select count(*) from scm_bo_ordered"_s), 1);
        QCOMPARE(ordered(o.r1, m_a, o.suo), Money(2));
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void deleteNeedsItsRight()
    {
        const Order o = confirmedOrder(true);
        revoke(Security::Right::DeleteAcceptedOrder);
        const QStringList before = stages();
        QVERIFY_THROWS_EXCEPTION(Security::ESecurityException,
                                 AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), o.suo));
        QCOMPARE(stages(), before);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    // Shipped goods keep their order rows and their requests' shipped amounts; a proforma keeps
    // its lines. Nothing is deleted, the user is told which document holds the order.
    void shippedOrProformaLinesRefuseTheDelete()
    {
        Test::AccListFixture& f = *m_f;
        const Order shipped = confirmedOrder(true);
        const qint64 swb = f.waybill();
        f.ship(shipped.r2, shipped.suo, m_a, f.day(3), f.invoice(swb, false), swb, "5");
        const Order inProforma = confirmedOrder(true);
        const qint64 pf = f.proforma(u"PF-12"_s);
        m_t->db().exec(u"update scm_so_accepted set soa_pf_id = ? where soa_suo_id = ? and soa_pr_id = ?"_s,
                       {pf, inProforma.suo, m_b});
        const QStringList before = stages();
        const auto refusal = [this](qint64 suo) {
            try {
                AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), suo);
            } catch (const Exception& e) {
                return e.message();
            }
            return QString();
        };
        const QString ship = refusal(shipped.suo);
        QVERIFY2(ship.contains(u"посылка %1"_s.arg(swb)), qPrintable(ship));
        QVERIFY(ship.endsWith(u"\r\nУдаление подтверждения невозможно"_s));
        const QString proforma = refusal(inProforma.suo);
        QVERIFY2(proforma.contains(u"PF-12"_s), qPrintable(proforma));
        QVERIFY(proforma.endsWith(u"\r\nУдаление подтверждения невозможно"_s));
        QCOMPARE(stages(), before);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void aDeleteThatFindsNothingIsRefused()
    {
        const Order o = confirmedOrder(true);
        AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), o.suo);
        const QStringList before = stages();
        QVERIFY_THROWS_EXCEPTION(Exception, AcceptedOrderDelete::deleteAcceptedOrder(m_t->db(), o.suo));
        QCOMPARE(stages(), before);
        TARVO_CHECK_CHAIN(m_t->db());
    }

    void descriptionAndSurchargeAreEditedInPlace()
    {
        Data::Database& db = m_t->db();
        const Order o = confirmedOrder(true);
        AcceptedOrderList list(db);
        list.reload();
        QVERIFY(list.locateOrder(o.suo));
        list.edit();
        list.setValue(u"suo_description"_s, u"срочно"_s);
        list.setValue(u"suo_plan_surcharge"_s, Money(250).toVariant());
        list.post();
        QCOMPARE(db.scalar(u"select suo_description from scm_supplier_order where suo_id = ?"_s, {o.suo}).toString(),
                 u"срочно"_s);
        QCOMPARE(m_f->sum(u"select suo_plan_surcharge from scm_supplier_order where suo_id = ?"_s, {o.suo}), Money(250));
        QCOMPARE(db.scalar(u"select suo_waiting from scm_supplier_order where suo_id = ?"_s, {o.suo}).toInt(), 1);

        // Only those two columns are edited.
        list.edit();
        QVERIFY_THROWS_EXCEPTION(Exception, list.setValue(u"suo_waiting"_s, 0));
        QVERIFY_THROWS_EXCEPTION(Exception, list.setValue(u"soa_amount"_s, Money(1).toVariant()));
        list.cancel();

        // The order deleted meanwhile: the write finds no row and is refused, the edit kept.
        db.exec(u"delete from scm_bo_accepted where boa_suo_id = ?"_s, {o.suo});
        db.exec(u"delete from scm_so_accepted where soa_suo_id = ?"_s, {o.suo});
        db.exec(u"delete from scm_bo_ordered where bpo_suo_id = ?"_s, {o.suo});
        db.exec(u"delete from scm_so_products where sop_suo_id = ?"_s, {o.suo});
        db.exec(u"delete from scm_supplier_order where suo_id = ?"_s, {o.suo});
        list.edit();
        list.setValue(u"suo_description"_s, u"поздно"_s);
        QVERIFY_THROWS_EXCEPTION(Exception, list.post());
        QCOMPARE(list.state(), Data::RowSetState::Edit);
        QCOMPARE(list.string(u"suo_description"_s), u"поздно"_s);
        list.cancel();
        // No new rows.
        const int rows = list.recordCount();
        list.append();
        QVERIFY_THROWS_EXCEPTION(Exception, list.post());
        list.cancel();
        QCOMPARE(list.recordCount(), rows);
    }
};

QTEST_GUILESS_MAIN(AcceptedOrderDeleteTest)
#include "tst_acceptedorderdelete.moc"
