#pragma once

#include "data/engine/money.h"

#include <QDateTime>
#include <QHash>
#include <QVariant>
#include <vector>

namespace Tarvo::Proformas {

// One confirmed line touched by a proforma's save: what its parts held when loaded and what
// the proforma keeps of them; the line's stored quantity and sums as loaded, which the write
// checks and divides.
struct TSplittedEntry
{
    qint64 suoId = 0;
    qint64 prId = 0;
    QDateTime date;
    QDateTime newDate; // the remainder's line, once written
    Money total;
    Money kept;
    Money lineAmount;
    Money lineSum;
    Money lineSumValut;
    QString articul;

    bool whole() const { return kept == total; }
    bool released() const { return kept <= Money(); }
    bool split() const { return !whole() && !released(); }
    // The kept line's sum: the stored sum divided by quantity, rounded once; the remainder gets
    // the rest, so both sums add up to the stored one exactly.
    Money keptSum(Money sum) const;
};

// The entries of one save, in the order they were first met.
class TSplitedAccept
{
public:
    // Finds or adds the line's entry and adds a part's loaded and kept quantities to it.
    TSplittedEntry& add(qint64 suoId, qint64 prId, const QDateTime& date, Money total, Money kept);
    // The line's entry; an unknown line is an internal error.
    TSplittedEntry& entry(qint64 suoId, qint64 prId, const QDateTime& date);

    std::vector<TSplittedEntry>& entries() { return m_entries; }

private:
    TSplittedEntry* find(qint64 suoId, qint64 prId, const QDateTime& date);

    std::vector<TSplittedEntry> m_entries;
    QHash<QString, size_t> m_index;
};

} // namespace Tarvo::Proformas
