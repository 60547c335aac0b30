#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "db/demodata.h"
#include "db/placedamounts.h"
#include "core/exception.h"
#include "shell/startup.h"
#include "shell/tdatabaseconnection.h"
#include "support/testdatabase.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <thread>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

class DemoDataTest : public QObject
{
    Q_OBJECT
private:
    static qint64 count(Database& db, const QString& sql, const QVariantList& params = {})
    {
        return db.scalar(sql, params).toLongLong();
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<Test::TestDatabase>();
        DemoData::fill(m_db->db());
    }
    void cleanupTestCase() { m_db.reset(); }

    void refusesADatabaseWithDocuments()
    {
        QVERIFY(DemoData::hasDocuments(m_db->db()));
        QVERIFY_THROWS_EXCEPTION(Exception, DemoData::fill(m_db->db()));
        QCOMPARE(count(m_db->db(), u"select count(*) from scm_business_offer"_s), 13);
    }

    void everyStageStaysWithinItsParent()
    {
        auto& db = m_db->db();
        const QStringList violations{
            // Placed amounts of a request line never exceed the line.
            u"select count(*) from scm_bp_delivery join vBusinessOfferState1 v on v.bof_id = bpd_bof_id "
            "and v.pr_id = bpd_pr_id where v.amount > bpd_amount"_s,
            // Confirmed parts of an order line never exceed the line.
            u"select count(*) from scm_so_products join (select soa_suo_id, soa_pr_id, sum(soa_amount) a "
            "from scm_so_accepted group by soa_suo_id, soa_pr_id) s on s.soa_suo_id = sop_suo_id "
            "and s.soa_pr_id = sop_pr_id where s.a > sop_amount"_s,
            // A confirmed line is split into requests' waiting amounts and invoiced amounts.
            u"select count(*) from scm_so_accepted where soa_amount < "
            "coalesce((select sum(boa_amount) from scm_bo_accepted where boa_suo_id = soa_suo_id and boa_pr_id = soa_pr_id "
            "and boa_soa_deliverydate = soa_deliverydate), 0) + coalesce((select sum(sdi_amount) from scm_order_invoice "
            "where sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id and sdi_soa_deliverydate = soa_deliverydate), 0)"_s,
            u"select count(*) from scm_order_invoice where sdi_amount < coalesce((select sum(soi_amount) "
            "from scm_offer_invoice where soi_sde_id = sdi_sde_id and soi_sdp_pr_id = sdi_sdp_pr_id "
            "and soi_suo_id = sdi_suo_id and soi_pr_id = sdi_pr_id), 0)"_s,
            u"select count(*) from scm_deliveredProduct where sdp_amount < coalesce((select sum(sdi_amount) "
            "from scm_order_invoice where sdi_sde_id = sdp_sde_id and sdi_sdp_pr_id = sdp_pr_id), 0)"_s,
            // Received no more than delivered.
            u"select count(*) from scm_deliveredProduct where sdp_amount < coalesce((select sum(kolc_predm) "
            "from SCM_TOMOVE t join scl_move m on m.recno = t.recno where t.soi_sde_id = sdp_sde_id "
            "and t.soi_sdp_pr_id = sdp_pr_id), 0)"_s,
            // Payment plans add up to the proforma (SQLite sums decimals as doubles); payments never exceed it.
            u"select count(*) from scm_Proforma where abs(pf_sum - (select sum(sps_sum) from scm_payshedule "
            "where sps_pf_id = pf_id)) > 0.00005"_s,
            u"select count(*) from scm_Proforma where pf_sum < coalesce((select sum(spp_sum) from scm_pfpayment "
            "where spp_pf_id = pf_id), 0)"_s,
            u"select count(*) from scm_business_offer where abs(bof_sum - coalesce((select sum(bpd_sum) "
            "from scm_bp_delivery where bpd_bof_id = bof_id), 0)) > 0.00005"_s,
            // Every document partner is registered for this system.
            u"select count(*) from scm_partner left join _partner on N_USER = par_nuser where N_USER is null"_s,
        };
        for (const QString& sql : violations)
            QVERIFY2(count(db, sql) == 0, qPrintable(sql));
        // The placed amounts kept on the lines equal the stages' sums.
        QCOMPARE(count(db, u"select count(*) from scm_bp_delivery where bpd_placed <> %1"_s.arg(
                               PlacedAmounts::recomputed(db.engine()))),
                 0);
    }

    void everyRegisterHasRowsToShow()
    {
        auto& db = m_db->db();
        for (const QString& table :
             {u"VALUTCOD"_s, u"cotirval"_s, u"_partner"_s, u"scm_partner"_s, u"SCLAD_R"_s, u"scm_values"_s,
              u"SCM_Library_Urgency"_s, u"scm_phrases"_s, u"scm_station"_s, u"scm_departure"_s, u"scm_agentinfo"_s,
              u"scm_transportinfo"_s, u"scm_pricename"_s, u"crm_manufacture"_s, u"TIP_TOVR"_s, u"CS_VALUES"_s,
              u"crm_productgroups"_s, u"crm_groupsrel"_s, u"crm_ourprice"_s, u"CRM_OURDOPPRICE"_s, u"scm_artcmap"_s,
              u"CRM_FOREIGNPRICE"_s, u"SCL_ARTC"_s, u"all_artc"_s, u"scl_pric"_s, u"crm_dogovors"_s, u"crm_stage"_s,
              u"scm_bp_delivery"_s, u"scm_so_products"_s, u"scm_bo_ordered"_s, u"scm_so_accepted"_s,
              u"scm_bo_accepted"_s, u"scm_waybill"_s, u"scm_route"_s, u"scm_delivery"_s, u"scm_routedelivery"_s,
              u"scm_deliveredProduct"_s, u"scm_order_invoice"_s, u"scm_offer_invoice"_s, u"scl_move"_s,
              u"SCM_TOMOVE"_s, u"scm_payshedule"_s, u"scm_payments"_s, u"scm_pfpayment"_s, u"FR_REPTREE"_s,
              u"FR_CALLPLACE"_s, u"scm_parametrs"_s})
            QVERIFY2(count(db, u"select count(*) from %1"_s.arg(table)) > 0, qPrintable(table));
        QVERIFY(count(db, u"select count(*) from crm_product"_s) >= 200);
        QCOMPARE(count(db, u"select count(distinct US_DEP) from CRM_USERS"_s), 2);
        QCOMPARE(db.scalar(u"select US_LOGIN from CRM_USERS order by US_ID limit 1"_s).toString(), u"Админ"_s);
        QVERIFY(db.scalar(u"select US_PWD from CRM_USERS where US_LOGIN = 'Админ'"_s).toByteArray().isEmpty());
        // Rights added by a later version reach every demo user.
        QCOMPARE(count(db, u"select count(*) from CRM_USERS where US_NEW_SECUR_ACTIVE = 1"_s), 6);
        QVERIFY(count(db, u"select count(*) from _partner where MY_ORGANIZ = 'Т'"_s) > 0);
        QVERIFY(count(db, u"select count(*) from _partner where MY_ORGANIZ = 'К'"_s) > 0);
        QCOMPARE(count(db, u"select count(*) from _partner where MY_ORGANIZ = 'Я'"_s), 1);
        // Requests in each state: fully received, in work, and distributed with the rest on the way.
        QVERIFY(count(db, u"select count(*) from scm_business_offer where bof_id in (select soi_bof_id from SCM_TOMOVE)"_s) > 0);
        QVERIFY(count(db, u"select count(*) from scm_business_offer where bof_id not in (select bpo_bof_id from scm_bo_ordered) "
                          "and bof_id not in (select boa_bof_id from scm_bo_accepted) "
                          "and bof_id not in (select soi_bof_id from scm_offer_invoice)"_s) > 0);
        QVERIFY(count(db, u"select count(*) from scm_delivery where sde_complited = 1"_s) > 0);
        QVERIFY(count(db, u"select count(*) from scm_supplier_order where suo_cod_valut <> ''"_s) > 0);
    }

    // Keys burnt by an earlier failed fill (sequences do not roll back) must not shift the links.
    void linksUseTheKeysTheInsertsReturned()
    {
        Test::TestDatabase other;
        auto& db = other.db();
        for (int i = 0; i < 3; ++i)
            db.exec(u"insert into scm_pricename (prn_name) values ('Черновик')"_s);
        db.exec(u"delete from scm_pricename"_s);
        DemoData::fill(db);
        QCOMPARE(count(db, u"select count(*) from CRM_FOREIGNPRICE join scm_pricename on prn_id = fp_prn_id "
                           "where prn_name <> 'EXW'"_s), 0);
        QCOMPARE(count(db, u"select count(*) from CRM_OURDOPPRICE join scm_pricename on prn_id = ODC_PRN_ID "
                           "where prn_name = 'Опт'"_s),
                 count(db, u"select count(*) from crm_product"_s));
        // Created and changed when the documents say, not when the demo was loaded.
        QCOMPARE(count(db, u"select count(*) from scm_business_offer where bof_createdate <> bof_date"_s), 0);
        QCOMPARE(count(db, u"select count(*) from scm_supplier_order where suo_createdate <> suo_date"_s), 0);
        QCOMPARE(count(db, u"select count(*) from scm_delivery where sde_createdate <> sde_invoice_date"_s), 0);
        QVERIFY(count(db, u"select count(*) from scm_waybill where swb_updatedate > ?"_s,
                      {QDateTime(DemoData::anchorDate().addDays(90), QTime(0, 0))}) == 0);
        // Rouble sums of payments at the rate of the payment's own day.
        QCOMPARE(count(db, u"select count(*) from scm_payments join cotirval on codvalut = spm_cod_valut2 "
                           "and datecotir = spm_date where spm_cod_valut2 <> '' and "
                           "abs(spm_sum - spm_sum2 * valcotir) > 0.01"_s), 0);
        QVERIFY(count(db, u"select count(*) from scm_payments where spm_cod_valut2 <> ''"_s) > 0);
    }

    // Two fillers at once: one fills, the other is refused with a clear message.
    void aConcurrentFillIsRefused()
    {
        Test::TestDatabase target;
        target.db();
        QStringList outcomes(2);
        auto fill = [&](int i) {
            try {
                auto db = target.connectAgain();
                DemoData::fill(*db);
                outcomes[i] = u"ok"_s;
            } catch (const Exception& e) {
                outcomes[i] = e.message();
            }
        };
        std::thread a(fill, 0), b(fill, 1);
        a.join();
        b.join();
        QVERIFY2(outcomes.count(u"ok"_s) == 1, qPrintable(outcomes.join(u" | "_s)));
        const QString refusal = outcomes.at(outcomes.at(0) == u"ok"_s ? 1 : 0);
        QVERIFY2(refusal.startsWith(u"База данных не пуста"_s), qPrintable(refusal));
        QCOMPARE(count(target.db(), u"select count(*) from scm_business_offer"_s), 13);
    }

    // A first start killed at any point leaves a file that the next start completes.
    void anInterruptedFirstStartIsCompletedByTheNext()
    {
        if (Test::TestDatabase::engine() != Engine::SQLite)
            QSKIP("the embedded database is SQLite");
        const auto start = [](const QString& home) {
            auto p = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
            env.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
            p->setProcessEnvironment(env);
            p->start(QCoreApplication::applicationFilePath(), {u"--first-start"_s});
            return p;
        };
        QTemporaryDir full;
        QElapsedTimer timer;
        timer.start();
        auto whole = start(full.path());
        QVERIFY(whole->waitForFinished(60000));
        QCOMPARE(whole->exitCode(), 0);
        const qint64 took = timer.elapsed();
        for (const double at : {0.05, 0.15, 0.3, 0.5, 0.7, 0.9}) {
            QTemporaryDir home;
            auto first = start(home.path());
            QVERIFY(first->waitForStarted());
            QThread::msleep(ulong(took * at));
            first->kill();
            first->waitForFinished();
            auto next = start(home.path());
            QVERIFY(next->waitForFinished(60000));
            QVERIFY2(next->exitCode() == 0, next->readAllStandardError().constData());
            ConnectionSettings settings;
            settings.engine = Engine::SQLite;
            settings.database = home.path() + u"/data/TarvoSCM/tarvo.db"_s;
            Database db(settings);
            db.open();
            QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());
            QCOMPARE(count(db, u"select count(*) from scm_business_offer"_s), 13);
            QCOMPARE(count(db, u"select count(*) from crm_product"_s), 300);
        }
    }

    void sameCompanyEveryTime()
    {
        Test::TestDatabase other;
        DemoData::fill(other.db());
        const QString digest = u"select count(*), sum(bof_sum), min(bof_date), max(bof_person) from scm_business_offer"_s;
        const QString prices = u"select sum(sam_price), count(*) from scm_artcmap"_s;
        for (const QString& sql : {digest, prices}) {
            Query a(m_db->db(), sql), b(other.db(), sql);
            a.exec();
            b.exec();
            QVERIFY(a.next() && b.next());
            for (int i = 0; i < a.columnCount(); ++i)
                QCOMPARE(a.value(i), b.value(i));
        }
    }

private:
    std::unique_ptr<Test::TestDatabase> m_db;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The child of the interrupted-start test: a client's first start without settings.
    if (argc > 1 && qstrcmp(argv[1], "--first-start") == 0) {
        const int rc =
            Shell::Startup::run({u"tarvo-scm"_s}, [](const QString& m) { fprintf(stderr, "%s\n", qPrintable(m)); });
        Shell::TDataBaseConnection::instance().disconnect();
        return rc == Shell::Startup::GoOn ? 0 : 1;
    }
    DemoDataTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_demodata.moc"
