#pragma once

#include "data/rowset/trowset.h"

#include <functional>

namespace Tarvo::Data {
class Query;
}

namespace Tarvo::BusOffer {

// A row set of the request editor with fields fixed by the editor (the same types on both
// engines, whatever a computed column reports) and writes done by its handlers: `onWrite`
// runs before a row is posted into memory (state() tells an insert from an edit), `onErase`
// before a row is deleted. A handler that throws leaves the row as it was.
class OfferEditorRowSet : public Data::TRowSet
{
public:
    using Handler = std::function<void(OfferEditorRowSet&)>;

    Handler onWrite;
    Handler onErase;

    // Replaces the rows with the query's, column by column in field order.
    void load(Data::Query& query);
    // Sets a field that the user may not change (keys, totals, product columns).
    void forceField(const QString& name, const QVariant& value) { forceValue(fieldIndexOrThrow(name), value); }
    // Drops the rows (and an edit in progress) without writing anything.
    void reset();
    // Puts values read back from the database into the current row without writing them: an
    // untouched row stays untouched (and in the state it was), edits in progress keep theirs.
    void storeReadBack(const QList<std::pair<QString, QVariant>>& values);
    // Posts the edit in memory only: the caller wrote it in its own transaction.
    void postWritten();

protected:
    void internalPost() override;
    void internalDelete() override;

private:
    bool m_readingBack = false;
};

} // namespace Tarvo::BusOffer
