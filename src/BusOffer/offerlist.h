#pragma once

#include "BusOffer/offerliststatement.h"
#include "data/modules/tupdatedadodataset.h"

namespace Tarvo::BusOffer {

// The register's requests: the list statement read a batch of requests at a time in key order
// (the first batches at once, the next as the grid scrolls; sorting, filtering and locating read
// the rest first). Each batch restricts the grouped totals to its own keys, so showing the first
// rows never waits for the totals of the whole table. Only the flags are written, each on its own.
class OfferList : public Data::TUpdatedADODataSet
{
public:
    explicit OfferList(Data::Database& db);

    // The register's own filter list (nullptr: no conditions); read at the next reload.
    void setFilters(const Otbor::TVarList* filters) { m_filters = filters; }
    // Requests of the first batch; each further batch doubles, up to eight times as many, so a
    // list read to its end costs few statements.
    void setBatchSize(int requests) { m_batchSize = qMax(1, requests); }
    void setFirstRows(int rows) { m_firstRows = qMax(1, rows); }

    // Reads the list anew from its first batch.
    void reload();
    // Reads the list anew and stands on the request again when it is still listed (else on the
    // first row); batches are read up to it, not beyond.
    void reload(qint64 keepOffer);
    bool canFetchMore() const override;
    void fetchMore() override;
    // Counted once with the first batch (the header's filters; not while the state filter is
    // active), so the grid spans the whole list.
    int expectedUnreadRows() const override;
    // Moves to the request, reading batches until its key is passed; false when it is not listed.
    bool locateOffer(qint64 offerId);
    // 0 on an empty list.
    qint64 currentOffer() const;

    // Inverts the current request's approval, or its mark, writing only that column; the other
    // flag is read back as it is stored (another user may have changed it).
    void toggleAccepted();
    void toggleMarked();

private:
    // The key range of the next batch after `after`; upTo stays null for the last one.
    OfferKeyRange nextRange(const QVariant& after) const;
    void showFlags();
    void toggle(const QString& column);
    void writeFlags();

    const Otbor::TVarList* m_filters = nullptr;
    int m_batchSize = 1000;
    int m_nextBatch = 1000;
    int m_firstRows = 200;
    OfferKeyRange m_range;
    bool m_more = false;
    int m_counted = -1; // requests the list held when it was read
};

} // namespace Tarvo::BusOffer
