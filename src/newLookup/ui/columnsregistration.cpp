#include "newLookup/ui/columnsregistration.h"

#include "data/engine/database.h"
#include "newLookup/ui/trenamecolumns.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

namespace Tarvo::NewLookup {

void registerColumnSettings()
{
    Shell::MenuHooks::setHandler(QStringLiteral("itemRenameColumns"), [] {
        TRenameColumns dialog(*Data::Database::main(), Shell::MainWindow::instance());
        dialog.exec();
    });
}

} // namespace Tarvo::NewLookup
