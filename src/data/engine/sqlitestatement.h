#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace Tarvo::Data {

class Database;

// The pieces shared by the statements that run straight on the SQLite library (writes with
// parameters, row-set loads) instead of through QtSql.

// Binds a value to the 1-based position: money as a float, dates as their canonical text, booleans
// as 0/1, as Query::boundValues prepares them.
void bindSqliteValue(sqlite3_stmt* statement, int position, const QVariant& value);
// Throws the connection's last error as the DatabaseError QtSql's path would give.
[[noreturn]] void raiseSqliteError(Database& db, sqlite3* handle, const QString& sql);

} // namespace Tarvo::Data
