#include "data/engine/connectionsettings.h"
#include "core/apppaths.h"
#include "core/exception.h"
#include "core/iniparamreader.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

class ConnectionSettingsTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString write(const QByteArray& content)
    {
        const QString path = m_dir.filePath(QStringLiteral("tarvo.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

private slots:
    void readsServerSectionCaseInsensitively()
    {
        const QString ini = write("[server]\r\nserver name = db1:5433\r\nDATABASE MAIN=tarvo\r\nCommand Timeout=45\r\n"
                                  "SCM USER NAME=Админ\r\nDB USER=buyer\r\n");
        const auto s = ConnectionSettings::fromIni(ini, {});
        QCOMPARE(s.engine, Engine::PostgreSQL);
        QCOMPARE(s.host, QStringLiteral("db1"));
        QCOMPARE(s.port, 5433);
        QCOMPARE(s.database, QStringLiteral("tarvo"));
        QCOMPARE(s.commandTimeout, 45);
        QCOMPARE(s.connectionTimeout, 15);
        QCOMPARE(s.scmUserName, QStringLiteral("Админ"));
        QCOMPARE(s.user, QStringLiteral("buyer"));
        QVERIFY(s.password.isEmpty());
    }

    void commandLineOverridesWinUnlessEmpty()
    {
        const QString ini = write("[SERVER]\nSERVER NAME=db1\nDATABASE MAIN=tarvo\n");
        auto s = ConnectionSettings::fromIni(ini, {QStringLiteral("SERVER NAME=db2"), QStringLiteral("DATABASE MAIN="),
                                                   QStringLiteral("-ADMIN")});
        QCOMPARE(s.host, QStringLiteral("db2"));
        QCOMPARE(s.database, QStringLiteral("tarvo"));
        s = ConnectionSettings::fromIni(ini, {QStringLiteral("server name=[::1]:6000")});
        QCOMPARE(s.host, QStringLiteral("::1"));
        QCOMPARE(s.port, 6000);
        s = ConnectionSettings::fromIni(ini, {QStringLiteral("ENGINE=SQLITE"), QStringLiteral("DATABASE MAIN=/tmp/x.db")});
        QCOMPARE(s.engine, Engine::SQLite);
        QCOMPARE(s.database, QStringLiteral("/tmp/x.db"));
    }

    void missingFileGivesTheEmbeddedDefaultAndABinaryOneIsRefused()
    {
        auto s = ConnectionSettings::fromIni(m_dir.filePath(QStringLiteral("absent.ini")), {});
        QVERIFY(s.isEmbeddedDefault());
        QCOMPARE(s.user, QStringLiteral("kontmirer"));
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char((i * 7919) & 0xff));
        // Never the embedded demo company instead of the configured server.
        QVERIFY_THROWS_EXCEPTION(Exception, ConnectionSettings::fromIni(write(garbage), {}));
        s = ConnectionSettings::fromIni(write("[SERVER]\nCOMMAND TIMEOUT=abc\n[SERVER\n=x\n"), {});
        QCOMPARE(s.commandTimeout, 30);
    }

    void commandTimeoutIsMilliseconds()
    {
        const auto ms = [&](const char* value) {
            return ConnectionSettings::fromIni(write(QByteArray("[SERVER]\nCOMMAND TIMEOUT=") + value + "\n"), {})
                .commandTimeoutMs();
        };
        QCOMPARE(ms("45"), 45000);
        QCOMPARE(ms("0"), 0); // no limit
        QCOMPARE(ms("-5"), 30000);
        QCOMPARE(ms("3000000"), 2147483647); // beyond what the engines take: their largest
    }

    void sqliteFileResolvesRelativeNamesInTheUserFolder()
    {
        ConnectionSettings s;
        s.engine = Engine::SQLite;
        QCOMPARE(s.sqliteFile(), ConnectionSettings::embeddedDatabasePath());
        s.database = QStringLiteral("other.db");
        QCOMPARE(s.sqliteFile(), AppPaths::userFolder() + QStringLiteral("other.db"));
        s.database = QStringLiteral("sub/other.db");
        QCOMPARE(s.sqliteFile(), AppPaths::userFolder() + QStringLiteral("sub/other.db"));
        s.database = m_dir.filePath(QStringLiteral("abs.db"));
        QCOMPARE(s.sqliteFile(), m_dir.filePath(QStringLiteral("abs.db")));
    }

    void badValuesAreRefusedClearly()
    {
        const QString ini = write("[SERVER]\nSERVER NAME=db1:notaport\n");
        QVERIFY_THROWS_EXCEPTION(Exception, ConnectionSettings::fromIni(ini, {}));
        QVERIFY_THROWS_EXCEPTION(Exception, ConnectionSettings::fromIni(write("[SERVER]\nENGINE=ORACLE\n"), {}));
    }
};

QTEST_GUILESS_MAIN(ConnectionSettingsTest)
#include "tst_connectionsettings.moc"
