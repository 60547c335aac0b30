#pragma once

#include "BusOffer/offerliststatement.h"
#include "registers/keyrangelist.h"

namespace Tarvo::BusOffer {

// The register's requests, read in key-range batches by the list statement. Only the flags are
// written, each on its own.
class OfferList : public Registers::KeyRangeList
{
public:
    explicit OfferList(Data::Database& db);

    // Moves to the request, reading batches until its key is passed; false when it is not listed.
    bool locateOffer(qint64 offerId) { return locateKey(offerId); }
    // 0 on an empty list.
    qint64 currentOffer() const { return currentKey(); }

    // Inverts the current request's approval, or its mark, writing only that column; the other
    // flag is read back as it is stored (another user may have changed it).
    void toggleAccepted();
    void toggleMarked();

protected:
    Data::TQueryNodesPtr listStatement(const OfferKeyRange& range) const override;
    Data::TQueryNodesPtr batchEndStatement(const QVariant& after, int requests) const override;
    // Counted while the state filter is off (it needs the totals of every request).
    Data::TQueryNodesPtr countStatement() const override;
    void prepareFields() override;
};

} // namespace Tarvo::BusOffer
