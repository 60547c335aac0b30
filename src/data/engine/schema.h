#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Tarvo::Data {

// Column types of the schema, written once and turned into each engine's DDL.
enum class ColumnType {
    Integer,
    BigInt,
    SmallInt,
    Boolean,
    String,      // varchar(size)
    FixedString, // char(size)
    Text,
    Money,   // numeric(19,4)
    Decimal, // numeric(size, scale)
    Float,
    DateTime,
    Bytes, // varbinary(size) / large object
};

struct Column
{
    QString name;
    ColumnType type = ColumnType::Integer;
    int size = 0;
    int scale = 0;
    bool notNull = false;
    bool identity = false;
    bool defaultNow = false;
    QString defaultValue; // a portable SQL literal: 0, 'text', true
};

enum class RefAction { NoAction, Cascade, SetNull };

struct ForeignKey
{
    QString name;
    QStringList columns;
    QString refTable;
    QStringList refColumns;
    RefAction onDelete = RefAction::NoAction;
};

struct Index
{
    QString name;
    QStringList columns;
    bool unique = false;
};

// A table definition built fluently; the modifiers apply to the last column added:
//   Table("CRM_USERS").identity("US_ID").string("US_LOGIN", 20).notNull().primaryKey("PK_CRM_USERS", {"US_ID"})
class Table
{
public:
    explicit Table(QString name) : m_name(std::move(name)) {}

    Table& column(const QString& name, ColumnType type, int size = 0, int scale = 0);
    Table& identity(const QString& name); // integer key assigned by the server
    Table& integer(const QString& name) { return column(name, ColumnType::Integer); }
    Table& bigint(const QString& name) { return column(name, ColumnType::BigInt); }
    Table& smallint(const QString& name) { return column(name, ColumnType::SmallInt); }
    Table& boolean(const QString& name) { return column(name, ColumnType::Boolean); }
    Table& string(const QString& name, int size) { return column(name, ColumnType::String, size); }
    Table& fixed(const QString& name, int size) { return column(name, ColumnType::FixedString, size); }
    Table& text(const QString& name) { return column(name, ColumnType::Text); }
    Table& money(const QString& name) { return column(name, ColumnType::Money); }
    Table& decimal(const QString& name, int precision = 19, int scale = 4)
    {
        return column(name, ColumnType::Decimal, precision, scale);
    }
    Table& floating(const QString& name) { return column(name, ColumnType::Float); }
    Table& dateTime(const QString& name) { return column(name, ColumnType::DateTime); }
    Table& bytes(const QString& name, int size = 0) { return column(name, ColumnType::Bytes, size); }

    Table& notNull();
    Table& defaultsTo(const QString& literal);
    Table& defaultsToNow();

    Table& primaryKey(const QString& name, const QStringList& columns);
    Table& unique(const QString& name, const QStringList& columns);
    Table& index(const QString& name, const QStringList& columns);
    Table& foreignKey(const QString& name, const QStringList& columns, const QString& refTable,
                      const QStringList& refColumns, RefAction onDelete = RefAction::NoAction);

    const QString& name() const { return m_name; }
    const QList<Column>& columns() const { return m_columns; }
    const QString& primaryKeyName() const { return m_pkName; }
    const QStringList& primaryKeyColumns() const { return m_pk; }
    const QList<Index>& indexes() const { return m_indexes; }
    const QList<ForeignKey>& foreignKeys() const { return m_fks; }
    const Column* findColumn(const QString& name) const;

private:
    QString m_name;
    QList<Column> m_columns;
    QString m_pkName;
    QStringList m_pk;
    QList<Index> m_indexes;
    QList<ForeignKey> m_fks;
};

} // namespace Tarvo::Data
