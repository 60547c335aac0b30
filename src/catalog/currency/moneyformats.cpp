#include "catalog/currency/moneyformats.h"

#include "shell/programparameters.h"

#include <QLocale>

namespace Tarvo::Catalog {

using Shell::ProgramParameters;

QString MoneyFormats::rouble()
{
    return QString::number(ProgramParameters::current().roubleDecimals);
}

QString MoneyFormats::currency()
{
    return QString::number(ProgramParameters::current().currencyDecimals);
}

QString MoneyFormats::quantity()
{
    return QString::number(ProgramParameters::current().quantityDecimals);
}

QString MoneyFormats::forCurrency(const QString& code)
{
    return code.trimmed().isEmpty() ? rouble() : currency();
}

QString MoneyFormats::text(Money value, const QString& code)
{
    const int decimals = forCurrency(code).toInt();
    // Through the fixed-point text, so that large amounts keep every digit.
    const QString plain = value.toString(decimals);
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? plain : plain.left(dot);
    const bool negative = whole.startsWith(QLatin1Char('-'));
    if (negative)
        whole.remove(0, 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QChar(0x00A0));
    QString r = (negative ? QStringLiteral("-") : QString()) + whole;
    if (dot >= 0)
        r += QLatin1Char(',') + plain.mid(dot + 1);
    return r;
}

} // namespace Tarvo::Catalog
