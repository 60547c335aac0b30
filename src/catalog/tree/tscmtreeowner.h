#pragma once

#include <QList>
#include <optional>

namespace Tarvo::Catalog {

// The window that shows a product tree: it refills its product list when a node is selected
// and tells which products are being dragged onto the tree.
class TSCMTreeOwner
{
public:
    virtual ~TSCMTreeOwner() = default;
    // -1 all products, -2 without a group, -3 with any group, else a group (with its
    // subgroups when the flag is set).
    virtual void selectNode(qint64 nodeId, bool flag) = 0;
    // The current group of the product being dragged (-2 for none), nullopt when nothing is dragged.
    virtual std::optional<qint64> draggedProductGroup() const { return std::nullopt; }
    virtual QList<qint64> draggedProducts() const { return {}; }
};

} // namespace Tarvo::Catalog
