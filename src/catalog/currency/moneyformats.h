#pragma once

#include "data/engine/money.h"

#include <QString>

namespace Tarvo::Catalog {

// Display of amounts with the workstation's decimals ("scm_cfg.ini"): roubles with
// CURRDIGIT, foreign currencies with CUR_D_DIGIT, quantities with DECCDIGIT.
class MoneyFormats
{
public:
    // The grids' Money display format (the number of decimals as text).
    static QString rouble();
    static QString currency();
    static QString quantity();
    // The display format of an amount in a currency (empty code: roubles).
    static QString forCurrency(const QString& code);
    // Text with the decimals of the currency and digit grouping, e.g. "1 234,50".
    static QString text(Money value, const QString& code);
};

} // namespace Tarvo::Catalog
