#pragma once

#include "registers/keyrangelist.h"

namespace Tarvo::WayBills {

// The waybills of the list "Посылки", read in key-range batches. Only the stage and the arrival
// date are edited in place; waybills are made in the editor and deleted by the command.
class WayBillList : public Registers::KeyRangeList
{
public:
    explicit WayBillList(Data::Database& db);

    bool locateWayBill(qint64 id) { return locateKey(id); }
    qint64 currentWayBill() const { return currentKey(); }

    // scm_delete_waybill in one transaction; false when another user deleted it already. Goods
    // received refuse it (a reference error naming the receipts).
    static bool deleteWayBill(Data::Database& db, qint64 swbId);

protected:
    Data::TQueryNodesPtr listStatement(const Registers::KeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int waybills) const override;
    void prepareFields() override;

private:
    void writeStage();
};

} // namespace Tarvo::WayBills
