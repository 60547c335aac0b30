#pragma once

#include "catalog/ui/tcatalogview.h"

#include <memory>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class AnalogProductList;

// The products of the selected node for the price import's product choice, read a batch at a
// time in key order as the catalog's price lists are: a catalog of a million products opens at
// once. "Выбрать" (Enter, double click) hands the current product's id to `chosen`.
class AnalogProductsView : public TCatalogView
{
    Q_OBJECT
public:
    explicit AnalogProductsView(Data::Database& db, QWidget* parent = nullptr);
    ~AnalogProductsView() override;

    bool canChoose() const override { return true; }
    void showNode(qint64 nodeId, bool withSubgroups) override;
    Data::TRowSet* dataSet() const override;
    Widgets::TDataGrid* grid() const override { return m_grid; }
    void choose() override;

    // The first product of the node (in key order) whose column starts with the text, without
    // case; 0 when none. Asked of the database, so unread batches count too.
    qint64 firstStartingWith(const QString& column, const QString& text) const;
    // Makes the product current, reading batches up to it (never past it).
    bool selectProduct(qint64 productId);
    void setBatchRows(int rows);

Q_SIGNALS:
    void chosen(qint64 productId);

private:
    Data::Database& m_db;
    std::unique_ptr<AnalogProductList> m_products;
    Widgets::TDataGrid* m_grid;
    qint64 m_node = 0;
    bool m_subgroups = false;
};

} // namespace Tarvo::Catalog
