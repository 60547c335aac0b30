#pragma once

#include "catalog/ui/tproductlistview.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class AnalogProductList;

// The products of the selected node for the price import's product choice, read a batch at a
// time in key order as the catalog's price lists are: a catalog of a million products opens at
// once.
class AnalogProductsView : public TProductListView
{
    Q_OBJECT
public:
    explicit AnalogProductsView(Data::Database& db, QWidget* parent = nullptr);

    void showNode(qint64 nodeId, bool withSubgroups) override;

    // The first product of the node (in key order) whose column starts with the text, without
    // case; 0 when none. Asked of the database, so unread batches count too.
    qint64 firstStartingWith(const QString& column, const QString& text) const;
    // Makes the product current, reading batches up to it (never past it).
    bool selectProduct(qint64 productId);
    void setBatchRows(int rows);

private:
    Data::Database& m_db;
    AnalogProductList* m_products; // owned by the base
    qint64 m_node = 0;
    bool m_subgroups = false;
};

} // namespace Tarvo::Catalog
