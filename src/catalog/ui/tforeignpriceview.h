#pragma once

#include "catalog/ui/tcatalogview.h"

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
} // namespace Tarvo::Data

namespace Tarvo::Catalog {

class OurPriceList;

// The supplier price lists around the product tree: the products of the node with our price,
// edited in place; below them the suppliers of the current product ("Добавить", "Удалить",
// "Грузоотпр"), the prices of all its suppliers and our additional prices. "Поиск:" narrows the
// list to the rows whose chosen column starts with the text. A product chosen here ("Выбрать")
// reaches the editors listening for TOurTvrExchange, as from the chooser.
class TForeignPriceView : public TCatalogView
{
    Q_OBJECT
public:
    // readDb reads the product list (the server-cursor connection in "SCR" mode); db writes.
    TForeignPriceView(Data::Database& db, Data::Database& readDb, QWidget* parent = nullptr);
    ~TForeignPriceView() override;

    int capabilities() const override { return CanEdit | CanDelete | CanInsert; }
    bool canChoose() const override { return true; }
    void showNode(qint64 nodeId, bool withSubgroups) override;
    Data::TRowSet* dataSet() const override;
    Widgets::TDataGrid* grid() const override { return m_grid; }
    void insertRecord() override;
    void editRecord() override;
    void deleteRecord() override;
    void choose() override;

    Data::TUpdatedADODataSet* suppliers() const { return m_suppliers.get(); }
    Data::TUpdatedADODataSet* supplierPrices() const { return m_prices.get(); }
    Data::TUpdatedADODataSet* ourPrices() const { return m_ourPrices.get(); }
    Widgets::TDataGrid* supplierGrid() const { return m_supplierGrid; }
    Widgets::TDataGrid* priceGrid() const { return m_priceGrid; }
    Widgets::TDataGrid* ourPriceGrid() const { return m_ourPriceGrid; }
    QComboBox* searchField() const { return m_searchField; }
    QLineEdit* searchEdit() const { return m_searchEdit; }

    // "Поиск:" at once (the edit runs it a moment after the last keystroke).
    void applySearch();
    // "Сортировать по полю <%s>".
    void sortByColumn(int column);
    // "Добавить" with the supplier given (0 asks the user), "Удалить", "Грузоотпр".
    void addSupplier(qint64 supplierId = 0);
    void removeSupplier();
    void showShippers();

private:
    void buildDetails(QWidget* parent);
    void reopenDetails();
    void showSortMenu(const QPoint& at);
    qint64 currentProduct() const;
    QWidget* gridBox(const QString& caption, Widgets::TDataGrid* grid, QWidget* parent);

    Data::Database& m_db;
    std::unique_ptr<OurPriceList> m_products;
    std::unique_ptr<Data::TUpdatedADODataSet> m_suppliers;
    std::unique_ptr<Data::TUpdatedADODataSet> m_prices;
    std::unique_ptr<Data::TUpdatedADODataSet> m_ourPrices;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_supplierGrid;
    Widgets::TDataGrid* m_priceGrid;
    Widgets::TDataGrid* m_ourPriceGrid;
    QComboBox* m_searchField;
    QLineEdit* m_searchEdit;
    QTimer* m_searchTimer;
    QPushButton* m_addSupplier;
    QPushButton* m_removeSupplier;
    QPushButton* m_shippers;
};

} // namespace Tarvo::Catalog
