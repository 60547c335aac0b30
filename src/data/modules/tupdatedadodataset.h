#pragma once

#include "data/modules/tupdatedadoquery.h"

namespace Tarvo::Data {

// An updatable dataset whose writes are done by its handlers: OnInternalPost runs before
// the row is posted into memory (state() tells an insert from an edit) and OnInternalDelete
// before the row is deleted. A handler that throws leaves the row as it was. In batch mode
// no handler runs and the changes stay pending for a batch writer.
class TUpdatedADODataSet : public TUpdatedADOQuery
{
public:
    using CreateRecordSetProc = std::function<std::unique_ptr<Query>(TUpdatedADODataSet&)>;
    using ApplyRecordProc = std::function<void(TUpdatedADODataSet&)>;

    explicit TUpdatedADODataSet(Database* db = nullptr) : TUpdatedADOQuery(db) {}

    CreateRecordSetProc createRecordSetProc;
    ApplyRecordProc onInternalPost;
    ApplyRecordProc onInternalDelete;
    ApplyRecordProc onRefreshProc;

    bool batchMode() const { return m_batchMode; }
    void setBatchMode(bool on)
    {
        m_batchMode = on;
        updateCloneWrites();
    }

    // Only OnRefreshProc: the rows change when the dataset is reopened.
    void refresh() override;

protected:
    std::unique_ptr<Query> createRecordSet() override;
    virtual void doInternalPost();
    virtual void doInternalDelete();
    void internalPost() override;
    void internalDelete() override;
    // Outside batch mode the handlers write every change, which a clone's edit would bypass.
    void updateCloneWrites() override { setCloneWrites(m_batchMode && !readOnly()); }

private:
    bool m_batchMode = false;
};

} // namespace Tarvo::Data
