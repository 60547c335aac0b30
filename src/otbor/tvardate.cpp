#include "otbor/tvardate.h"

#include <cmath>

namespace Tarvo::Otbor {

namespace {
const QDate DayZero(1899, 12, 30);
const QTime EndOfDay(23, 59, 59);

QString shortDate(const QDateTime& d)
{
    return d.date().toString(QStringLiteral("dd.MM.yy"));
}
} // namespace

TVarDate::TVarDate(const QUuid& guid, QString prefix) : TVarActive(guid), m_prefix(std::move(prefix))
{
    m_start = QDateTime(QDate::currentDate(), QTime(0, 0));
    m_end = QDateTime(QDate::currentDate(), EndOfDay);
}

void TVarDate::setDateStart(const QDate& day)
{
    const QDateTime v(day, QTime(0, 0));
    if (v == m_start)
        return;
    m_start = v;
    changed();
}

void TVarDate::setDateEnd(const QDate& day)
{
    const QDateTime v(day, EndOfDay);
    if (v == m_end)
        return;
    m_end = v;
    changed();
}

void TVarDate::setIntervalType(IntervalType type)
{
    if (type == m_type)
        return;
    m_type = type;
    changed();
}

void TVarDate::resetToToday()
{
    m_start = QDateTime(QDate::currentDate(), QTime(0, 0));
    m_end = QDateTime(QDate::currentDate(), EndOfDay);
    m_type = Between;
}

void TVarDate::setActive(bool active)
{
    if (active == this->active())
        return;
    if (!active)
        resetToToday();
    TVarActive::setActive(active);
}

QString TVarDate::description() const
{
    switch (m_type) {
    case Until:
        return m_prefix + QStringLiteral("до %1").arg(shortDate(m_start));
    case After:
        // Rows start the day after DateEnd.
        return m_prefix + QStringLiteral("после %1").arg(shortDate(m_end));
    case Between:
        break;
    }
    return m_prefix + QStringLiteral("с %1 по %2").arg(shortDate(m_start), shortDate(m_end));
}

void TVarDate::saveValues(TVarValues& out) const
{
    out << qMakePair(QStringLiteral("IntervalType"), QString::number(int(m_type)))
        << qMakePair(QStringLiteral("DateStart"), QString::number(dayNumber(m_start.date())))
        << qMakePair(QStringLiteral("DateEnd"), QString::number(dayNumber(m_end.date())));
}

bool TVarDate::loadValue(const QString& name, const QString& text)
{
    if (name == QLatin1String("IntervalType")) {
        int v = 0;
        if (!parseSmall(text, 0, 2, &v))
            return false;
        setIntervalType(IntervalType(v));
    } else if (name == QLatin1String("DateStart") || name == QLatin1String("DateEnd")) {
        QDate day;
        if (!dayFromNumber(text, &day))
            return false;
        if (name == QLatin1String("DateStart"))
            setDateStart(day);
        else
            setDateEnd(day);
    }
    return true;
}

qint64 TVarDate::dayNumber(const QDate& day)
{
    return DayZero.daysTo(day);
}

bool TVarDate::dayFromNumber(const QString& text, QDate* day)
{
    // Whole days; a fraction (a time of day written by another program) is dropped.
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 3.0e6)
        return false;
    const QDate d = DayZero.addDays(qint64(std::floor(v)));
    if (!d.isValid() || d.year() < 1 || d.year() > 9999)
        return false;
    *day = d;
    return true;
}

} // namespace Tarvo::Otbor
