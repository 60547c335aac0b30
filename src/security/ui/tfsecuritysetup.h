#pragma once

#include "data/rowset/rowsetsubscription.h"
#include "security/trightstree.h"

#include <QDialog>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Security {

class TdmUsers;

// "Настройка прав доступа": the users on the left (read-only: edits go through the card), the
// rights tree of the selected user on the right. The tree is saved on "Сохранить", when another
// user is selected and on closing. The tree always belongs to the user selected in the list: a
// user deleted by another administrator meanwhile is reported, the list is read again and the
// changes made for that user are dropped; closing can always go on without saving.
class TfSecuritySetup : public QDialog
{
    Q_OBJECT
public:
    explicit TfSecuritySetup(QWidget* parent = nullptr);
    ~TfSecuritySetup() override;

    TdmUsers& users() { return *m_users; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    QTreeWidget* tree() const { return m_tree; }
    const TRightsTree& rights() const { return m_rights; }
    QTreeWidgetItem* item(int rightId) const;

    // On the selected node and its descendants.
    void allowSelected() { setSelected(true); }
    void denySelected() { setSelected(false); }
    // False when the user was deleted meanwhile (reported; the list and the tree are read again).
    bool saveTree();

    void done(int result) override;

private:
    void loadTree();
    void userChanged();
    void userDeleted(const QString& message, int nextUser);
    void selectUser(int userId);
    void setSelected(bool allowed);
    void refreshImages();
    void addItems(QTreeWidgetItem* parent, const QList<int>& ids);

    std::unique_ptr<TdmUsers> m_users;
    TRightsTree m_rights;
    Widgets::TDataGrid* m_grid;
    QTreeWidget* m_tree;
    Data::RowSetSubscription m_userMoved;
    int m_shownUser = 0;
    bool m_moving = false; // the window moves the list itself: not a change of user
};

} // namespace Tarvo::Security
