#include "data/rowset/numberformat.h"

#include <cmath>

namespace Tarvo::Data {

const QString NumberFormat::Quantity = QStringLiteral("quantity");

QString NumberFormat::russian(const QString& plain)
{
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? plain : plain.left(dot);
    const bool negative = whole.startsWith(QLatin1Char('-'));
    if (negative)
        whole.remove(0, 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QChar(0x00A0));
    QString r = (negative ? QStringLiteral("-") : QString()) + whole;
    if (dot >= 0) {
        r += QLatin1Char(',');
        r += QStringView(plain).mid(dot + 1);
    }
    return r;
}

QString NumberFormat::money(Money value, int decimals)
{
    // Through the fixed-point text, so that large amounts keep every digit.
    return russian(value.toString(decimals));
}

QString NumberFormat::quantity(Money value)
{
    QString plain = value.toString(4);
    while (plain.endsWith(QLatin1Char('0')))
        plain.chop(1);
    if (plain.endsWith(QLatin1Char('.')))
        plain.chop(1);
    if (plain == QLatin1String("-0"))
        plain = QStringLiteral("0");
    return russian(plain);
}

QString NumberFormat::byFormat(Money value, const QString& format)
{
    if (format == Quantity)
        return quantity(value);
    bool ok = false;
    const int decimals = format.toInt(&ok);
    return money(value, ok ? decimals : 2);
}

QString NumberFormat::real(double value, int maxDecimals)
{
    if (!std::isfinite(value))
        return QString::number(value);
    // Beyond Money's range the plain scientific text says more than grouped digits would.
    if (std::abs(value) >= 1e15)
        return QString::number(value, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
    QString plain = QString::number(value, 'f', qBound(0, maxDecimals, 15));
    if (plain.contains(QLatin1Char('.'))) {
        while (plain.endsWith(QLatin1Char('0')))
            plain.chop(1);
        if (plain.endsWith(QLatin1Char('.')))
            plain.chop(1);
    }
    if (plain == QLatin1String("-0"))
        plain = QStringLiteral("0");
    return russian(plain);
}

} // namespace Tarvo::Data
