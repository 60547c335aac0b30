#include "BusOffer/ui/tviewbusinesoffers.h"

#include "BusOffer/offerlist.h"
#include "BusOffer/offerlistcommands.h"
#include "BusOffer/ui/offerlistdelegate.h"
#include "BusOffer/ui/tofferdetailspanel.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tdatatablefieldmap.h"
#include "data/rowset/rowsetsubscription.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "otbor/registerotbors.h"
#include "otbor/tglobalotbors.h"
#include "security/rights.h"
#include "shell/formactivationregistry.h"
#include "shell/tinistorage.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tdmallbuttons.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUuid>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {

const QString Title = u"Заявки покупателя"_s;
const QString SettingsSection = u"TviewBusinesOffers"_s;
const QString SplitKey = u"HSplit"_s;
// The report group of the register's report menu.
constexpr int ReportGroup = 113;

QToolButton* menuButton(QToolBar* bar, const QString& name, const QString& text, const QIcon& icon, QMenu* menu)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(text);
    b->setIcon(icon);
    b->setMenu(menu);
    b->setPopupMode(QToolButton::InstantPopup);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAccessibleName(text);
    bar->addWidget(b);
    return b;
}

// The list statement's columns in its own order, the state (which the totals make) beside the
// request's number and date; keys the user never reads (the urgency's) are left out.
const QList<Widgets::TDataGrid::Column>& columns()
{
    static const QList<Widgets::TDataGrid::Column> c{
        {u"Urgency_Name"_s, u"Срочность"_s, 100},     {u"Priority"_s, u"Приоритет"_s, 70},
        {u"bof_id"_s, u"№ заявки"_s, 70},             {u"bof_date"_s, u"Дата"_s, 80},
        {u"bof_state_name"_s, u"Состояние"_s, 170},   {u"bof_sum"_s, u"Сумма"_s, 90},
        {u"bof_createdate"_s, u"Дата создания"_s, 110}, {u"bof_updatedate"_s, u"Дата коррекции"_s, 110},
        {u"name_user"_s, u"Для кого"_s, 160},         {u"bof_cod_valut"_s, u"Валюта"_s, 50},
        {u"bof_sum_valut"_s, u"Вал сумма"_s, 90},     {u"bof_description"_s, u"Описание"_s, 160},
        {u"bof_accepted"_s, u"Одобрен"_s, 60},        {u"bof_stage_id"_s, u"Этап договора"_s, 90},
        {u"us_name"_s, u"Менеджер"_s, 120},           {u"bof_snomer"_s, u"Доп.номер 2"_s, 80},
        {u"bof_dopnomer"_s, u"Доп.номер"_s, 70},      {u"bof_otmetka"_s, u"Отметка"_s, 70},
        {u"k1"_s, u"Заказано клиентом"_s, 80},        {u"k2"_s, u"В заказах"_s, 80},
        {u"k3"_s, u"Подтверждено"_s, 80},             {u"k4"_s, u"Отправлено"_s, 80},
        {u"k5"_s, u"Выполнено"_s, 80},                {u"bof_plan_start"_s, u"План с"_s, 80},
        {u"bof_plan_end"_s, u"План по"_s, 80}};
    return c;
}

// The column titles the caption dictionary gives, else the grid's own.
QList<Widgets::TDataGrid::Column> dictionaryColumns()
{
    QList<Widgets::TDataGrid::Column> result = columns();
    try {
        if (const Data::TableInfo* t = Data::TDataTableFieldMap::instance().findTable(u"bof_headers"_s))
            for (auto& c : result)
                if (const Data::TFieldInfo* f = t->findField(c.field); f && !f->displayName.isEmpty())
                    c.title = f->displayName;
    } catch (const Exception&) {
        // No dictionary: the grid's own titles.
    }
    return result;
}

QString registerTitle()
{
    try {
        if (const Data::TableInfo* t = Data::TDataTableFieldMap::instance().findTable(u"bof_headers"_s))
            return t->displayName();
    } catch (const Exception&) {
    }
    return Title;
}

} // namespace

TviewBusinesOffers::TviewBusinesOffers(Data::Database& db, QWidget* parent)
    : TSaveForm(parent), m_db(db),
      m_filters(Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers,
                                                Otbor::TGlobalOtbors::instance())),
      m_list(std::make_unique<OfferList>(db)),
      m_ownNotice(QUuid::createUuid().toByteArray())
{
    setObjectName(u"TviewBusinesOffers"_s);
    setWindowTitle(Title);
    m_list->setFilters(m_filters.get());

    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridBofHeaders"_s);
    m_grid->setAccessibleName(u"Заявки"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setItemDelegate(new OfferListDelegate(m_grid));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(u"toolbarBofHeaders"_s);
    m_toolbar->setAccessibleName(u"Панель инструментов"_s);
    m_popup = new QMenu(this);
    m_popup->setObjectName(u"popupBofHeaders"_s);
    buildToolbar();
    buildPopup();

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(SplitKey);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_grid);
    buildDetails();

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

    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { guarded([this] { editOffer(); }); });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateActions();
        m_popup->exec(m_grid->viewport()->mapToGlobal(at));
    });

    // Filter changes in quick succession (typing in the filter editor, "Применить" then "Ok") cost
    // one read, after the typing pauses.
    m_reopenTimer = new QTimer(this);
    m_reopenTimer->setSingleShot(true);
    m_reopenTimer->setInterval(200);
    connect(m_reopenTimer, &QTimer::timeout, this, [this] { guarded([this] { reopen(); }); });
    m_filters->subscribe([this] { m_reopenTimer->start(); }, this);

    m_subscription = std::make_unique<Messaging::TChangeSubscription>(Messaging::ChangeEvents::BusinessOffers, this);

    m_grid->setRowSet(m_list.get());
    m_scrolled = m_list->subscribeScrolled([this] {
        showCurrentRow();
        currentMoved();
    });
    m_grid->setColumns(dictionaryColumns());
    m_grid->setColumnsSection(u"BofHeaders"_s);
    resize(900, 600);
    restoreSplitter();
    m_details->restoreSettings();
    guarded([this] { reopen(); });
    m_grid->setFocus();
}

TviewBusinesOffers::~TviewBusinesOffers()
{
    m_subscription.reset();
    m_grid->setRowSet(nullptr);
}

void TviewBusinesOffers::buildDetails()
{
    m_details = new TOfferDetailsPanel(m_split);
    m_details->setObjectName(u"panelOfferDetails"_s);
    m_split->addWidget(m_details);
    connect(this, &TviewBusinesOffers::currentOfferChanged, m_details,
            [this](qint64 id) { m_details->setOffer(int(id)); });
    // The lines changed below (the panel announces it): the totals and the state above follow,
    // once the panel has finished writing.
    connect(m_details, &TOfferDetailsPanel::offerChanged, this, [this] { m_reopenTimer->start(); });
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 2);
}

QAction* TviewBusinesOffers::addCommand(QMenu* menu, const QString& name, const QString& text,
                                        const QKeySequence& key, void (TviewBusinesOffers::*slot)())
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(a, &QAction::triggered, this, [this, slot] { guarded([this, slot] { (this->*slot)(); }); });
    if (menu)
        menu->addAction(a);
    return a;
}

void TviewBusinesOffers::buildToolbar()
{
    using Shell::TdmAllButtons;
    const auto tool = [this](const QString& name, const QString& text, TdmAllButtons::Action icon,
                             const QKeySequence& key, void (TviewBusinesOffers::*slot)()) {
        QAction* a = addCommand(nullptr, name, text, key, slot);
        a->setIcon(TdmAllButtons::icon(icon));
        m_toolbar->addAction(a);
        return a;
    };
    tool(u"actNew"_s, u"Новая"_s, TdmAllButtons::New, QKeySequence(Qt::SHIFT | Qt::Key_F4),
         &TviewBusinesOffers::newOffer);
    tool(u"actEdit"_s, u"Редактировать"_s, TdmAllButtons::Edit, QKeySequence(Qt::Key_F4),
         &TviewBusinesOffers::editOffer);
    tool(u"actDelete"_s, u"Удалить"_s, TdmAllButtons::Delete, QKeySequence(Qt::CTRL | Qt::Key_Delete),
         &TviewBusinesOffers::deleteOffer);
    tool(u"actRefresh"_s, u"Обновить"_s, TdmAllButtons::Refresh, QKeySequence(Qt::Key_F5),
         &TviewBusinesOffers::refreshList);

    auto* print = new QMenu(this);
    print->setObjectName(u"menuPrint"_s);
    addCommand(print, u"actPrintRegister"_s, u"Печать реестра"_s, {}, &TviewBusinesOffers::printRegister);
    QMenu* reports = print->addMenu(u"Отчеты FR"_s);
    reports->setObjectName(u"menuReportsFR"_s);
    connect(reports, &QMenu::aboutToShow, this, [this, reports] {
        reports->clear();
        Shell::MenuHooks::fillReportMenu(reports, ReportGroup);
        if (reports->isEmpty()) {
            QAction* none = reports->addAction(u"Отчеты по заявкам появятся вместе с модулем отчетов"_s);
            none->setObjectName(u"actReportsMissing"_s);
            connect(none, &QAction::triggered, this, [this] {
                QMessageBox::information(this, Title,
                                         u"Отчеты по заявкам появятся вместе с модулем отчетов FR."_s);
            });
        }
    });
    menuButton(m_toolbar, u"btnPrint"_s, u"Печать"_s, TdmAllButtons::icon(TdmAllButtons::Print), print);

    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actChooseSuppliers"_s, u"Выбор поставщиков для заказов"_s, {},
               &TviewBusinesOffers::chooseSuppliers);
    addCommand(functions, u"actFormOrders"_s, u"Формирование заказов на основе заявок"_s, {},
               &TviewBusinesOffers::formOrders);
    addCommand(functions, u"actProcessOffer"_s, u"Обработка заявки"_s, {}, &TviewBusinesOffers::processOffer);
    menuButton(m_toolbar, u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::icon(TdmAllButtons::Help), functions);

    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QToolButton* b : m_toolbar->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::TabFocus);
}

void TviewBusinesOffers::buildPopup()
{
    addCommand(m_popup, u"actCreateOffer"_s, u"Создать заявку"_s, {}, &TviewBusinesOffers::newOffer);
    addCommand(m_popup, u"actEditOffer"_s, u"Редактировать заявку"_s, {}, &TviewBusinesOffers::editOffer);
    m_popup->addSeparator();
    addCommand(m_popup, u"actApprove"_s, u"Одобрить/Отклонить"_s, {}, &TviewBusinesOffers::toggleAccepted);
    addCommand(m_popup, u"actMark"_s, u"Отметить/снять отметку"_s, {}, &TviewBusinesOffers::toggleMarked);
    addCommand(m_popup, u"actUrgency"_s, u"Установить срочность"_s, QKeySequence(Qt::CTRL | Qt::Key_H),
               &TviewBusinesOffers::setUrgency);
    m_popup->addSeparator();
    m_popup->addMenu(m_grid->searchMenu());
    QMenu* sort = m_popup->addMenu(u"Упорядочить по"_s);
    sort->setObjectName(u"menuSort"_s);
    connect(sort, &QMenu::aboutToShow, this, [this, sort] { fillSortMenu(sort); });
    QAction* setup = m_popup->addAction(u"Настроить колонки"_s);
    setup->setObjectName(u"actSetupColumns"_s);
    connect(setup, &QAction::triggered, m_grid, &Widgets::TDataGrid::setupColumns);
}

void TviewBusinesOffers::fillSortMenu(QMenu* menu)
{
    menu->clear();
    QAction* natural = menu->addAction(u"№ заявки (как прочитано)"_s);
    connect(natural, &QAction::triggered, this, [this] { m_grid->sortBy(-1); });
    for (int column : m_grid->columnsInDisplayOrder()) {
        if (!m_grid->isColumnShown(column))
            continue;
        QAction* a = menu->addAction(m_grid->columnCaption(column));
        connect(a, &QAction::triggered, this, [this, column] { guarded([this, column] { m_grid->sortBy(column); }); });
    }
}

QAction* TviewBusinesOffers::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

QString TviewBusinesOffers::statusText() const
{
    return m_status->text();
}

void TviewBusinesOffers::guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const Abort&) {
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

bool TviewBusinesOffers::mayDo(int right, const QString& refused)
{
    if (Security::HasRight(right))
        return true;
    QMessageBox::warning(this, windowTitle(), Security::MissingRightText(right, refused));
    return false;
}

void TviewBusinesOffers::updateCaption()
{
    setWindowTitle((registerTitle() + u' ' + m_filters->description()).trimmed());
}

void TviewBusinesOffers::updateActions()
{
    const bool rows = m_list->isActive() && !m_list->isEmpty();
    // Delete and approval ask for their right when given (mayDo), so one granted or taken away
    // meanwhile counts at once and a refusal says which right is missing.
    for (const char* name : {"actEdit", "actEditOffer", "actDelete", "actApprove", "actMark", "actUrgency",
                             "actProcessOffer"})
        action(QLatin1String(name))->setEnabled(rows);
}

void TviewBusinesOffers::reopen()
{
    m_reopenTimer->stop();
    const qint64 keep = m_list->currentOffer();
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
    // The same request: its details are read again in place, keeping their current line.
    if (m_list->currentOffer() == m_shownOffer && m_shownOffer != 0)
        m_details->refresh();
    else
        currentMoved();
}

void TviewBusinesOffers::showCurrentRow()
{
    // The grid follows the row set's cursor only when the rows are replaced; a request found
    // again after that is shown here.
    const int row = m_list->recNo();
    if (row < 0 || !m_grid->model() || m_list->state() != Data::RowSetState::Browse)
        return;
    const int shown = m_grid->gridRow(row);
    if (shown < 0 || shown >= m_grid->model()->rowCount() || m_grid->currentIndex().row() == shown)
        return;
    m_grid->setCurrentIndex(m_grid->model()->index(shown, qMax(0, m_grid->currentIndex().column())));
}

void TviewBusinesOffers::refreshList()
{
    reopen();
}

void TviewBusinesOffers::currentMoved()
{
    const qint64 id = m_list->currentOffer();
    if (id == m_shownOffer)
        return;
    m_shownOffer = id;
    Q_EMIT currentOfferChanged(id);
}

void TviewBusinesOffers::announceChange()
{
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::BusinessOffers, m_ownNotice);
}

void TviewBusinesOffers::newOffer()
{
    Shell::FormActivationRegistry::instance().open(EditorFormType, 0);
}

void TviewBusinesOffers::editOffer()
{
    if (const qint64 id = m_list->currentOffer())
        Shell::FormActivationRegistry::instance().open(EditorFormType, int(id));
}

void TviewBusinesOffers::deleteOffer()
{
    const qint64 id = m_list->currentOffer();
    if (!id)
        return;
    if (!mayDo(Security::Right::DeleteBusinessOffer, u"Удаление заявки"_s))
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить заявку?"_s, QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    // The row that follows takes the deleted one's place.
    const int row = m_list->recNo();
    OfferListCommands::deleteOffer(m_db, id);
    m_list->reload();
    if (row >= 0 && !m_list->isEmpty()) {
        while (m_list->recordCount() <= row && m_list->canFetchMore())
            m_list->fetchMore();
        m_list->moveTo(qMin(row, m_list->recordCount() - 1));
    }
    showCurrentRow();
    updateActions();
    currentMoved();
    announceChange();
}

void TviewBusinesOffers::toggleAccepted()
{
    if (!mayDo(Security::Right::ApproveBusinessOffer, u"Одобрение заявки"_s))
        return;
    m_list->toggleAccepted();
    announceChange();
}

void TviewBusinesOffers::toggleMarked()
{
    m_list->toggleMarked();
    announceChange();
}

void TviewBusinesOffers::setUrgency()
{
    const qint64 id = m_list->currentOffer();
    if (!id)
        return;
    TSet_Urgency_Level_ dialog(m_db, u"scm_business_offer"_s, u"bof_id"_s, id, m_list->value(u"urgency_ID"_s), this);
    dialog.exec();
    if (!dialog.changed())
        return;
    reopen();
    announceChange();
}

void TviewBusinesOffers::printRegister()
{
    QMessageBox::information(this, windowTitle(),
                             u"Печать реестра (выгрузка списка заявок) появится вместе с экспортом списков."_s);
}

void TviewBusinesOffers::chooseSuppliers()
{
    QMessageBox::information(
        this, windowTitle(),
        u"Выбор поставщиков для заказов появится вместе с формированием заказов поставщикам."_s);
}

void TviewBusinesOffers::formOrders()
{
    throw Exception(u"Не зарегистрировано действие для формирования заказов"_s);
}

void TviewBusinesOffers::processOffer()
{
    throw Exception(u"Не зарегистрировано действие для обработки заявки"_s);
}

bool TviewBusinesOffers::notice(const QUuid&, const QByteArray& payload)
{
    // This window's own changes are already shown.
    return payload != m_ownNotice;
}

void TviewBusinesOffers::refresh(const QUuid&, int mode)
{
    if (mode == RefreshWindows) {
        guarded([this] { reopen(); });
        return;
    }
    m_status->setText(u"Список заявок изменен другим окном или пользователем. Обновить: F5"_s);
}

void TviewBusinesOffers::restoreSplitter()
{
    const int upper = Shell::TIniStorage(SettingsSection).readInteger(SplitKey, 0);
    if (upper > 0)
        m_split->setSizes({upper, qMax(100, height() - upper)});
}

void TviewBusinesOffers::saveSplitter()
{
    try {
        Shell::TIniStorage(SettingsSection).writeInteger(SplitKey, m_split->sizes().value(0));
    } catch (const Exception&) {
        // The place of the splitter is not worth a refusal to close.
    }
}

void TviewBusinesOffers::closeEvent(QCloseEvent* event)
{
    saveSplitter();
    try {
        m_details->saveSettings();
    } catch (const Exception&) {
        // Settings are not worth a refusal to close.
    }
    TSaveForm::closeEvent(event);
}

} // namespace Tarvo::BusOffer
