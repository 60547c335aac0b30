#pragma once

#include "AddIn/discoveraddins.h"
#include "AddIn/taddincollection.h"

#include <QDialog>

class QListWidget;
class QTreeWidget;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

// "Регистрация действий программы": binds one module of the action's type to each program action.
class TfAddinConfigAction : public QDialog
{
    Q_OBJECT
public:
    explicit TfAddinConfigAction(Data::Database& db, QWidget* parent = nullptr);

    QListWidget* actions() const { return m_actions; }
    QTreeWidget* modules() const { return m_modules; }
    QTreeWidget* bindings() const { return m_bindings; }
    QTreeWidget* failures() const { return m_failures; }
    void addBinding();
    void removeBinding();
    void accept() override;

private:
    void actionChosen();
    void fillBindings();

    Data::Database& m_db;
    TAddInCollection m_discovered;
    TAddInActionCollection m_stored;
    QListWidget* m_actions;
    QTreeWidget* m_modules;
    QTreeWidget* m_bindings;
    QTreeWidget* m_failures;
};

} // namespace Tarvo::AddIn
