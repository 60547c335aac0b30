#include "testdatabase.h"
#include "testenvironment.h"

#include "data/engine/migration.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace Tarvo::Test {

namespace {
QAtomicInt g_counter;

Data::ConnectionSettings serverSettings(const QString& database)
{
    Data::ConnectionSettings s;
    s.engine = Data::Engine::PostgreSQL;
    s.host = qEnvironmentVariable("TARVO_TEST_PG_HOST", QStringLiteral("127.0.0.1"));
    // The English-language server of the run, for the tests registered on both.
    const bool english = qEnvironmentVariable("TARVO_TEST_PG_MESSAGES") == QLatin1String("en");
    s.port = qEnvironmentVariableIntValue(english ? "TARVO_TEST_PG_PORT_EN" : "TARVO_TEST_PG_PORT");
    s.user = qEnvironmentVariable("TARVO_TEST_PG_USER", QStringLiteral("postgres"));
    s.database = database;
    return s;
}

void adminExec(const QString& sql)
{
    Data::Database admin(serverSettings(QStringLiteral("postgres")));
    admin.open();
    admin.exec(sql);
}
} // namespace

Data::Engine TestDatabase::engine()
{
    return qEnvironmentVariable("TARVO_TEST_ENGINE") == QLatin1String("postgresql") ? Data::Engine::PostgreSQL
                                                                                    : Data::Engine::SQLite;
}

QString TestDatabase::engineName()
{
    return engine() == Data::Engine::PostgreSQL ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
}

TestDatabase::TestDatabase()
{
    // Keep per-user files of the tests away from the real ones.
    Test::isolateUserFolders(m_dir.path());
    if (engine() == Data::Engine::SQLite) {
        m_settings.engine = Data::Engine::SQLite;
        m_settings.database = m_dir.path() + QStringLiteral("/test.db");
    } else {
        if (serverSettings(QString()).port == 0)
            qFatal("TARVO_TEST_PG_PORT is not set: run the tests through scripts/test.sh");
        m_pgName = QStringLiteral("tarvo_t%1_%2").arg(QCoreApplication::applicationPid()).arg(g_counter.fetchAndAddRelaxed(1));
        adminExec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(m_pgName));
        m_settings = serverSettings(m_pgName);
    }
}

TestDatabase::~TestDatabase()
{
    m_db.reset();
    if (!m_pgName.isEmpty()) {
        try {
            adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgName));
        } catch (...) {
        }
    }
}

Data::Database& TestDatabase::db(bool migrate)
{
    if (!m_db) {
        m_db = std::make_unique<Data::Database>(m_settings);
        m_db->open();
        if (migrate)
            Data::Migrator::apply(*m_db);
    }
    return *m_db;
}

std::unique_ptr<Data::Database> TestDatabase::connectAgain() const
{
    auto db = std::make_unique<Data::Database>(m_settings);
    db->open();
    return db;
}

QStringList TestDatabase::overrides() const
{
    if (m_settings.engine == Data::Engine::SQLite)
        return {QStringLiteral("ENGINE=SQLITE"), QStringLiteral("DATABASE MAIN=") + m_settings.database};
    return {QStringLiteral("ENGINE=POSTGRESQL"),
            QStringLiteral("SERVER NAME=%1:%2").arg(m_settings.host).arg(m_settings.port),
            QStringLiteral("DATABASE MAIN=") + m_settings.database, QStringLiteral("DB USER=") + m_settings.user};
}

} // namespace Tarvo::Test
