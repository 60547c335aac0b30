#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <functional>

namespace Tarvo::AddIn {

struct TAddInTypeItem
{
    QUuid type;
    QString name;
};

struct TAddInActionItem
{
    QUuid type;
    QString name;
    QUuid action;
};

// The process-wide registries of module types and program actions, filled at start-up and never
// stored. A later registration of the same GUID wins (lookups take the last match).
namespace AddInRegistry {

void RegisterAddInType(const QUuid& type, const QString& name);
// Empty when the type is not registered.
QString AddInTypeName(const QUuid& type);
bool isTypeRegistered(const QUuid& type);
const QList<TAddInTypeItem>& types();

void RegisterAddInAction(const QUuid& type, const QUuid& action, const QString& name);
const QList<TAddInActionItem>& actions();
// Empty when the action is not registered.
QString actionName(const QUuid& action);
// The action's module type; null when not registered.
QUuid actionType(const QUuid& action);

// The six types and nine actions the program knows; `menuCaption` gives the current text of a
// main-menu item by key (the two planning actions are named after theirs).
void registerStandard(const std::function<QString(const QString& itemKey)>& menuCaption = {});

void clear();

} // namespace AddInRegistry

} // namespace Tarvo::AddIn
