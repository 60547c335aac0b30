#pragma once

namespace Tarvo::Reports {

// The export in every grid's context menu, the report menus of the main window and the lists,
// and "Настройка отчетов".
void registerReports();

} // namespace Tarvo::Reports
