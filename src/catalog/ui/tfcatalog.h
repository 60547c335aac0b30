#pragma once

#include "catalog/tree/scmnodes.h"
#include "catalog/tree/tscmtreeowner.h"
#include "shell/ui/tsaveform.h"

#include <memory>

class QAction;
class QMenu;
class QSplitter;
class QToolBar;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class TCatalogView;
class TGroupTreeView;
class TTreeLink;

// "Каталог товаров": the product-group tree on the left, the list of the selected node on the
// right. The window's commands go to the list; the tree menu edits the groups in place.
// The options persist in section "TfCatalog" of "fc.ini": "nSSG" and "BtnAppearence".
class TfCatalog : public Shell::TSaveForm, public TSCMTreeOwner
{
    Q_OBJECT
public:
    TfCatalog(Data::Database& db, TCatalogView* view, TSCMTreePanel::DeleteMode mode,
              QWidget* parent = nullptr);
    ~TfCatalog() override;

    TGroupTreeView* tree() const { return m_tree; }
    TTreeLink* link() const { return m_link; }
    TCatalogView* view() const { return m_view; }
    QAction* action(const QString& objectName) const;

    // Finds and selects the node of a group already shown (by path of captions from the root).
    bool selectPath(const QStringList& captions);

    void selectNode(qint64 nodeId, bool flag) override;
    std::optional<qint64> draggedProductGroup() const override;
    QList<qint64> draggedProducts() const override;

    enum class ButtonAppearance
    {
        TextOnly = 0,
        PictureOnly = 1,
        TextAndPicture = 2,
    };
    void setButtonAppearance(ButtonAppearance appearance);
    void setIncludeSubgroups(bool on);
    bool includeSubgroups() const;

private:
    void buildActions();
    void updateActions();
    void saveOptions() const;

    Data::Database& m_db;
    std::unique_ptr<TSCMTreePanel> m_root;
    TCatalogView* m_view;
    TGroupTreeView* m_tree;
    TTreeLink* m_link;
    QSplitter* m_splitter;
    QToolBar* m_toolBar;
    QMenu* m_findMenu;
    QMenu* m_treeMenu;
    QList<QAction*> m_appearance;
};

} // namespace Tarvo::Catalog
