#pragma once

#include "data/engine/money.h"

#include <QString>

namespace Tarvo::Data {

// The one Russian number text of grids and fields: digits grouped by three with a no-break space,
// a decimal comma ("36 807,91"). Amounts keep a fixed number of decimals; quantities show the
// decimals they have, up to the four stored ("0,3333", "2", "1,5").
class NumberFormat
{
public:
    // The Money display format of quantities (otherwise a Money format is its number of decimals).
    static const QString Quantity;

    static QString money(Money value, int decimals);
    static QString quantity(Money value);
    // A Money value by its field's display format: Quantity, or the decimals as text (2 when empty).
    static QString byFormat(Money value, const QString& format);
    // A floating value with the decimals it needs, up to `maxDecimals`.
    static QString real(double value, int maxDecimals = 4);

private:
    // "-1234.50" -> "-1 234,50".
    static QString russian(const QString& plain);
};

} // namespace Tarvo::Data
