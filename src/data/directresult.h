#pragma once

#include "data/query.h"
#include "data/rowsetfield.h"
#include "data/rowvalues.h"

#include <QString>
#include <QVector>
#include <memory>

namespace Tarvo::Data {

// A query's result read straight through the engine's client library into row values: how row
// sets load. QtSql would make a QVariant of every value first, which costs more than the reading
// itself. Values come out as Query::value() gives them.
class DirectResult
{
public:
    struct Column
    {
        QString name;
        FieldType type = FieldType::String;
    };

    virtual ~DirectResult() = default;

    // Runs the query (with its bound parameters) on the engine; nullptr when the connection offers
    // no engine handle, and the caller reads through QtSql. Throws DatabaseError like Query::exec.
    static std::unique_ptr<DirectResult> run(Query& query);

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

std::unique_ptr<DirectResult> runSqliteResult(Query& query);
std::unique_ptr<DirectResult> runPostgresResult(Query& query);

} // namespace Tarvo::Data
