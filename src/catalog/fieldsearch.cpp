#include "catalog/fieldsearch.h"

#include "core/exception.h"
#include "data/engine/money.h"
#include "data/rowset/trowset.h"

#include <QDate>
#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString FieldSearch::NeedNumber = u"Необходимо ввести число."_s;
const QString FieldSearch::NeedDate = u"Необходимо ввести дату."_s;

FieldSearch::FieldSearch(Data::TRowSet& rowSet, const QString& field)
    : m_rowSet(rowSet), m_field(rowSet.fieldIndexOrThrow(field))
{
    const Data::RowSetField& f = rowSet.field(m_field);
    switch (f.type) {
    case Data::FieldType::String:
        m_kind = Kind::Text;
        break;
    case Data::FieldType::Integer:
        m_kind = Kind::Integer;
        break;
    case Data::FieldType::Float:
        m_kind = Kind::Float;
        break;
    case Data::FieldType::Money:
        m_kind = Kind::Money;
        break;
    case Data::FieldType::DateTime:
        m_kind = Kind::Date;
        break;
    default:
        throw Exception(u"Не могу определить тип поля <%1>."_s.arg(f.caption()));
    }
}

void FieldSearch::setEntry(const QString& entry)
{
    const QString t = entry.trimmed();
    m_lastHit = -1;
    switch (m_kind) {
    case Kind::Text:
        m_text = entry.toUpper();
        return;
    case Kind::Integer:
    case Kind::Float:
    case Kind::Money: {
        const std::optional<Money> m = Money::parse(t);
        if (!m)
            throw Exception(NeedNumber);
        m_raw = m->raw();
        bool ok = false;
        m_number = QString(t).replace(u',', u'.').remove(u' ').toDouble(&ok);
        if (!ok)
            m_number = m->toDouble();
        return;
    }
    case Kind::Date: {
        QDate d;
        for (const QString& f : {u"dd.MM.yyyy"_s, u"d.M.yyyy"_s, u"dd.MM.yy"_s, u"yyyy-MM-dd"_s}) {
            d = QDate::fromString(t, f);
            if (d.isValid())
                break;
        }
        if (!d.isValid())
            throw Exception(NeedDate);
        if (d.year() < 1950)
            d = d.addYears(100);
        m_dayNumber = d.toJulianDay();
        return;
    }
    }
}

bool FieldSearch::matches(int row) const
{
    const Data::RowSetRow* r = m_rowSet.rowAt(row);
    if (!r)
        return false;
    const QVariant v = r->values.at(m_field);
    if (v.isNull())
        return false;
    switch (m_kind) {
    case Kind::Text: {
        const QString s = v.toString().toUpper();
        return m_fromStart ? s.startsWith(m_text) : s.contains(m_text);
    }
    case Kind::Integer:
        return m_raw % Money::Scale == 0 && v.toLongLong() == m_raw / Money::Scale;
    case Kind::Float:
        return qFuzzyCompare(v.toDouble() + 1.0, m_number + 1.0);
    case Kind::Money:
        return Money::fromVariant(v).raw() == m_raw;
    case Kind::Date:
        return v.toDateTime().date().toJulianDay() == m_dayNumber;
    }
    return false;
}

void FieldSearch::start(int from)
{
    m_next = from;
    m_stepping = true;
    m_readFirst = false;
}

void FieldSearch::startFind()
{
    start(qMax(0, m_rowSet.recNo()));
}

void FieldSearch::startFindNext()
{
    const int from = m_lastHit >= 0 ? m_lastHit : m_rowSet.recNo();
    start(from + (m_forward ? 1 : -1));
}

void FieldSearch::readBatch()
{
    if (m_readBatch)
        m_readBatch();
    else
        m_rowSet.fetchMore();
}

FieldSearch::Step FieldSearch::step()
{
    if (!m_stepping)
        return Step::NotFound;
    if (m_readFirst) {
        m_readFirst = false;
        const int before = m_rowSet.recordCount();
        readBatch();
        // Nothing came though rows remain (a row being edited holds the list): not found.
        if (m_rowSet.recordCount() == before && m_rowSet.canFetchMore()) {
            m_stepping = false;
            return Step::NotFound;
        }
    }
    const int n = m_rowSet.recordCount();
    for (int i = m_next; i >= 0 && i < n; i += m_forward ? 1 : -1)
        if (matches(i)) {
            m_stepping = false;
            m_rowSet.moveTo(i);
            m_lastHit = i;
            return Step::Found;
        }
    // A list read in batches: the hit may be among the rows not read yet.
    if (!m_forward || !m_rowSet.canFetchMore()) {
        m_stepping = false;
        return Step::NotFound;
    }
    m_next = qMax(m_next, n);
    m_readFirst = true;
    return Step::Reading;
}

bool FieldSearch::search(int from)
{
    start(from);
    Step s;
    while ((s = step()) == Step::Reading) {
    }
    return s == Step::Found;
}

bool FieldSearch::find()
{
    return search(qMax(0, m_rowSet.recNo()));
}

bool FieldSearch::findNext()
{
    startFindNext();
    Step s;
    while ((s = step()) == Step::Reading) {
    }
    return s == Step::Found;
}

} // namespace Tarvo::Catalog
