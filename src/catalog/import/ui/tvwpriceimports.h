#pragma once

#include "catalog/import/thostcomponent.h"

#include <QDialog>

class QTreeWidget;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Настройка импорта прайсов": the stored imports; "Выполнить" runs the selected one.
class TvwPriceImports : public QDialog
{
    Q_OBJECT
public:
    explicit TvwPriceImports(Data::Database& db, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    THostComponent& imports() { return m_imports; }
    bool isModified() const { return m_modified; }

    void addEntry();
    void editEntry();
    void removeEntry();
    bool saveList();
    void runEntry();

    void reject() override;

private:
    int current() const;
    void fill(int select = -1);
    bool editAt(int index);

    Data::Database& m_db;
    THostComponent m_imports;
    QTreeWidget* m_list;
    bool m_modified = false;
};

} // namespace Tarvo::Catalog
