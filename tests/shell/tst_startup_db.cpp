#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "core/exception.h"
#include "shell/startup.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"
#include "support/testdatabase.h"

#include <QTemporaryDir>
#include "support/testenvironment.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Shell;

class StartupDb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void cleanup()
    {
        StartupSteps::clear();
        TDataBaseConnection::instance().disconnect();
    }

    void connectsThenRunsTheStepsWithTheConnectionPublished()
    {
        Test::TestDatabase t;
        t.db(); // created and migrated
        QStringList ran;
        StartupSteps::add(StartupSteps::Stage::Login, QStringLiteral("login"), [&] {
            Data::Database* db = Data::Database::main();
            QVERIFY(db->isOpen());
            QVERIFY(db->objectExists(QStringLiteral("CRM_USERS")));
            ran << QStringLiteral("login");
        });
        StartupSteps::add(StartupSteps::Stage::RightsCatalog, QStringLiteral("rights"),
                          [&] { ran << QStringLiteral("rights"); });
        QStringList errors;
        QStringList args{QStringLiteral("tarvo-scm")};
        args << t.overrides() << QStringLiteral("SCM USER NAME=petrov");
        QCOMPARE(Startup::run(args, [&](const QString& m) { errors << m; }), Startup::GoOn);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(ran, (QStringList{"rights", "login"}));
        QCOMPARE(TDataBaseConnection::instance().proposedLogin(), QStringLiteral("petrov"));
        QVERIFY(Data::Database::serverCursor() != Data::Database::main());
    }

    void cancelledLoginEndsSilentlyAndFailureIsShown()
    {
        Test::TestDatabase t;
        t.db();
        QStringList args{QStringLiteral("tarvo-scm")};
        args << t.overrides();
        bool later = false;
        StartupSteps::add(StartupSteps::Stage::Login, QStringLiteral("login"), [] { throw Abort(); });
        StartupSteps::add(StartupSteps::Stage::Reports, QStringLiteral("reports"), [&] { later = true; });
        QStringList errors;
        QCOMPARE(Startup::run(args, [&](const QString& m) { errors << m; }), 0);
        QVERIFY(errors.isEmpty());
        QVERIFY(!later);

        StartupSteps::clear();
        TDataBaseConnection::instance().disconnect();
        StartupSteps::add(StartupSteps::Stage::ExtensionMenu, QStringLiteral("modules"),
                          [] { throw Exception(QStringLiteral("Модуль расширения не загружен")); });
        QCOMPARE(Startup::run(args, [&](const QString& m) { errors << m; }), 1);
        QCOMPARE(errors, QStringList{QStringLiteral("Модуль расширения не загружен")});
    }

    // Connecting is the road to any database; whether an empty one becomes the demo company is
    // the client's start-up's decision, for its own embedded database only.
    void theStartUpFillsTheEmbeddedDefaultDatabase()
    {
        const QString requests = QStringLiteral("select count(*) from scm_business_offer");
        {
            auto db = Data::Connector::connect(Data::Connector::settingsFrom({}));
            QVERIFY(db->objectExists(QStringLiteral("scm_business_offer")));
            QCOMPARE(db->scalar(requests).toInt(), 0);
        }
        QStringList errors;
        for (int start = 0; start < 2; ++start) {
            QCOMPARE(Startup::run({QStringLiteral("tarvo-scm")}, [&](const QString& m) { errors << m; }), Startup::GoOn);
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            QCOMPARE(Data::Database::main()->scalar(requests).toInt(), 13);
            TDataBaseConnection::instance().disconnect();
        }
    }

    void connectionFailureShowsCodeAndEnds()
    {
        bool ran = false;
        StartupSteps::add(StartupSteps::Stage::RightsCatalog, QStringLiteral("rights"), [&] { ran = true; });
        QStringList errors;
        // Nothing listens on port 1 of the loopback.
        const QStringList args{QStringLiteral("tarvo-scm"), QStringLiteral("ENGINE=POSTGRESQL"),
                               QStringLiteral("SERVER NAME=127.0.0.1:1"),
                               QStringLiteral("DATABASE MAIN=tarvo"), QStringLiteral("CONNECTION TIMEOUT=2")};
        QCOMPARE(Startup::run(args, [&](const QString& m) { errors << m; }), 1);
        QVERIFY(!ran);
        QCOMPARE(errors.size(), 1);
        // A Russian lead with what to check; the engine's text once; no empty codes.
        QVERIFY2(errors[0].startsWith(QStringLiteral("Не удалось подключиться к серверу 127.0.0.1:1/tarvo")),
                 qPrintable(errors[0]));
        QVERIFY2(errors[0].contains(QStringLiteral("Проверьте")), qPrintable(errors[0]));
        QVERIFY2(!errors[0].contains(QLatin1String("Error code 0x0")), qPrintable(errors[0]));
        QVERIFY2(!errors[0].contains(QLatin1String("Native error 0")), qPrintable(errors[0]));
        QVERIFY2(!errors[0].contains(QLatin1Char('\t')), qPrintable(errors[0]));
        QCOMPARE(errors[0].count(QLatin1String("Connection refused")), 1);
        QVERIFY(!TDataBaseConnection::instance().isConnected());
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(StartupDb)
#include "tst_startup_db.moc"
