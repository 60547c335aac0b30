#pragma once

#include "catalog/ui/tcatalogview.h"

#include <memory>

namespace Tarvo::Data {
class Database;
class TUpdatedADOQuery;
} // namespace Tarvo::Data

namespace Tarvo::Catalog {

// The products of the selected node, dragged from here onto a group of the tree.
// "Выбрать" (Enter, double click) hands the current product's id to `chosen`.
class TProductsView : public TCatalogView
{
    Q_OBJECT
public:
    explicit TProductsView(Data::Database& db, QWidget* parent = nullptr);
    ~TProductsView() override;

    bool canChoose() const override { return true; }
    void showNode(qint64 nodeId, bool withSubgroups) override;
    Data::TRowSet* dataSet() const override;
    Widgets::TDataGrid* grid() const override { return m_grid; }
    void choose() override;
    std::optional<qint64> draggedProductGroup() const override;
    QList<qint64> draggedProducts() const override;

    qint64 nodeId() const { return m_node; }
    // While set, the current product is the one being dragged.
    void setDragging(bool on) { m_dragging = on; }

Q_SIGNALS:
    void chosen(qint64 productId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Data::Database& m_db;
    std::unique_ptr<Data::TUpdatedADOQuery> m_products;
    Widgets::TDataGrid* m_grid;
    qint64 m_node = 0;
    QPoint m_pressAt;
    bool m_dragging = false;
};

} // namespace Tarvo::Catalog
