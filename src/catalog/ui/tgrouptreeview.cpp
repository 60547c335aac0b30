#include "catalog/ui/tgrouptreeview.h"

#include "catalog/ui/ttreelink.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString TGroupTreeView::ProductsMime = u"application/x-tarvo-products"_s;

TGroupTreeView::TGroupTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setMinimumWidth(150);
}

bool TGroupTreeView::acceptable(QDropEvent* event) const
{
    if (!m_link)
        return false;
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    if (event->source() == this)
        return m_link->canMove(currentItem(), target);
    if (event->mimeData()->hasFormat(ProductsMime))
        return m_link->canDropProducts(target);
    return false;
}

void TGroupTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this || event->mimeData()->hasFormat(ProductsMime))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptable(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupTreeView::dropEvent(QDropEvent* event)
{
    if (!acceptable(event)) {
        event->ignore();
        return;
    }
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    // The tree itself is changed by the link, never by the view's own move.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (event->source() == this)
        m_link->moveNode(currentItem(), target);
    else
        m_link->dropProducts(target);
}

} // namespace Tarvo::Catalog
