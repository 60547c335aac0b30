#pragma once

#include "data/engine/query.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

struct sqlite3_stmt;

namespace Tarvo::Data {

// Steps through a long result of text and integer columns without a QVariant per value: on SQLite
// straight through the library's statement, on other engines through Query. For reads of millions
// of keys where making the variants costs more than the reading.
class TextRowCursor
{
public:
    // Runs the query with its bound parameters; throws DatabaseError like Query::exec.
    explicit TextRowCursor(Query& query);
    ~TextRowCursor();
    TextRowCursor(const TextRowCursor&) = delete;
    TextRowCursor& operator=(const TextRowCursor&) = delete;

    bool next();
    // The column's text as UTF-8 (empty for null), valid until the next call of next().
    QByteArrayView text(int column);
    qint64 integer(int column) const;
    bool isNull(int column) const;

private:
    Query& m_query;
    sqlite3_stmt* m_statement = nullptr;
    std::vector<QByteArray> m_texts; // the other engines' values converted
};

} // namespace Tarvo::Data
