#pragma once

#include "AcceptedOrders/acceptedorderliststatement.h"
#include "registers/keyrangelist.h"

#include <functional>

namespace Tarvo::AcceptedOrders {

// The register's confirmed orders, read in key-range batches as the request register reads its
// requests. Only the description and the planned surcharge are edited in place (cmdUpdateSO);
// rows are neither added nor deleted here.
class AcceptedOrderList : public Registers::KeyRangeList
{
public:
    explicit AcceptedOrderList(Data::Database& db);

    // Moves to the order, reading batches until its key is passed; false when it is not listed.
    bool locateOrder(qint64 orderId) { return locateKey(orderId); }
    // 0 on an empty list.
    qint64 currentOrder() const { return currentKey(); }

    static const QStringList& editableColumns();
    // Called after each in-place write of the header's columns.
    void setOnWritten(std::function<void()> written) { m_onWritten = std::move(written); }

protected:
    Data::TQueryNodesPtr listStatement(const OfferKeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int orders) const override;
    void prepareFields() override;

private:
    // Writes the two editable columns of the current row; a write that finds no row is refused.
    void cmdUpdateSO();

    std::function<void()> m_onWritten;
};

} // namespace Tarvo::AcceptedOrders
