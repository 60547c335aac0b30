#include "data/engine/constraintcatalog.h"

namespace Tarvo::Data {

namespace {
QStringList lowered(QStringList l)
{
    for (QString& s : l)
        s = s.toLower();
    l.sort();
    return l;
}
} // namespace

const ConstraintCatalog::Entry* ConstraintCatalog::find(const QString& name) const
{
    auto it = m_byName.constFind(name.toLower());
    return it == m_byName.constEnd() ? nullptr : &it.value();
}

const ConstraintCatalog::Entry* ConstraintCatalog::findUnique(const QString& table, const QStringList& columns,
                                                              bool primaryKey) const
{
    const QStringList wanted = lowered(columns);
    for (const Entry& e : m_byName) {
        if (e.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        if ((e.kind == Kind::PrimaryKey) != primaryKey || e.kind == Kind::ForeignKey)
            continue;
        if (lowered(e.columns) == wanted)
            return &e;
    }
    return nullptr;
}

const ConstraintCatalog::Entry* ConstraintCatalog::primaryKeyOf(const QString& table) const
{
    for (const Entry& e : m_byName)
        if (e.kind == Kind::PrimaryKey && e.table.compare(table, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

void ConstraintCatalog::addTextColumn(const QString& table, const QString& column, int length)
{
    m_textColumns[table.toLower()].append({column, length});
}

QStringList ConstraintCatalog::textColumns(const QString& table, int length) const
{
    QStringList out;
    for (const auto& [column, size] : m_textColumns.value(table.toLower()))
        if (size == length)
            out << column;
    return out;
}

} // namespace Tarvo::Data
