#pragma once

#include "SupplierOrders/supplierproductquery.h"
#include "data/modules/tupdatedadodataset.h"

namespace Tarvo::SupplierOrders {

// The picker's product list: the supplier's products of a tree node, read a batch at a time
// in key order on the given connection (the server-cursor one in "SCR" mode). Only "in_order"
// is edited; `onInternalPost` hands it to the order editor.
class SupplierProductList : public Data::TUpdatedADODataSet
{
public:
    SupplierProductList(Data::Database& readDb, qint64 supplierId, qint64 orderId);

    void showNode(qint64 nodeId);
    qint64 nodeId() const { return m_node; }

    static constexpr int DefaultBatchRows = 1000;
    void setBatchRows(int rows) { m_batchRows = qMax(1, rows); }
    bool canFetchMore() const override;
    void fetchMore() override;

    // Reads every product of the supplier under the node, batch by batch (what "Все" costs).
    static int readAll(Data::Database& db, qint64 supplierId, qint64 nodeId);

private:
    void batchRead(int rows);

    qint64 m_supplier;
    qint64 m_order;
    qint64 m_node = 0;
    SupplierProductQuery m_statement;
    int m_batchRows = DefaultBatchRows;
    int m_requested = DefaultBatchRows;
    bool m_more = false;
    QVariant m_lastKey;
};

} // namespace Tarvo::SupplierOrders
