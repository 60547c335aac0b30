#include "reports/ui/tfastreportform.h"

#include "widgets/guardedcommand.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "reports/reporttemplate.h"
#include "reports/ui/treportdesigner.h"
#include "security/rights.h"
#include "security/ui/tfrmenurightsform.h"
#include "widgets/mdihost.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

constexpr int IdRole = Qt::UserRole;
constexpr int LoadedRole = Qt::UserRole + 1;
constexpr int ReportRole = Qt::UserRole + 2;
const QString Title = u"Настройка отчетов"_s;
const QString FileFilter = u"Отчет (*.trep)"_s;
constexpr qint64 LargestTemplate = 16 * 1024 * 1024;

QPointer<TFastReportForm>& single()
{
    static QPointer<TFastReportForm> form;
    return form;
}

QWidget* titled(const QString& caption, QWidget* content)
{
    auto* box = new QWidget;
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(2, 2, 2, 2);
    auto* label = new QLabel(caption);
    label->setBuddy(content);
    l->addWidget(label);
    l->addWidget(content);
    content->setAccessibleName(QString(caption).remove(u'&'));
    return box;
}

} // namespace

TFastReportForm::TFastReportForm(QWidget* parent)
    : QWidget(parent), m_folders(new QTreeWidget), m_reports(new QListWidget), m_places(new QListWidget),
      m_menu(new QTreeWidget), m_info(new QLabel)
{
    Data::Database* db = Data::Database::main();
    if (!db)
        throw Exception(u"Нет соединения с базой данных."_s);
    m_catalog = std::make_unique<ReportCatalog>(*db);
    setObjectName(u"TFastReportForm"_s);
    setWindowTitle(Title);

    m_folders->setObjectName(u"treeFolders"_s);
    m_folders->setHeaderHidden(true);
    m_reports->setObjectName(u"listReports"_s);
    m_places->setObjectName(u"listPlaces"_s);
    m_menu->setObjectName(u"treeMenu"_s);
    m_menu->setHeaderHidden(true);
    m_info->setObjectName(u"labelInfo"_s);
    for (QAbstractItemView* v : std::initializer_list<QAbstractItemView*>{m_folders, m_reports, m_menu}) {
        v->setDragEnabled(true);
        v->setDragDropMode(QAbstractItemView::DragDrop);
        v->setDefaultDropAction(Qt::MoveAction);
        v->viewport()->installEventFilter(this);
        v->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    m_reports->setDragDropMode(QAbstractItemView::DragOnly);
    m_places->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* left = new QSplitter(Qt::Vertical);
    left->addWidget(titled(u"&Узлы"_s, m_folders));
    left->addWidget(titled(u"&Отчеты"_s, m_reports));
    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(titled(u"&Места вызова"_s, m_places));
    auto* menuBox = titled(u"Мен&ю"_s, m_menu);
    menuBox->layout()->addWidget(m_info);
    right->addWidget(menuBox);
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(left);
    split->addWidget(right);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    addCommand(m_folders, u"actFolderCreate"_s, u"Создать"_s, QKeySequence(Qt::Key_Insert), [this] { createFolder(); });
    addCommand(m_folders, u"actFolderRename"_s, u"Переименовать"_s, QKeySequence(Qt::Key_F2), [this] { renameFolder(); });
    addCommand(m_folders, u"actFolderDelete"_s, u"Удалить"_s, QKeySequence(Qt::Key_Delete), [this] { deleteFolder(); });
    addCommand(m_folders, u"actFolderRefresh"_s, u"Обновить"_s, QKeySequence(Qt::Key_F5), [this] { refreshFolders(); });
    addCommand(m_folders, u"actFolderExpandAll"_s, u"Раскрыть все"_s, QKeySequence(Qt::CTRL | Qt::Key_Asterisk),
               [this] { m_folders->expandAll(); });
    addCommand(m_folders, u"actFolderMoveTo"_s, u"Переместить в узел..."_s, QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        const int id = currentFolder();
        if (id <= 0)
            return;
        const int to = chooseFolder(u"Переместить узел"_s, id);
        if (to >= 0)
            moveFolderTo(id, to);
    });
    addCommand(m_folders, u"actFolderToMenu"_s, u"Добавить в меню"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
               [this] {
                   if (currentFolder() > 0)
                       addToMenu(true, currentFolder(), insertionParent());
               });

    addCommand(m_reports, u"actReportCreate"_s, u"Создать"_s, QKeySequence(Qt::Key_Insert), [this] { createReport(); });
    addCommand(m_reports, u"actReportRename"_s, u"Переименовать"_s, QKeySequence(Qt::Key_F2), [this] { renameReport(); });
    addCommand(m_reports, u"actReportDelete"_s, u"Удалить"_s, QKeySequence(Qt::Key_Delete), [this] { deleteReport(); });
    addCommand(m_reports, u"actReportLoad"_s, u"Загрузить из файла..."_s, QKeySequence(Qt::CTRL | Qt::Key_O),
               [this] { loadReport(); });
    addCommand(m_reports, u"actReportSave"_s, u"Сохранить в файл..."_s, QKeySequence(Qt::CTRL | Qt::Key_S),
               [this] { saveReport(); });
    addCommand(m_reports, u"actReportEdit"_s, u"Редактировать форму"_s, QKeySequence(Qt::Key_F4), [this] { editReport(); });
    addCommand(m_reports, u"actReportMoveTo"_s, u"Переместить в узел..."_s, QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        const int id = currentReport();
        if (id <= 0)
            return;
        const int to = chooseFolder(u"Переместить отчет"_s, -1);
        if (to > 0)
            moveReportTo(id, to);
    });
    addCommand(m_reports, u"actReportToMenu"_s, u"Добавить в меню"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
               [this] {
                   if (currentReport() > 0)
                       addToMenu(false, currentReport(), insertionParent());
               });

    addCommand(m_menu, u"actMenuSubmenu"_s, u"Создать подменю"_s, QKeySequence(Qt::Key_Insert),
               [this] { createMenuItem(false); });
    addCommand(m_menu, u"actMenuSeparator"_s, u"Создать разделитель"_s, QKeySequence(Qt::SHIFT | Qt::Key_Insert),
               [this] { createMenuItem(true); });
    addCommand(m_menu, u"actMenuRename"_s, u"Переименовать"_s, QKeySequence(Qt::Key_F2), [this] { renameItem(); });
    addCommand(m_menu, u"actMenuDelete"_s, u"Удалить"_s, QKeySequence(Qt::Key_Delete), [this] { deleteItem(); });
    addCommand(m_menu, u"actMenuUp"_s, u"Переместить выше"_s, QKeySequence(Qt::CTRL | Qt::Key_Up), [this] {
        const int id = currentItem();
        if (id > 0 && m_catalog->moveItem(id, -1)) {
            refreshMenu();
            selectItem(id);
        }
    });
    addCommand(m_menu, u"actMenuDown"_s, u"Переместить ниже"_s, QKeySequence(Qt::CTRL | Qt::Key_Down), [this] {
        const int id = currentItem();
        if (id > 0 && m_catalog->moveItem(id, +1)) {
            refreshMenu();
            selectItem(id);
        }
    });
    addCommand(m_menu, u"actMenuMoveTo"_s, u"Переместить в подменю..."_s, QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        const int id = currentItem();
        if (id <= 0)
            return;
        const int to = chooseSubmenu(u"Переместить пункт меню"_s, id);
        if (to >= 0)
            moveItemTo(id, to);
    });
    addCommand(m_menu, u"actMenuRights"_s, u"Установить права..."_s, QKeySequence(Qt::CTRL | Qt::Key_R),
               [this] { setRights(); });
    addCommand(m_menu, u"actMenuCopy"_s, u"Копировать меню..."_s, {}, [this] { copyMenu(); });
    addCommand(m_menu, u"actMenuRefresh"_s, u"Обновить"_s, QKeySequence(Qt::Key_F5), [this] { refreshMenu(); });

    connect(m_folders, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        guarded([&] {
            if (!item->data(0, LoadedRole).toBool())
                fillFolderLevel(item, item->data(0, IdRole).toInt());
        });
    });
    connect(m_menu, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        guarded([&] {
            if (!item->data(0, LoadedRole).toBool())
                fillMenuLevel(item, item->data(0, IdRole).toInt());
        });
    });
    connect(m_folders, &QTreeWidget::currentItemChanged, this, [this] { guarded([this] { showReports(); }); });
    connect(m_places, &QListWidget::currentRowChanged, this, [this] { guarded([this] { refreshMenu(); }); });
    connect(m_menu, &QTreeWidget::currentItemChanged, this, [this] { showInfo(); });
    connect(m_reports, &QListWidget::itemActivated, this, [this] { editReport(); });

    refreshFolders();
    for (const ReportCatalog::Place& p : m_catalog->places()) {
        auto* item = new QListWidgetItem(u"%1 %2"_s.arg(p.id).arg(p.name), m_places);
        item->setData(IdRole, p.id);
    }
    if (m_places->count() > 0)
        m_places->setCurrentRow(0);
    showInfo();
}

TFastReportForm::~TFastReportForm() = default;

TFastReportForm* TFastReportForm::open()
{
    if (TFastReportForm* w = single()) {
        Widgets::MdiHost::bringForward(w);
        return w;
    }
    auto* w = new TFastReportForm;
    single() = w;
    if (QMdiSubWindow* sub = Widgets::MdiHost::adopt(w))
        sub->resize(900, 600);
    else
        w->resize(900, 600);
    Widgets::MdiHost::bringForward(w);
    w->m_folders->setFocus();
    return w;
}

QAction* TFastReportForm::addCommand(QWidget* on, const QString& name, const QString& text, const QKeySequence& key,
                                     const std::function<void()>& command)
{
    auto* a = new QAction(text, on);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetShortcut);
    connect(a, &QAction::triggered, this, [this, command] { guarded(command); });
    on->addAction(a);
    return a;
}

QAction* TFastReportForm::command(const QString& name) const
{
    return findChild<QAction*>(name);
}

void TFastReportForm::guarded(const std::function<void()>& command)
{
    Widgets::guardedCommand(this, Title, command, Widgets::FailureBox::Critical);
}

bool TFastReportForm::ask(const QString& question)
{
    return QMessageBox::question(this, Title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

QString TFastReportForm::askName(const QString& title, const QString& current)
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, title, u"Название:"_s, QLineEdit::Normal, current, &ok);
    if (!ok)
        throw Abort();
    return name;
}

int TFastReportForm::currentFolder() const
{
    QTreeWidgetItem* item = m_folders->currentItem();
    return item ? item->data(0, IdRole).toInt() : 0;
}

int TFastReportForm::currentReport() const
{
    QListWidgetItem* item = m_reports->currentItem();
    return item ? item->data(IdRole).toInt() : 0;
}

int TFastReportForm::currentPlace() const
{
    QListWidgetItem* item = m_places->currentItem();
    return item ? item->data(IdRole).toInt() : 0;
}

int TFastReportForm::currentItem() const
{
    QTreeWidgetItem* item = m_menu->currentItem();
    return item ? item->data(0, IdRole).toInt() : 0;
}

int TFastReportForm::insertionParent() const
{
    QTreeWidgetItem* item = m_menu->currentItem();
    if (!item)
        return 0;
    const bool submenu = item->data(0, ReportRole).toInt() == 0 && item->text(0) != u"-"_s;
    if (submenu)
        return item->data(0, IdRole).toInt();
    return item->parent() ? item->parent()->data(0, IdRole).toInt() : 0;
}

// Folders and reports

void TFastReportForm::fillFolderLevel(QTreeWidgetItem* parent, int parentId)
{
    if (parent) {
        qDeleteAll(parent->takeChildren());
        parent->setData(0, LoadedRole, true);
    }
    for (const ReportCatalog::Node& n : m_catalog->folders(parentId)) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_folders);
        item->setText(0, n.name);
        item->setData(0, IdRole, n.id);
        item->setChildIndicatorPolicy(n.hasChildren ? QTreeWidgetItem::ShowIndicator
                                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

void TFastReportForm::refreshFolders()
{
    const int keep = currentFolder();
    m_folders->clear();
    fillFolderLevel(nullptr, 0);
    selectFolder(keep);
    showReports();
}

void TFastReportForm::selectFolder(int id)
{
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> find = [&](QTreeWidgetItem* at) -> QTreeWidgetItem* {
        for (int i = 0; i < at->childCount(); ++i) {
            QTreeWidgetItem* c = at->child(i);
            if (c->data(0, IdRole).toInt() == id)
                return c;
        }
        for (int i = 0; i < at->childCount(); ++i) {
            QTreeWidgetItem* c = at->child(i);
            if (c->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || c->childCount() > 0) {
                c->setExpanded(true);
                if (QTreeWidgetItem* hit = find(c))
                    return hit;
            }
        }
        return nullptr;
    };
    QTreeWidgetItem* hit = id > 0 ? find(m_folders->invisibleRootItem()) : nullptr;
    m_folders->setCurrentItem(hit ? hit : m_folders->topLevelItem(0));
}

void TFastReportForm::showReports()
{
    const int keep = currentReport();
    m_reports->clear();
    const int folder = currentFolder();
    if (folder <= 0)
        return;
    for (const ReportCatalog::Report& r : m_catalog->reports(folder)) {
        auto* item = new QListWidgetItem(r.name, m_reports);
        item->setData(IdRole, r.id);
        if (r.id == keep)
            m_reports->setCurrentItem(item);
    }
    if (!m_reports->currentItem() && m_reports->count() > 0)
        m_reports->setCurrentRow(0);
}

int TFastReportForm::chooseFolder(const QString& title, int except)
{
    QStringList names;
    QList<int> ids;
    if (except >= 0) {
        names << u"(верхний уровень)"_s;
        ids << 0;
    }
    std::function<void(int, const QString&)> walk = [&](int parent, const QString& path) {
        for (const ReportCatalog::Node& n : m_catalog->folders(parent)) {
            if (n.id == except)
                continue; // nor anything under it
            names << path + n.name;
            ids << n.id;
            walk(n.id, path + n.name + u" / "_s);
        }
    };
    walk(0, {});
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, title, u"Узел:"_s, names, 0, false, &ok);
    if (!ok)
        return -1;
    return ids.value(int(names.indexOf(chosen)), -1);
}

void TFastReportForm::moveFolderTo(int folder, int newParent)
{
    m_catalog->moveFolder(folder, newParent);
    refreshFolders();
    selectFolder(folder);
}

void TFastReportForm::moveReportTo(int report, int folder)
{
    m_catalog->moveReport(report, folder);
    showReports();
}

void TFastReportForm::createFolder()
{
    const int id = m_catalog->createFolder(currentFolder());
    refreshFolders();
    selectFolder(id);
    const QString name = askName(u"Новый узел"_s, u"Новый узел"_s);
    m_catalog->renameFolder(id, name);
    refreshFolders();
    selectFolder(id);
}

void TFastReportForm::renameFolder()
{
    QTreeWidgetItem* item = m_folders->currentItem();
    if (!item)
        return;
    m_catalog->renameFolder(item->data(0, IdRole).toInt(), askName(u"Переименовать узел"_s, item->text(0)));
    refreshFolders();
}

void TFastReportForm::deleteFolder()
{
    QTreeWidgetItem* item = m_folders->currentItem();
    if (!item || !ask(u"Удалить узел \"%1\"?"_s.arg(item->text(0))))
        return;
    m_catalog->deleteFolder(item->data(0, IdRole).toInt());
    refreshFolders();
}

void TFastReportForm::createReport()
{
    const int folder = currentFolder();
    if (folder <= 0)
        throw Exception(u"Выберите узел, в котором создать отчет."_s);
    const int id = m_catalog->createReport(folder);
    const QString name = askName(u"Новый отчет"_s, u"Новый отчет"_s);
    m_catalog->renameReport(id, name);
    showReports();
    for (int i = 0; i < m_reports->count(); ++i)
        if (m_reports->item(i)->data(IdRole).toInt() == id)
            m_reports->setCurrentRow(i);
}

void TFastReportForm::renameReport()
{
    QListWidgetItem* item = m_reports->currentItem();
    if (!item)
        return;
    m_catalog->renameReport(item->data(IdRole).toInt(), askName(u"Переименовать отчет"_s, item->text()));
    showReports();
    refreshMenu();
}

void TFastReportForm::deleteReport()
{
    QListWidgetItem* item = m_reports->currentItem();
    if (!item || !ask(u"Удалить отчет \"%1\"?"_s.arg(item->text())))
        return;
    m_catalog->deleteReport(item->data(IdRole).toInt());
    showReports();
}

void TFastReportForm::loadReportFile(const QString& path)
{
    const int id = currentReport();
    if (id <= 0)
        throw Exception(u"Выберите отчет, который заменить."_s);
    QFile f(path);
    if (QFileInfo(path).size() > LargestTemplate)
        throw Exception(u"Файл \"%1\" слишком велик для шаблона отчета."_s.arg(QDir::toNativeSeparators(path)));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(u"Не удалось прочитать файл \"%1\": %2."_s.arg(QDir::toNativeSeparators(path), f.errorString()));
    const QByteArray data = f.readAll();
    try {
        ReportTemplate::parse(data);
    } catch (const Exception& e) {
        throw Exception(u"Файл \"%1\" не является шаблоном отчета программы: %2 Отчет не изменен."_s.arg(
            QDir::toNativeSeparators(path), e.message()));
    }
    m_catalog->setReportData(id, data);
}

void TFastReportForm::loadReport()
{
    if (currentReport() <= 0)
        throw Exception(u"Выберите отчет, который заменить."_s);
    const QString path = QFileDialog::getOpenFileName(this, u"Загрузить отчет"_s, {}, FileFilter);
    if (path.isEmpty())
        return;
    if (!ask(u"Заменить существующий отчет отчетом из файла \"%1\"?"_s.arg(QFileInfo(path).fileName())))
        return;
    loadReportFile(path);
}

void TFastReportForm::saveReportFile(const QString& path)
{
    const int id = currentReport();
    const QByteArray data = m_catalog->reportData(id);
    if (data.isNull())
        throw Exception(u"У отчета \"%1\" еще нет шаблона: сохранять нечего."_s.arg(m_catalog->reportName(id)));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit())
        throw Exception(u"Не удалось записать файл \"%1\": %2."_s.arg(QDir::toNativeSeparators(path), f.errorString()));
}

void TFastReportForm::saveReport()
{
    QListWidgetItem* item = m_reports->currentItem();
    if (!item)
        return;
    QString path = QFileDialog::getSaveFileName(this, u"Сохранить отчет"_s, item->text() + u".trep"_s, FileFilter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(u".trep"_s, Qt::CaseInsensitive))
        path += u".trep"_s;
    saveReportFile(path);
}

void TFastReportForm::editReport()
{
    const int id = currentReport();
    if (id <= 0)
        return;
    TReportDesigner designer(m_catalog->reportName(id), m_catalog->reportData(id), this);
    if (designer.exec() == QDialog::Accepted)
        m_catalog->setReportData(id, designer.data());
}

// Menus

void TFastReportForm::fillMenuLevel(QTreeWidgetItem* parent, int parentId)
{
    if (parent) {
        qDeleteAll(parent->takeChildren());
        parent->setData(0, LoadedRole, true);
    }
    for (const ReportCatalog::MenuItem& m : m_catalog->menu(currentPlace(), parentId)) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_menu);
        item->setText(0, m.isSeparator() ? u"-"_s : m.caption);
        item->setData(0, IdRole, m.id);
        item->setData(0, ReportRole, m.report);
        item->setChildIndicatorPolicy(m.hasChildren ? QTreeWidgetItem::ShowIndicator
                                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

void TFastReportForm::refreshMenu()
{
    const int keep = currentItem();
    m_menu->clear();
    if (currentPlace() > 0)
        fillMenuLevel(nullptr, 0);
    selectItem(keep);
    showInfo();
}

void TFastReportForm::selectItem(int id)
{
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> find = [&](QTreeWidgetItem* at) -> QTreeWidgetItem* {
        for (int i = 0; i < at->childCount(); ++i)
            if (at->child(i)->data(0, IdRole).toInt() == id)
                return at->child(i);
        for (int i = 0; i < at->childCount(); ++i) {
            QTreeWidgetItem* c = at->child(i);
            if (c->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || c->childCount() > 0) {
                c->setExpanded(true);
                if (QTreeWidgetItem* hit = find(c))
                    return hit;
            }
        }
        return nullptr;
    };
    QTreeWidgetItem* hit = id > 0 ? find(m_menu->invisibleRootItem()) : nullptr;
    m_menu->setCurrentItem(hit ? hit : m_menu->topLevelItem(0));
}

void TFastReportForm::showInfo()
{
    QTreeWidgetItem* item = m_menu->currentItem();
    const int report = item ? item->data(0, ReportRole).toInt() : 0;
    m_info->setText(report > 0 ? u"Отчет: "_s + m_catalog->reportName(report) : u"Отчет не устанавливается"_s);
}

int TFastReportForm::chooseSubmenu(const QString& title, int except)
{
    QStringList names{u"(верхний уровень)"_s};
    QList<int> ids{0};
    std::function<void(int, const QString&)> walk = [&](int parent, const QString& path) {
        for (const ReportCatalog::MenuItem& m : m_catalog->menu(currentPlace(), parent)) {
            if (m.id == except || m.report > 0 || m.isSeparator())
                continue;
            names << path + m.caption;
            ids << m.id;
            walk(m.id, path + m.caption + u" / "_s);
        }
    };
    walk(0, {});
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, title, u"Подменю:"_s, names, 0, false, &ok);
    if (!ok)
        return -1;
    return ids.value(int(names.indexOf(chosen)), -1);
}

void TFastReportForm::addToMenu(bool folder, int id, int parentItem)
{
    const int place = currentPlace();
    if (place <= 0)
        throw Exception(u"Выберите место вызова."_s);
    const int item = folder ? m_catalog->addFolderItems(place, parentItem, id) : m_catalog->addReportItem(place, parentItem, id);
    refreshMenu();
    selectItem(item);
}

void TFastReportForm::moveItemTo(int item, int parentItem)
{
    m_catalog->reparentItem(item, parentItem);
    refreshMenu();
    selectItem(item);
}

void TFastReportForm::createMenuItem(bool separator)
{
    const int place = currentPlace();
    if (place <= 0)
        throw Exception(u"Выберите место вызова."_s);
    const int parent = insertionParent();
    const int id = separator ? m_catalog->createSeparator(place, parent) : m_catalog->createSubmenu(place, parent);
    refreshMenu();
    selectItem(id);
    if (!separator) {
        m_catalog->renameItem(id, askName(u"Новое подменю"_s, u"Новое подменю"_s));
        refreshMenu();
        selectItem(id);
    }
}

void TFastReportForm::renameItem()
{
    QTreeWidgetItem* item = m_menu->currentItem();
    if (!item || item->text(0) == u"-"_s)
        return;
    m_catalog->renameItem(item->data(0, IdRole).toInt(), askName(u"Переименовать пункт меню"_s, item->text(0)));
    refreshMenu();
}

void TFastReportForm::deleteItem()
{
    QTreeWidgetItem* item = m_menu->currentItem();
    if (!item)
        return;
    const int id = item->data(0, IdRole).toInt();
    const ReportCatalog::MenuItem m = m_catalog->menuItem(id);
    if (m.isSeparator()) {
        if (!ask(u"Удалить разделитель ?"_s))
            return;
    } else if (m.report > 0) {
        if (!ask(u"Удалить пункт меню \"%1\"?"_s.arg(m.caption)))
            return;
    } else {
        if (!ask(u"Удалить подменю \"%1\"?"_s.arg(m.caption)))
            return;
        if (m.hasChildren && !ask(u"Подменю \"%1\" содержит пункты меню. Удалить ?"_s.arg(m.caption)))
            return;
    }
    m_catalog->deleteItem(id);
    refreshMenu();
}

void TFastReportForm::setRights()
{
    // Denials bind every user, the administrator too: only a holder of the security right may change them.
    if (!Security::HasRight(Security::Right::Security)) {
        QMessageBox::warning(this, Title, Security::MissingRightText(Security::Right::Security,
                                                                     u"Права на пункты меню не изменены."_s));
        return;
    }
    const int id = currentItem();
    if (id <= 0)
        throw Exception(u"Выберите пункт меню."_s);
    Security::TFRMenuRightsForm form(*Data::Database::main(), id, this);
    form.exec();
}

void TFastReportForm::copyMenu()
{
    const int target = currentPlace();
    const QList<ReportCatalog::Place> places = m_catalog->places();
    if (places.isEmpty()) {
        QMessageBox::information(this, Title, u"Места вызова отсутствуют"_s);
        return;
    }
    QStringList names;
    for (const ReportCatalog::Place& p : places)
        names << u"%1 %2"_s.arg(p.id).arg(p.name);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, u"Копировать меню"_s, u"Выберите место вызова-источник"_s, names, 0, false, &ok);
    if (!ok)
        return;
    const int source = places.value(int(names.indexOf(chosen))).id;
    if (source == target) {
        QMessageBox::warning(this, Title, u"Нельзя скопировать меню из текущего места вызова"_s);
        return;
    }
    m_catalog->copyMenu(source, target);
    refreshMenu();
}

// Drag and drop

bool TFastReportForm::eventFilter(QObject* watched, QEvent* event)
{
    const bool onFolders = watched == m_folders->viewport();
    const bool onMenu = watched == m_menu->viewport();
    if ((!onFolders && !onMenu) ||
        (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove && event->type() != QEvent::Drop))
        return QWidget::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    QObject* source = drop->source();
    const bool known = source == m_folders || source == m_reports || source == m_menu;
    if (!known || (onFolders && source == m_menu)) {
        drop->ignore();
        return true;
    }
    if (event->type() != QEvent::Drop) {
        drop->acceptProposedAction();
        return true;
    }
    const QPoint at = drop->position().toPoint();
    guarded([&] {
        if (onFolders) {
            QTreeWidgetItem* target = m_folders->itemAt(at);
            const int folder = target ? target->data(0, IdRole).toInt() : 0;
            if (source == m_folders && currentFolder() > 0)
                moveFolderTo(currentFolder(), folder);
            else if (source == m_reports && currentReport() > 0 && folder > 0)
                moveReportTo(currentReport(), folder);
        } else {
            QTreeWidgetItem* target = m_menu->itemAt(at);
            int parent = 0;
            if (target) {
                const bool submenu = target->data(0, ReportRole).toInt() == 0 && target->text(0) != u"-"_s;
                parent = submenu ? target->data(0, IdRole).toInt()
                                 : (target->parent() ? target->parent()->data(0, IdRole).toInt() : 0);
            }
            if (source == m_menu && currentItem() > 0)
                moveItemTo(currentItem(), parent);
            else if (source == m_reports && currentReport() > 0)
                addToMenu(false, currentReport(), parent);
            else if (source == m_folders && currentFolder() > 0)
                addToMenu(true, currentFolder(), parent);
        }
    });
    // Our own handling only: the views must not move their items themselves.
    drop->setDropAction(Qt::IgnoreAction);
    drop->accept();
    return true;
}

} // namespace Tarvo::Reports
