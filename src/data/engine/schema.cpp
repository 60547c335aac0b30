#include "data/engine/schema.h"

#include "core/exception.h"

namespace Tarvo::Data {

Table& Table::column(const QString& name, ColumnType type, int size, int scale)
{
    Column c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.scale = scale;
    m_columns.append(c);
    return *this;
}

Table& Table::identity(const QString& name)
{
    column(name, ColumnType::Integer);
    m_columns.last().identity = true;
    m_columns.last().notNull = true;
    return *this;
}

Table& Table::notNull()
{
    m_columns.last().notNull = true;
    return *this;
}

Table& Table::defaultsTo(const QString& literal)
{
    m_columns.last().defaultValue = literal;
    return *this;
}

Table& Table::defaultsToNow()
{
    m_columns.last().defaultNow = true;
    return *this;
}

Table& Table::primaryKey(const QString& name, const QStringList& columns)
{
    m_pkName = name;
    m_pk = columns;
    return *this;
}

Table& Table::unique(const QString& name, const QStringList& columns)
{
    m_indexes.append({name, columns, true});
    return *this;
}

Table& Table::index(const QString& name, const QStringList& columns)
{
    m_indexes.append({name, columns, false});
    return *this;
}

Table& Table::foreignKey(const QString& name, const QStringList& columns, const QString& refTable,
                         const QStringList& refColumns, RefAction onDelete)
{
    if (columns.size() != refColumns.size() || columns.isEmpty())
        throw Exception(QStringLiteral("Внешний ключ %1: число колонок не совпадает").arg(name));
    m_fks.append({name, columns, refTable, refColumns, onDelete});
    return *this;
}

const Column* Table::findColumn(const QString& name) const
{
    for (const Column& c : m_columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

} // namespace Tarvo::Data
