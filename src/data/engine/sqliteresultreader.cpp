#include "data/engine/database.h"
#include "data/engine/isodatetime.h"
#include "data/engine/query.h"
#include "data/engine/resultreader.h"
#include "data/engine/sqlitestatement.h"

#include <sqlite3.h>

namespace Tarvo::Data {

namespace {

FieldType typeOfStorage(int storage)
{
    switch (storage) {
    case SQLITE_INTEGER:
        return FieldType::Integer;
    case SQLITE_FLOAT:
        return FieldType::Float;
    case SQLITE_BLOB:
        return FieldType::Bytes;
    default:
        return FieldType::String;
    }
}

int nullTypeOf(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return QMetaType::LongLong;
    case FieldType::Money:
        return QMetaType::fromType<Money>().id();
    case FieldType::Float:
        return QMetaType::Double;
    case FieldType::Boolean:
        return QMetaType::Bool;
    case FieldType::DateTime:
        return QMetaType::QDateTime;
    case FieldType::Bytes:
        return QMetaType::QByteArray;
    case FieldType::String:
        break;
    }
    return QMetaType::QString;
}

class SqliteResultReader final : public ResultReader
{
public:
    SqliteResultReader(Query& query, sqlite3* handle) : m_query(query), m_handle(handle) {}
    ~SqliteResultReader() override { sqlite3_finalize(m_statement); }

    void run()
    {
        const QByteArray text = m_query.preparedSql().toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &m_statement, nullptr) !=
            SQLITE_OK)
            raiseSqliteError(m_query.database(), m_handle, m_query.sql());
        const QVariantList values = m_query.boundValues();
        for (int i = 0; i < values.size(); ++i)
            bindSqliteValue(m_statement, i + 1, values[i]);
        // The first step runs the statement, so errors surface here as with Query::exec, and
        // expressions can be typed by their first value.
        m_pending = step();
        const int n = sqlite3_column_count(m_statement);
        m_kinds.resize(n);
        m_nullTypes.resize(n);
        m_columns.resize(n);
        for (int i = 0; i < n; ++i) {
            const char* declared = sqlite3_column_decltype(m_statement, i);
            m_kinds[i] = declared ? Query::kindOfDeclaredType(QString::fromLatin1(declared))
                                  : Query::ColumnKind::Plain;
            m_columns[i].name = QString::fromUtf8(sqlite3_column_name(m_statement, i));
            // An expression is typed by its first value.
            m_columns[i].type = fieldTypeOfColumn(
                m_kinds[i], QByteArray(declared),
                typeOfStorage(m_pending ? sqlite3_column_type(m_statement, i) : SQLITE_NULL));
            m_nullTypes[i] = nullTypeOf(m_columns[i].type);
        }
    }

    bool next(RowValues::Builder& row) override
    {
        if (m_first)
            m_first = false;
        else if (m_pending)
            m_pending = step();
        if (!m_pending)
            return false;
        for (int i = 0; i < m_kinds.size(); ++i)
            read(row, i);
        return true;
    }

private:
    bool step()
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            raiseSqliteError(m_query.database(), m_handle, m_query.sql());
        return false;
    }

    // What QtSql reads, then what Query::value makes of it: for the rare combinations.
    void readSlowly(RowValues::Builder& row, int i, const QVariant& raw)
    {
        row.setVariant(i, Query::normalised(raw, m_kinds[i], Engine::SQLite));
    }

    void read(RowValues::Builder& row, int i)
    {
        const Query::ColumnKind kind = m_kinds[i];
        switch (sqlite3_column_type(m_statement, i)) {
        case SQLITE_NULL:
            row.setNull(i, m_nullTypes[i]);
            return;
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(m_statement, i);
            if (kind == Query::ColumnKind::Plain)
                row.setInt64(i, v);
            else if (kind == Query::ColumnKind::Boolean)
                row.setBool(i, v != 0);
            else
                readSlowly(row, i, QVariant(qlonglong(v)));
            return;
        }
        case SQLITE_FLOAT: {
            const double v = sqlite3_column_double(m_statement, i);
            if (kind == Query::ColumnKind::Plain)
                row.setDouble(i, v);
            else if (kind == Query::ColumnKind::Money)
                row.setMoney(i, Money::fromDouble(v));
            else
                readSlowly(row, i, QVariant(v));
            return;
        }
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, i));
            const int n = sqlite3_column_bytes(m_statement, i);
            if (kind == Query::ColumnKind::Plain) {
                row.setText(i, p, n);
                return;
            }
            QDate date;
            QTime time;
            if (kind == Query::ColumnKind::DateTime && parseIsoDateTime(p, n, &date, &time))
                row.setWallClock(i, RowValues::wallClockMsecs(date, time));
            else
                readSlowly(row, i, QVariant(QString::fromUtf8(p, n)));
            return;
        }
        default: {
            const int n = sqlite3_column_bytes(m_statement, i);
            const auto* p = static_cast<const char*>(sqlite3_column_blob(m_statement, i));
            if (kind == Query::ColumnKind::Plain)
                row.setBytes(i, p, n);
            else
                readSlowly(row, i, QVariant(QByteArray(p, n)));
        }
        }
    }

    Query& m_query;
    sqlite3* m_handle;
    sqlite3_stmt* m_statement = nullptr;
    QVector<Query::ColumnKind> m_kinds;
    QVector<int> m_nullTypes;
    bool m_pending = false;
    bool m_first = true;
};

} // namespace

std::unique_ptr<ResultReader> readSqlite(Query& query)
{
    sqlite3* handle = query.database().sqliteHandle();
    if (!handle)
        return nullptr;
    auto result = std::make_unique<SqliteResultReader>(query, handle);
    result->run();
    return result;
}

} // namespace Tarvo::Data
