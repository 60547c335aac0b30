#pragma once

#include "data/engine/query.h"
#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowvalues.h"

#include <QString>
#include <QVector>
#include <memory>

namespace Tarvo::Data {

// A result column as a row set takes it.
struct ResultColumn
{
    QString name;
    FieldType type = FieldType::String;
};

// A query's result read row by row into row values: how row sets load. A query not yet run is run
// and read straight through the engine's client library (QtSql would make a QVariant of every value
// first, which costs more than the reading itself); one already running is read through QtSql.
// Either way values come out as Query::value() gives them.
class ResultReader
{
public:
    using Column = ResultColumn;

    virtual ~ResultReader() = default;

    // Runs the query when needed (with its bound parameters); throws DatabaseError like Query::exec.
    static std::unique_ptr<ResultReader> open(Query& query);

    const QVector<Column>& columns() const { return m_columns; }
    // Fills the next row into the builder, which the caller started with the column count;
    // false after the last row.
    virtual bool next(RowValues::Builder& row) = 0;

protected:
    QVector<Column> m_columns;
};

// The row-set type of a result column: from its kind, else from the type SQLite declares for it
// (by SQLite's affinity rules), else what its values are.
FieldType fieldTypeOfColumn(Query::ColumnKind kind, const QByteArray& declared, FieldType byValues);

// nullptr when the connection offers no engine handle.
std::unique_ptr<ResultReader> readSqlite(Query& query);
std::unique_ptr<ResultReader> readPostgres(Query& query);
// Reads through QtSql, running the query first when it is not active.
std::unique_ptr<ResultReader> readThroughQtSql(Query& query);

} // namespace Tarvo::Data
