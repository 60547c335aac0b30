#pragma once

#include "otbor/tvar.h"

#include <QDateTime>

namespace Tarvo::Otbor {

// A date interval. DateStart is a day at 00:00:00, DateEnd a day at 23:59:59; both are
// today when the variable is made and again when it is switched off.
class TVarDate : public TVarActive
{
public:
    enum IntervalType : quint8
    {
        Between = 0, // DateStart .. DateEnd
        Until = 1,   // before DateStart
        After = 2    // after DateEnd
    };
    TVarDate(const QUuid& guid, QString prefix);

    const QDateTime& dateStart() const { return m_start; }
    const QDateTime& dateEnd() const { return m_end; }
    IntervalType intervalType() const { return m_type; }
    // Only the day counts.
    void setDateStart(const QDate& day);
    void setDateEnd(const QDate& day);
    void setIntervalType(IntervalType type);
    const QString& prefix() const { return m_prefix; }

    void setActive(bool active) override;
    QString description() const override;
    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

    // The file's day numbers: whole days counted from 30 December 1899.
    static qint64 dayNumber(const QDate& day);
    // False for text that is no day number of a date in years 1..9999.
    static bool dayFromNumber(const QString& text, QDate* day);

private:
    void resetToToday();

    QString m_prefix;
    QDateTime m_start;
    QDateTime m_end;
    IntervalType m_type = Between;
};

class TOfferDate : public TVarDate
{
public:
    explicit TOfferDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("Дата заявки ")) {}
};

class TOrderDate : public TVarDate
{
public:
    explicit TOrderDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("Дата заказа ")) {}
};

class TWayBillDate : public TVarDate
{
public:
    explicit TWayBillDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("Дата посылки ")) {}
};

class TRouteDate : public TVarDate
{
public:
    explicit TRouteDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("Дата транспорта ")) {}
};

class TPlanDate : public TVarDate
{
public:
    explicit TPlanDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("План ")) {}
};

class TPFPlatDate : public TVarDate
{
public:
    explicit TPFPlatDate(const QUuid& guid) : TVarDate(guid, QStringLiteral("Дата счета/платежа ")) {}
};

} // namespace Tarvo::Otbor
