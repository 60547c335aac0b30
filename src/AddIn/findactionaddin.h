#pragma once

#include "tarvo/addinbase.h"

#include <QUuid>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

struct TAddInActionCollectionItem;

// The first stored binding of the action (read anew on every call); false when there is none.
bool findActionBinding(Data::Database& db, const QUuid& action, TAddInActionCollectionItem& binding);
// The module instance bound to the action; empty when none is bound.
tarvo::ComPtr<tarvo::IUnknown> FindActionAddIn(Data::Database& db, const QUuid& action);

} // namespace Tarvo::AddIn
