#pragma once

#include <QStringList>

class QTreeWidget;
class QWidget;

namespace Tarvo::AddIn {

// The read-only lists of the two module dialogs.
QTreeWidget* makeAddInList(QWidget* parent, const QString& objectName, const QString& accessibleName,
                           const QStringList& columns);
// The selected row, -1 without one.
int selectedRow(const QTreeWidget* list);
void addRow(QTreeWidget* list, const QStringList& cells);
// Another workstation saved the settings since the dialog read them: replace them anyway?
bool confirmOverwrite(QWidget* dialog);

} // namespace Tarvo::AddIn
