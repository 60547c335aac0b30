#pragma once

#include "data/modules/tquerynodes.h"
#include "data/modules/tupdatedadodataset.h"
#include "registers/keyrange.h"

#include <QStringList>

namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::Registers {

// A register's documents read a batch of keys at a time in key order (the first batches at
// once, the next as the grid scrolls; sorting, filtering and locating read the rest first). Each
// batch restricts the grouped totals to its own keys, so showing the first rows never waits for
// the totals of the whole table. A register gives its statements; the reading is the same.
class KeyRangeList : public Data::TUpdatedADODataSet
{
public:
    KeyRangeList(Data::Database& db, const QString& keyColumn);

    // The register's own filter list (nullptr: no conditions); read at the next reload.
    void setFilters(const Otbor::TVarList* filters) { m_filters = filters; }
    const Otbor::TVarList* filters() const { return m_filters; }
    // Documents of the first batch; each further batch doubles, up to eight times as many, so a
    // list read to its end costs few statements.
    void setBatchSize(int documents) { m_batchSize = qMax(1, documents); }
    void setFirstRows(int rows) { m_firstRows = qMax(1, rows); }

    // Reads the list anew from its first batch.
    void reload();
    // Reads the list anew and stands on the document again when it is still listed (else on the
    // first row); batches are read up to it, not beyond.
    void reload(qint64 keep);
    bool canFetchMore() const override;
    void fetchMore() override;
    // Counted once with the first batch when the register gives a count, so the grid spans the
    // whole list.
    int expectedUnreadRows() const override;
    // Moves to the document, reading batches until its key is passed; false when it is not listed.
    bool locateKey(qint64 key);
    // 0 on an empty list.
    qint64 currentKey() const;
    const QString& keyColumn() const { return m_key; }

protected:
    // The list statement for one key range.
    virtual Data::TQueryNodesPtr listStatement(const KeyRange& range) const = 0;
    // The key of the last document of a batch of `documents` after `after` (null: from the first);
    // no row when fewer remain.
    virtual Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int documents) const = 0;
    // "select count(*)" of the listed documents; null when the list cannot tell without the totals.
    virtual Data::TQueryNodesPtr countStatement() const { return nullptr; }
    // Field types and read-only marks after the first batch is read.
    virtual void prepareFields() {}

    // Inverts a 0/1 column of the current row and posts it.
    void toggle(const QString& column);
    // Writes only the flags of `flags` that the row changed, then reads every one of them back
    // as stored (another user may have changed the others). A document gone meanwhile is refused.
    void writeChangedFlags(const QString& table, const QStringList& flags, const QString& goneText);
    // Shows 0/1 columns as words on both engines (SQLite gives them as numbers).
    void showAsFlag(const QString& column, const QString& words);

private:
    KeyRange nextRange(const QVariant& after) const;

    QString m_key;
    const Otbor::TVarList* m_filters = nullptr;
    int m_batchSize = 1000;
    int m_nextBatch = 1000;
    int m_firstRows = 200;
    KeyRange m_range;
    bool m_more = false;
    int m_counted = -1; // documents the list held when it was read
};

} // namespace Tarvo::Registers
