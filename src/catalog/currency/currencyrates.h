#pragma once

#include "data/engine/money.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// Quotations and conversion between roubles (the empty code) and the currencies of "VALUTCOD".
// A rate exists only for the exact date; when it is missing the installed asker is consulted
// (the quotation dialog in the program), which stores the rate or throws Tarvo::Abort.
class CurrencyRates
{
public:
    // connection, code, date, latest earlier rate (none before the first quotation) -> the rate
    // stored for the date.
    using MissingRateAsker = std::function<double(Data::Database& db, const QString& code, const QDate& date,
                                                  std::optional<double> previous)>;

    explicit CurrencyRates(Data::Database& db) : m_db(db) {}

    static void setMissingRateAsker(MissingRateAsker asker);
    static const MissingRateAsker& missingRateAsker();

    // Roubles per unit of the currency on the date; 1 for roubles. A stored 0 or less counts as missing.
    double rate(const QString& code, const QDate& date) const;
    // The stored rate of the exact date, if any usable one exists.
    std::optional<double> storedRate(const QString& code, const QDate& date) const;
    // The latest usable rate before the date.
    std::optional<double> previousRate(const QString& code, const QDate& date) const;
    double ratio(const QString& from, const QString& to, const QDate& date) const;
    Money convert(const QString& from, const QString& to, const QDate& date, Money amount) const;
    // amount × ratio, rounded half away from zero to the fourth decimal.
    static Money applyRatio(Money amount, double ratio);

    // Stores (or replaces) the quotation of the date; refuses a rate of 0 or less.
    void storeRate(const QString& code, const QDate& date, double rate) const;

    static const QString& nonPositiveRateMessage();

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
