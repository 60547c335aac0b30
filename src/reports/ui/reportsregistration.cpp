#include "reports/ui/reportsregistration.h"

#include "core/exception.h"
#include "reports/ui/reportmenu.h"
#include "reports/ui/tableexport.h"
#include "reports/ui/tfastreportform.h"
#include "reports/ui/tsimplerunner.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

void registerReports()
{
    TableExport::registerInGrids();
    // The main menu's "Выполнение отчетов" (place 1001): reports run without parameters.
    Shell::MenuHooks::setReportMenuFiller([](QMenu* menu, int place) {
        ReportMenu::attach(place, menu, [menu](int report) {
            try {
                TSimpleRunner::run(report, {}, nullptr, menu->window());
            } catch (const Abort&) {
            } catch (const Exception& e) {
                QMessageBox::critical(menu->window(), u"Выполнение отчетов"_s, e.message());
            }
        });
    });
    Shell::MenuHooks::setHandler(u"itemReportDesigner"_s, [] { TFastReportForm::open(); });
}

} // namespace Tarvo::Reports
