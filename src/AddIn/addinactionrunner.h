#pragma once

#include <QString>
#include <QUuid>

namespace Tarvo::Data {
class Database;
class TRowSet;
} // namespace Tarvo::Data

namespace Tarvo::AddIn {

struct TAddInCollectionItem;

// The list a command was given in: its rows, key column and current document.
struct AddInDocumentList
{
    Data::TRowSet* rows = nullptr;
    QString keyColumn;
    qint64 current = 0;
};

// Runs modules with what each program action hands them, on the main connection and thread.
// After every call the objects given are disconnected, and a transaction the module left open is
// rolled back and reported, naming the module (never silently, as if its work were saved).
class AddInActionRunner
{
public:
    // `window` is the main window's native handle.
    AddInActionRunner(Data::Database& db, quint64 window) : m_db(db), m_window(window) {}

    // A module of the simple-modules menu.
    void runSimple(const TAddInCollectionItem& item);
    // The module bound to the action over the list's current document. Throws the action's
    // "Не зарегистрировано действие …" when none is bound; false when the action runs nothing
    // without a module (printing).
    bool runAction(const QUuid& action, const AddInDocumentList& list);

    // The message of an action with no module bound; empty for actions that then do nothing.
    static QString unboundText(const QUuid& action);

private:
    Data::Database& m_db;
    quint64 m_window;
};

} // namespace Tarvo::AddIn
