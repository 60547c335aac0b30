#pragma once

#include "catalog/tree/productgroups.h"
#include "catalog/tree/tnodeitem.h"

#include <QList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class TSCMTreeOwner;

// Node ids of the fixed entries.
enum SpecialNode : qint64
{
    AllProducts = -1,
    WithoutGroup = -2,
    WithGroups = -3,
};

// The invisible root of a product tree: "Все без групп", "Все с группами", "Все".
class TSCMTreePanel : public TANodeItem
{
public:
    enum class DeleteMode
    {
        GroupOnly, // refused while the group holds subgroups or products
        WholeTree, // scm_delete_GroupTree: subtree and products go too
    };

    TSCMTreePanel(Data::Database& db, TSCMTreeOwner* owner, DeleteMode mode = DeleteMode::GroupOnly);

    void openChildren() override;
    bool eof() const override { return m_next >= 3; }
    TNodeItem* nextChild(QString* caption) override;

    Data::Database& database() const { return m_db; }
    TSCMTreeOwner* owner() const { return m_owner; }
    DeleteMode deleteMode() const { return m_mode; }
    ProductGroups groups() const { return ProductGroups(m_db); }

private:
    Data::Database& m_db;
    TSCMTreeOwner* m_owner;
    DeleteMode m_mode;
    int m_next = 3;
};

// A node of a product tree: a group or one of the fixed entries.
class TASCMNode : public TNodeItem
{
public:
    TASCMNode(TANodeItem* parent, TSCMTreePanel& panel, qint64 nodeId)
        : TNodeItem(parent), m_panel(panel), m_nodeId(nodeId)
    {}
    qint64 nodeId() const { return m_nodeId; }
    TSCMTreePanel& panel() const { return m_panel; }
    void select(bool flag) override;
    // A new group under this node; nullptr where groups cannot be made.
    virtual TNodeItem* newChild(const QString&) { return nullptr; }
    // Whether "Выбрать всю  группу" applies.
    virtual bool canSelectWholeGroup() const { return false; }

protected:
    TSCMTreePanel& m_panel;
    qint64 m_nodeId;
};

// A node whose children are groups read from the server, one level at a time.
class TASCMTreeNode : public TASCMNode
{
public:
    using TASCMNode::TASCMNode;
    void openChildren() override;
    bool eof() const override { return m_cursor >= m_rows.size(); }
    TNodeItem* nextChild(QString* caption) override;
    bool hasChildren() override;
    TNodeItem* newChild(const QString& name) override;

protected:
    virtual std::optional<qint64> groupKey() const = 0;
    QList<ProductGroups::Group> m_rows;
    qsizetype m_cursor = 0;
};

// A real group.
class TSCMTreeNode : public TASCMTreeNode
{
public:
    TSCMTreeNode(TANodeItem* parent, TSCMTreePanel& panel, qint64 id, bool hasChildren)
        : TASCMTreeNode(parent, panel, id), m_hasChildren(hasChildren)
    {}
    bool hasChildren() override { return m_hasChildren || !children().empty(); }
    void rename(const QString& text) override;
    void acceptChild(TNodeItem* item) override;
    bool canAcceptNode(const TNodeItem* item) const override;
    bool canAcceptDrop() override;
    void acceptDrop() override;
    void remove() override;
    bool canSelectWholeGroup() const override { return true; }

protected:
    std::optional<qint64> groupKey() const override { return m_nodeId; }

private:
    bool m_hasChildren;
};

// "Все с группами": its children are the top-level groups.
class TSCMRootNode : public TASCMTreeNode
{
public:
    TSCMRootNode(TANodeItem* parent, TSCMTreePanel& panel) : TASCMTreeNode(parent, panel, WithGroups) {}
    bool hasChildren() override { return true; }
    void acceptChild(TNodeItem* item) override;
    bool canAcceptNode(const TNodeItem* item) const override;

protected:
    std::optional<qint64> groupKey() const override { return std::nullopt; }
};

// "Все" and "Все без групп": no children, no new name, no deletion.
class TSCMSpecialNode : public TASCMNode
{
public:
    using TASCMNode::TASCMNode;
    bool canAcceptNode(const TNodeItem*) const override { return false; }
    bool canAcceptDrop() override;
    void acceptDrop() override;
};

} // namespace Tarvo::Catalog
