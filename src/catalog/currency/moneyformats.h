#pragma once

#include "data/engine/money.h"

#include <QString>

namespace Tarvo::Catalog {

// Display of amounts with the workstation's decimals ("scm_cfg.ini"): roubles with CURRDIGIT,
// foreign currencies with CUR_D_DIGIT. Quantities show the decimals they have (up to four), so
// that a third of a unit never reads as "0,33". The text itself is NumberFormat's, the same in
// grids and fields.
class MoneyFormats
{
public:
    // The grids' Money display formats (a number of decimals, or NumberFormat::Quantity).
    static QString rouble();
    static QString currency();
    static QString quantity();
    // The display format of an amount in a currency (empty code: roubles).
    static QString forCurrency(const QString& code);
    // The display format of a Money field by its name: quantities ("…amount…", "…placed",
    // "…arrived", "kol…"), foreign-currency amounts ("…valut…"), else roubles.
    static QString forField(const QString& name);
    // Text with the decimals of the currency and digit grouping, e.g. "1 234,50".
    static QString text(Money value, const QString& code);
    // A quantity's text, e.g. "0,3333", "2".
    static QString quantityText(Money value);
};

} // namespace Tarvo::Catalog
