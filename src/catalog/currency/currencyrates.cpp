#include "catalog/currency/currencyrates.h"

#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QDateTime>
#include <cmath>

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

double CurrencyRates::ratio(const QString& from, const QString& to, const QDate& date) const
{
    if (from.compare(to, Qt::CaseInsensitive) == 0)
        return 1.0;
    double r = rate(from, date);
    if (!to.trimmed().isEmpty())
        r /= rate(to, date);
    return r;
}

Money CurrencyRates::applyRatio(Money amount, double ratio)
{
    const long double product = static_cast<long double>(amount.raw()) * static_cast<long double>(ratio);
    return Money::fromRaw(static_cast<int64_t>(std::llroundl(product)));
}

Money CurrencyRates::convert(const QString& from, const QString& to, const QDate& date, Money amount) const
{
    if (from.compare(to, Qt::CaseInsensitive) == 0)
        return amount;
    return applyRatio(amount, ratio(from, to, date));
}

void CurrencyRates::storeRate(const QString& code, const QDate& date, double rate) const
{
    if (!(rate > 0))
        throw Exception(nonPositiveRateMessage());
    CatalogTransaction tx(m_db);
    m_db.exec(u"delete from cotirval where codvalut = ? and datecotir = ?"_s, {code, dayOf(date)});
    m_db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"_s,
              {code, dayOf(date), rate});
    tx.commit();
}

} // namespace Tarvo::Catalog
