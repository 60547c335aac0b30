#include "support/testdatabase.h"
#include "support/testenvironment.h"

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
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_business_offer"_s).toLongLong(), 12);
        QCOMPARE(run(QStringList{u"demo"_s} + t.overrides(), &text), 1);
        QVERIFY2(text.contains(u"документы"_s), qPrintable(text));
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_business_offer"_s).toLongLong(), 12);
        // Volume data goes only into an empty database.
        QCOMPARE(run(QStringList{u"generate"_s, u"--scale"_s, u"0.01"_s} + t.overrides()), 1);
    }

    void generateNeedsAScale()
    {
        Test::TestDatabase t;
        QCOMPARE(run(QStringList{u"generate"_s} + t.overrides()), 2);
        QCOMPARE(run(QStringList{u"generate"_s, u"--scale"_s, u"0.01"_s} + t.overrides()), 0);
        QCOMPARE(t.db(false).scalar(u"select count(*) from scm_bp_delivery"_s).toLongLong(), 10000);
    }
};

QTEST_GUILESS_MAIN(AdminDataTest)
#include "tst_admindata.moc"
