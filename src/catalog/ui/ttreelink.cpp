#include "catalog/ui/ttreelink.h"

#include "catalog/tree/scmnodes.h"
#include "core/exception.h"

#include <QMessageBox>
#include <QTreeWidget>
#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

constexpr int ItemRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;

QString captionOf(const QTreeWidgetItem* node)
{
    return node ? node->text(0) : QString();
}

bool confirm(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, u"Подтверждение"_s, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace

const QString TTreeLink::NewGroupName = u"Новая группа"_s;

QString TTreeLink::deleteQuestion(const QString& caption, bool wholeTree)
{
    QString text = u"Вы желаете удалить группу <"_s + caption + u">"_s;
    if (wholeTree)
        text += u"\nВместе с ней будут удалены её подгруппы, все их товары и цены этих товаров."_s;
    return text;
}

TTreeLink::TTreeLink(QTreeWidget* view, TANodeItem* root) : QObject(view), m_view(view), m_root(root)
{
    connect(view, &QTreeWidget::itemExpanded, this, &TTreeLink::expanded);
    connect(view, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* c, QTreeWidgetItem*) { currentChanged(c); });
    connect(view, &QTreeWidget::itemChanged, this, &TTreeLink::changed);
}

TNodeItem* TTreeLink::itemOf(const QTreeWidgetItem* node)
{
    return node ? reinterpret_cast<TNodeItem*>(node->data(0, ItemRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* TTreeLink::nodeOf(const TNodeItem* item) const
{
    QList<QTreeWidgetItem*> pending;
    for (int i = 0; i < m_view->topLevelItemCount(); ++i)
        pending << m_view->topLevelItem(i);
    while (!pending.isEmpty()) {
        QTreeWidgetItem* n = pending.takeFirst();
        if (itemOf(n) == item)
            return n;
        for (int i = 0; i < n->childCount(); ++i)
            pending << n->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* TTreeLink::makeNode(TNodeItem* item, const QString& caption)
{
    auto* node = new QTreeWidgetItem(QStringList{caption});
    node->setData(0, ItemRole, QVariant::fromValue(quintptr(item)));
    node->setData(0, Qt::UserRole + 2, caption);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    if (dynamic_cast<TSCMTreeNode*>(item)) // only real groups are renamed and dragged
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    node->setFlags(flags);
    node->setChildIndicatorPolicy(item->hasChildren() ? QTreeWidgetItem::ShowIndicator
                                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return node;
}

void TTreeLink::addChildren(QTreeWidgetItem* parent, TANodeItem* item)
{
    const bool blocked = m_view->blockSignals(true);
    m_filling = true;
    try {
        item->openChildren();
        QList<QTreeWidgetItem*> nodes;
        while (!item->eof()) {
            QString caption;
            TNodeItem* child = item->nextChild(&caption);
            if (!child)
                break;
            nodes << makeNode(child, caption);
        }
        if (parent) {
            parent->addChildren(nodes);
            parent->setData(0, FilledRole, true);
        } else {
            m_view->addTopLevelItems(nodes);
        }
    } catch (...) {
        m_filling = false;
        m_view->blockSignals(blocked);
        throw;
    }
    m_filling = false;
    m_view->blockSignals(blocked);
}

void TTreeLink::rebuild()
{
    m_view->clear();
    addChildren(nullptr, m_root);
}

void TTreeLink::fill(QTreeWidgetItem* node)
{
    if (!node || node->data(0, FilledRole).toBool())
        return;
    addChildren(node, itemOf(node));
}

void TTreeLink::expanded(QTreeWidgetItem* node)
{
    if (!m_filling)
        fill(node);
}

void TTreeLink::currentChanged(QTreeWidgetItem* node)
{
    if (TNodeItem* item = itemOf(node))
        item->select(m_flag);
}

void TTreeLink::reselect()
{
    currentChanged(m_view->currentItem());
}

void TTreeLink::changed(QTreeWidgetItem* node, int)
{
    if (m_filling)
        return;
    TNodeItem* item = itemOf(node);
    if (!item)
        return;
    const QString text = node->text(0).trimmed();
    const QString before = node->data(0, Qt::UserRole + 2).toString();
    try {
        if (text.isEmpty() || text == before)
            throw Abort();
        item->rename(text);
        const bool blocked = m_view->blockSignals(true);
        node->setText(0, text);
        node->setData(0, Qt::UserRole + 2, text);
        m_view->blockSignals(blocked);
    } catch (...) {
        const bool blocked = m_view->blockSignals(true);
        node->setText(0, before);
        m_view->blockSignals(blocked);
        try {
            throw;
        } catch (const Abort&) {
        } catch (...) {
            // This runs while the caption editor hands its text over; thrown from here the refusal
            // would skip the editor's closing and leave it open. It is reported once it has closed.
            QMetaObject::invokeMethod(
                this, [refusal = std::current_exception()] { std::rethrow_exception(refusal); },
                Qt::QueuedConnection);
        }
    }
}

bool TTreeLink::canMove(QTreeWidgetItem* source, QTreeWidgetItem* target) const
{
    TNodeItem* s = itemOf(source);
    TNodeItem* t = itemOf(target);
    return s && t && t->canAcceptNode(s);
}

bool TTreeLink::moveNode(QTreeWidgetItem* source, QTreeWidgetItem* target)
{
    if (!canMove(source, target))
        return false;
    if (!confirm(m_view, u"Вы желаете переместить группу <"_s + captionOf(source) + u"> в\n\r<"_s +
                             captionOf(target) + u">"_s))
        return false;
    fill(target);
    target->setExpanded(true);
    itemOf(target)->acceptChild(itemOf(source));
    QTreeWidgetItem* parent = source->parent();
    QTreeWidgetItem* moved = parent ? parent->takeChild(parent->indexOfChild(source))
                                    : m_view->takeTopLevelItem(m_view->indexOfTopLevelItem(source));
    target->addChild(moved);
    target->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_view->setCurrentItem(moved);
    return true;
}

bool TTreeLink::canDropProducts(QTreeWidgetItem* target) const
{
    TNodeItem* t = itemOf(target);
    return t && t->canAcceptDrop();
}

bool TTreeLink::dropProducts(QTreeWidgetItem* target)
{
    if (!canDropProducts(target))
        return false;
    if (!confirm(m_view, u"Вы желаете переместить товар в группу <"_s + captionOf(target) + u">"_s))
        return false;
    itemOf(target)->acceptDrop();
    reselect();
    return true;
}

void TTreeLink::addGroup()
{
    QTreeWidgetItem* node = m_view->currentItem();
    auto* item = dynamic_cast<TASCMNode*>(itemOf(node));
    if (!item)
        return;
    fill(node);
    TNodeItem* child = item->newChild(NewGroupName);
    if (!child)
        return;
    node->setExpanded(true);
    QTreeWidgetItem* created = makeNode(child, NewGroupName);
    const bool blocked = m_view->blockSignals(true);
    node->addChild(created);
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_view->blockSignals(blocked);
    m_view->setCurrentItem(created);
    m_view->editItem(created, 0);
}

void TTreeLink::renameGroup()
{
    QTreeWidgetItem* node = m_view->currentItem();
    if (node && (node->flags() & Qt::ItemIsEditable))
        m_view->editItem(node, 0);
}

void TTreeLink::deleteGroup()
{
    QTreeWidgetItem* node = m_view->currentItem();
    TNodeItem* item = itemOf(node);
    auto* group = dynamic_cast<TSCMTreeNode*>(item);
    if (!group)
        return;
    if (!confirm(m_view, deleteQuestion(captionOf(node),
                                        group->panel().deleteMode() == TSCMTreePanel::DeleteMode::WholeTree)))
        return;
    try {
        item->remove();
    } catch (const Abort&) {
        return;
    }
    QTreeWidgetItem* parent = node->parent();
    delete node;
    item->setParentItem(nullptr);
    delete item;
    if (parent)
        m_view->setCurrentItem(parent);
}

} // namespace Tarvo::Catalog
