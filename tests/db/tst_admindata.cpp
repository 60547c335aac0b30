#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QElapsedTimer>
#include <QProcess>
#include <memory>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

// The admin tool as an operator runs it, against the test run's engine.
class AdminDataTest : public QObject
{
    Q_OBJECT
private:
    static int run(const QStringList& args, QString* output = nullptr)
    {
        const Test::ProgramRun r = Test::runProgram(u"tools/tarvo-admin"_s, args);
        if (output)
            *output = r.out + r.err;
        return r.exitCode;
    }

private slots:
    void demoFillsOnceAndRefusesDocuments()
    {
        Test::TestDatabase t;
        QString text;
        QCOMPARE(run(QStringList{u"demo"_s} + t.overrides(), &text), 0);
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_business_offer"_s).toLongLong(), 13);
        QCOMPARE(run(QStringList{u"demo"_s} + t.overrides(), &text), 1);
        QVERIFY2(text.contains(u"документы"_s), qPrintable(text));
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_business_offer"_s).toLongLong(), 13);
        // Volume data goes only into an empty database.
        QCOMPARE(run(QStringList{u"generate"_s, u"--scale"_s, u"0.01"_s} + t.overrides()), 1);
    }

    // A demo fill killed half way leaves nothing (and on PostgreSQL burnt keys); the next one fills
    // a consistent company.
    void aKilledDemoIsFollowedByAGoodOne()
    {
        const QString admin = qEnvironmentVariable("TARVO_TEST_BINARY_DIR") + u"/tools/tarvo-admin"_s;
        QElapsedTimer timer;
        {
            Test::TestDatabase whole;
            whole.db();
            timer.start();
            QCOMPARE(run(QStringList{u"demo"_s} + whole.overrides()), 0);
        }
        const qint64 took = timer.elapsed();
        // The machine's load decides how far a fill gets in a given time: kill earlier until one
        // is caught before its commit.
        std::unique_ptr<Test::TestDatabase> killed;
        for (int tenths : {6, 3, 1}) {
            auto candidate = std::make_unique<Test::TestDatabase>();
            candidate->db();
            QProcess first;
            first.start(admin, QStringList{u"demo"_s} + candidate->overrides());
            QVERIFY(first.waitForStarted());
            QThread::msleep(ulong(took * tenths / 10));
            first.kill();
            first.waitForFinished();
            if (candidate->db().scalar(u"select count(*) from crm_product"_s).toLongLong() == 0) {
                killed = std::move(candidate);
                break;
            }
        }
        QVERIFY2(killed, "every fill finished before it was killed");
        Test::TestDatabase& t = *killed;
        QString text;
        QVERIFY2(run(QStringList{u"demo"_s} + t.overrides(), &text) == 0, qPrintable(text));
        auto& db = t.db();
        QCOMPARE(db.scalar(u"select count(*) from CRM_FOREIGNPRICE join scm_pricename on prn_id = fp_prn_id "
                           "where prn_name = 'EXW'"_s).toLongLong(),
                 db.scalar(u"select count(*) from scm_artcmap"_s).toLongLong());
        QCOMPARE(db.scalar(u"select count(*) from CRM_OURDOPPRICE join scm_pricename on prn_id = ODC_PRN_ID "
                           "where prn_name = 'Опт'"_s).toLongLong(),
                 db.scalar(u"select count(*) from crm_product"_s).toLongLong());
        QCOMPARE(db.scalar(u"select count(*) from crm_groupsrel"_s).toLongLong(), 20);
    }

    void generateNeedsAScale()
    {
        Test::TestDatabase t;
        QCOMPARE(run(QStringList{u"generate"_s} + t.overrides()), 2);
        QCOMPARE(run(QStringList{u"generate"_s, u"--scale"_s, u"0.01"_s} + t.overrides()), 0);
        // 1000 requests of 10 lines, and the five requests of the big order's 2000 lines.
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_bp_delivery"_s).toLongLong(), 10000 + 5 * 2000);
    }
};

QTEST_GUILESS_MAIN(AdminDataTest)
#include "tst_admindata.moc"
