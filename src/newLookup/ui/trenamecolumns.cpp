#include "newLookup/ui/trenamecolumns.h"

#include "newLookup/tcolinfo.h"
#include "newLookup/ui/movebuttons.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Tarvo::NewLookup {

namespace {

enum Role
{
    TableRole = Qt::UserRole,
    FieldRole
};

// Drops only reorder columns within their table; everything else is refused.
class ColumnTree : public QTreeWidget
{
public:
    ColumnTree(TRenameColumns* owner, QWidget* parent) : QTreeWidget(parent), m_owner(owner) {}

protected:
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        QTreeWidgetItem* source = currentItem();
        if (target && source && source->parent() && target->parent() == source->parent())
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (m_owner->moveColumn(currentItem(), itemAt(event->position().toPoint())))
            event->accept();
        else
            event->ignore();
    }

private:
    TRenameColumns* m_owner;
};

} // namespace

TRenameColumns::TRenameColumns(Data::Database& db, QWidget* parent)
    : QDialog(parent), m_db(db), m_map(Data::TDataTableFieldMap::load(db))
{
    setWindowTitle(QStringLiteral("Переименование колонок"));
    m_tree = new ColumnTree(this, this);
    m_tree->setObjectName(QStringLiteral("tvColumns"));
    m_tree->setHeaderHidden(true);
    m_tree->setDragDropMode(QAbstractItemView::InternalMove);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    auto* treeLabel = new QLabel(QStringLiteral("&Выберите колонки в таблице"), this);
    treeLabel->setBuddy(m_tree);
    for (int t = 0; t < m_map.tables.size(); ++t) {
        const Data::TableInfo& table = m_map.tables.at(t);
        auto* tableItem = new QTreeWidgetItem(m_tree);
        tableItem->setText(0, table.displayName().isEmpty() ? table.phisName() : table.displayName());
        tableItem->setData(0, TableRole, table.phisName());
        tableItem->setFlags(tableItem->flags() & ~Qt::ItemIsDragEnabled & ~Qt::ItemIsDropEnabled);
        for (const Data::TFieldInfo& f : table.fields) {
            auto* item = new QTreeWidgetItem(tableItem);
            item->setText(0, f.displayName.isEmpty() ? f.phisName : f.displayName);
            item->setData(0, TableRole, table.phisName());
            item->setData(0, FieldRole, f.phisName);
            item->setFlags((item->flags() | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
        }
    }
    // Made before the name field, so that Tab goes from the list to its move buttons.
    QBoxLayout* moves = moveButtons(this, Qt::Horizontal, [this](int delta) { moveBy(delta); });
    auto* nameLabel = new QLabel(QStringLiteral("&Название"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edName"));
    m_name->setMaxLength(100);
    nameLabel->setBuddy(m_name);

    Widgets::DialogButtons buttons(this, QStringLiteral("Сохранить"), QStringLiteral("Отмена"), false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] {
        save();
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(treeLabel);
    layout->addWidget(m_tree);
    layout->addLayout(moves);
    layout->addWidget(nameLabel);
    layout->addWidget(m_name);
    layout->addWidget(buttons.box());
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] {
        storeCurrent();
        showCurrent();
    });
    if (m_tree->topLevelItemCount())
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    resize(480, 560);
}

void TRenameColumns::showCurrent()
{
    m_shown = m_tree->currentItem();
    if (!m_shown) {
        m_name->clear();
        return;
    }
    const Data::TableInfo* table = m_map.findTable(m_shown->data(0, TableRole).toString());
    if (!m_shown->parent()) {
        // Line tables have no name of their own.
        m_name->setEnabled(table && !table->isLineTable());
        m_name->setText(table ? table->editName() : QString());
    } else {
        m_name->setEnabled(true);
        const Data::TFieldInfo* f =
            table ? table->findField(m_shown->data(0, FieldRole).toString()) : nullptr;
        m_name->setText(f ? f->displayName : QString());
    }
}

void TRenameColumns::storeCurrent()
{
    if (!m_shown || !m_name->isEnabled())
        return;
    Data::TableInfo* table = m_map.findTable(m_shown->data(0, TableRole).toString());
    if (!table)
        return;
    // Tabs and line breaks would break the column's line in the per-user settings files.
    const QString name = TColInfo::cleanCaption(m_name->text());
    if (!m_shown->parent()) {
        table->setEditName(name);
        m_shown->setText(0, table->displayName().isEmpty() ? table->phisName() : table->displayName());
    } else if (Data::TFieldInfo* f = table->findField(m_shown->data(0, FieldRole).toString())) {
        f->displayName = name;
        m_shown->setText(0, name.isEmpty() ? f->phisName : name);
    }
}

bool TRenameColumns::moveColumn(QTreeWidgetItem* column, QTreeWidgetItem* onto)
{
    if (!column || !onto || column == onto || !column->parent() || onto->parent() != column->parent())
        return false;
    storeCurrent();
    QTreeWidgetItem* table = column->parent();
    const int to = table->indexOfChild(onto);
    table->takeChild(table->indexOfChild(column));
    table->insertChild(to, column);
    m_tree->setCurrentItem(column);
    rebuildMap();
    return true;
}

void TRenameColumns::moveBy(int delta)
{
    QTreeWidgetItem* column = m_tree->currentItem();
    if (!column || !column->parent())
        return;
    QTreeWidgetItem* onto = column->parent()->child(column->parent()->indexOfChild(column) + delta);
    moveColumn(column, onto);
}

void TRenameColumns::rebuildMap()
{
    // The dictionary's field order and display indexes follow the tree.
    for (int t = 0; t < m_tree->topLevelItemCount(); ++t) {
        QTreeWidgetItem* tableItem = m_tree->topLevelItem(t);
        Data::TableInfo* table = m_map.findTable(tableItem->data(0, TableRole).toString());
        if (!table)
            continue;
        QList<Data::TFieldInfo> ordered;
        for (int c = 0; c < tableItem->childCount(); ++c)
            if (const Data::TFieldInfo* f =
                    table->findField(tableItem->child(c)->data(0, FieldRole).toString())) {
                ordered << *f;
                ordered.last().displayIndex = c;
            }
        table->fields = ordered;
    }
}

void TRenameColumns::save()
{
    storeCurrent();
    rebuildMap();
    m_map.save(m_db);
    Data::TDataTableFieldMap::instance() = m_map;
}

} // namespace Tarvo::NewLookup
