#include "BusOffer/ui/tviewbusinesoffers.h"

#include "AddIn/addinguid.h"
#include "AddIn/ui/addinregistration.h"

#include "BusOffer/offerlist.h"
#include "BusOffer/offerlistcommands.h"
#include "BusOffer/ui/offerlistdelegate.h"
#include "BusOffer/ui/tofferdetailspanel.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "SupplierOrders/tdmaggsupplierorder.h"
#include "SupplierOrders/ui/ttfsupplierorder3.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "reports/ui/reportmenu.h"
#include "reports/ui/tableexport.h"
#include "reports/ui/tsimplerunner.h"
#include "security/rights.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/tdmallbuttons.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {

const QString Title = u"Заявки покупателя"_s;
const QString SettingsSection = u"TviewBusinesOffers"_s;
const QString SplitKey = u"HSplit"_s;
// The call place of the register's report menu.
constexpr int ReportPlace = 1002;

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

} // namespace

TviewBusinesOffers::TviewBusinesOffers(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::BusinessOffers, Title, SplitKey, parent),
      m_list(std::make_unique<OfferList>(db))
{
    setObjectName(u"TviewBusinesOffers"_s);

    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridBofHeaders"_s);
    m_grid->setAccessibleName(u"Заявки"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setItemDelegate(new OfferListDelegate(m_grid));

    toolbar()->setObjectName(u"toolbarBofHeaders"_s);
    popup()->setObjectName(u"popupBofHeaders"_s);
    buildToolbar();
    buildPopup();

    setList(m_list.get(), m_grid);
    buildDetails();
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { guarded([this] { editOffer(); }); });

    m_grid->setColumns(dictionaryColumns(u"bof_headers"_s, columns()));
    m_grid->setColumnsSection(u"BofHeaders"_s);
    resize(900, 600);
    restoreSplitter(split(), SettingsSection, height());
    m_details->restoreSettings();
    start({Messaging::ChangeEvents::BusinessOffers},
          u"Список заявок изменен другим окном или пользователем. Обновить: F5"_s);
}

TviewBusinesOffers::~TviewBusinesOffers()
{
    // The list goes before the frame: the grid lets go of it first.
    m_grid->setRowSet(nullptr);
}

QString TviewBusinesOffers::registerTitle() const
{
    return dictionaryTitle(u"bof_headers"_s, Title);
}

void TviewBusinesOffers::buildDetails()
{
    m_details = new TOfferDetailsPanel(split());
    m_details->setObjectName(u"panelOfferDetails"_s);
    split()->addWidget(m_details);
    connect(this, &TviewBusinesOffers::currentOfferChanged, m_details,
            [this](qint64 id) { m_details->setOffer(int(id)); });
    // The lines changed below (the panel announces it): the totals and the state above follow,
    // once the panel has finished writing.
    connect(m_details, &TOfferDetailsPanel::offerChanged, this, [this] { reopenTimer()->start(); });
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 2);
}

void TviewBusinesOffers::buildToolbar()
{
    using Shell::TdmAllButtons;
    addTool(u"actNew"_s, u"Новая"_s, TdmAllButtons::New, QKeySequence(Qt::SHIFT | Qt::Key_F4), [this] { newOffer(); });
    addTool(u"actEdit"_s, u"Редактировать"_s, TdmAllButtons::Edit, QKeySequence(Qt::Key_F4), [this] { editOffer(); });
    addTool(u"actDelete"_s, u"Удалить"_s, TdmAllButtons::Delete, QKeySequence(Qt::CTRL | Qt::Key_Delete),
            [this] { deleteOffer(); });
    addTool(u"actRefresh"_s, u"Обновить"_s, TdmAllButtons::Refresh, QKeySequence(Qt::Key_F5), [this] { refreshList(); });

    addPrintMenu([this] { printRegister(); }, [this](QMenu* menu) {
        Reports::ReportMenu::attach(ReportPlace, menu, [this](int report) { runReport(report); });
    });

    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actChooseSuppliers"_s, u"Выбор поставщиков для заказов"_s, {}, [this] { chooseSuppliers(); });
    addCommand(functions, u"actFormOrders"_s, u"Формирование заказов на основе заявок"_s, {}, [this] { formOrders(); });
    addCommand(functions, u"actProcessOffer"_s, u"Обработка заявки"_s, {}, [this] { processOffer(); });
    addMenuButton(u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::Help, functions);
    finishToolbar();
}

void TviewBusinesOffers::buildPopup()
{
    QMenu* menu = popup();
    addCommand(menu, u"actCreateOffer"_s, u"Создать заявку"_s, {}, [this] { newOffer(); });
    addCommand(menu, u"actEditOffer"_s, u"Редактировать заявку"_s, {}, [this] { editOffer(); });
    menu->addSeparator();
    addCommand(menu, u"actApprove"_s, u"Одобрить/Отклонить"_s, {}, [this] { toggleAccepted(); });
    addCommand(menu, u"actMark"_s, u"Отметить/снять отметку"_s, {}, [this] { toggleMarked(); });
    addCommand(menu, u"actUrgency"_s, u"Установить срочность"_s, QKeySequence(Qt::CTRL | Qt::Key_H),
               [this] { setUrgency(); });
    menu->addSeparator();
    menu->addMenu(m_grid->searchMenu());
    addSortAndSetup(menu, m_grid, u"№ заявки (как прочитано)"_s);
}

void TviewBusinesOffers::updateActions()
{
    const bool rows = hasRows();
    // Delete and approval ask for their right when given (mayDo), so one granted or taken away
    // meanwhile counts at once and a refusal says which right is missing.
    for (const char* name : {"actEdit", "actEditOffer", "actDelete", "actApprove", "actMark", "actUrgency",
                             "actProcessOffer"})
        action(QLatin1String(name))->setEnabled(rows);
}

void TviewBusinesOffers::showDocument(qint64 key)
{
    Q_EMIT currentOfferChanged(key);
}

void TviewBusinesOffers::refreshShown()
{
    // The same request: its details are read again in place, keeping their current line.
    m_details->refresh();
}

void TviewBusinesOffers::refreshList()
{
    reopen();
}

void TviewBusinesOffers::announceChange()
{
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::BusinessOffers, ownNotice());
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
    const int row = m_list->recNo();
    OfferListCommands::deleteOffer(database(), id);
    reloadAtRow(row);
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
    TSet_Urgency_Level_ dialog(database(), u"scm_business_offer"_s, u"bof_id"_s, id, m_list->value(u"urgency_ID"_s),
                               this);
    dialog.exec();
    if (!dialog.changed())
        return;
    reopen();
    announceChange();
}

void TviewBusinesOffers::printRegister()
{
    Reports::TableExport::exportGrid(grid(), windowTitle());
}

void TviewBusinesOffers::runReport(int report)
{
    guarded([&] {
        const qint64 offer = m_list->currentOffer();
        Reports::TSimpleRunner::run(report, {u"bof_id"_s, offer > 0 ? QVariant(offer) : QVariant(0)}, grid(), this);
    });
}

void TviewBusinesOffers::chooseSuppliers()
{
    // The requests the list shows with its filters, read apart from the list: it keeps its rows
    // and its place.
    SupplierOrders::TdmAggSupplierOrder dm(database());
    if (!dm.collect(&filters())) {
        QMessageBox::information(this, windowTitle(), SupplierOrders::TdmAggSupplierOrder::nothingOpenText());
        return;
    }
    SupplierOrders::TTfSupplierOrder3 window(database(), dm, this);
    window.exec();
}

void TviewBusinesOffers::formOrders()
{
    AddIn::runListAction(database(), AddIn::Guid::toUuid(tarvo::ACTION_FORM_ORDERS), *m_list, m_list->keyColumn(),
                         m_list->currentOffer(), [this] { reopen(); });
}

void TviewBusinesOffers::processOffer()
{
    AddIn::runListAction(database(), AddIn::Guid::toUuid(tarvo::ACTION_PROCESS_OFFER), *m_list, m_list->keyColumn(),
                         m_list->currentOffer(), [this] { reopen(); });
}

void TviewBusinesOffers::closeEvent(QCloseEvent* event)
{
    saveSplitter(split(), SettingsSection);
    try {
        m_details->saveSettings();
    } catch (const Exception&) {
        // Settings are not worth a refusal to close.
    }
    RegisterFrame::closeEvent(event);
}

} // namespace Tarvo::BusOffer
