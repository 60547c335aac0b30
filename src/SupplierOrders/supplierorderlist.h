#pragma once

#include "SupplierOrders/supplierorderliststatement.h"
#include "registers/keyrangelist.h"

namespace Tarvo::SupplierOrders {

// The register's supplier orders, read in key-range batches. Only the flags are written, each
// on its own: the toggled one alone, then all three read back as stored, so another user's
// approval or waiting survives a mark set here.
class SupplierOrderList : public Registers::KeyRangeList
{
public:
    explicit SupplierOrderList(Data::Database& db);

    qint64 currentOrder() const { return currentKey(); }
    bool locateOrder(qint64 suoId) { return locateKey(suoId); }

    void toggleAccepted();
    void toggleMarked();
    // Opens (true) or closes the current order for waiting.
    void setWaiting(bool waiting);
    bool isWaiting() const;
    // The order has confirmations whose quantity or rouble sum differs from the ordered ones.
    static bool confirmedDiffers(const Data::TRowSet& rows, const Data::RowSetRow& row);

protected:
    Data::TQueryNodesPtr listStatement(const Registers::KeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int orders) const override;
    Data::TQueryNodesPtr countStatement() const override;
    void prepareFields() override;
};

} // namespace Tarvo::SupplierOrders
