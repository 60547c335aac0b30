#include "registers/ui/registerframe.h"

#include "widgets/guardedcommand.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tdatatablefieldmap.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/tmessageserver.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "registers/keyrangelist.h"
#include "security/rights.h"
#include "shell/tinistorage.h"
#include "shell/ui/menuhooks.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Registers {

RegisterFrame::RegisterFrame(Data::Database& db, Otbor::OtborRegister filters, const QString& title,
                             const QString& splitName, QWidget* parent)
    : TSaveForm(parent), m_db(db), m_title(title),
      m_filters(Otbor::RegisterOtbors::makeList(filters, Otbor::TGlobalOtbors::instance())),
      m_ownNotice(QUuid::createUuid().toByteArray())
{
    setWindowTitle(title);
    m_toolbar = new QToolBar(this);
    m_toolbar->setAccessibleName(u"Панель инструментов"_s);
    m_popup = new QMenu(this);

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(splitName);
    m_split->setChildrenCollapsible(false);

    auto* statusBar = new QStatusBar(this);
    m_status = new QLabel(statusBar);
    m_status->setObjectName(u"labelStatus"_s);
    statusBar->addWidget(m_status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_split, 1);
    layout->addWidget(statusBar);

    // Filter changes in quick succession (typing in the filter editor, "Применить" then "Ok") cost
    // one read, after the typing pauses.
    m_reopenTimer = new QTimer(this);
    m_reopenTimer->setSingleShot(true);
    m_reopenTimer->setInterval(200);
    connect(m_reopenTimer, &QTimer::timeout, this, [this] { guarded([this] { reopen(); }); });
    m_filters->subscribe([this] { m_reopenTimer->start(); }, this);
}

RegisterFrame::~RegisterFrame()
{
    // The register's own destructor has already taken its list off the grid.
    m_subscriptions.clear();
}

void RegisterFrame::setList(KeyRangeList* list, Widgets::TDataGrid* grid)
{
    m_list = list;
    m_grid = grid;
    m_list->setFilters(m_filters.get());
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateActions();
        m_popup->exec(m_grid->viewport()->mapToGlobal(at));
    });
    m_split->insertWidget(0, m_grid);
    m_grid->setRowSet(m_list);
    m_scrolled = m_list->subscribeScrolled([this] {
        showCurrentRow();
        currentMoved();
    });
}

void RegisterFrame::start(const QList<QUuid>& events, const QString& changedText)
{
    m_changedText = changedText;
    for (const QUuid& event : events)
        m_subscriptions.push_back(std::make_unique<Messaging::TChangeSubscription>(event, this));
    guarded([this] { reopen(); });
    m_grid->setFocus();
}

RegisterFrame::Columns RegisterFrame::dictionaryColumns(const QString& table, const Columns& columns)
{
    Columns result = columns;
    try {
        if (const Data::TableInfo* t = Data::TDataTableFieldMap::instance().findTable(table))
            for (auto& c : result)
                if (const Data::TFieldInfo* f = t->findField(c.field); f && !f->displayName.isEmpty())
                    c.title = f->displayName;
    } catch (const Exception&) {
        // No dictionary: the grid's own titles.
    }
    return result;
}

QString RegisterFrame::dictionaryTitle(const QString& table, const QString& fallback)
{
    try {
        if (const Data::TableInfo* t = Data::TDataTableFieldMap::instance().findTable(table))
            return t->displayName();
    } catch (const Exception&) {
    }
    return fallback;
}

Widgets::TDataGrid* RegisterFrame::makeGrid(QWidget* parent, const QString& name, const QString& accessible)
{
    auto* grid = new Widgets::TDataGrid(parent);
    grid->setObjectName(name);
    grid->setAccessibleName(accessible);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    return grid;
}

std::unique_ptr<Data::TUpdatedADOQuery> RegisterFrame::detailQuery(Data::Database& db, const QString& sql)
{
    auto q = std::make_unique<Data::TUpdatedADOQuery>(&db);
    q->setSql(sql);
    q->setReadOnly(true);
    return q;
}

void RegisterFrame::showAs(Data::TRowSet& rows, const QStringList& fields, Data::FieldType type,
                           const QString& displayFormat)
{
    for (const QString& name : fields)
        if (const int i = rows.fieldIndex(name); i >= 0) {
            rows.field(i).type = type;
            if (!displayFormat.isEmpty())
                rows.field(i).displayFormat = displayFormat;
        }
}

QAction* RegisterFrame::addCommand(QMenu* menu, const QString& name, const QString& text,
                                   const QKeySequence& key, const std::function<void()>& command)
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(a, &QAction::triggered, this, [this, command] { guarded(command); });
    if (menu)
        menu->addAction(a);
    return a;
}

QAction* RegisterFrame::addTool(const QString& name, const QString& text, Shell::TdmAllButtons::Action icon,
                                const QKeySequence& key, const std::function<void()>& command)
{
    QAction* a = addCommand(nullptr, name, text, key, command);
    a->setIcon(Shell::TdmAllButtons::icon(icon));
    m_toolbar->addAction(a);
    return a;
}

QToolButton* RegisterFrame::addMenuButton(const QString& name, const QString& text,
                                          Shell::TdmAllButtons::Action icon, QMenu* menu)
{
    auto* b = new QToolButton(m_toolbar);
    b->setObjectName(name);
    b->setText(text);
    b->setIcon(Shell::TdmAllButtons::icon(icon));
    b->setMenu(menu);
    b->setPopupMode(QToolButton::InstantPopup);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAccessibleName(text);
    m_toolbar->addWidget(b);
    return b;
}

QMenu* RegisterFrame::addPrintMenu(int reportGroup, const QString& registerText, const QString& reportsItem,
                                   const QString& reportsText)
{
    auto* print = new QMenu(this);
    print->setObjectName(u"menuPrint"_s);
    addCommand(print, u"actPrintRegister"_s, u"Печать реестра"_s, {},
               [this, registerText] { arrivesWith(registerText); });
    QMenu* reports = print->addMenu(u"Отчеты FR"_s);
    reports->setObjectName(u"menuReportsFR"_s);
    connect(reports, &QMenu::aboutToShow, this, [this, reports, reportGroup, reportsItem, reportsText] {
        reports->clear();
        Shell::MenuHooks::fillReportMenu(reports, reportGroup);
        if (reports->isEmpty()) {
            QAction* none = reports->addAction(reportsItem);
            none->setObjectName(u"actReportsMissing"_s);
            connect(none, &QAction::triggered, this, [this, reportsText] { arrivesWith(reportsText); });
        }
    });
    addMenuButton(u"btnPrint"_s, u"Печать"_s, Shell::TdmAllButtons::Print, print);
    return print;
}

QMenu* RegisterFrame::addPrintMenu(const std::function<void()>& printRegister,
                                   const std::function<void(QMenu*)>& fillReports)
{
    auto* print = new QMenu(this);
    print->setObjectName(u"menuPrint"_s);
    addCommand(print, u"actPrintRegister"_s, u"Печать реестра"_s, {}, [this, printRegister] { guarded(printRegister); });
    QMenu* reports = print->addMenu(u"Отчеты FR"_s);
    reports->setObjectName(u"menuReportsFR"_s);
    connect(reports, &QMenu::aboutToShow, this, [this, reports, fillReports] { guarded([&] { fillReports(reports); }); });
    addMenuButton(u"btnPrint"_s, u"Печать"_s, Shell::TdmAllButtons::Print, print);
    return print;
}

void RegisterFrame::finishToolbar()
{
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QToolButton* b : m_toolbar->findChildren<QToolButton*>()) {
        b->setFocusPolicy(Qt::TabFocus);
        // The button a narrow window shows for the commands that do not fit.
        if (b->objectName() == QLatin1String("qt_toolbar_ext_button"))
            b->setAccessibleName(u"Другие команды"_s);
    }
}

void RegisterFrame::addSortAndSetup(QMenu* menu, Widgets::TDataGrid* grid, const QString& naturalOrder)
{
    QMenu* sort = menu->addMenu(u"Упорядочить по"_s);
    sort->setObjectName(u"menuSort"_s);
    connect(sort, &QMenu::aboutToShow, this, [this, sort, grid, naturalOrder] {
        sort->clear();
        QAction* natural = sort->addAction(naturalOrder);
        connect(natural, &QAction::triggered, this, [grid] { grid->sortBy(-1); });
        for (int column : grid->columnsInDisplayOrder()) {
            if (!grid->isColumnShown(column))
                continue;
            QAction* a = sort->addAction(grid->columnCaption(column));
            connect(a, &QAction::triggered, this,
                    [this, grid, column] { guarded([grid, column] { grid->sortBy(column); }); });
        }
    });
    addColumnSetup(menu, grid);
}

void RegisterFrame::addSearchAndSetup(QMenu* menu, Widgets::TDataGrid* grid)
{
    menu->addMenu(grid->searchMenu());
    addColumnSetup(menu, grid);
}

void RegisterFrame::addColumnSetup(QMenu* menu, Widgets::TDataGrid* grid)
{
    QAction* setup = menu->addAction(u"Настроить колонки"_s);
    setup->setObjectName(u"actSetupColumns"_s);
    connect(setup, &QAction::triggered, grid, &Widgets::TDataGrid::setupColumns);
}

void RegisterFrame::addDocumentTools(Widgets::TDataGrid* grid, const QString& newText,
                                     const std::function<void()>& create, const std::function<void()>& edit,
                                     const std::function<void()>& remove)
{
    using Shell::TdmAllButtons;
    if (create)
        addTool(u"actNew"_s, newText, TdmAllButtons::New, QKeySequence(Qt::SHIFT | Qt::Key_F4), create);
    addTool(u"actEdit"_s, u"Редактировать"_s, TdmAllButtons::Edit, QKeySequence(Qt::Key_F4), edit);
    addTool(u"actDelete"_s, u"Удалить"_s, TdmAllButtons::Delete, QKeySequence(Qt::CTRL | Qt::Key_Delete), remove);
    addTool(u"actRefresh"_s, u"Обновить"_s, TdmAllButtons::Refresh, QKeySequence(Qt::Key_F5), [this] { reopen(); });
    connect(grid, &Widgets::TDataGrid::rowActivated, this, [this, edit] { guarded(edit); });
}

void RegisterFrame::enableWithRows(const QStringList& commands)
{
    const bool rows = hasRows();
    for (const QString& name : commands)
        if (QAction* a = action(name))
            a->setEnabled(rows);
}

void RegisterFrame::showDetails(Data::TUpdatedADOQuery& details, const QString& parameter, qint64 key,
                                const QStringList& money)
{
    guarded([&] {
        details.close();
        details.setParameter(parameter, key > 0 ? key : 0);
        details.open();
        showAs(details, money, Data::FieldType::Money);
    });
}

void RegisterFrame::deleteAfterQuestion(const QString& question, const std::function<void()>& remove)
{
    if (QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    const int row = m_list->recNo();
    remove();
    reloadAtRow(row);
}

QAction* RegisterFrame::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

QString RegisterFrame::statusText() const
{
    return m_status->text();
}

void RegisterFrame::guarded(const std::function<void()>& command)
{
    Widgets::guardedCommand(this, windowTitle(), command, Widgets::FailureBox::Critical);
}

bool RegisterFrame::mayDo(int right, const QString& refused)
{
    if (Security::HasRight(right))
        return true;
    QMessageBox::warning(this, windowTitle(), Security::MissingRightText(right, refused));
    return false;
}

void RegisterFrame::arrivesWith(const QString& what)
{
    QMessageBox::information(this, windowTitle(), what);
}

bool RegisterFrame::hasRows() const
{
    return m_list->isActive() && !m_list->isEmpty();
}

void RegisterFrame::updateCaption()
{
    setWindowTitle((registerTitle() + u' ' + m_filters->description()).trimmed());
}

void RegisterFrame::reopen()
{
    m_reopenTimer->stop();
    beforeReload();
    const qint64 keep = m_list->currentKey();
    updateCaption();
    m_status->clear();
    try {
        m_list->reload(keep);
    } catch (...) {
        updateActions();
        currentMoved();
        throw;
    }
    showCurrentRow();
    updateActions();
    if (m_list->currentKey() == m_shownKey && m_shownKey != 0)
        refreshShown();
    else
        currentMoved();
}

void RegisterFrame::reloadAtRow(int row)
{
    m_list->reload();
    if (row >= 0 && !m_list->isEmpty()) {
        while (m_list->recordCount() <= row && m_list->canFetchMore())
            m_list->fetchMore();
        m_list->moveTo(qMin(row, m_list->recordCount() - 1));
    }
    showCurrentRow();
    updateActions();
    m_shownKey = -1;
    currentMoved();
}

void RegisterFrame::showCurrentRow()
{
    // The grid follows the row set's cursor only when the rows are replaced; a document found
    // again after that is shown here.
    const int row = m_list->recNo();
    if (row < 0 || !m_grid->model() || m_list->state() != Data::RowSetState::Browse)
        return;
    const int shown = m_grid->gridRow(row);
    if (shown < 0 || shown >= m_grid->model()->rowCount() || m_grid->currentIndex().row() == shown)
        return;
    m_grid->setCurrentIndex(m_grid->model()->index(shown, qMax(0, m_grid->currentIndex().column())));
}

void RegisterFrame::currentMoved()
{
    const qint64 id = m_list->currentKey();
    if (id == m_shownKey)
        return;
    m_shownKey = id;
    showDocument(id);
}

bool RegisterFrame::notice(const QUuid&, const QByteArray& payload)
{
    // This window's own changes are already shown.
    return payload != m_ownNotice;
}

void RegisterFrame::refresh(const QUuid&, int mode)
{
    if (mode == RefreshWindows) {
        guarded([this] { reopen(); });
        return;
    }
    m_status->setText(m_changedText);
}

void RegisterFrame::restoreSplitter(QSplitter* split, const QString& section, int total)
{
    const int upper = Shell::TIniStorage(section).readInteger(split->objectName(), 0);
    if (upper > 0)
        split->setSizes({upper, qMax(100, total - upper)});
}

void RegisterFrame::saveSplitter(QSplitter* split, const QString& section)
{
    try {
        Shell::TIniStorage(section).writeInteger(split->objectName(), split->sizes().value(0));
    } catch (const Exception&) {
        // The place of a splitter is not worth a refusal to close.
    }
}

} // namespace Tarvo::Registers
