#pragma once

#include "reports/reporttable.h"
#include "reports/reporttemplate.h"

#include <QVariantMap>

#include <memory>
#include <vector>

namespace Tarvo::Reports {

// A report ready to be painted: its template, the tables its pages print and its variables.
struct PreparedReport
{
    ReportTemplate report;
    std::vector<std::unique_ptr<ReportTable>> tables; // owned
    std::vector<const ReportTable*> pageTables;       // per page (nullptr: none)
    QVariantMap variables;
};

} // namespace Tarvo::Reports
