#pragma once

#include "data/engine/money.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Payments {

// How far the payments of a proforma cover its payment plan: each instalment gets what was paid
// up to its day less the earlier instalments, within nothing and its own sum. Days are calendar
// days: a payment at 14:30 on the instalment's day counts for it.
class PaymentCoverage
{
public:
    struct Instalment
    {
        QDateTime date;
        Money sum;
        Money covered;
    };
    using Paid = QList<QPair<QDate, Money>>;

    // The plan in date order and the payments (any order).
    static QList<Instalment> cover(QList<Instalment> plan, const Paid& paid);
    // The proforma's stored plan and payments.
    static QList<Instalment> ofProforma(Data::Database& db, qint64 pfId);
};

} // namespace Tarvo::Payments
