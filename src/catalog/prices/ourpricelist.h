#pragma once

#include "catalog/prices/ourpricequery.h"
#include "data/modules/tupdatedadodataset.h"

#include <memory>

namespace Tarvo::Messaging {
class TOurTvrExchange;
}

namespace Tarvo::Catalog {

// The product list of the price windows: the products of a tree node with our price, read on
// the given connection (the server-cursor one in "SCR" mode). Editable lists write each
// posted row through ProductStore on the main connection and delete through it.
class OurPriceList : public Data::TUpdatedADODataSet
{
public:
    OurPriceList(Data::Database& readDb, Data::Database& writeDb, bool editable);

    // Reads the node's products, narrowed to those whose column starts with the search text.
    void showNode(qint64 nodeId, bool withSubgroups, const OurPriceQuery::Search& search = {});
    qint64 nodeId() const { return m_node; }
    bool withSubgroups() const { return m_subgroups; }
    const OurPriceQuery::Search& search() const { return m_search; }
    // The order the list had before showNode: the new rows are read unordered, and the window
    // orders them again as they are read (TDataGrid::sortRowSetWhenRead).
    const QString& keptSort() const { return m_keptSort; }
    SortCollation keptSortCollation() const { return m_keptCollation; }

    // A list is read a batch at a time in key order (the first batch at once, the next as the
    // grid scrolls, each twice the last up to eight times the first); sorting, locating and the
    // last row read the rest first.
    static constexpr int DefaultBatchRows = 1000;
    void setBatchRows(int rows) { m_batchRows = qMax(1, rows); }
    bool canFetchMore() const override;
    void fetchMore() override;
    // The list is counted once with its first batch, so the grid shows its whole length.
    int expectedUnreadRows() const override;

    // The current product as the editors receive it.
    std::unique_ptr<Messaging::TOurTvrExchange> exchange() const;

    // The caption of a column of the list ("" for the columns it hides).
    static QString caption(const QString& column);

private:
    Data::Database& m_writeDb;
    OurPriceQuery m_statement;
    qint64 m_node = 0;
    bool m_subgroups = false;
    OurPriceQuery::Search m_search;
    QString m_keptSort;
    SortCollation m_keptCollation = SortCollation::Exact;
    int m_batchRows = DefaultBatchRows;
    int m_requested = DefaultBatchRows; // rows asked for by the last batch
    bool m_paged = false;
    bool m_more = false;
    QVariant m_lastKey; // of the last batch read
    QVariantList m_added; // products added here since the list was read: later batches skip them
    int m_counted = -1;   // rows of the whole list when it was read
    int m_deleted = 0;    // products deleted here since the list was read
    // Notes where the next batch starts after one that gave `rows` rows.
    void batchRead(int rows);
};

} // namespace Tarvo::Catalog
