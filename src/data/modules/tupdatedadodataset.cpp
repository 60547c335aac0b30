#include "data/modules/tupdatedadodataset.h"

#include "data/engine/query.h"

namespace Tarvo::Data {

std::unique_ptr<Query> TUpdatedADODataSet::createRecordSet()
{
    if (createRecordSetProc)
        return createRecordSetProc(*this);
    return TUpdatedADOQuery::createRecordSet();
}

void TUpdatedADODataSet::doInternalPost()
{
    if (onInternalPost)
        onInternalPost(*this);
}

void TUpdatedADODataSet::doInternalDelete()
{
    if (onInternalDelete)
        onInternalDelete(*this);
}

void TUpdatedADODataSet::internalPost()
{
    if (m_batchMode) {
        TRowSet::internalPost();
        return;
    }
    doInternalPost();
    TUpdatedADOQuery::internalPost();
}

void TUpdatedADODataSet::internalDelete()
{
    if (m_batchMode) {
        TRowSet::internalDelete();
        return;
    }
    doInternalDelete();
    TUpdatedADOQuery::internalDelete();
}

void TUpdatedADODataSet::refresh()
{
    if (onRefreshProc)
        onRefreshProc(*this);
}

} // namespace Tarvo::Data
