#pragma once

#include "data/engine/money.h"

#include <optional>

namespace Tarvo::BusOffer {

// The money of one request line as the conversion works on it. A price is empty when the
// amount is 0 (there is no price of nothing).
struct OfferEditorLineValues
{
    Money amount;
    std::optional<Money> price;
    Money sum;
    std::optional<Money> valPrice;
    Money sumValut;
};

} // namespace Tarvo::BusOffer
