#pragma once

#include "catalog/ui/tcatalogview.h"

#include <memory>

namespace Tarvo::Data {
class TUpdatedADOQuery;
}

namespace Tarvo::Catalog {

// The catalog's grid of products over a read-only list of them, under the catalog's captions and
// column settings. "Выбрать" (Enter, double click) hands the current product's id to `chosen`.
// How the list is read is the subclass's.
class TProductListView : public TCatalogView
{
    Q_OBJECT
public:
    ~TProductListView() override;

    bool canChoose() const override { return true; }
    Data::TRowSet* dataSet() const override;
    Widgets::TDataGrid* grid() const override { return m_grid; }
    void choose() override;

Q_SIGNALS:
    void chosen(qint64 productId);

protected:
    TProductListView(std::unique_ptr<Data::TUpdatedADOQuery> products, QWidget* parent);

    Data::TUpdatedADOQuery& products() const { return *m_products; }
    // Whether there is a current product.
    bool hasProduct() const;
    // The grid lets go of the list before the list is read again...
    void detachProducts();
    // ...and shows it once it is read.
    void showProducts();

private:
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    Widgets::TDataGrid* m_grid;
};

} // namespace Tarvo::Catalog
