#pragma once

#include "AddIn/taddincollection.h"

#include <QList>
#include <QString>

namespace Tarvo::AddIn {

// A library of the module folders that offered nothing because it failed.
struct AddInLoadFailure
{
    QString fileName;
    QString reason;
};

// Every "*.so" of the module folders in name order (a name in an earlier folder hides the same
// name in a later one): each library's modules are appended to `target`. A library that fails is
// listed with its reason and the walk goes on.
QList<AddInLoadFailure> DiscoverAddIns(TAddInCollectionB& target);

} // namespace Tarvo::AddIn
