#include "data/sqlitestatement.h"

#include "data/database.h"

#include <QSqlError>
#include <sqlite3.h>

namespace Tarvo::Data {

void bindSqliteValue(sqlite3_stmt* statement, int position, const QVariant& v)
{
    if (v.isNull()) {
        sqlite3_bind_null(statement, position);
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        sqlite3_bind_int64(statement, position, v.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(statement, position, v.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(statement, position, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QString t = v.toString();
        sqlite3_bind_text16(statement, position, t.utf16(), int(t.size()) * 2, SQLITE_TRANSIENT);
    }
    }
}

void raiseSqliteError(Database& db, sqlite3* handle, const QString& sql)
{
    db.raise(QSqlError(QStringLiteral("Unable to execute statement"),
                       QString::fromUtf8(sqlite3_errmsg(handle)), QSqlError::StatementError,
                       QString::number(sqlite3_extended_errcode(handle))),
             sql);
}

} // namespace Tarvo::Data
