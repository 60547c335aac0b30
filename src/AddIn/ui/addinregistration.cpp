#include "AddIn/ui/addinregistration.h"

#include "AddIn/addinactionrunner.h"
#include "AddIn/addinguid.h"
#include "AddIn/addinregistry.h"
#include "AddIn/findactionaddin.h"
#include "AddIn/taddincollection.h"
#include "AddIn/ui/taddinmenuitem.h"
#include "AddIn/ui/tfaddinconfig.h"
#include "AddIn/ui/tfaddinconfigaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "shell/startupsteps.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

#include <QMenu>

namespace Tarvo::AddIn {

namespace {

quint64 mainWindowHandle()
{
    QWidget* w = Shell::MainWindow::instance();
    return w ? quint64(w->winId()) : 0;
}

QString menuCaption(const QString& key)
{
    Shell::MainWindow* w = Shell::MainWindow::instance();
    QAction* a = w ? w->menuItem(key) : nullptr;
    return a ? a->text() : QString();
}

void runSimple(const TAddInCollectionItem& item)
{
    AddInActionRunner(Data::Database::openMain(), mainWindowHandle()).runSimple(item);
}

} // namespace

void rebuildSimpleModulesMenu()
{
    Shell::MainWindow* w = Shell::MainWindow::instance();
    QMenu* menu = w ? w->menu(QStringLiteral("menuRunModules")) : nullptr;
    if (!menu)
        return;
    menu->clear();
    if (Data::Database* db = Data::Database::main(); db && db->isOpen())
        BuildAddInMenu(*db, menu, Guid::toUuid(tarvo::ADDIN_TYPE_RUN), runSimple);
    w->refreshMenus();
}

void registerAddIns()
{
    using Shell::MenuHooks;
    using Shell::StartupSteps;
    AddInRegistry::registerStandard();
    MenuHooks::setHandler(QStringLiteral("itemModuleSettings"), [] {
        TfAddInConfig dialog(Data::Database::openMain(), Shell::MainWindow::instance());
        if (dialog.exec() == QDialog::Accepted)
            rebuildSimpleModulesMenu();
    });
    MenuHooks::setHandler(QStringLiteral("itemActionSettings"), [] {
        TfAddinConfigAction dialog(Data::Database::openMain(), Shell::MainWindow::instance());
        dialog.exec();
    });
    StartupSteps::add(StartupSteps::Stage::ExtensionMenu, QStringLiteral("simple modules menu"),
                      [] { rebuildSimpleModulesMenu(); });
    // The planning actions are called as their menu items are (a renamed item renames them).
    StartupSteps::add(StartupSteps::Stage::ExtensionActions, QStringLiteral("module actions"), [] {
        using Guid::toUuid;
        const auto named = [](const char* key, const char* fallback) {
            QString text = menuCaption(QLatin1String(key)).remove(u'&');
            return text.isEmpty() ? QString::fromUtf8(fallback) : text;
        };
        AddInRegistry::RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_ORDER_FILL),
                                           toUuid(tarvo::ACTION_ORDER_GOODS),
                                           named("itemOrderGoods", "Заказ товаров"));
        AddInRegistry::RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_ORDER_FILL),
                                           toUuid(tarvo::ACTION_REORDER_GOODS),
                                           named("itemReorderGoods", "Дозаказ товаров"));
    });
}

void runListAction(Data::Database& db, const QUuid& action, Data::TRowSet& list, const QString& keyColumn,
                   qint64 current, const std::function<void()>& reread)
{
    TAddInActionCollectionItem binding;
    if (!findActionBinding(db, action, binding)) {
        const QString text = AddInActionRunner::unboundText(action);
        if (text.isEmpty())
            return;
        throw Exception(text);
    }
    try {
        AddInActionRunner(db, mainWindowHandle()).runAction(action, {&list, keyColumn, current});
    } catch (...) {
        // What the module wrote before it failed is shown too.
        if (reread)
            reread();
        throw;
    }
    if (reread)
        reread();
}

} // namespace Tarvo::AddIn
