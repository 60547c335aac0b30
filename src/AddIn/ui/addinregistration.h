#pragma once

#include <QUuid>

#include <functional>

namespace Tarvo::Data {
class Database;
class TRowSet;
} // namespace Tarvo::Data

namespace Tarvo::AddIn {

// The module types and actions, the two settings dialogs of the main menu and the simple-modules
// submenu (filled at start and again whenever the module settings are saved).
void registerAddIns();
// Fills "Выполнение простых модулей" from the stored configuration.
void rebuildSimpleModulesMenu();

// What a register's module command does: runs the module bound to the action over the list's
// current document, then re-reads the list keeping its row (also when the module failed).
void runListAction(Data::Database& db, const QUuid& action, Data::TRowSet& list, const QString& keyColumn,
                   qint64 current, const std::function<void()>& reread);

} // namespace Tarvo::AddIn
