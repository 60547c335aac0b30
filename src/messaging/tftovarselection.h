#pragma once

#include "data/engine/money.h"
#include "messaging/teventobject.h"

#include <QString>

namespace Tarvo::Messaging {

// A product chosen in a product selection window.
class TFTovarSelection : public TEventObject
{
public:
    qint64 productId = 0;
    QString articul;
    QString name;
    QString unit;
    qint64 groupId = 0; // 0: no group
    Money price;
    Money valPrice;
    bool inCurrency = false;
    QString currencyCode;
};

} // namespace Tarvo::Messaging
