#pragma once

#include <QVariant>

namespace Tarvo::Registers {

// Which documents a register statement reads: keys above `after` and up to `upTo` (a null bound
// is open). The grouped totals are restricted to the same keys, so a batch costs what its own
// documents cost.
struct KeyRange
{
    QVariant after;
    QVariant upTo;
};

} // namespace Tarvo::Registers
