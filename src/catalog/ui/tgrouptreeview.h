#pragma once

#include <QTreeWidget>

namespace Tarvo::Catalog {

class TTreeLink;

// The product-group tree: groups are dragged within it, products dropped on it from the
// owner's list (mime type ProductsMime).
class TGroupTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TGroupTreeView(QWidget* parent = nullptr);
    void setLink(TTreeLink* link) { m_link = link; }

    static const QString ProductsMime;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool acceptable(QDropEvent* event) const;
    TTreeLink* m_link = nullptr;
};

} // namespace Tarvo::Catalog
