#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The places that hold a currency code. Only the quotations reference the currency book by a
// key; prices, warehouse goods and payments, counterparties and documents keep the code as
// plain text, so a deletion has to look for them itself.
class CurrencyReferences
{
public:
    // Whether anything besides the currency's own row uses the code (read by the caller's
    // transaction, so that it sees what the delete will face).
    static bool inUse(Data::Database& db, const QString& code);
};

} // namespace Tarvo::Catalog
