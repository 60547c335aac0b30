#pragma once

#include <QtGlobal>

namespace Tarvo::Data {

class Database;

// What the waybills add to the volume data, after the shipped orders are written: shipped
// orders grouped two or three to a waybill, unit weights and volumes with the waybills'
// totals, a tenth of the received invoices received only in part, and one waybill of 20
// invoices and 1000 products from the big order's confirmed lines.
class VolumeWaybills
{
public:
    // Returns the rows added.
    static qint64 run(Database& db, qint64 bigOrder);
    // The waybill of 20 invoices (0 when the data holds none).
    static qint64 bigWayBill(Database& db);
};

} // namespace Tarvo::Data
