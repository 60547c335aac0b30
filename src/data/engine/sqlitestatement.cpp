#include "data/engine/sqlitestatement.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QSqlError>
#include <sqlite3.h>

namespace Tarvo::Data {

void bindSqliteValue(sqlite3_stmt* statement, int position, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(statement, position);
        return;
    }
    if (v.metaType() == QMetaType::fromType<Money>()) {
        // SQLite keeps decimals as binary floating point.
        sqlite3_bind_double(statement, position, v.value<Money>().toDouble());
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
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QByteArray t = Query::dateTimeText(Query::parseDateTime(v)).toUtf8();
        sqlite3_bind_text(statement, position, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(statement, position, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    }
}

void raiseSqliteError(Database& db, sqlite3* handle, const QString& sql)
{
    // The same error QtSql's driver would report.
    db.raise(QSqlError(QStringLiteral("Unable to execute statement"),
                       QString::fromUtf8(sqlite3_errmsg(handle)), QSqlError::StatementError,
                       QString::number(sqlite3_extended_errcode(handle))),
             sql);
}

} // namespace Tarvo::Data
