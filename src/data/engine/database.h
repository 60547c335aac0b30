#pragma once

#include "data/engine/connectionsettings.h"
#include "data/engine/constraintcatalog.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QSqlQuery;
struct sqlite3;
struct pg_conn;
struct pg_result;

namespace Tarvo::Data {

// The one connection service over both engines. All statements of the program
// go through a Database: the main connection for everything, and a second one
// with the same settings for long product lists read with server-side cursors.
class Database
{
public:
    explicit Database(ConnectionSettings settings);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the connection; throws ConnectionError with the engine's message and the server's name.
    // Read-only opens an existing database without creating or changing anything.
    void open(bool readOnly = false);
    void close();
    bool isOpen() const;
    // True when open() created the embedded database file.
    bool createdNew() const { return m_createdNew; }

    const ConnectionSettings& settings() const { return m_settings; }
    const Dialect& dialect() const { return *m_dialect; }
    Engine engine() const { return m_settings.engine; }
    QSqlDatabase& sql() { return m_db; }
    // The engine library's own connection under QtSql's, for the paths that go around QtSql
    // (bulk loads, row-set reads); nullptr on the other engine or when closed.
    ::sqlite3* sqliteHandle();
    ::pg_conn* postgresHandle();
    // The database's name as reported in messages.
    QString databaseName() const;

    // Convenience for statements with positional "?" or named ":NAME" parameters.
    void exec(const QString& sql, const QVariantList& params = {});
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Runs an INSERT and returns the key the server gave `keyColumn`.
    qint64 insertReturning(const QString& insertSql, const QString& keyColumn, const QVariantList& params = {});
    bool objectExists(const QString& name);
    QDateTime serverTime();

    // One transaction at a time on the shared connection.
    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }
    // Runs `action` once the open transaction has committed (at once outside one); dropped when
    // the transaction rolls back or fails to commit.
    void afterCommit(std::function<void()> action);
    // Makes other workstations' transactions that lock the same name wait for this one: for
    // check-then-write rules that no key of the table carries.
    void lockName(const QString& name);
    // A statement of the transaction failed and no savepoint before it was rolled back to:
    // commit() will roll back and throw.
    bool isDoomed() const { return m_doomed; }
    // Savepoints inside the transaction; names are generated.
    QString setSavepoint();
    void releaseSavepoint(const QString& name);
    void rollbackToSavepoint(const QString& name);

    const ConstraintCatalog& catalog() const { return m_catalog; }
    void reloadCatalog();
    // Throws DatabaseError for a failed statement, mapping the engine's codes (on PostgreSQL from
    // the failed result's fields when given). Inside a transaction it dooms the transaction.
    [[noreturn]] void raise(const QSqlError& error, const QString& sql, const pg_result* result = nullptr) const;
    [[noreturn]] void raise(const QSqlQuery& failed, const QString& sql) const;
    [[noreturn]] void raise(EngineFailure failure) const;
    // The failed result of a QtSql query on PostgreSQL, nullptr otherwise.
    static const pg_result* postgresResultOf(const QSqlQuery& query);

    // Outside a transaction, re-opens a PostgreSQL connection the server dropped; true when it
    // did, so the caller may run its statement once more.
    // `failed` is the statement that just failed, whose code may tell of the loss.
    bool reopenIfLost(const QSqlQuery* failed = nullptr);
    // Counts re-opens: statements prepared on an earlier connection must be prepared again.
    int generation() const { return m_generation; }
    // The error list of the last failed statement (empty after a success is not tracked).
    const QList<ProviderError>& lastErrors() const { return m_lastErrors; }

    // The process-wide main connection and the server-cursor connection, published after connecting.
    static Database* main();
    // The main connection, which must be open: what the windows opened from the menu work on.
    static Database& openMain();
    static void setMain(Database* db);
    static Database* serverCursor();
    static void setServerCursor(Database* db);

    // Text for the few statements built at run time: single quotes, embedded quotes doubled.
    static QString quote(const QString& text);

private:
    // SQLite rolled the open transaction back by itself (full disk, I/O error).
    bool engineEndedTransaction();
    [[noreturn]] void abandonDoomed();
    void openSqlite(bool readOnly);
    void openPostgres(bool readOnly);
    void configureSqlite(bool readOnly);
    void configurePostgres(bool readOnly);
    bool connectionBroken();
    void runOrRaise(const QString& sql);

    ConnectionSettings m_settings;
    std::unique_ptr<Dialect> m_dialect;
    QString m_connectionName;
    QSqlDatabase m_db;
    ConstraintCatalog m_catalog;
    mutable QList<ProviderError> m_lastErrors;
    bool m_inTransaction = false;
    bool m_createdNew = false;
    bool m_readOnly = false;
    int m_savepointCounter = 0;
    int m_generation = 0;
    QStringList m_savepoints; // open savepoints, oldest first
    std::vector<std::function<void()>> m_afterCommit;
    mutable bool m_doomed = false;
    mutable int m_doomDepth = 0; // savepoints open when the failure doomed the transaction
    mutable QString m_doomReason;
    mutable QString m_lastFailureState; // SQLSTATE of the last failure seen
};

// Begins a transaction and rolls it back on destruction unless committed.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

// A savepoint that is rolled back to on destruction unless released; lets a
// caller go on after a statement that may fail inside a transaction.
class Savepoint
{
public:
    explicit Savepoint(Database& db);
    ~Savepoint();
    void release();

private:
    Database& m_db;
    QString m_name;
    bool m_done = false;
};

} // namespace Tarvo::Data
