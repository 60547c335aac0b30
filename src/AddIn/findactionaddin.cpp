#include "AddIn/findactionaddin.h"

#include "AddIn/taddincollection.h"
#include "AddIn/taddinwrapper.h"

namespace Tarvo::AddIn {

bool findActionBinding(Data::Database& db, const QUuid& action, TAddInActionCollectionItem& binding)
{
    TAddInActionCollection bindings;
    bindings.load(db, QString::fromUtf8(TAddInActionCollection::BlobName));
    for (int i = 0; i < bindings.count(); ++i)
        if (bindings.item(i).typeAction == action) {
            binding = bindings.item(i);
            return true;
        }
    return false;
}

tarvo::ComPtr<tarvo::IUnknown> FindActionAddIn(Data::Database& db, const QUuid& action)
{
    TAddInActionCollectionItem binding;
    if (!findActionBinding(db, action, binding))
        return {};
    return CreateAddIn(binding);
}

} // namespace Tarvo::AddIn
