#include "reports/ui/reportsregistration.h"

#include "reports/ui/tableexport.h"

namespace Tarvo::Reports {

void registerReports()
{
    TableExport::registerInGrids();
}

} // namespace Tarvo::Reports
