#include "SupplierOrders/supplierproductlist.h"

#include "catalog/tree/scmnodes.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

SupplierProductList::SupplierProductList(Data::Database& readDb, qint64 supplierId, qint64 orderId)
    : TUpdatedADODataSet(&readDb), m_supplier(supplierId), m_order(orderId)
{
    createRecordSetProc = [this](TUpdatedADODataSet&) {
        const SupplierProductQuery s = m_statement.page({}, m_batchRows);
        auto q = std::make_unique<Data::Query>(*database(), s.sql);
        q->bindAll(s.params);
        return q;
    };
}

bool SupplierProductList::canFetchMore() const
{
    return m_more && isActive();
}

void SupplierProductList::fetchMore()
{
    if (!canFetchMore())
        return;
    checkBrowseMode();
    // Batches grow, so a list read to its end costs few statements.
    m_requested = qMin(m_requested * 2, m_batchRows * 8);
    const SupplierProductQuery s = m_statement.page(m_lastKey, m_requested);
    Data::Query q(*database(), s.sql);
    q.bindAll(s.params);
    batchRead(appendFrom(q));
}

void SupplierProductList::batchRead(int rows)
{
    m_more = rows >= m_requested;
    if (const Data::RowSetRow* last = lastRow(); last && rows > 0)
        m_lastKey = last->values.at(fieldIndexOrThrow(u"pr_id"_s));
}

void SupplierProductList::showNode(qint64 nodeId)
{
    m_node = nodeId;
    m_statement = SupplierProductQuery::forNode(m_supplier, m_order, nodeId);
    m_requested = m_batchRows;
    m_more = false;
    m_lastKey = QVariant();
    close();
    open();
    batchRead(recordCount());
    for (int i = 0; i < fieldCount(); ++i)
        field(i).readOnly = field(i).name.compare(u"in_order"_s, Qt::CaseInsensitive) != 0;
}

int SupplierProductList::readAll(Data::Database& db, qint64 supplierId, qint64 nodeId)
{
    SupplierProductList list(db, supplierId, 0);
    list.showNode(nodeId);
    list.fetchAll();
    return list.recordCount();
}

} // namespace Tarvo::SupplierOrders
