#include "catalog/tree/scmnodes.h"

#include "catalog/tree/tscmtreeowner.h"
#include "core/exception.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TSCMTreePanel::TSCMTreePanel(Data::Database& db, TSCMTreeOwner* owner, DeleteMode mode)
    : m_db(db), m_owner(owner), m_mode(mode)
{}

void TSCMTreePanel::openChildren()
{
    clearChildren();
    m_next = 0;
}

TNodeItem* TSCMTreePanel::nextChild(QString* caption)
{
    switch (m_next++) {
    case 0:
        *caption = u"Все без групп"_s;
        return adopt(std::make_unique<TSCMSpecialNode>(this, *this, WithoutGroup));
    case 1:
        *caption = u"Все с группами"_s;
        return adopt(std::make_unique<TSCMRootNode>(this, *this));
    case 2:
        *caption = u"Все"_s;
        return adopt(std::make_unique<TSCMSpecialNode>(this, *this, AllProducts));
    default:
        return nullptr;
    }
}

void TASCMNode::select(bool flag)
{
    if (TSCMTreeOwner* o = m_panel.owner())
        o->selectNode(m_nodeId, flag);
}

void TASCMTreeNode::openChildren()
{
    clearChildren();
    m_rows = m_panel.groups().children(groupKey());
    m_cursor = 0;
}

TNodeItem* TASCMTreeNode::nextChild(QString* caption)
{
    if (eof())
        return nullptr;
    const ProductGroups::Group& g = m_rows.at(m_cursor++);
    *caption = g.name;
    return adopt(std::make_unique<TSCMTreeNode>(this, m_panel, g.id, g.hasChildren));
}

bool TASCMTreeNode::hasChildren()
{
    const std::optional<qint64> key = groupKey();
    return !key || m_panel.groups().hasChildren(*key);
}

TNodeItem* TASCMTreeNode::newChild(const QString& name)
{
    const qint64 id = m_panel.groups().create(name, groupKey());
    return adopt(std::make_unique<TSCMTreeNode>(this, m_panel, id, false));
}

void TSCMTreeNode::rename(const QString& text)
{
    m_panel.groups().rename(m_nodeId, text);
}

namespace {

bool isGroupNode(const TNodeItem* item)
{
    return dynamic_cast<const TSCMTreeNode*>(item) != nullptr;
}

} // namespace

bool TSCMTreeNode::canAcceptNode(const TNodeItem* item) const
{
    return isGroupNode(item) && TASCMTreeNode::canAcceptNode(item);
}

void TSCMTreeNode::acceptChild(TNodeItem* item)
{
    auto* group = dynamic_cast<TSCMTreeNode*>(item);
    if (!group)
        throw Abort();
    m_panel.groups().move(group->nodeId(), m_nodeId);
    TASCMTreeNode::acceptChild(item);
    m_hasChildren = true;
}

bool TSCMRootNode::canAcceptNode(const TNodeItem* item) const
{
    return isGroupNode(item) && item->parentItem() != this;
}

void TSCMRootNode::acceptChild(TNodeItem* item)
{
    auto* group = dynamic_cast<TSCMTreeNode*>(item);
    if (!group)
        throw Abort();
    m_panel.groups().move(group->nodeId(), std::nullopt);
    TASCMTreeNode::acceptChild(item);
}

void TSCMTreeNode::remove()
{
    if (m_panel.deleteMode() == TSCMTreePanel::DeleteMode::WholeTree)
        m_panel.groups().removeTree(m_nodeId);
    else
        m_panel.groups().remove(m_nodeId);
}

namespace {

// A product may go to a real group or to "Все без групп", never where it already is.
bool acceptsProductsFrom(TSCMTreePanel& panel, qint64 target)
{
    TSCMTreeOwner* o = panel.owner();
    if (!o)
        return false;
    const std::optional<qint64> from = o->draggedProductGroup();
    return from && *from != target && (*from > 0 || *from == WithoutGroup);
}

void moveDraggedProducts(TSCMTreePanel& panel, std::optional<qint64> group)
{
    TSCMTreeOwner* o = panel.owner();
    const QList<qint64> products = o ? o->draggedProducts() : QList<qint64>();
    if (products.isEmpty())
        throw Abort();
    panel.groups().moveProducts(products, group);
}

} // namespace

bool TSCMTreeNode::canAcceptDrop()
{
    return acceptsProductsFrom(m_panel, m_nodeId);
}

void TSCMTreeNode::acceptDrop()
{
    moveDraggedProducts(m_panel, m_nodeId);
}

bool TSCMSpecialNode::canAcceptDrop()
{
    return m_nodeId == WithoutGroup && acceptsProductsFrom(m_panel, m_nodeId);
}

void TSCMSpecialNode::acceptDrop()
{
    if (m_nodeId != WithoutGroup)
        throw Abort();
    moveDraggedProducts(m_panel, std::nullopt);
}

} // namespace Tarvo::Catalog
