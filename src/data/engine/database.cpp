#include "data/engine/database.h"

#include "data/engine/postgresdialect.h"
#include "data/engine/query.h"
#include "data/engine/sqlitefunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <climits>
#include <utility>
#include <poll.h>
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

void Database::open(bool readOnly)
{
    if (isOpen())
        return;
    m_readOnly = readOnly;
    if (m_settings.engine == Engine::SQLite)
        openSqlite(readOnly);
    else
        openPostgres(readOnly);
    reloadCatalog();
}

namespace {

// Folders made for a new database file are the owner's alone, like the file.
void makePrivatePath(const QString& folder)
{
    QStringList missing;
    for (QString path = QDir::cleanPath(folder); !QFileInfo::exists(path); path = QFileInfo(path).path()) {
        missing.prepend(path);
        if (QFileInfo(path).path() == path)
            break;
    }
    for (const QString& path : missing)
        if (!QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            throw ConnectionError(QStringLiteral("Не удалось создать папку \"%1\" для базы данных").arg(path));
}

} // namespace

void Database::openSqlite(bool readOnly)
{
    const QString path = m_settings.sqliteFile();
    const QFileInfo info(path);
    if (info.isDir())
        throw ConnectionError(QStringLiteral("Не удалось открыть базу данных \"%1\": это папка, а не файл").arg(path));
    if (readOnly && !info.exists())
        throw ConnectionError(QStringLiteral("Файл базы данных \"%1\" не найден").arg(path));
    m_createdNew = !readOnly && (!info.exists() || info.size() == 0);
    if (!info.exists()) {
        makePrivatePath(info.absolutePath());
        if (m_settings.isEmbeddedDefault())
            QFile::setPermissions(info.absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Created here so that it (and the journal files SQLite gives the same mode) is the owner's alone.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
            throw ConnectionError(
                QStringLiteral("Не удалось создать файл базы данных \"%1\": %2").arg(path, file.errorString()));
    }

    m_db = QSqlDatabase::addDatabase(m_dialect->driverName(), m_connectionName);
    m_db.setDatabaseName(path);
    // sqlite3_busy_timeout takes an int of milliseconds; "no limit" is its largest.
    const qint64 busy = m_settings.commandTimeoutMs();
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busy == 0 ? INT_MAX : busy);
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    m_db.setConnectOptions(options);
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
    configureSqlite(readOnly);
}

void Database::configureSqlite(bool readOnly)
{
    const QVariant h = m_db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        registerSqliteFunctions(*static_cast<sqlite3* const*>(h.constData()));
    QSqlQuery q(m_db);
    // temp_store: every statement that may abort inside a transaction keeps a statement
    // journal, which otherwise goes to a temporary file and dominates bulk loads.
    QList<const char*> pragmas{"PRAGMA foreign_keys = ON", "PRAGMA temp_store = MEMORY"};
    if (!readOnly)
        pragmas << "PRAGMA journal_mode = WAL" << "PRAGMA synchronous = NORMAL";
    for (const char* pragma : pragmas)
        if (!q.exec(QLatin1String(pragma)))
            raise(q, QLatin1String(pragma));
}

namespace {

// Why a PostgreSQL connection was refused, told by the SQLSTATE the server sent (the texts are in
// the server's language). libpq keeps no code for a failed connection, so the attempt is made
// once more with the code written into its message.
QString refusalState(const ConnectionSettings& s)
{
    const QByteArray host = s.host.toUtf8(), port = QByteArray::number(s.port), db = s.database.toUtf8(),
                     user = s.user.toUtf8(), password = s.password.toUtf8(),
                     timeout = QByteArray::number(s.connectionTimeout > 0 ? s.connectionTimeout : 15);
    QList<const char*> keys{"dbname", "user", "connect_timeout"};
    QList<const char*> values{db.constData(), user.constData(), timeout.constData()};
    if (!s.host.isEmpty())
        keys << "host", values << host.constData();
    if (s.port)
        keys << "port", values << port.constData();
    if (!s.password.isEmpty())
        keys << "password", values << password.constData();
    keys << nullptr;
    values << nullptr;
    PGconn* conn = PQconnectStartParams(keys.constData(), values.constData(), 0);
    if (!conn)
        return {};
    PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    PostgresPollingStatusType st = PGRES_POLLING_WRITING;
    QElapsedTimer timer;
    timer.start();
    while (PQstatus(conn) != CONNECTION_BAD && st != PGRES_POLLING_OK && st != PGRES_POLLING_FAILED &&
           timer.elapsed() < 1000 * (s.connectionTimeout > 0 ? s.connectionTimeout : 15)) {
        pollfd p{PQsocket(conn), short(st == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (p.fd >= 0)
            ::poll(&p, 1, 1000);
        st = PQconnectPoll(conn);
    }
    static const QRegularExpression re(QStringLiteral(":  ([0-9A-Z]{5}): "));
    const QString state = re.match(QString::fromUtf8(PQerrorMessage(conn))).captured(1);
    PQfinish(conn);
    return state;
}

} // namespace

void Database::openPostgres(bool readOnly)
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
        QString text = e.databaseText().trimmed();
        if (text.isEmpty())
            text = e.text().trimmed();
        const QString state = refusalState(m_settings);
        QString why;
        if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
            why = QStringLiteral("неверное имя пользователя или пароль базы данных (пользователь %1)").arg(m_settings.user);
        else if (state == QLatin1String("3D000"))
            why = QStringLiteral("на сервере нет базы данных \"%1\"").arg(m_settings.database);
        else if (state == QLatin1String("53300"))
            why = QStringLiteral("сервер не принимает новые соединения: их слишком много");
        else if (state == QLatin1String("57P03"))
            why = QStringLiteral("сервер запускается или останавливается");
        else if (!state.isEmpty())
            why = QStringLiteral("сервер отказал в соединении (код %1)").arg(state);
        else
            why = QStringLiteral("сервер недоступен");
        throw ConnectionError(QStringLiteral("Не удалось подключиться к серверу %1: %2.\r\n%3")
                                  .arg(m_settings.describe(), why, text),
                              state.isEmpty() ? e.nativeErrorCode() : state, text);
    }
    configurePostgres(readOnly);
}

void Database::configurePostgres(bool readOnly)
{
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    // A wait for another user's lock is told apart from a slow statement: the lock wait gives up
    // first (55P03), the statement as a whole a second later (57014). 0 is no limit.
    const qint64 ms = m_settings.commandTimeoutMs();
    const qint64 statementMs = ms == 0 ? 0 : std::min<qint64>(ms + 1000, INT_MAX);
    q.exec(QStringLiteral("SET statement_timeout = %1").arg(statementMs));
    q.exec(QStringLiteral("SET lock_timeout = %1").arg(ms));
    // The triggers' statements keep the plan of their first call, costed for that call's rows:
    // after one bulk write every one-row write would compile that plan again (tens of
    // milliseconds each). A client's statements are short; compiling never pays off here.
    q.exec(QStringLiteral("SET jit = off"));
    if (readOnly)
        q.exec(QStringLiteral("SET default_transaction_read_only = on"));
}

void Database::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_inTransaction = false;
    m_doomed = false;
    m_savepoints.clear();
    m_afterCommit.clear();
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

const pg_result* Database::postgresResultOf(const QSqlQuery& query)
{
    const QVariant h = query.result() ? query.result()->handle() : QVariant();
    if (!h.isValid() || !(qstrcmp(h.typeName(), "PGresult*") == 0 || qstrcmp(h.typeName(), "pg_result*") == 0))
        return nullptr;
    return *static_cast<pg_result* const*>(h.constData());
}

void Database::raise(const QSqlQuery& failed, const QString& sql) const
{
    raise(failed.lastError(), sql, postgresResultOf(failed));
}

void Database::raise(const QSqlError& error, const QString& sql, const pg_result* result) const
{
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.text().trimmed();
    EngineFailure f;
    if (m_settings.engine == Engine::PostgreSQL) {
        f = PostgresDialect::failureOf(result, message);
        if (f.code.isEmpty())
            f.code = error.nativeErrorCode();
    } else {
        f.code = error.nativeErrorCode();
        f.message = message;
    }
    f.statement = sql;
    raise(std::move(f));
}

void Database::raise(EngineFailure f) const
{
    m_lastFailureState = f.code;
    if (m_settings.engine == Engine::PostgreSQL && const_cast<Database*>(this)->connectionBroken())
        f.connectionLost = true;
    m_lastErrors = m_dialect->mapError(f, m_catalog, databaseName());
    // The user reads the mapped error in Russian; the engine's own text stays in engineMessage().
    QString message = f.message;
    if (!m_lastErrors.isEmpty()) {
        ProviderError& first = m_lastErrors.first();
        const QString text =
            ErrorText::situationText(first.nativeError, int(m_settings.commandTimeoutMs() / 1000), m_inTransaction);
        if (!text.isEmpty())
            first.message = text;
        const ConstraintCatalog::Entry* key = first.constraint.isEmpty() ? nullptr : m_catalog.find(first.constraint);
        const bool keyError = first.nativeError == NativeError::Constraint || first.nativeError == NativeError::UniqueIndex;
        message = ErrorText::userText(first, keyError && key ? key->columns : QStringList());
    }
    if (message.trimmed().isEmpty())
        message = QStringLiteral("Ошибка базы данных без описания (код %1)")
                      .arg(f.code.isEmpty() ? QStringLiteral("неизвестен") : f.code);
    if (m_inTransaction && !m_doomed) {
        m_doomed = true;
        m_doomDepth = int(m_savepoints.size());
        m_doomReason = message;
    }
    throw DatabaseError(message, f.code, m_lastErrors, f.statement, f.message);
}

bool Database::connectionBroken()
{
    if (m_settings.engine != Engine::PostgreSQL || !m_db.isValid())
        return false;
    pg_conn* conn = postgresHandle();
    if (!conn || PQstatus(conn) == CONNECTION_BAD)
        return true;
    // The server's farewell (terminated, shutting down) may come before libpq sees the socket close.
    const QString state = m_lastFailureState;
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
           state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

bool Database::reopenIfLost(const QSqlQuery* failed)
{
    if (failed) {
        const pg_result* r = postgresResultOf(*failed);
        const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        m_lastFailureState = state ? QString::fromLatin1(state) : QString();
    }
    if (m_inTransaction || !connectionBroken())
        return false;
    m_lastFailureState.clear();
    // The same QSqlDatabase (and driver) gets a new connection, so that queries made on it stay usable.
    m_db.close();
    if (!m_db.open())
        return false;
    configurePostgres(m_readOnly);
    ++m_generation;
    return true;
}

void Database::runOrRaise(const QString& sql)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        raise(q, sql);
}

void Database::exec(const QString& sql, const QVariantList& params)
{
    Query q(*this, sql);
    q.bindAll(params);
    q.exec();
}

void Database::lockName(const QString& name)
{
    const QString sql = m_dialect->lockName();
    if (!sql.isEmpty())
        exec(sql, {name});
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
    if (!q.exec(m_dialect->beginTransaction())) {
        // A connection the server dropped since the last statement is opened again first.
        if (!reopenIfLost(&q))
            raise(q, m_dialect->beginTransaction());
        runOrRaise(m_dialect->beginTransaction());
    }
    m_inTransaction = true;
    m_doomed = false;
    m_savepoints.clear();
    m_afterCommit.clear();
}

void Database::commit()
{
    if (!m_inTransaction)
        throw Exception(QStringLiteral("Нет начатой транзакции"));
    // A statement that failed (and was caught) dooms the transaction on both engines; PostgreSQL
    // would turn COMMIT into ROLLBACK silently, SQLite would keep the rest.
    pg_conn* conn = m_settings.engine == Engine::PostgreSQL ? postgresHandle() : nullptr;
    if (!m_doomed && conn && PQtransactionStatus(conn) == PQTRANS_INERROR) {
        m_doomed = true;
        m_doomReason = QStringLiteral("команда транзакции завершилась ошибкой");
    }
    if (m_doomed)
        abandonDoomed();
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("COMMIT"))) {
        m_inTransaction = false;
        m_savepoints.clear();
        m_afterCommit.clear();
        if (!connectionBroken())
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        raise(q, QStringLiteral("COMMIT"));
    }
    m_inTransaction = false;
    m_savepoints.clear();
    const auto actions = std::exchange(m_afterCommit, {});
    for (const auto& action : actions)
        action();
}

void Database::afterCommit(std::function<void()> action)
{
    if (m_inTransaction)
        m_afterCommit.push_back(std::move(action));
    else
        action();
}

void Database::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    m_doomed = false;
    m_savepoints.clear();
    m_afterCommit.clear();
    // Nothing to roll back on a dropped connection: the server did. Opened again for what follows.
    if (connectionBroken()) {
        reopenIfLost();
        return;
    }
    // SQLite ends the transaction itself on a full disk or an I/O error.
    if (engineEndedTransaction())
        return;
    runOrRaise(QStringLiteral("ROLLBACK"));
}

void Database::abandonDoomed()
{
    const QString reason = m_doomReason;
    rollback();
    throw Exception(QStringLiteral("Изменения не сохранены: одна из команд завершилась ошибкой, "
                                   "транзакция отменена.\r\n%1")
                        .arg(reason));
}

bool Database::engineEndedTransaction()
{
    sqlite3* handle = m_settings.engine == Engine::SQLite ? sqliteHandle() : nullptr;
    return handle && sqlite3_get_autocommit(handle) != 0;
}

QString Database::setSavepoint()
{
    if (!m_inTransaction)
        throw Exception(QStringLiteral("Точка сохранения возможна только внутри транзакции"));
    const QString name = QStringLiteral("tarvo_sp%1").arg(++m_savepointCounter);
    runOrRaise(QStringLiteral("SAVEPOINT ") + name);
    m_savepoints << name;
    return name;
}

void Database::releaseSavepoint(const QString& name)
{
    runOrRaise(QStringLiteral("RELEASE SAVEPOINT ") + name);
    const qsizetype at = m_savepoints.indexOf(name);
    if (at >= 0)
        m_savepoints.resize(at);
}

void Database::rollbackToSavepoint(const QString& name)
{
    // The engine undid the whole transaction, savepoints and all: going on would write each
    // later statement on its own.
    if (m_inTransaction && engineEndedTransaction())
        abandonDoomed();
    runOrRaise(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
    QSqlQuery(m_db).exec(QStringLiteral("RELEASE SAVEPOINT ") + name);
    const qsizetype at = m_savepoints.indexOf(name);
    if (at >= 0) {
        // The failure is undone when the savepoint was set before it.
        if (m_doomed && at < m_doomDepth)
            m_doomed = false;
        m_savepoints.resize(at);
    }
}

Database* Database::main()
{
    if (!g_main)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    return g_main;
}

Database& Database::openMain()
{
    Database* db = main();
    if (!db->isOpen())
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    return *db;
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
