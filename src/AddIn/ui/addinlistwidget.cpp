#include "AddIn/ui/addinlistwidget.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QTreeWidget>

namespace Tarvo::AddIn {

QTreeWidget* makeAddInList(QWidget* parent, const QString& objectName, const QString& accessibleName,
                           const QStringList& columns)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(objectName);
    list->setAccessibleName(accessibleName);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels(columns);
    list->header()->setStretchLastSection(true);
    list->setMinimumSize(320, 160);
    return list;
}

int selectedRow(const QTreeWidget* list)
{
    const QTreeWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
}

void addRow(QTreeWidget* list, const QStringList& cells)
{
    auto* item = new QTreeWidgetItem(list, cells);
    for (int i = 0; i < cells.size(); ++i)
        item->setToolTip(i, cells[i]);
}

bool confirmOverwrite(QWidget* dialog)
{
    return QMessageBox::question(
               dialog, dialog->windowTitle(),
               QStringLiteral("Настройку изменил другой пользователь после того, как это окно её "
                              "прочитало.\nЗаменить её вашей? Его изменения будут потеряны."),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

} // namespace Tarvo::AddIn
