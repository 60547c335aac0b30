#pragma once

#include "AddIn/hostobject.h"
#include "data/rowset/rowsetsubscription.h"

#include <memory>

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::AddIn {

// Walks a list's documents on a cursor of its own (a clone of the list's rows), so the list the
// user sees stays where it is. A list that reads in batches is read on as the walk reaches the
// rows read so far.
class TListDocument final : public HostObject<tarvo::IListDocument>
{
public:
    TListDocument(Data::TRowSet& source, const QString& keyColumn);
    ~TListDocument() override;

    tarvo::HRESULT First() override;
    tarvo::HRESULT Next() override;
    tarvo::HRESULT GetEof(std::int32_t* value) override;
    tarvo::HRESULT GetCurrent(std::int32_t* value) override;

private:
    void disconnected() override;

    Data::TRowSet* m_source;
    std::unique_ptr<Data::TRowSet> m_clone;
    int m_key;
    bool m_past = false;
    Data::RowSetSubscription m_sourceGone;
};

} // namespace Tarvo::AddIn
