#pragma once

#include "core/exception.h"

#include <QList>
#include <QString>

namespace Tarvo::Data {

// The server's native error numbers that callers recognise. The engines'
// own codes are mapped onto them so that the same checks work on both.
namespace NativeError {
constexpr int NotNull = 515;
constexpr int Reference = 547;
constexpr int UniqueIndex = 2601;
constexpr int Constraint = 2627; // primary key or unique constraint
constexpr int InvalidObject = 208; // a table or view that does not exist
constexpr int Deadlock = 1205;
constexpr int LockTimeout = 1222; // another user holds the rows or the file
constexpr int Truncation = 8152;  // text longer than its column
constexpr int ConnectionLost = 10054;
constexpr int QueryTimeout = -2147217871; // as the client reports an expired command timeout
constexpr int StorageFull = 1105;  // no room left for the database on its disk
constexpr int StorageFault = 823;  // the database's files could not be read or written, or are damaged
constexpr int ReadOnly = 3906;     // the database is open for reading only
// Refusals raised by the database's own code (procedures, triggers); nothing else carries it.
constexpr int General = 50000;
// Any other engine error: no server number, the engine's own code and text.
constexpr int Unmapped = 0;
} // namespace NativeError

// What the engine reported about a failed statement. The fields other than the message do not
// depend on the server's language.
struct EngineFailure
{
    QString code;       // SQLite extended result code or PostgreSQL SQLSTATE
    QString message;    // the engine's own text
    QString constraint; // PostgreSQL's diagnostic fields, when the server sends them
    QString table;
    QString column;
    QString statement;  // the failing SQL
    bool connectionLost = false;
};

// One entry of the connection's error list after a failed statement.
struct ProviderError
{
    int nativeError = NativeError::General;
    QString message;    // in the wording the classifier reads (names in single quotes)
    QString constraint; // names as known, empty otherwise
    QString table;
    QString column;
    QString engineCode; // the engine's own code (SQLite result code, SQLSTATE)
};

// A failed statement: what the user reads (message()), the engine's own text, and the mapped
// errors.
class DatabaseError : public Exception
{
public:
    // `engineMessage` empty: the engine said nothing beyond `message`.
    DatabaseError(QString message, QString engineCode, QList<ProviderError> errors, QString sql = {},
                  QString engineMessage = {});

    // The engine's own text (its language, its markers): for logs and checks, never for a box.
    const QString& engineMessage() const { return m_engineMessage; }
    // SQLite extended result code or PostgreSQL SQLSTATE, as text.
    const QString& engineCode() const { return m_engineCode; }
    const QList<ProviderError>& errors() const { return m_errors; }
    const QString& sql() const { return m_sql; }
    // The first error's mapped number and names.
    int nativeError() const { return m_errors.isEmpty() ? NativeError::General : m_errors.first().nativeError; }
    QString constraint() const { return m_errors.isEmpty() ? QString() : m_errors.first().constraint; }
    QString table() const { return m_errors.isEmpty() ? QString() : m_errors.first().table; }
    QString column() const { return m_errors.isEmpty() ? QString() : m_errors.first().column; }

private:
    QString m_engineMessage;
    QString m_engineCode;
    QList<ProviderError> m_errors;
    QString m_sql;
};

// Opening the connection failed (unreachable server, wrong password, not a database, ...).
class ConnectionError : public Exception
{
public:
    ConnectionError(QString message, QString engineCode = {}, QString details = {})
        : Exception(std::move(message)), m_code(std::move(engineCode)), m_details(std::move(details))
    {
    }
    const QString& engineCode() const { return m_code; }
    const QString& details() const { return m_details; }

private:
    QString m_code;
    QString m_details;
};

} // namespace Tarvo::Data
