#pragma once

#include "data/modules/tdatatablefieldmap.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::NewLookup {

// "Переименование колонок": the tables of the caption dictionary with their columns. A node's
// name is edited under "Название"; a column moves within its own table by dragging it onto
// another column (or Ctrl+Up / Ctrl+Down); "Сохранить" writes the dictionary ("SCM_FLD_NAMES").
class TRenameColumns : public QDialog
{
    Q_OBJECT
public:
    explicit TRenameColumns(Data::Database& db, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }
    QLineEdit* nameEdit() const { return m_name; }
    // Moves a column onto another column of the same table; false across tables.
    bool moveColumn(QTreeWidgetItem* column, QTreeWidgetItem* onto);
    const Data::TDataTableFieldMap& map() const { return m_map; }
    void save();

private:
    void showCurrent();
    void storeCurrent();
    void moveBy(int delta);
    void rebuildMap();

    Data::Database& m_db;
    Data::TDataTableFieldMap m_map;
    QTreeWidget* m_tree;
    QLineEdit* m_name;
    QTreeWidgetItem* m_shown = nullptr;
};

} // namespace Tarvo::NewLookup
