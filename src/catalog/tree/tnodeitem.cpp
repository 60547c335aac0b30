#include "catalog/tree/tnodeitem.h"

#include "core/exception.h"

#include <algorithm>

namespace Tarvo::Catalog {

TANodeItem::TANodeItem() = default;
TANodeItem::~TANodeItem() = default;

void TANodeItem::clearChildren()
{
    m_children.clear();
}

TNodeItem* TANodeItem::adopt(std::unique_ptr<TNodeItem> child)
{
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

std::unique_ptr<TNodeItem> TANodeItem::release(TNodeItem* child)
{
    auto it = std::find_if(m_children.begin(), m_children.end(),
                           [child](const auto& c) { return c.get() == child; });
    if (it == m_children.end())
        return std::unique_ptr<TNodeItem>(child);
    std::unique_ptr<TNodeItem> owned = std::move(*it);
    m_children.erase(it);
    return owned;
}

void TNodeItem::setParentItem(TANodeItem* parent)
{
    if (parent == m_parent)
        return;
    std::unique_ptr<TNodeItem> self = m_parent ? m_parent->release(this) : std::unique_ptr<TNodeItem>(this);
    m_parent = parent;
    if (parent)
        parent->adopt(std::move(self));
    else
        (void)self.release(); // nobody owns it: the caller keeps it
}

void TNodeItem::rename(const QString&)
{
    throw Abort();
}

bool TNodeItem::isAncestorOf(const TNodeItem* item) const
{
    for (const TANodeItem* p = item; p; p = p->parentItem())
        if (p == this)
            return true;
    return false;
}

bool TNodeItem::canAcceptNode(const TNodeItem* item) const
{
    return item && !item->isAncestorOf(this);
}

void TNodeItem::acceptDrop()
{
    throw Abort();
}

void TNodeItem::remove()
{
    throw Abort();
}

} // namespace Tarvo::Catalog
