#include "data/directresult.h"

#include "data/database.h"
#include "data/query.h"

namespace Tarvo::Data {

std::unique_ptr<DirectResult> DirectResult::run(Query& query)
{
    switch (query.database().engine()) {
    case Engine::SQLite:
        return runSqliteResult(query);
    case Engine::PostgreSQL:
        return runPostgresResult(query);
    }
    return nullptr;
}

FieldType fieldTypeOfColumn(Query::ColumnKind kind, const QByteArray& declared, FieldType byValues)
{
    switch (kind) {
    case Query::ColumnKind::Money:
        return FieldType::Money;
    case Query::ColumnKind::DateTime:
        return FieldType::DateTime;
    case Query::ColumnKind::Boolean:
        return FieldType::Boolean;
    case Query::ColumnKind::Plain:
        break;
    }
    const QByteArray d = declared.toUpper();
    if (d.contains("INT"))
        return FieldType::Integer;
    if (d.contains("CHAR") || d.contains("CLOB") || d.contains("TEXT"))
        return FieldType::String;
    if (d.contains("BLOB"))
        return FieldType::Bytes;
    if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB"))
        return FieldType::Float;
    return byValues;
}

} // namespace Tarvo::Data
