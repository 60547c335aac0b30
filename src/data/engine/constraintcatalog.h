#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace Tarvo::Data {

// What the database knows of its keys and unique indexes, read once per
// connection so that a refusal can be reported with its table and columns
// even when the engine's message names only one of them.
class ConstraintCatalog
{
public:
    enum class Kind { PrimaryKey, UniqueConstraint, UniqueIndex, ForeignKey };
    struct Entry
    {
        QString name; // as created (case kept)
        Kind kind = Kind::UniqueIndex;
        QString table;
        QStringList columns;
        QString refTable;
        QStringList refColumns;
    };

    void clear()
    {
        m_byName.clear();
        m_textColumns.clear();
    }
    void add(const Entry& e) { m_byName.insert(e.name.toLower(), e); }
    const Entry* find(const QString& name) const;
    // The unique index or key of `table` over exactly `columns` (any order, case-insensitive).
    const Entry* findUnique(const QString& table, const QStringList& columns, bool primaryKey) const;
    const Entry* primaryKeyOf(const QString& table) const;
    int size() const { return int(m_byName.size()); }
    // Text columns by declared length, to name the column of a refused too-long value where
    // the engine names only the length.
    void addTextColumn(const QString& table, const QString& column, int length);
    QStringList textColumns(const QString& table, int length) const;

private:
    QHash<QString, Entry> m_byName;
    QHash<QString, QList<QPair<QString, int>>> m_textColumns; // lower-cased table
};

} // namespace Tarvo::Data
