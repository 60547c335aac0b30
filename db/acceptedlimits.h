#pragma once

#include "data/engine/connectionsettings.h"

#include <QStringList>

namespace Tarvo::Data {

// Two rules of a confirmed line (scm_so_accepted) the database keeps whoever writes: the
// requests' shares (scm_bo_accepted) never exceed its quantity, and it never holds less than
// was shipped of it (scm_order_invoice). A write that breaks one fails with native error 50000
// and a text naming the article, the date and both quantities.
class AcceptedLimits
{
public:
    // Row triggers on SQLite, statement triggers with transition tables on PostgreSQL.
    static QStringList triggers(Engine engine);
};

} // namespace Tarvo::Data
