#include "support/testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The client program itself, started as a user starts it: no settings, a new per-user folder.
class ClientStartTest : public QObject
{
    Q_OBJECT
private slots:
    void aFirstStartReachesTheLoginWithTheDemoCompany()
    {
        QTemporaryDir home;
        Tarvo::Test::isolateUserFolders(home.path());
        QProcess client;
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.start(qEnvironmentVariable("TARVO_TEST_BINARY_DIR") + QStringLiteral("/src/tarvo-scm"), {});
        QVERIFY(client.waitForStarted());
        // The embedded database is created and filled at the first idle moment; the login box
        // then waits for the user, so the program must still be running.
        const auto databaseFilled = [&] {
            QDirIterator it(home.path(), {QStringLiteral("tarvo.db")}, QDir::Files, QDirIterator::Subdirectories);
            return it.hasNext();
        };
        QTRY_VERIFY_WITH_TIMEOUT(databaseFilled() || client.state() == QProcess::NotRunning, 120000);
        QTest::qWait(3000);
        const bool running = client.state() == QProcess::Running;
        client.kill();
        client.waitForFinished();
        QVERIFY2(running, client.readAll().constData());
        QVERIFY(databaseFilled());
    }
};

QTEST_MAIN(ClientStartTest)
#include "tst_clientstart.moc"
