#include "catalog/currency/moneyformats.h"

#include "data/rowset/numberformat.h"
#include "shell/programparameters.h"

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
    return Data::NumberFormat::Quantity;
}

QString MoneyFormats::forCurrency(const QString& code)
{
    return code.trimmed().isEmpty() ? rouble() : currency();
}

QString MoneyFormats::forField(const QString& name)
{
    const QString n = name.toLower();
    if (n.contains(QLatin1String("amount")) || n.endsWith(QLatin1String("placed")) ||
        n.endsWith(QLatin1String("arrived")) || n.startsWith(QLatin1String("kol")))
        return quantity();
    return n.contains(QLatin1String("valut")) ? currency() : rouble();
}

QString MoneyFormats::text(Money value, const QString& code)
{
    return Data::NumberFormat::money(value, forCurrency(code).toInt());
}

QString MoneyFormats::quantityText(Money value)
{
    return Data::NumberFormat::quantity(value);
}

} // namespace Tarvo::Catalog
