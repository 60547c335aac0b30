#pragma once

#include "catalog/ui/tproductlistview.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The products of the selected node, read whole, dragged from here onto a group of the tree.
class TProductsView : public TProductListView
{
    Q_OBJECT
public:
    explicit TProductsView(Data::Database& db, QWidget* parent = nullptr);

    void showNode(qint64 nodeId, bool withSubgroups) override;
    std::optional<qint64> draggedProductGroup() const override;
    QList<qint64> draggedProducts() const override;

    qint64 nodeId() const { return m_node; }
    // While set, the current product is the one being dragged.
    void setDragging(bool on) { m_dragging = on; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qint64 m_node = 0;
    QPoint m_pressAt;
    bool m_dragging = false;
};

} // namespace Tarvo::Catalog
