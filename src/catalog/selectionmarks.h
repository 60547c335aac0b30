#pragma once

#include <QList>
#include <QString>

namespace Tarvo::Catalog {

// The marks of a multiple-selection picker: the keys in the order they were marked.
class SelectionMarks
{
public:
    static constexpr int Capacity = 4096;

    // Marks or unmarks; throws Tarvo::Exception when a mark beyond the capacity is asked for.
    void toggle(qint64 parId);
    bool isMarked(qint64 parId) const { return m_marks.contains(parId); }
    int count() const { return int(m_marks.size()); }
    void clear() { m_marks.clear(); }
    // "12,5,40" in the order of marking; empty when nothing is marked.
    QString result() const;

private:
    QList<qint64> m_marks;
};

} // namespace Tarvo::Catalog
