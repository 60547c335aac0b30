#pragma once

#include "catalog/tree/tanodeitem.h"

namespace Tarvo::Catalog {

// A tree item with a parent: what the tree view asks of an item it shows.
class TNodeItem : public TANodeItem
{
public:
    explicit TNodeItem(TANodeItem* parent = nullptr) : m_parent(parent) {}

    TANodeItem* parentItem() const override { return m_parent; }
    // Moves the item from its parent's children to the end of the new parent's.
    void setParentItem(TANodeItem* parent);

    virtual bool hasChildren() { return false; }
    virtual void select(bool flag) { Q_UNUSED(flag); }
    // Default: refused silently (Tarvo::Abort).
    virtual void rename(const QString& text);
    // True unless the item is this node or one of its ancestors.
    virtual bool canAcceptNode(const TNodeItem* item) const;
    // Default: the item becomes the last child of this one.
    virtual void acceptChild(TNodeItem* item) { item->setParentItem(this); }
    // Products dragged from the owner's list.
    virtual bool canAcceptDrop() { return false; }
    virtual void acceptDrop();
    // Deletes the item's data; the caller frees the item. Default: refused silently.
    virtual void remove();

    bool isAncestorOf(const TNodeItem* item) const;

private:
    TANodeItem* m_parent;
};

} // namespace Tarvo::Catalog
