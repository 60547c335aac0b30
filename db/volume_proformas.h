#pragma once

#include <QtGlobal>

namespace Tarvo::Data {

class Database;

// The volume data's whole confirmed orders outside any proforma, ready to be invoiced.
namespace VolumeProformas {

// The confirmed-only orders of the sixth stage (order number ≡ 7 mod 10, up to `orders`) lose
// their proforma with its plan and payment, and each line is shipped in half on an invoice of
// its own with the request rows, the other half staying confirmed for the request. Returns the
// rows written.
qint64 freeStageSixOrders(Database& db, qint64 orders);

} // namespace VolumeProformas

} // namespace Tarvo::Data
