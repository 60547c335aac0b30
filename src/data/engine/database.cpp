#include "data/engine/database.h"

#include "data/engine/query.h"
#include "data/engine/sqlitefunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace Tarvo::Data {

namespace {
Database* g_main = nullptr;
Database* g_serverCursor = nullptr;
QAtomicInt g_connectionCounter;
} // namespace

Database::Database(ConnectionSettings settings)
    : m_settings(std::move(settings)), m_dialect(Dialect::create(m_settings.engine)),
      m_connectionName(QStringLiteral("tarvo-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1)))
{
}

Database::~Database()
{
    close();
    if (g_main == this)
        g_main = nullptr;
    if (g_serverCursor == this)
        g_serverCursor = nullptr;
}

void Database::open()
{
    if (isOpen())
        return;
    if (m_settings.engine == Engine::SQLite)
        openSqlite();
    else
        openPostgres();
    reloadCatalog();
}

void Database::openSqlite()
{
    QString path = m_settings.database.isEmpty() ? ConnectionSettings::embeddedDatabasePath() : m_settings.database;
    if (QFileInfo(path).isRelative())
        path = QDir(QFileInfo(ConnectionSettings::embeddedDatabasePath()).absolutePath()).filePath(path);
    const QFileInfo info(path);
    if (info.isDir())
        throw ConnectionError(QStringLiteral("Не удалось открыть базу данных \"%1\": это папка, а не файл").arg(path));
    m_createdNew = !info.exists() || info.size() == 0;
    if (!info.exists())
        QDir().mkpath(info.absolutePath());

    m_db = QSqlDatabase::addDatabase(m_dialect->driverName(), m_connectionName);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(1, m_settings.commandTimeout) * 1000));
    if (!m_db.open()) {
        const QSqlError e = m_db.lastError();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw ConnectionError(QStringLiteral("Не удалось открыть базу данных \"%1\": %2").arg(path, e.text()),
                              e.nativeErrorCode());
    }
    // A file that is not a database must be refused before anything writes to it.
    {
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("PRAGMA schema_version"))) {
            const QSqlError e = probe.lastError();
            probe = QSqlQuery();
            m_db.close();
            m_db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            throw ConnectionError(
                QStringLiteral("Файл \"%1\" не является базой данных Тарво SCM (%2)").arg(path, e.databaseText()),
                e.nativeErrorCode());
        }
    }
    configureSqlite();
}

void Database::configureSqlite()
{
    const QVariant h = m_db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        registerSqliteFunctions(*static_cast<sqlite3* const*>(h.constData()));
    QSqlQuery q(m_db);
    // temp_store: every statement that may abort inside a transaction keeps a statement
    // journal, which otherwise goes to a temporary file and dominates bulk loads.
    for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA journal_mode = WAL", "PRAGMA synchronous = NORMAL",
                               "PRAGMA temp_store = MEMORY"})
        if (!q.exec(QLatin1String(pragma)))
            raise(q.lastError(), QLatin1String(pragma));
}

void Database::openPostgres()
{
    m_db = QSqlDatabase::addDatabase(m_dialect->driverName(), m_connectionName);
    m_db.setHostName(m_settings.host);
    if (m_settings.port)
        m_db.setPort(m_settings.port);
    m_db.setDatabaseName(m_settings.database);
    m_db.setUserName(m_settings.user);
    if (!m_settings.password.isEmpty())
        m_db.setPassword(m_settings.password);
    QStringList options;
    if (m_settings.connectionTimeout > 0)
        options << QStringLiteral("connect_timeout=%1").arg(m_settings.connectionTimeout);
    options << QStringLiteral("application_name=tarvo-scm");
    m_db.setConnectOptions(options.join(QLatin1Char(';')));
    m_db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!m_db.open()) {
        const QSqlError e = m_db.lastError();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        QString why;
        if (text.contains(QLatin1String("password authentication failed")) ||
            text.contains(QLatin1String("no password supplied")))
            why = QStringLiteral("неверное имя пользователя или пароль базы данных (пользователь %1)").arg(m_settings.user);
        else if (text.contains(QLatin1String("does not exist")) && text.contains(QLatin1String("database")))
            why = QStringLiteral("на сервере нет базы данных \"%1\"").arg(m_settings.database);
        else
            why = QStringLiteral("сервер недоступен");
        throw ConnectionError(QStringLiteral("Не удалось подключиться к серверу %1: %2.\r\n%3")
                                  .arg(m_settings.describe(), why, text.trimmed()),
                              e.nativeErrorCode(), text.trimmed());
    }
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    if (m_settings.commandTimeout > 0)
        q.exec(QStringLiteral("SET statement_timeout = %1").arg(qint64(m_settings.commandTimeout) * 1000));
}

void Database::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_inTransaction = false;
}

bool Database::isOpen() const
{
    return m_db.isValid() && m_db.isOpen();
}

sqlite3* Database::sqliteHandle()
{
    const QVariant h = m_db.isOpen() ? m_db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

pg_conn* Database::postgresHandle()
{
    const QVariant h = m_db.isOpen() ? m_db.driver()->handle() : QVariant();
    // QPSQL names the type "PGconn*" or by its struct tag "pg_conn*".
    if (!h.isValid() || !(qstrcmp(h.typeName(), "PGconn*") == 0 || qstrcmp(h.typeName(), "pg_conn*") == 0))
        return nullptr;
    return *static_cast<pg_conn* const*>(h.constData());
}

QString Database::databaseName() const
{
    if (m_settings.engine == Engine::SQLite)
        return QFileInfo(m_db.databaseName()).completeBaseName();
    return m_settings.database;
}

void Database::reloadCatalog()
{
    m_dialect->loadCatalog(m_db, m_catalog);
}

void Database::raise(const QSqlError& error, const QString& sql) const
{
    m_lastErrors = m_dialect->mapError(error, m_catalog, databaseName());
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.text().trimmed();
    throw DatabaseError(message, error.nativeErrorCode(), m_lastErrors, sql);
}

void Database::exec(const QString& sql, const QVariantList& params)
{
    Query q(*this, sql);
    q.bindAll(params);
    q.exec();
}

QVariant Database::scalar(const QString& sql, const QVariantList& params)
{
    Query q(*this, sql);
    q.bindAll(params);
    q.exec();
    return q.next() ? q.value(0) : QVariant();
}

qint64 Database::insertReturning(const QString& insertSql, const QString& keyColumn, const QVariantList& params)
{
    Query q(*this, insertSql + QStringLiteral(" RETURNING ") + keyColumn);
    q.bindAll(params);
    q.exec();
    if (!q.next())
        throw Exception(QStringLiteral("Сервер не вернул новый ключ %1").arg(keyColumn));
    return q.integer(0);
}

bool Database::objectExists(const QString& name)
{
    Query q(*this, m_dialect->objectExistsQuery());
    q.bindAll({name, name});
    q.exec();
    return q.next();
}

QDateTime Database::serverTime()
{
    return Query::parseDateTime(scalar(QStringLiteral("select ") + m_dialect->currentTime()));
}

void Database::beginTransaction()
{
    if (m_inTransaction)
        throw Exception(QStringLiteral("Транзакция уже начата: на соединении возможна только одна транзакция"));
    QSqlQuery q(m_db);
    if (!q.exec(m_dialect->beginTransaction()))
        raise(q.lastError(), m_dialect->beginTransaction());
    m_inTransaction = true;
}

void Database::commit()
{
    if (!m_inTransaction)
        throw Exception(QStringLiteral("Нет начатой транзакции"));
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QSqlError e = q.lastError();
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        m_inTransaction = false;
        raise(e, QStringLiteral("COMMIT"));
    }
    m_inTransaction = false;
}

void Database::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("ROLLBACK")))
        raise(q.lastError(), QStringLiteral("ROLLBACK"));
}

QString Database::setSavepoint()
{
    if (!m_inTransaction)
        throw Exception(QStringLiteral("Точка сохранения возможна только внутри транзакции"));
    const QString name = QStringLiteral("tarvo_sp%1").arg(++m_savepointCounter);
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SAVEPOINT ") + name))
        raise(q.lastError(), QStringLiteral("SAVEPOINT"));
    return name;
}

void Database::releaseSavepoint(const QString& name)
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("RELEASE SAVEPOINT ") + name))
        raise(q.lastError(), QStringLiteral("RELEASE SAVEPOINT"));
}

void Database::rollbackToSavepoint(const QString& name)
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name))
        raise(q.lastError(), QStringLiteral("ROLLBACK TO SAVEPOINT"));
    q.exec(QStringLiteral("RELEASE SAVEPOINT ") + name);
}

Database* Database::main()
{
    if (!g_main)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    return g_main;
}

void Database::setMain(Database* db)
{
    g_main = db;
}

Database* Database::serverCursor()
{
    return g_serverCursor ? g_serverCursor : main();
}

void Database::setServerCursor(Database* db)
{
    g_serverCursor = db;
}

QString Database::quote(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    t.remove(QChar(0));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_db.beginTransaction();
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.rollback();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

Savepoint::Savepoint(Database& db) : m_db(db), m_name(db.setSavepoint()) {}

Savepoint::~Savepoint()
{
    if (!m_done) {
        try {
            m_db.rollbackToSavepoint(m_name);
        } catch (...) {
        }
    }
}

void Savepoint::release()
{
    m_db.releaseSavepoint(m_name);
    m_done = true;
}

} // namespace Tarvo::Data
