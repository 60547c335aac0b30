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

    // A quotation is the decimal the user entered, with at most eight decimals, kept exactly as a
    // count of hundred-millionths of a rouble: conversions never meet binary fractions.
    static constexpr int64_t QuotationScale = 100000000;

    // Roubles per unit of the currency on the date; 1 for roubles. A stored 0 or less counts as missing.
    double rate(const QString& code, const QDate& date) const;
    // The same as an exact quotation (QuotationScale for roubles).
    int64_t quotation(const QString& code, const QDate& date) const;
    // The stored rate of the exact date, if any usable one exists.
    std::optional<double> storedRate(const QString& code, const QDate& date) const;
    // The latest usable rate before the date.
    std::optional<double> previousRate(const QString& code, const QDate& date) const;
    // The usable rate of the latest quotation date; 1 for roubles.
    std::optional<double> latestRate(const QString& code) const;
    // For display only: convert() never goes through it.
    double ratio(const QString& from, const QString& to, const QDate& date) const;
    // amount × rate(from) / rate(to) as one exact fraction, rounded once to the fourth decimal,
    // half away from zero.
    Money convert(const QString& from, const QString& to, const QDate& date, Money amount) const;
    // The same rule on quotations already read.
    static Money convert(Money amount, int64_t fromQuotation, int64_t toQuotation);

    // Stores (or replaces) the quotation of the date; refuses what checkRate() refuses.
    void storeRate(const QString& code, const QDate& date, double rate) const;

    // The stored floating-point rate as the decimal it was entered with.
    static int64_t quotationOf(double rate);
    // Refuses a rate of 0 or less, one with more than eight decimals and one out of range.
    static void checkRate(double rate);
    // The rate as the user reads and types it: at least four decimals, more when it has them.
    static QString rateText(double rate);

    static const QString& nonPositiveRateMessage();
    static const QString& rateDecimalsMessage();

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
