#pragma once

#include "data/engine/money.h"

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Payments {

// Hands a payment on to the warehouse accounting: the SCL_PLAT row (with its SCL_ADDP bank
// details when non-cash) under a new number, replacing an earlier export, in one transaction.
class PaymentExport
{
public:
    static const QString DoneMessage;
    static const QString AgainQuestion;

    // The new number; throws with nothing kept on any failure. Tells no window (it may run on
    // any thread): the caller announces the change.
    static int run(Data::Database& db, qint64 spmId);
    // "1500,00(USD)": two decimals, a decimal comma.
    static QString documentText(Money sum, const QString& code);
};

} // namespace Tarvo::Payments
