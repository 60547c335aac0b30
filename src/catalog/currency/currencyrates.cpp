#include "catalog/currency/currencyrates.h"

#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

CurrencyRates::MissingRateAsker& asker()
{
    static CurrencyRates::MissingRateAsker a;
    return a;
}

QDateTime dayOf(const QDate& date)
{
    return QDateTime(date, QTime(0, 0));
}

// Rates above this have no room for eight decimals in the 64-bit quotation.
constexpr double LargestRate = 9.2e10;

// The shortest decimal that reads back as the stored double is the text the rate was entered
// as. Its value in hundred-millionths (rounded half away from zero beyond the eighth decimal)
// and the number of decimals it has. The rate must be within (0, LargestRate).
struct EnteredDecimal
{
    int64_t quotation = 0;
    int decimals = 0;
};

EnteredDecimal enteredDecimal(double rate)
{
    const QString text = QString::number(rate, 'e', QLocale::FloatingPointShortest); // "8.94567e+01"
    const qsizetype e = text.indexOf(u'e');
    QString mantissa = text.left(e);
    const int exponent = text.mid(e + 1).toInt();
    int fraction = 0;
    if (const qsizetype point = mantissa.indexOf(u'.'); point >= 0) {
        fraction = int(mantissa.size() - point - 1);
        mantissa.remove(point, 1);
    }
    // rate = mantissa × 10^(exponent - fraction), the mantissa at most 17 digits.
    __int128 value = mantissa.toLongLong();
    int shift = exponent - fraction + 8;
    for (; shift > 0; --shift)
        value *= 10;
    if (shift < 0) {
        __int128 div = 1;
        for (; shift < 0 && div < (__int128(1) << 100); ++shift)
            div *= 10;
        const __int128 rest = value % div;
        value = value / div + (2 * rest >= div ? 1 : 0);
    }
    return {int64_t(value), std::max(0, fraction - exponent)};
}

// amount × numerator / denominator (denominator > 0) as one exact fraction, rounded once half away
// from zero: |raw × numerator| < 2^126, so the 128-bit product never overflows.
Money mulDiv(Money amount, int64_t numerator, int64_t denominator)
{
    if (denominator <= 0)
        throw Exception(u"Деление на ноль"_s);
    const __int128 num = __int128(amount.raw()) * numerator;
    __int128 q = num / denominator;
    __int128 rest = num % denominator;
    if (rest < 0)
        rest = -rest;
    if (2 * rest >= denominator)
        q += num < 0 ? -1 : 1;
    if (q > std::numeric_limits<int64_t>::max() || q < std::numeric_limits<int64_t>::min())
        throw Exception(u"Переполнение при вычислении суммы"_s);
    return Money::fromRaw(int64_t(q));
}

void checkRange(double rate)
{
    if (!(rate < LargestRate))
        throw Exception(u"Котировка %1 вне допустимого диапазона: не более 92 000 000 000"_s.arg(
            QString::number(rate, 'f', 0)));
}

} // namespace

void CurrencyRates::setMissingRateAsker(MissingRateAsker a)
{
    asker() = std::move(a);
}

const CurrencyRates::MissingRateAsker& CurrencyRates::missingRateAsker()
{
    return asker();
}

const QString& CurrencyRates::nonPositiveRateMessage()
{
    static const QString m = u"Значение котировки должно быть больше 0"_s;
    return m;
}

const QString& CurrencyRates::rateDecimalsMessage()
{
    static const QString m = u"Котировка задаётся не более чем с восемью знаками после запятой"_s;
    return m;
}

int64_t CurrencyRates::quotationOf(double rate)
{
    if (!(rate > 0))
        throw Exception(nonPositiveRateMessage());
    checkRange(rate);
    return enteredDecimal(rate).quotation;
}

void CurrencyRates::checkRate(double rate)
{
    if (!(rate > 0))
        throw Exception(nonPositiveRateMessage());
    checkRange(rate);
    if (enteredDecimal(rate).decimals > 8)
        throw Exception(rateDecimalsMessage());
}

QString CurrencyRates::rateText(double rate)
{
    const int decimals = rate > 0 && rate < LargestRate ? std::clamp(enteredDecimal(rate).decimals, 4, 8) : 4;
    return QLocale().toString(rate, 'f', decimals);
}

std::optional<double> CurrencyRates::storedRate(const QString& code, const QDate& date) const
{
    Data::Query q(m_db, u"select valcotir from cotirval where codvalut = ? and datecotir = ?"_s);
    q.bindAt(0, code, Data::ParamType::String).bindAt(1, dayOf(date), Data::ParamType::DateTime).exec();
    if (!q.next())
        return std::nullopt;
    const double v = q.value(0).toDouble();
    // A stored 0 would divide by zero: it is a missing rate.
    if (!(v > 0))
        return std::nullopt;
    return v;
}

std::optional<double> CurrencyRates::previousRate(const QString& code, const QDate& date) const
{
    Data::Query q(m_db, u"select datecotir, valcotir, codvalut from cotirval "
                        "where datecotir< :datecotir and codvalut= :codvalut and valcotir > 0 "
                        "order by datecotir desc limit 1"_s);
    q.bind(u"datecotir"_s, dayOf(date), Data::ParamType::DateTime)
        .bind(u"codvalut"_s, code, Data::ParamType::String)
        .exec();
    if (!q.next())
        return std::nullopt;
    return q.value(1).toDouble();
}

std::optional<double> CurrencyRates::latestRate(const QString& code) const
{
    if (code.trimmed().isEmpty())
        return 1.0;
    Data::Query q(m_db, u"select valcotir from cotirval where codvalut = ? and valcotir > 0 "
                        "order by datecotir desc limit 1"_s);
    q.bindAt(0, code, Data::ParamType::String).exec();
    if (!q.next())
        return std::nullopt;
    return q.value(0).toDouble();
}

double CurrencyRates::rate(const QString& code, const QDate& date) const
{
    if (code.trimmed().isEmpty())
        return 1.0;
    if (const auto r = storedRate(code, date))
        return *r;
    if (!asker())
        throw Exception(u"Нет котировки валюты %1 на %2"_s.arg(code, date.toString(u"dd.MM.yyyy"_s)));
    const double r = asker()(m_db, code, date, previousRate(code, date));
    if (!(r > 0))
        throw Exception(nonPositiveRateMessage());
    return r;
}

int64_t CurrencyRates::quotation(const QString& code, const QDate& date) const
{
    if (code.trimmed().isEmpty())
        return QuotationScale;
    return quotationOf(rate(code, date));
}

double CurrencyRates::ratio(const QString& from, const QString& to, const QDate& date) const
{
    if (from.compare(to, Qt::CaseInsensitive) == 0)
        return 1.0;
    const int64_t q = quotation(from, date);
    return double(q) / double(quotation(to, date));
}

Money CurrencyRates::convert(Money amount, int64_t fromQuotation, int64_t toQuotation)
{
    return mulDiv(amount, fromQuotation, toQuotation);
}

Money CurrencyRates::convert(const QString& from, const QString& to, const QDate& date, Money amount) const
{
    if (from.compare(to, Qt::CaseInsensitive) == 0)
        return amount;
    // A cross conversion is amount × rate(from) / rate(to) in one fraction: going through a
    // rounded rouble amount would round twice.
    const int64_t q = quotation(from, date);
    return convert(amount, q, quotation(to, date));
}

void CurrencyRates::storeRate(const QString& code, const QDate& date, double rate) const
{
    checkRate(rate);
    CatalogTransaction tx(m_db);
    m_db.exec(u"delete from cotirval where codvalut = ? and datecotir = ?"_s, {code, dayOf(date)});
    m_db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"_s,
              {code, dayOf(date), rate});
    tx.commit();
}

} // namespace Tarvo::Catalog
