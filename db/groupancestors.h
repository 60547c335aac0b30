#pragma once

#include "data/engine/connectionsettings.h"

#include <QStringList>

namespace Tarvo::Data {

// crm_groupsrel holds every ancestor of every product group (not the group itself),
// kept by the database on insert, move and delete of a group, so every client and
// every import sees one tree. Moving a group under itself or its own descendant is
// refused as a violation of PK_CRM_GROUPSREL, the refusal the catalog window reads.
class GroupAncestors
{
public:
    // Trigger text for the engine.
    static QStringList triggers(Engine engine);
    // Statements that rebuild the whole table from crm_productgroups.
    static QStringList rebuild();
};

} // namespace Tarvo::Data
