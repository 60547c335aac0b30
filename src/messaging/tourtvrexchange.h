#pragma once

#include "data/engine/money.h"
#include "messaging/teventobject.h"

#include <QString>

namespace Tarvo::Messaging {

// A product chosen in our price list: what an editor needs to add a line.
class TOurTvrExchange : public TEventObject
{
public:
    qint64 productId = 0;
    QString articul;
    QString name;
    Money price;             // our price in roubles
    Money valPrice;          // our price in the currency
    bool inCurrency = false; // the price is kept in the currency
    QString currencyCode;
    QString unit;
    qint64 groupId = 0; // 0: no group
};

} // namespace Tarvo::Messaging
