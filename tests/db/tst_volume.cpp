#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "db/bulkinserter.h"
#include "db/volumegenerator.h"
#include "core/exception.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

class VolumeTest : public QObject
{
    Q_OBJECT
private slots:
    void bulkPathsKeepEveryValue_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("values") << int(BulkInserter::Path::Values);
        QTest::newRow("auto") << int(BulkInserter::Path::Auto); // COPY on PostgreSQL
    }
    void bulkPathsKeepEveryValue()
    {
        QFETCH(int, path);
        Test::TestDatabase t;
        auto& db = t.db();
        const QString awkward = u"Таб\tперевод\nстроки \\ кавычка ' и \"двойная\""_s;
        const QDateTime when(QDate(2026, 2, 28), QTime(13, 45, 7));
        {
            Transaction tx(db);
            BulkInserter b(db, u"scm_values"_s, {u"INSIDE_NAME_NASTR"_s, u"VALUE_NAME_NASTR"_s, u"COMMENT"_s},
                           BulkInserter::Path(path));
            for (int i = 0; i < 5000; ++i)
                b.add({u"K%1"_s.arg(i % 7), QString::number(i), i == 3 ? QVariant() : QVariant(awkward)});
            b.flush();
            BulkInserter c(db, u"VALUTCOD"_s, {u"CODVALUT"_s}, BulkInserter::Path(path));
            c.add({u"USD"_s});
            BulkInserter q(db, u"cotirval"_s, {u"codvalut"_s, u"datecotir"_s, u"valcotir"_s}, BulkInserter::Path(path));
            q.after(c);
            q.add({u"USD"_s, when, 91.2345});
            q.flush();
            tx.commit();
        }
        QCOMPARE(db.scalar(u"select count(*) from scm_values"_s).toLongLong(), 5000);
        QCOMPARE(db.scalar(u"select COMMENT from scm_values where VALUE_NAME_NASTR = '10'"_s).toString(), awkward);
        QVERIFY(db.scalar(u"select COMMENT from scm_values where VALUE_NAME_NASTR = '3'"_s).isNull());
        QCOMPARE(Query::parseDateTime(db.scalar(u"select datecotir from cotirval"_s)), when);
        QCOMPARE(db.scalar(u"select valcotir from cotirval"_s).toDouble(), 91.2345);
    }

    // Typed fields reach the table as the same values as QVariant rows would: text with COPY's
    // special characters, money of either sign and below one unit, nulls, a repeated time.
    void typedFieldsKeepEveryValue_data() { bulkPathsKeepEveryValue_data(); }
    void typedFieldsKeepEveryValue()
    {
        QFETCH(int, path);
        Test::TestDatabase t;
        auto& db = t.db();
        db.exec(u"create table t_typed (k integer not null, s varchar(200), m numeric(19,4), d timestamp, "
                u"n integer)"_s);
        const QString awkward = u"Таб\tперевод\nстроки\r \\ ё"_s;
        const QDateTime when(QDate(2026, 2, 28), QTime(13, 45, 7));
        const QList<Money> sums{Money::fromRaw(-123456), Money::fromRaw(1), Money::fromRaw(-5000),
                                Money::fromRaw(9876543210123), Money()};
        {
            Transaction tx(db);
            BulkInserter b(db, u"t_typed"_s, {u"k"_s, u"s"_s, u"m"_s, u"d"_s, u"n"_s}, BulkInserter::Path(path));
            for (int i = 0; i < 3000; ++i) {
                b.addInteger(i - 1000).addText(i % 2 ? awkward : u"простой %1"_s.arg(i));
                b.addMoney(sums[i % sums.size()]).addDateTime(when);
                b.addOptional(i % 3 ? std::optional<qint16>(qint16(i)) : std::nullopt).endRow();
            }
            b.flush();
            tx.commit();
        }
        QCOMPARE(db.scalar(u"select count(*) from t_typed"_s).toLongLong(), 3000);
        Query q(db, u"select k, s, m, d, n from t_typed order by k"_s);
        q.exec();
        for (int i = 0; i < 3000; ++i) {
            QVERIFY(q.next());
            QCOMPARE(q.integer(0), i - 1000);
            QCOMPARE(q.string(1), i % 2 ? awkward : u"простой %1"_s.arg(i));
            QCOMPARE(Money::fromVariant(q.value(2)).raw(), sums[i % sums.size()].raw());
            QCOMPARE(Query::parseDateTime(q.value(3)), when);
            QCOMPARE(q.isNull(4), i % 3 == 0);
            if (i % 3)
                QCOMPARE(q.integer(4), i);
        }
    }

    // A bulk load meets the same keys as single statements, with the same mapped error.
    void bulkRefusalsAreMapped_data() { bulkPathsKeepEveryValue_data(); }
    void bulkRefusalsAreMapped()
    {
        QFETCH(int, path);
        Test::TestDatabase t;
        auto& db = t.db();
        Transaction tx(db);
        BulkInserter b(db, u"crm_product"_s, {u"PR_ARTICUL"_s, u"PR_NAME"_s}, BulkInserter::Path(path));
        try {
            b.add({u"A-1"_s, u"Болт"_s});
            b.add({u"A-1"_s, u"Болт"_s});
            b.flush();
            QFAIL("a duplicate article was loaded");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.nativeError(), NativeError::UniqueIndex);
            QCOMPARE(e.constraint(), u"ix_crm_product"_s);
        }
    }

    void generatedDataIsConsistent()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        VolumeGenerator g(db, 0.01);
        const qint64 rows = g.run();
        QVERIFY(rows > 50000);
        QCOMPARE(db.scalar(u"select count(*) from crm_product"_s).toLongLong(), g.products());
        const qint64 big = g.bigOrder(), bigLines = VolumeGenerator::bigOrderLines();
        QCOMPARE(db.scalar(u"select count(*) from scm_bp_delivery"_s).toLongLong(), g.requests() * 10 + 5 * bigLines);
        // Lines of 1 in half-placed requests are not ordered at all.
        const qint64 orderLines =
            db.scalar(u"select count(*) from scm_so_products where sop_suo_id <> ?"_s, {big}).toLongLong();
        QCOMPARE(db.scalar(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {big}).toLongLong(), bigLines);
        QVERIFY(orderLines < g.orders() * 50 && orderLines > g.orders() * 49);
        // Every supplier has contracts with stages; an order's contract is its supplier's and its
        // stage the contract's, some orders have a contract without stage or none; a third are
        // urgent, some are marked.
        QCOMPARE(db.scalar(u"select count(*) from scm_partner p where par_ID in (select suo_supplier from "
                           "scm_supplier_order) and not exists (select 1 from crm_dogovors d join crm_stage s on "
                           "s.st_dg_id = d.dg_id where d.dg_par_id = p.par_ID)"_s)
                     .toLongLong(),
                 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order o join crm_dogovors d on d.dg_id = o.suo_dg_id "
                           "where d.dg_par_id <> o.suo_supplier"_s)
                     .toLongLong(),
                 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order o join crm_stage s on s.st_id = o.suo_stage_id "
                           "where s.st_dg_id <> o.suo_dg_id"_s)
                     .toLongLong(),
                 0);
        QVERIFY(db.scalar(u"select count(*) from scm_supplier_order where suo_dg_id is not null and suo_stage_id is null"_s)
                    .toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from scm_supplier_order where suo_dg_id is null"_s).toLongLong() > 0);
        const qint64 urgent =
            db.scalar(u"select count(*) from scm_supplier_order where Urgency_ID is not null"_s).toLongLong();
        QVERIFY(urgent * 3 >= g.orders() && urgent * 3 <= g.orders() + 3);
        QVERIFY(db.scalar(u"select count(*) from scm_supplier_order where suo_otmetka = 1"_s).toLongLong() > 0);
        // Totals kept from the lines, and no request line placed beyond its amount.
        QCOMPARE(db.scalar(u"select count(*) from scm_business_offer where abs(bof_sum - coalesce((select "
                           "sum(bpd_sum) from scm_bp_delivery where bpd_bof_id = bof_id), 0)) > 0.00005"_s).toLongLong(), 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order where suo_sum = 0"_s).toLongLong(), 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_bp_delivery join vBusinessOfferState1 v on v.bof_id = bpd_bof_id "
                           "and v.pr_id = bpd_pr_id where v.amount > bpd_amount"_s).toLongLong(), 0);
        // Every request state occurs: in work (partly placed), placed on the register, completed.
        const QString placed = u"select bpd_bof_id, sum(bpd_amount) k1, sum(v.amount) placed, (select sum(kolc_predm) "
                               "from SCM_TOMOVE t join scl_move m on m.recno = t.recno where t.soi_bof_id = bpd_bof_id) k5 "
                               "from scm_bp_delivery join vBusinessOfferState1 v on v.bof_id = bpd_bof_id "
                               "and v.pr_id = bpd_pr_id group by bpd_bof_id"_s;
        QVERIFY(db.scalar(u"select count(*) from (%1) s where placed < k1"_s.arg(placed)).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from (%1) s where placed = k1 and k5 is null"_s.arg(placed)).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from (%1) s where k5 = k1"_s.arg(placed)).toLongLong() > 0);
        // The confirmed orders of every kind: in dollars, confirmed in two dated parts on one
        // invoice with receipts per part, confirmed in part with the rest ordered, shipped ones no
        // longer waiting, closed invoices, lines outside the proforma.
        QVERIFY(db.scalar(u"select count(*) from scm_supplier_order where suo_cod_valut = 'USD' and exists "
                          "(select 1 from scm_so_accepted where soa_suo_id = suo_id and soa_sum_valut > 0)"_s).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from (select sdi_sde_id, sdi_pr_id from scm_order_invoice "
                          "group by sdi_sde_id, sdi_pr_id having count(*) = 2) x"_s).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from (select soi_sde_id, soi_pr_id from SCM_TOMOVE "
                          "group by soi_sde_id, soi_pr_id having count(distinct soi_soa_deliverydate) = 2) x"_s).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from scm_bo_ordered join scm_bo_accepted on boa_suo_id = bpo_suo_id "
                          "and boa_pr_id = bpo_pr_id and boa_bof_id = bpo_bof_id"_s).toLongLong() > 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order where suo_waiting = 1 and suo_id in "
                           "(select sdi_suo_id from scm_order_invoice)"_s).toLongLong(), 0);
        QVERIFY(db.scalar(u"select count(*) from scm_delivery where sde_complited = 1"_s).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from scm_so_accepted where soa_pf_id is null"_s).toLongLong() > 0);
        QVERIFY(db.scalar(u"select count(*) from scm_supplier_order where exists (select 1 from scm_so_accepted "
                          "where soa_suo_id = suo_id and soa_pf_id is null) and exists (select 1 from scm_so_accepted "
                          "where soa_suo_id = suo_id and soa_pf_id is not null)"_s).toLongLong() > 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s, {big}).toLongLong(),
                 5 * bigLines / 2);
        TARVO_CHECK_CHAIN(db);
        // Received waybills have arrived; the others are on the way.
        QCOMPARE(db.scalar(u"select count(*) from scm_waybill where swb_arrival_date is null and swb_id in "
                           "(select soi_swb_id from SCM_TOMOVE)"_s).toLongLong(), 0);
        QVERIFY(db.scalar(u"select count(*) from scm_waybill where swb_arrival_date is null"_s).toLongLong() > 0);
        QCOMPARE(db.scalar(u"select count(*) from scm_business_offer where bof_createdate <> bof_date"_s).toLongLong(), 0);
        // Every offer carries one supplier's price, of the offer's product and supplier; every kind occurs.
        QCOMPARE(db.scalar(u"select count(*) from scm_artcmap"_s).toLongLong(), g.products() * 5);
        QCOMPARE(db.scalar(u"select count(*) from CRM_FOREIGNPRICE"_s).toLongLong(), g.products() * 5);
        QCOMPARE(db.scalar(u"select count(*) from scm_artcmap where not exists (select 1 from CRM_FOREIGNPRICE "
                           "where fp_pr_id = sam_pr_id and fp_par_id = sam_prv_id)"_s).toLongLong(), 0);
        QCOMPARE(db.scalar(u"select count(*) from CRM_FOREIGNPRICE join scm_pricename on prn_id = fp_prn_id "
                           "join scm_artcmap on sam_pr_id = fp_pr_id and sam_prv_id = fp_par_id "
                           "where fp_price >= sam_price and fp_price > 0"_s).toLongLong(), g.products() * 5);
        QCOMPARE(db.scalar(u"select count(distinct fp_prn_id) from CRM_FOREIGNPRICE"_s).toLongLong(),
                 db.scalar(u"select count(*) from scm_pricename"_s).toLongLong());
        QVERIFY(db.scalar(u"select count(*) from scm_pricename"_s).toLongLong() > 1);
        // The suppliers' prices are what the price list reads: a product shows its five suppliers.
        QCOMPARE(db.scalar(u"select count(*) from CRM_FOREIGNPRICE join scm_partner on par_ID = fp_par_id "
                           "where fp_pr_id = 7"_s).toLongLong(), 5);
        // The database filled the ancestors: one per subgroup.
        QCOMPARE(db.scalar(u"select count(*) from crm_groupsrel"_s).toLongLong(),
                 db.scalar(u"select count(*) from crm_productgroups where pg_parent is not null"_s).toLongLong());
        // The key generators continue after the loaded keys.
        const qint64 pr = db.insertReturning(u"insert into crm_product (PR_ARTICUL, PR_NAME) values ('NEW', 'Новый')"_s,
                                             u"PR_ID"_s);
        QCOMPARE(pr, g.products() + 1);
        const qint64 bof = db.insertReturning(u"insert into scm_business_offer (bof_person, bof_date) values (51, ?)"_s,
                                              u"bof_id"_s, {QDateTime::currentDateTime()});
        QCOMPARE(bof, g.requests() + 5 + 1);
        const qint64 kind = db.insertReturning(u"insert into scm_pricename (prn_name) values ('Новая')"_s, u"prn_id"_s);
        QCOMPARE(kind, db.scalar(u"select count(*) from scm_pricename"_s).toLongLong());
        QVERIFY_THROWS_EXCEPTION(Exception, VolumeGenerator(db, 0.01).run());
    }
};

QTEST_GUILESS_MAIN(VolumeTest)
#include "tst_volume.moc"
