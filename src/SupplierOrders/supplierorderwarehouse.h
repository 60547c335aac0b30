#pragma once

#include <QVariant>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::SupplierOrders {

// The receiving warehouse a new supplier order starts with. With "USE_DOPREGN_SCL"
// "False" it is the program parameter "id_sclad", otherwise the supplier's registration
// number. Either is taken only when it names a warehouse of sclad_r: a registration
// number left empty on the card reads as 0 and would fail the order's insert.
// A null QVariant means "no warehouse"; so does any failed read.
class SupplierOrderWarehouse
{
public:
    static QVariant defaultFor(Data::Database& db, int supplierId);
};

} // namespace Tarvo::SupplierOrders
