#include "data/engine/database.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QProcess>
#include <QtTest>

// Reads the server's refusals: TARVO_ENGLISH_SERVER_TOO.

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

using Run = Test::ProgramRun;

Run admin(const QStringList& args)
{
    return Test::runProgram(QStringLiteral("tools/tarvo-admin"), args, 60000);
}

bool isPostgres()
{
    return Test::TestDatabase::engine() == Engine::PostgreSQL;
}

} // namespace

class AdminToolTest : public QObject
{
    Q_OBJECT
private slots:
    void initCreatesThenCheckAgrees()
    {
        Test::TestDatabase t;
        Run r = admin(QStringList{QStringLiteral("check")} + t.overrides());
        if (isPostgres()) {
            QCOMPARE(r.exitCode, 3); // empty database: schema missing
            QVERIFY(r.err.contains(QStringLiteral("tarvo-admin init")));
        } else {
            QCOMPARE(r.exitCode, 1); // no file yet, and check creates none
            QVERIFY2(r.err.contains(QStringLiteral("не найден")), qPrintable(r.err));
        }
        r = admin(QStringList{QStringLiteral("init")} + t.overrides());
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        r = admin(QStringList{QStringLiteral("init")} + t.overrides());
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("применено шагов: 0")));
        r = admin(QStringList{QStringLiteral("check")} + t.overrides());
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(t.connectAgain()->objectExists(QStringLiteral("CRM_USERS")));
    }

    void newerSchemaIsRefusedUntouched()
    {
        Test::TestDatabase t;
        t.db().exec(QStringLiteral("insert into scm_schema_version (version, title) values (9999, 'future')"));
        const int steps = t.db().scalar(QStringLiteral("select count(*) from scm_schema_version")).toInt();
        const Run r = admin(QStringList{QStringLiteral("init")} + t.overrides());
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("9999")));
        QCOMPARE(t.connectAgain()->scalar(QStringLiteral("select count(*) from scm_schema_version")).toInt(), steps);
    }

    void badTargetsGiveClearErrors()
    {
        Test::TestDatabase t;
        if (!isPostgres()) {
            // A file that is not a database is refused and left as it was.
            const QString path = t.tempPath() + QStringLiteral("/notes.db");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const QByteArray content = QByteArray("This is not a database file at all.\n").repeated(200);
            f.write(content);
            f.close();
            const Run r = admin({QStringLiteral("init"), QStringLiteral("ENGINE=SQLITE"), QStringLiteral("DATABASE MAIN=") + path});
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(QStringLiteral("не является базой данных")), qPrintable(r.err));
            QFile back(path);
            QVERIFY(back.open(QIODevice::ReadOnly));
            QCOMPARE(back.readAll(), content);
            return;
        }
        // Nothing listens on port 1 of the loopback address.
        Run r = admin({QStringLiteral("check"), QStringLiteral("SERVER NAME=127.0.0.1:1"), QStringLiteral("DATABASE MAIN=x"),
                       QStringLiteral("CONNECTION TIMEOUT=5")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("127.0.0.1:1")) && r.err.contains(QStringLiteral("недоступен")),
                 qPrintable(r.err));

        // The test server asks this one role for a password.
        t.db().exec(QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tarvo_pw') THEN "
                                   "CREATE ROLE tarvo_pw LOGIN PASSWORD 'right-one'; END IF; END $$"));
        QStringList args = t.overrides();
        args.removeIf([](const QString& a) { return a.startsWith(QLatin1String("DB USER=")); });
        r = admin(QStringList{QStringLiteral("check"), QStringLiteral("DB USER=tarvo_pw"), QStringLiteral("DB PASSWORD=wrong")} + args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("неверное имя пользователя или пароль")), qPrintable(r.err));

        r = admin({QStringLiteral("check"), QStringLiteral("ENGINE=POSTGRESQL"),
                   QStringLiteral("SERVER NAME=%1:%2").arg(t.settings().host).arg(t.settings().port),
                   QStringLiteral("DATABASE MAIN=no_such_db"), QStringLiteral("DB USER=postgres")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("на сервере нет базы данных \"no_such_db\"")), qPrintable(r.err));
    }

    void checkChangesNothing()
    {
        if (isPostgres())
            QSKIP("files of the embedded engine");
        Test::TestDatabase t; // per-user folders point into its temporary folder
        const QString mistyped = t.tempPath() + QStringLiteral("/typo/folder/tarvo.db");
        Run r = admin({QStringLiteral("check"), QStringLiteral("ENGINE=SQLITE"), QStringLiteral("DATABASE MAIN=") + mistyped});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("не найден")) && r.err.contains(mistyped), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(t.tempPath() + QStringLiteral("/typo")));

        r = admin({QStringLiteral("check")}); // the per-user embedded database
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!QFileInfo::exists(ConnectionSettings::embeddedDatabasePath()));

        // An existing database is read, not written.
        r = admin(QStringList{QStringLiteral("init")} + t.overrides());
        QCOMPARE(r.exitCode, 0);
        const auto content = [&] {
            QFile f(t.settings().database);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray before = content();
        r = admin(QStringList{QStringLiteral("check")} + t.overrides());
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(!before.isEmpty());
        QVERIFY(content() == before);
    }

    // The register plans from the engines' statistics; a fill that leaves none makes its first
    // rows four times slower until the engine gathers them by itself (SQLite never does).
    void demoAndGenerateLeaveThePlannerStatistics()
    {
        const QStringList tables{QStringLiteral("scm_business_offer"), QStringLiteral("scm_bp_delivery"),
                                 QStringLiteral("scm_offer_invoice"), QStringLiteral("SCM_TOMOVE"),
                                 QStringLiteral("crm_product")};
        const QList<QStringList> commands{{QStringLiteral("demo")},
                                          {QStringLiteral("generate"), QStringLiteral("--scale"), QStringLiteral("0.0005")}};
        for (const QStringList& command : commands) {
            Test::TestDatabase t;
            const Run r = admin(command + t.overrides());
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            auto db = t.connectAgain();
            if (!isPostgres())
                QVERIFY2(db->objectExists(QStringLiteral("sqlite_stat1")), qPrintable(command.first()));
            const QString statistics = isPostgres()
                                           ? QStringLiteral("select count(*) from pg_stats where lower(tablename) = lower(?)")
                                           : QStringLiteral("select count(*) from sqlite_stat1 where lower(tbl) = lower(?)");
            for (const QString& table : tables)
                QVERIFY2(db->scalar(statistics, {table}).toLongLong() > 0, qPrintable(command.first() + u' ' + table));
        }
    }

    void unknownCommandShowsUsage()
    {
        const Run r = admin({QStringLiteral("frobnicate")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains(QStringLiteral("Использование")));
    }
};

QTEST_GUILESS_MAIN(AdminToolTest)
#include "tst_admintool.moc"
