#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <compare>
#include <cstdint>
#include <optional>

namespace Tarvo {

// Fixed point with four decimals, the precision of the database's money and
// decimal(19,4) columns. Used for every amount and quantity.
class Money
{
public:
    static constexpr int64_t Scale = 10000;

    constexpr Money() = default;
    constexpr Money(int units) : m_raw(int64_t(units) * Scale) {}
    static constexpr Money fromRaw(int64_t raw)
    {
        Money m;
        m.m_raw = raw;
        return m;
    }
    // Rounds half away from zero to four decimals.
    static Money fromDouble(double value);
    // Exact parse of "-123.4567", "1 234,5", "1e3"; nullopt on anything else or overflow.
    static std::optional<Money> parse(QStringView text);
    // The same for 8-bit text, quick for the plain decimals servers send.
    static std::optional<Money> parseAscii(const char* text, qsizetype size);
    // Throws a clear error when `text` is a number too large for Money; returns otherwise.
    static void checkRange(QStringView text);
    // Accepts Money, integers, doubles and numeric text; null or invalid gives zero, a number
    // outside the range throws.
    static Money fromVariant(const QVariant& value);

    constexpr int64_t raw() const { return m_raw; }
    double toDouble() const { return double(m_raw) / Scale; }
    // Canonical text: always four decimals, '.' as separator, no grouping.
    QString toString() const;
    // Text with the given number of decimals (rounded half away from zero).
    QString toString(int decimals) const;
    QVariant toVariant() const { return QVariant::fromValue(*this); }

    constexpr bool isZero() const { return m_raw == 0; }
    Money abs() const { return fromRaw(m_raw < 0 ? -m_raw : m_raw); }
    Money rounded(int decimals) const;

    Money operator-() const { return fromRaw(-m_raw); }
    Money& operator+=(Money o);
    Money& operator-=(Money o);
    friend Money operator+(Money a, Money b) { return a += b; }
    friend Money operator-(Money a, Money b) { return a -= b; }
    // Products and quotients are rounded to four decimals, half away from zero.
    friend Money operator*(Money a, Money b);
    friend Money operator/(Money a, Money b);
    friend constexpr auto operator<=>(Money a, Money b) = default;
    friend constexpr bool operator==(Money a, Money b) = default;

private:
    int64_t m_raw = 0;
};

using Quantity = Money;

} // namespace Tarvo

Q_DECLARE_METATYPE(Tarvo::Money)
