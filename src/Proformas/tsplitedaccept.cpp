#include "Proformas/tsplitedaccept.h"

#include "core/exception.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

Money TSplittedEntry::keptSum(Money sum) const
{
    if (lineAmount <= Money())
        return Money();
    // Whole units of 1/10000 multiplied first: the quotient is rounded once, half away from zero.
    const __int128 product = __int128(sum.raw()) * kept.raw();
    const __int128 d = lineAmount.raw();
    const __int128 q = (product >= 0 ? product + d / 2 : product - d / 2) / d;
    return Money::fromRaw(int64_t(q));
}

namespace {
QString keyOf(qint64 suoId, qint64 prId, const QDateTime& date)
{
    return u"%1|%2|%3"_s.arg(suoId).arg(prId).arg(date.toMSecsSinceEpoch());
}
} // namespace

TSplittedEntry* TSplitedAccept::find(qint64 suoId, qint64 prId, const QDateTime& date)
{
    const auto it = m_index.constFind(keyOf(suoId, prId, date));
    return it == m_index.constEnd() ? nullptr : &m_entries[*it];
}

TSplittedEntry& TSplitedAccept::add(qint64 suoId, qint64 prId, const QDateTime& date, Money total, Money kept)
{
    TSplittedEntry* e = find(suoId, prId, date);
    if (!e) {
        m_index.insert(keyOf(suoId, prId, date), m_entries.size());
        m_entries.push_back({});
        e = &m_entries.back();
        e->suoId = suoId;
        e->prId = prId;
        e->date = date;
    }
    e->total += total;
    e->kept += kept;
    return *e;
}

TSplittedEntry& TSplitedAccept::entry(qint64 suoId, qint64 prId, const QDateTime& date)
{
    if (TSplittedEntry* e = find(suoId, prId, date))
        return *e;
    throw Exception(u"Внутренняя ошибка: строка заказа %1 товара %2 на %3 не найдена среди разделяемых"_s
                        .arg(suoId)
                        .arg(prId)
                        .arg(date.toString(u"dd.MM.yyyy"_s)));
}

} // namespace Tarvo::Proformas
