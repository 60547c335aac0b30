#include "data/engine/resultreader.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QSqlField>
#include <QSqlRecord>

namespace Tarvo::Data {

namespace {

class QtSqlResultReader final : public ResultReader
{
public:
    explicit QtSqlResultReader(Query& query) : m_query(query)
    {
        if (!m_query.isActive())
            m_query.exec();
        m_columns.resize(m_query.columnCount());
        for (int i = 0; i < m_columns.size(); ++i) {
            m_columns[i].name = m_query.columnName(i);
            m_columns[i].type = typeOf(i);
        }
    }

    bool next(RowValues::Builder& row) override
    {
        if (!m_query.next())
            return false;
        for (int i = 0; i < m_columns.size(); ++i)
            row.setVariant(i, m_query.value(i));
        return true;
    }

private:
    FieldType typeOf(int i) const
    {
        FieldType byValues = FieldType::String;
        switch (m_query.record().field(i).metaType().id()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            byValues = FieldType::Integer;
            break;
        case QMetaType::Double:
            byValues = FieldType::Float;
            break;
        case QMetaType::QByteArray:
            byValues = FieldType::Bytes;
            break;
        default:
            break;
        }
        return fieldTypeOfColumn(m_query.columnKind(i), m_query.declaredType(i), byValues);
    }

    Query& m_query;
};

} // namespace

std::unique_ptr<ResultReader> ResultReader::open(Query& query)
{
    std::unique_ptr<ResultReader> reader;
    if (!query.isActive()) {
        switch (query.database().engine()) {
        case Engine::SQLite:
            reader = readSqlite(query);
            break;
        case Engine::PostgreSQL:
            reader = readPostgres(query);
            break;
        }
    }
    return reader ? std::move(reader) : readThroughQtSql(query);
}

std::unique_ptr<ResultReader> readThroughQtSql(Query& query)
{
    return std::make_unique<QtSqlResultReader>(query);
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
