#include "catalog/ui/tfcatalog.h"

#include "catalog/ui/tcatalogview.h"
#include "catalog/ui/tffind.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/ttreelink.h"
#include "shell/tinistorage.h"
#include "shell/ui/tdmallbuttons.h"
#include "widgets/tdatagrid.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

const QString Section = u"TfCatalog"_s;

QAction* makeAction(QWidget* owner, const QString& name, const QString& text, const QKeySequence& key = {})
{
    auto* a = new QAction(text, owner);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    owner->addAction(a);
    return a;
}

} // namespace

TfCatalog::TfCatalog(Data::Database& db, TCatalogView* view, TSCMTreePanel::DeleteMode mode, QWidget* parent)
    : Shell::TSaveForm(parent), m_db(db), m_root(std::make_unique<TSCMTreePanel>(db, this, mode)),
      m_view(view)
{
    setWindowTitle(u"Каталог товаров"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* menuBar = new QMenuBar(this);
    layout->setMenuBar(menuBar);
    m_toolBar = new QToolBar(this);
    layout->addWidget(m_toolBar);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_tree = new TGroupTreeView(m_splitter);
    m_tree->setObjectName(u"tvGroups"_s);
    m_tree->setAccessibleName(u"Группы товаров"_s);
    m_view->setParent(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_view);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter, 1);

    m_link = new TTreeLink(m_tree, m_root.get());
    m_tree->setLink(m_link);
    buildActions();

    QMenu* edit = menuBar->addMenu(u"&Правка"_s);
    for (const char* name : {"actInsert", "actEdit", "actDelete", "actChoose", "actImport"})
        edit->addAction(action(QString::fromLatin1(name)));
    m_findMenu = menuBar->addMenu(u"&Найти"_s);
    connect(m_findMenu, &QMenu::aboutToShow, this, [this] {
        m_findMenu->clear();
        if (Data::TRowSet* rs = m_view->dataSet())
            TfFind::fillMenu(m_findMenu, *rs, this, m_view->grid());
    });
    QMenu* options = menuBar->addMenu(u"Н&астройка"_s);
    options->addActions(m_appearance);
    options->addSeparator();
    options->addAction(action(u"actSubgroups"_s));
    menuBar->addAction(action(u"actHelp"_s));

    m_treeMenu = new QMenu(this);
    for (const char* name : {"actAddGroup", "actRenameGroup", "actDeleteGroup", "actChooseGroup"})
        m_treeMenu->addAction(action(QString::fromLatin1(name)));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        updateActions();
        m_treeMenu->popup(m_tree->viewport()->mapToGlobal(p));
    });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { updateActions(); });

    for (const char* name : {"actInsert", "actEdit", "actDelete", "actChoose", "actImport"})
        m_toolBar->addAction(action(QString::fromLatin1(name)));

    const auto storage = Shell::TIniStorage::open(Section);
    action(u"actSubgroups"_s)->setChecked(storage->readBool(u"nSSG"_s, false));
    m_link->setSelectFlag(includeSubgroups());
    setButtonAppearance(ButtonAppearance(qBound(0, storage->readInteger(u"BtnAppearence"_s, 2), 2)));

    m_link->rebuild();
    if (m_tree->topLevelItemCount() > 1) {
        QTreeWidgetItem* groups = m_tree->topLevelItem(1);
        groups->setExpanded(true);
        m_tree->setCurrentItem(groups);
    }
    updateActions();
}

TfCatalog::~TfCatalog()
{
    try {
        saveOptions();
    } catch (...) {
    }
    // The tree's nodes point into the items: drop them first.
    m_tree->clear();
}

QAction* TfCatalog::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void TfCatalog::buildActions()
{
    QAction* insert = makeAction(this, u"actInsert"_s, u"Новая "_s, QKeySequence(Qt::Key_Insert));
    QAction* edit = makeAction(this, u"actEdit"_s, u"Коррекция "_s, QKeySequence(Qt::Key_F4));
    QAction* del = makeAction(this, u"actDelete"_s, u"Удаление"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QAction* choose = makeAction(this, u"actChoose"_s, u"Выбрать"_s);
    QAction* import = makeAction(this, u"actImport"_s, u"Импорт"_s);
    QAction* help = makeAction(this, u"actHelp"_s, u"Помощь"_s, QKeySequence(Qt::Key_F1));
    insert->setIcon(Shell::TdmAllButtons::icon(Shell::TdmAllButtons::New));
    connect(insert, &QAction::triggered, this, [this] { m_view->insertRecord(); });
    connect(edit, &QAction::triggered, this, [this] { m_view->editRecord(); });
    connect(del, &QAction::triggered, this, [this] { m_view->deleteRecord(); });
    connect(choose, &QAction::triggered, this, [this] { m_view->choose(); });
    connect(import, &QAction::triggered, this, [this] { m_view->import(); });
    connect(help, &QAction::triggered, this,
            [this] { QMessageBox::information(this, u"Помощь"_s, m_view->helpText()); });

    QAction* addGroup = makeAction(this, u"actAddGroup"_s, u"Добавить группу"_s);
    QAction* rename = makeAction(this, u"actRenameGroup"_s, u"Изменить имя"_s, QKeySequence(Qt::Key_F2));
    QAction* removeGroup =
        makeAction(this, u"actDeleteGroup"_s, u"Удалить группу"_s, QKeySequence(Qt::Key_Delete));
    QAction* chooseGroup = makeAction(this, u"actChooseGroup"_s, u"Выбрать всю  группу"_s);
    for (QAction* a : {addGroup, rename, removeGroup, chooseGroup}) {
        removeAction(a);
        m_tree->addAction(a);
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    connect(addGroup, &QAction::triggered, m_link, &TTreeLink::addGroup);
    connect(rename, &QAction::triggered, m_link, &TTreeLink::renameGroup);
    connect(removeGroup, &QAction::triggered, m_link, &TTreeLink::deleteGroup);
    connect(chooseGroup, &QAction::triggered, this, [this] {
        if (auto* item = dynamic_cast<TASCMNode*>(TTreeLink::itemOf(m_tree->currentItem())))
            m_view->chooseGroup(item->nodeId());
    });

    auto* group = new QActionGroup(this);
    for (const QString& text : {u"Только текст"_s, u"Только рисунок"_s, u"Текст и рисунок"_s}) {
        QAction* a = new QAction(text, group);
        a->setCheckable(true);
        m_appearance << a;
        connect(a, &QAction::triggered, this, [this, a] {
            setButtonAppearance(ButtonAppearance(m_appearance.indexOf(a)));
            saveOptions();
        });
    }
    QAction* subgroups = makeAction(this, u"actSubgroups"_s,
                                    u"Показывать товары для выбранной группы, включая её подгруппы"_s);
    subgroups->setCheckable(true);
    connect(subgroups, &QAction::toggled, this, [this](bool on) {
        m_link->setSelectFlag(on);
        m_link->reselect();
        saveOptions();
    });
}

void TfCatalog::updateActions()
{
    const int caps = m_view->capabilities();
    action(u"actInsert"_s)->setEnabled(caps & TCatalogView::CanInsert);
    action(u"actEdit"_s)->setEnabled(caps & TCatalogView::CanEdit);
    action(u"actDelete"_s)->setEnabled(caps & TCatalogView::CanDelete);
    action(u"actChoose"_s)->setEnabled(m_view->canChoose());
    action(u"actImport"_s)->setEnabled(m_view->canImport());
    action(u"actHelp"_s)->setEnabled(!m_view->helpText().isEmpty());
    auto* item = dynamic_cast<TASCMNode*>(TTreeLink::itemOf(m_tree->currentItem()));
    const bool group = dynamic_cast<TSCMTreeNode*>(item) != nullptr;
    action(u"actAddGroup"_s)->setEnabled(group || dynamic_cast<TSCMRootNode*>(item));
    action(u"actRenameGroup"_s)->setEnabled(group);
    action(u"actDeleteGroup"_s)->setEnabled(group);
    action(u"actChooseGroup"_s)->setVisible(item && item->canSelectWholeGroup() && m_view->canChooseGroup());
}

void TfCatalog::setButtonAppearance(ButtonAppearance appearance)
{
    static const Qt::ToolButtonStyle styles[] = {Qt::ToolButtonTextOnly, Qt::ToolButtonIconOnly,
                                                 Qt::ToolButtonTextBesideIcon};
    m_toolBar->setToolButtonStyle(styles[int(appearance)]);
    m_appearance.at(int(appearance))->setChecked(true);
}

void TfCatalog::setIncludeSubgroups(bool on)
{
    action(u"actSubgroups"_s)->setChecked(on);
}

bool TfCatalog::includeSubgroups() const
{
    return action(u"actSubgroups"_s)->isChecked();
}

void TfCatalog::saveOptions() const
{
    const auto storage = Shell::TIniStorage::open(Section);
    storage->writeBool(u"nSSG"_s, includeSubgroups());
    int value = 0;
    if (m_appearance.at(2)->isChecked())
        value = 2;
    else if (m_appearance.at(1)->isChecked() || !m_appearance.at(0)->isChecked())
        value = 1;
    storage->writeInteger(u"BtnAppearence"_s, value);
}

bool TfCatalog::selectPath(const QStringList& captions)
{
    QTreeWidgetItem* node = nullptr;
    for (const QString& c : captions) {
        QTreeWidgetItem* found = nullptr;
        const int n = node ? node->childCount() : m_tree->topLevelItemCount();
        if (node)
            m_link->fill(node);
        for (int i = 0; i < (node ? node->childCount() : n); ++i) {
            QTreeWidgetItem* child = node ? node->child(i) : m_tree->topLevelItem(i);
            if (child->text(0) == c) {
                found = child;
                break;
            }
        }
        if (!found)
            return false;
        node = found;
    }
    if (node)
        m_tree->setCurrentItem(node);
    return node != nullptr;
}

void TfCatalog::selectNode(qint64 nodeId, bool flag)
{
    m_view->showNode(nodeId, flag);
    updateActions();
}

std::optional<qint64> TfCatalog::draggedProductGroup() const
{
    return m_view->draggedProductGroup();
}

QList<qint64> TfCatalog::draggedProducts() const
{
    return m_view->draggedProducts();
}

} // namespace Tarvo::Catalog
