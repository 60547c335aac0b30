#include "otbor/ui/otbormodule.h"

#include "otbor/tglobalotbors.h"
#include "otbor/ui/tfviewotbors.h"
#include "shell/startupsteps.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

namespace Tarvo::Otbor {

void registerOtborModule()
{
    Shell::StartupSteps::add(Shell::StartupSteps::Stage::FilterModule, QStringLiteral("Модуль отборов"),
                             [] { TGlobalOtbors::instance(); });
    Shell::MenuHooks::setHandler(QStringLiteral("itemOtbors"), [] {
        TfViewOtbors::execute(TGlobalOtbors::instance(), Shell::MainWindow::instance());
    });
}

} // namespace Tarvo::Otbor
