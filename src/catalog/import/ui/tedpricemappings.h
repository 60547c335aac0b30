#pragma once

#include "catalog/import/thostcomponent.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTreeWidget;
class QLabel;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::AddIn {
class TAddInsManager;
}

namespace Tarvo::Catalog {

// "Настройка колонок в прайсе": the file, the supplier, the module and which column holds what.
class TedPriceMappings : public QDialog
{
    Q_OBJECT
public:
    TedPriceMappings(Data::Database& db, const TFPPrice& entry, QWidget* parent = nullptr);
    ~TedPriceMappings() override;

    const TFPPrice& entry() const { return m_entry; }

    QLineEdit* pathEdit() const { return m_path; }
    QComboBox* suppliers() const { return m_suppliers; }
    QComboBox* modules() const { return m_modules; }
    QSpinBox* columnNumber() const { return m_number; }
    QComboBox* columnNames() const { return m_names; }
    QTreeWidget* columns() const { return m_columns; }

    // Adds the pair of the spin box and the name box; false (with the message shown) when refused.
    bool addColumn();
    void removeColumn();

    static const QString DuplicateColumn;

    void accept() override;

private:
    void chooseFile();
    void fillColumns();

    Data::Database& m_db;
    TFPPrice m_entry;
    std::unique_ptr<AddIn::TAddInsManager> m_manager;
    QLineEdit* m_path;
    QComboBox* m_suppliers;
    QComboBox* m_modules;
    QSpinBox* m_number;
    QLabel* m_letter;
    QComboBox* m_names;
    QTreeWidget* m_columns;
};

} // namespace Tarvo::Catalog
