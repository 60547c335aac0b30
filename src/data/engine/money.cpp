#include "data/engine/money.h"

#include "core/exception.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace Tarvo {

namespace {

[[noreturn]] void overflow()
{
    throw Exception(QStringLiteral("Переполнение при вычислении суммы"));
}

int64_t checkedAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        overflow();
    return r;
}

// Divides rounding half away from zero.
__int128 roundDiv(__int128 num, __int128 den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0)
        r = -r;
    if (2 * r >= den)
        q += num < 0 ? -1 : 1;
    return q;
}

int64_t narrow(__int128 v)
{
    if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min())
        overflow();
    return int64_t(v);
}

} // namespace

Money Money::fromDouble(double value)
{
    if (!std::isfinite(value) || std::fabs(value) * Scale >= 9.2e18) {
        checkRange(QString::number(value, 'f', 4));
        overflow();
    }
    return fromRaw(int64_t(std::llround(value * Scale)));
}

std::optional<Money> Money::parse(QStringView text)
{
    QString s = text.trimmed().toString();
    s.remove(QLatin1Char(' '));
    s.remove(QChar(0x00A0));
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    if (s.isEmpty())
        return std::nullopt;
    int pos = 0;
    bool negative = false;
    if (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+')) {
        negative = s[0] == QLatin1Char('-');
        pos = 1;
    }
    __int128 digits = 0;
    int fraction = -1; // digits seen after the point, -1 before it
    int extraFraction = 0;
    bool any = false;
    bool roundUp = false;
    for (; pos < s.size(); ++pos) {
        QChar c = s[pos];
        if (c.isDigit()) {
            any = true;
            if (fraction >= 4) {
                // Beyond four decimals only the first dropped digit decides rounding.
                if (extraFraction++ == 0)
                    roundUp = c.digitValue() >= 5;
                continue;
            }
            digits = digits * 10 + c.digitValue();
            if (digits > (__int128(1) << 100))
                return std::nullopt;
            if (fraction >= 0)
                ++fraction;
        } else if (c == QLatin1Char('.') && fraction < 0) {
            fraction = 0;
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && any) {
            bool ok = false;
            int exp = s.mid(pos + 1).toInt(&ok);
            if (!ok || exp < -30 || exp > 30)
                return std::nullopt;
            // Exponents are rare (spreadsheets); fall back to decimal text arithmetic.
            QString mantissa = s.left(pos);
            auto m = parse(mantissa);
            if (!m)
                return std::nullopt;
            __int128 v = m->raw();
            for (int i = 0; i < exp; ++i)
                v *= 10;
            for (int i = 0; i > exp; --i)
                v = roundDiv(v, 10);
            if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min())
                return std::nullopt;
            return fromRaw(int64_t(v));
        } else {
            return std::nullopt;
        }
    }
    if (!any)
        return std::nullopt;
    int f = fraction < 0 ? 0 : fraction;
    for (; f < 4; ++f)
        digits *= 10;
    if (roundUp)
        digits += 1;
    if (negative)
        digits = -digits;
    if (digits > std::numeric_limits<int64_t>::max() || digits < std::numeric_limits<int64_t>::min())
        return std::nullopt;
    return fromRaw(int64_t(digits));
}

std::optional<Money> Money::parseAscii(const char* text, qsizetype size)
{
    qsizetype pos = 0;
    const bool negative = size > 0 && text[0] == '-';
    if (negative)
        ++pos;
    int64_t digits = 0;
    int count = 0;
    int fraction = -1;
    for (; pos < size; ++pos) {
        const char c = text[pos];
        if (c >= '0' && c <= '9' && count < 18 && fraction < 4) {
            digits = digits * 10 + (c - '0');
            ++count;
            if (fraction >= 0)
                ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return parse(QString::fromLatin1(text, size));
        }
    }
    // Beyond 18 digits once scaled the careful parser decides (and refuses an overflow).
    if (count == 0 || count + 4 - std::max(fraction, 0) > 18)
        return parse(QString::fromLatin1(text, size));
    for (int f = fraction < 0 ? 0 : fraction; f < 4; ++f)
        digits *= 10;
    return fromRaw(negative ? -digits : digits);
}

Money Money::fromVariant(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>();
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool: {
        const __int128 raw = __int128(value.toLongLong()) * Scale;
        if (raw > std::numeric_limits<int64_t>::max() || raw < std::numeric_limits<int64_t>::min())
            checkRange(QString::number(value.toLongLong()));
        return fromRaw(narrow(raw));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(value.toDouble());
    default:
        break;
    }
    const QString text = value.toString();
    if (auto parsed = parse(text))
        return *parsed;
    checkRange(text);
    return {};
}

void Money::checkRange(QStringView text)
{
    // A number that parse() refused is one the four-decimal int64 cannot hold (numeric(19,4)
    // holds up to 10^15): reading it as zero would lose money silently.
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?[0-9 ]*[.,]?[0-9]*(?:[eE][-+]?[0-9]+)?\\s*$"));
    if (text.trimmed().isEmpty() || !text.contains(QRegularExpression(QStringLiteral("[0-9]"))) ||
        !number.match(text).hasMatch())
        return;
    throw Exception(QStringLiteral("Сумма %1 вне допустимого диапазона: не более 922 337 203 685 477,5807 по модулю")
                        .arg(text.trimmed()));
}

QString Money::toString() const
{
    return toString(4);
}

QString Money::toString(int decimals) const
{
    decimals = std::clamp(decimals, 0, 4);
    int64_t div = 1;
    for (int i = decimals; i < 4; ++i)
        div *= 10;
    __int128 v = roundDiv(m_raw, div);
    bool negative = v < 0;
    if (negative)
        v = -v;
    int64_t unitScale = 1;
    for (int i = 0; i < decimals; ++i)
        unitScale *= 10;
    auto whole = int64_t(v / unitScale);
    auto frac = int64_t(v % unitScale);
    QString s = QString::number(whole);
    if (decimals > 0)
        s += QLatin1Char('.') + QString::number(frac).rightJustified(decimals, QLatin1Char('0'));
    if (negative)
        s.prepend(QLatin1Char('-'));
    return s;
}

Money Money::rounded(int decimals) const
{
    decimals = std::clamp(decimals, 0, 4);
    int64_t div = 1;
    for (int i = decimals; i < 4; ++i)
        div *= 10;
    return fromRaw(narrow(roundDiv(m_raw, div) * div));
}

Money& Money::operator+=(Money o)
{
    m_raw = checkedAdd(m_raw, o.m_raw);
    return *this;
}

Money& Money::operator-=(Money o)
{
    if (o.m_raw == std::numeric_limits<int64_t>::min())
        overflow();
    m_raw = checkedAdd(m_raw, -o.m_raw);
    return *this;
}

Money operator*(Money a, Money b)
{
    return Money::fromRaw(narrow(roundDiv(__int128(a.m_raw) * b.m_raw, Money::Scale)));
}

Money operator/(Money a, Money b)
{
    if (b.m_raw == 0)
        throw Exception(QStringLiteral("Деление на ноль"));
    return Money::fromRaw(narrow(roundDiv(__int128(a.m_raw) * Money::Scale, b.m_raw)));
}

} // namespace Tarvo
