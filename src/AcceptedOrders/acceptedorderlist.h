#pragma once

#include "AcceptedOrders/acceptedorderliststatement.h"
#include "data/modules/tupdatedadodataset.h"

namespace Tarvo::AcceptedOrders {

// The register's confirmed orders, read a batch of orders at a time in key order as the request
// register reads its requests: each batch restricts the grouped totals to its own keys. Only the
// description and the planned surcharge are edited in place (cmdUpdateSO); rows are neither added
// nor deleted here.
class AcceptedOrderList : public Data::TUpdatedADODataSet
{
public:
    explicit AcceptedOrderList(Data::Database& db);

    // The register's own filter list (nullptr: no conditions); read at the next reload.
    void setFilters(const Otbor::TVarList* filters) { m_filters = filters; }
    // Orders of the first batch; each further batch doubles, up to eight times as many.
    void setBatchSize(int orders) { m_batchSize = qMax(1, orders); }
    void setFirstRows(int rows) { m_firstRows = qMax(1, rows); }

    void reload();
    // Reads anew and stands on the order again when it is still listed (else on the first row).
    void reload(qint64 keepOrder);
    bool canFetchMore() const override;
    void fetchMore() override;
    // Moves to the order, reading batches until its key is passed; false when it is not listed.
    bool locateOrder(qint64 orderId);
    // 0 on an empty list.
    qint64 currentOrder() const;

    static const QStringList& editableColumns();
    // Called after each in-place write of the header's columns.
    void setOnWritten(std::function<void()> written) { m_onWritten = std::move(written); }

private:
    OfferKeyRange nextRange(const QVariant& after) const;
    void prepareFields();
    // Writes the two editable columns of the current row; a write that finds no row is refused.
    void cmdUpdateSO();

    const Otbor::TVarList* m_filters = nullptr;
    int m_batchSize = 1000;
    int m_nextBatch = 1000;
    int m_firstRows = 200;
    OfferKeyRange m_range;
    bool m_more = false;
    std::function<void()> m_onWritten;
};

} // namespace Tarvo::AcceptedOrders
