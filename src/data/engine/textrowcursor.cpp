#include "data/engine/textrowcursor.h"

#include "data/engine/database.h"
#include "data/engine/sqlitestatement.h"

#include <sqlite3.h>

namespace Tarvo::Data {

TextRowCursor::TextRowCursor(Query& query) : m_query(query)
{
    sqlite3* handle = query.database().sqliteHandle();
    if (!handle) {
        query.exec();
        return;
    }
    const QByteArray sql = query.preparedSql().toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
        raiseSqliteError(query.database(), handle, query.sql());
    const QVariantList values = query.boundValues();
    for (int i = 0; i < values.size(); ++i)
        bindSqliteValue(m_statement, i + 1, values[i]);
}

TextRowCursor::~TextRowCursor()
{
    sqlite3_finalize(m_statement);
}

bool TextRowCursor::next()
{
    if (!m_statement) {
        m_texts.clear();
        return m_query.next();
    }
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        raiseSqliteError(m_query.database(), sqlite3_db_handle(m_statement), m_query.sql());
    return false;
}

QByteArrayView TextRowCursor::text(int column)
{
    if (m_statement) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return {p, p ? qsizetype(sqlite3_column_bytes(m_statement, column)) : 0};
    }
    if (m_texts.size() <= size_t(column))
        m_texts.resize(size_t(column) + 1);
    m_texts[size_t(column)] = m_query.string(column).toUtf8();
    return m_texts[size_t(column)];
}

qint64 TextRowCursor::integer(int column) const
{
    return m_statement ? sqlite3_column_int64(m_statement, column) : m_query.integer(column);
}

bool TextRowCursor::isNull(int column) const
{
    return m_statement ? sqlite3_column_type(m_statement, column) == SQLITE_NULL : m_query.isNull(column);
}

} // namespace Tarvo::Data
