#pragma once

#include <functional>

class QMenu;

namespace Tarvo::Reports {

// The report items of a call place's menu, built afresh from the database each time the menu
// opens, so the administrator's changes and denials apply at once.
class ReportMenu
{
public:
    using Handler = std::function<void(int report)>;
    static const char* const NoReportsText;

    // Replaces the report items the menu holds (its own items stay): the current user's items in
    // their order, submenus left empty by denials dropped, a separator after the own items, and a
    // disabled "Отсутствуют доступные отчеты" when nothing is left. Returns the number of reports.
    static int attach(int place, QMenu* menu, const Handler& handler);
};

} // namespace Tarvo::Reports
