#include "db/plannerstatistics.h"

#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

void PlannerStatistics::refresh(Database& db)
{
    db.exec(u"analyze"_s);
}

} // namespace Tarvo::Data
