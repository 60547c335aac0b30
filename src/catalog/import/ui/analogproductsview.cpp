#include "catalog/import/ui/analogproductsview.h"

#include "catalog/prices/ourpricequery.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

// The columns shown, out of the price list's page (which orders and bounds by sam_pr_id).
OurPriceQuery shown(const OurPriceQuery& page)
{
    OurPriceQuery q = page;
    q.sql = u"select sam_pr_id PR_ID, PR_ARTICUL, PR_NAME, PR_GROUPID, PR_EDIN_IZMER from ("_s + page.sql +
            u") p order by 1"_s;
    return q;
}

} // namespace

// Batches grow as the list is read on, so a list read far costs few statements.
class AnalogProductList : public Data::TUpdatedADODataSet
{
public:
    static constexpr int DefaultBatchRows = 1000;

    explicit AnalogProductList(Data::Database& db) : TUpdatedADODataSet(&db)
    {
        setReadOnly(true);
        createRecordSetProc = [this](TUpdatedADODataSet&) {
            const OurPriceQuery s = shown(m_statement.page({}, m_batchRows));
            auto q = std::make_unique<Data::Query>(*database(), s.sql);
            q->bindAll(s.params);
            return q;
        };
    }

    void show(const OurPriceQuery& statement)
    {
        m_statement = statement;
        m_requested = m_batchRows;
        m_more = false;
        m_lastKey = QVariant();
        close();
        open();
        batchRead(recordCount());
    }
    bool canFetchMore() const override { return m_more && isActive(); }
    void fetchMore() override
    {
        if (!canFetchMore())
            return;
        checkBrowseMode();
        m_requested = qMin(m_requested * 2, m_batchRows * 8);
        const OurPriceQuery s = shown(m_statement.page(m_lastKey, m_requested));
        Data::Query q(*database(), s.sql);
        q.bindAll(s.params);
        batchRead(appendFrom(q));
    }
    bool locateKey(qint64 id)
    {
        if (!isActive())
            return false;
        while (canFetchMore() && (m_lastKey.isNull() || m_lastKey.toLongLong() < id)) {
            const int before = recordCount();
            fetchMore();
            if (recordCount() == before)
                break;
        }
        const int key = fieldIndexOrThrow(u"PR_ID"_s);
        // Rows come in key order: the product is at the end of what was read, if anywhere.
        for (int p = recordCount() - 1; p >= 0; --p) {
            const qint64 k = rowAt(p)->values.at(key).toLongLong();
            if (k == id)
                return moveTo(p);
            if (k < id)
                break;
        }
        return false;
    }
    void setBatchRows(int rows) { m_batchRows = qMax(1, rows); }

private:
    void batchRead(int rows)
    {
        m_more = rows >= m_requested;
        if (const Data::RowSetRow* last = lastRow(); last && rows > 0)
            m_lastKey = last->values.at(fieldIndexOrThrow(u"PR_ID"_s));
    }

    OurPriceQuery m_statement;
    int m_batchRows = DefaultBatchRows;
    int m_requested = DefaultBatchRows;
    bool m_more = false;
    QVariant m_lastKey;
};

AnalogProductsView::AnalogProductsView(Data::Database& db, QWidget* parent)
    : TProductListView(std::make_unique<AnalogProductList>(db), parent), m_db(db),
      m_products(static_cast<AnalogProductList*>(&products()))
{}

void AnalogProductsView::setBatchRows(int rows)
{
    m_products->setBatchRows(rows);
}

void AnalogProductsView::showNode(qint64 nodeId, bool withSubgroups)
{
    m_node = nodeId;
    m_subgroups = withSubgroups;
    detachProducts();
    m_products->show(OurPriceQuery::forNode(nodeId, withSubgroups));
    showProducts();
}

qint64 AnalogProductsView::firstStartingWith(const QString& column, const QString& text) const
{
    if (text.isEmpty() || !m_products->isActive())
        return 0;
    const OurPriceQuery s = OurPriceQuery::forNode(m_node, m_subgroups, m_db.dialect().likeOperator(), {column, text})
                                .page({}, 1);
    Data::Query q(m_db, s.sql);
    q.bindAll(s.params).exec();
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool AnalogProductsView::selectProduct(qint64 productId)
{
    return m_products->locateKey(productId);
}

} // namespace Tarvo::Catalog
