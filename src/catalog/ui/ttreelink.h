#pragma once

#include <QObject>

class QTreeWidget;
class QTreeWidgetItem;

namespace Tarvo::Catalog {

class TANodeItem;
class TNodeItem;

// Binds a tree view to a tree of items: fills a level when its node is first expanded,
// forwards selection, caption edits and drops to the items, and keeps the view in step with
// what the items accepted. Refusals of the items leave the view as it was.
class TTreeLink : public QObject
{
    Q_OBJECT
public:
    TTreeLink(QTreeWidget* view, TANodeItem* root);

    // Clears the view and fills the root level.
    void rebuild();
    static TNodeItem* itemOf(const QTreeWidgetItem* node);
    QTreeWidgetItem* nodeOf(const TNodeItem* item) const;
    // Fills the node's level once.
    void fill(QTreeWidgetItem* node);

    // Drag and drop of a group onto another node (asks first).
    bool canMove(QTreeWidgetItem* source, QTreeWidgetItem* target) const;
    bool moveNode(QTreeWidgetItem* source, QTreeWidgetItem* target);
    // Products dragged from the owner's list onto a node (asks first).
    bool canDropProducts(QTreeWidgetItem* target) const;
    bool dropProducts(QTreeWidgetItem* target);

    // Tree menu commands on the current node.
    void addGroup();
    void renameGroup();
    void deleteGroup();

    // Selecting the current node again (after an option changed).
    void reselect();
    bool selectFlag() const { return m_flag; }
    void setSelectFlag(bool flag) { m_flag = flag; }

    // The confirmation of "Удалить группу"; a whole-tree delete says what goes with the group.
    static QString deleteQuestion(const QString& caption, bool wholeTree);

    // The name a new group gets before the user types one.
    static const QString NewGroupName;

private:
    void addChildren(QTreeWidgetItem* parent, TANodeItem* item);
    QTreeWidgetItem* makeNode(TNodeItem* item, const QString& caption);
    void expanded(QTreeWidgetItem* node);
    void currentChanged(QTreeWidgetItem* node);
    void changed(QTreeWidgetItem* node, int column);

    QTreeWidget* m_view;
    TANodeItem* m_root;
    bool m_filling = false;
    bool m_flag = false;
};

} // namespace Tarvo::Catalog
