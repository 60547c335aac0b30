#pragma once

#include "catalog/ui/tcatalogview.h"

#include <memory>

class QComboBox;
class QLineEdit;

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
} // namespace Tarvo::Data

namespace Tarvo::Catalog {

class OurPriceList;

// Our price list, read only: the products of the node with our price, our additional prices of
// the current product below, "Искать в поле" with a search as one types, and "Упорядочить по"
// for the column under the mouse. Choosing a product (double click, Enter, "Выбрать") hands it
// to the editors listening for TOurTvrExchange.
class TOurPriceView : public TCatalogView
{
    Q_OBJECT
public:
    explicit TOurPriceView(Data::Database& db, QWidget* parent = nullptr);
    ~TOurPriceView() override;

    bool canChoose() const override { return true; }
    void showNode(qint64 nodeId, bool withSubgroups) override;
    Data::TRowSet* dataSet() const override;
    Widgets::TDataGrid* grid() const override { return m_grid; }
    void choose() override;

    Widgets::TDataGrid* extraPricesGrid() const { return m_extraGrid; }
    Data::TUpdatedADODataSet* extraPrices() const;
    QComboBox* searchField() const { return m_searchField; }
    QLineEdit* searchEdit() const { return m_searchEdit; }
    // "Упорядочить по ": sorts by the field of a grid column.
    void sortByColumn(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void searchAsTyped();
    void showSortMenu(const QPoint& at);
    void fillSearchFields();

    Data::Database& m_db;
    std::unique_ptr<OurPriceList> m_products;
    std::unique_ptr<Data::TUpdatedADODataSet> m_extra;
    Widgets::TDataGrid* m_grid;
    Widgets::TDataGrid* m_extraGrid;
    QComboBox* m_searchField;
    QLineEdit* m_searchEdit;
};

} // namespace Tarvo::Catalog
