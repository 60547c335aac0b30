#include "AcceptedOrders/ui/tvwaccorders.h"

#include "AddIn/addinguid.h"
#include "AddIn/ui/addinregistration.h"

#include "AcceptedOrders/acceptedorderdelete.h"
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/acceptedorderlistdetails.h"
#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "Proformas/ui/tedproformainvoice.h"
#include "WayBills/ui/twaybilleditor.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/changeevents.h"
#include "security/rights.h"
#include "shell/ui/tdmallbuttons.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

namespace {

const QString Title = u"Подтвержденные заказы"_s;
constexpr int ReportGroup = 215;
using Columns = QList<Widgets::TDataGrid::Column>;

const Columns& headerColumns()
{
    static const Columns c{
        {u"suo_id"_s, u"№ П.заказа"_s, 90},           {u"suo_date"_s, u"Дата заказа"_s, 100},
        {u"suo_state_name"_s, u"Состояние"_s, 150},     {u"State"_s, u"С"_s, 30},
        {u"name_user"_s, u"Поставщик"_s, 160},          {u"soa_amount"_s, u"Кол-во"_s, 80},
        {u"sdi_amount"_s, u"Кол-во отгружено"_s, 130},  {u"z5"_s, u"Выполнено"_s, 90},
        {u"soa_sum"_s, u"Подт. сумма"_s, 100},          {u"suo_cod_valut"_s, u"Валюта"_s, 70},
        {u"soa_sum_valut"_s, u"Подт. вал. сумма"_s, 130}, {u"suo_description"_s, u"Описание"_s, 160},
        {u"suo_plan_surcharge"_s, u"План. доплата"_s, 110}, {u"us_name"_s, u"Менеджер"_s, 120},
        {u"suo_dopnomer"_s, u"Доп.номер"_s, 90},        {u"suo_snomer"_s, u"Доп.номер 2"_s, 100},
        {u"suo_waiting"_s, u"Ожидание"_s, 90},          {u"suo_createdate"_s, u"Дата создания"_s, 120},
        {u"suo_updatedate"_s, u"Дата коррекции"_s, 130}};
    return c;
}

const Columns& productColumns()
{
    static const Columns c{{u"pr_articul"_s, u"Артикул"_s, 100},       {u"pr_name"_s, u"Наименование"_s, 180},
                           {u"soa_deliverydate"_s, u"Дата отгрузки"_s, 110}, {u"soa_amount"_s, u"Подтв-но"_s, 80},
                           {u"sdi_amount"_s, u"Отгружено"_s, 90},      {u"soa_sum"_s, u"Подт.сумма"_s, 100},
                           {u"soa_sum_valut"_s, u"Подт.вал.сумма"_s, 120}, {u"pf_snomer"_s, u"Счет поставщика"_s, 130}};
    return c;
}

const Columns& requestColumns()
{
    static const Columns c{{u"boa_bof_id"_s, u"Заявка"_s, 70},    {u"boa_amount"_s, u"Кол-во"_s, 80},
                           {u"bof_date"_s, u"Дата заявки"_s, 100}, {u"par_nuser"_s, u"Кр.имя"_s, 80},
                           {u"name_user"_s, u"Покупатель"_s, 160}};
    return c;
}

const Columns& stateColumns()
{
    static const Columns c{{u"pr_articul"_s, u"Артикул"_s, 100},          {u"soa_deliverydate"_s, u"Дата отгрузки"_s, 110},
                           {u"sde_invoice_num"_s, u"№ счета"_s, 90},       {u"sde_invoice_date"_s, u"Дата счета"_s, 100},
                           {u"sdi_swb_id"_s, u"Посылка"_s, 80},            {u"swb_stepname"_s, u"Этап"_s, 90},
                           {u"swb_arrival_date"_s, u"Дата прибытия"_s, 110}, {u"sdi_amount"_s, u"Отгружено"_s, 90}};
    return c;
}

} // namespace

TvwAccOrders::TvwAccOrders(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::AcceptedOrders, Title, u"VSplit"_s, parent),
      m_list(std::make_unique<AcceptedOrderList>(db))
{
    setObjectName(u"TvwAccOrders"_s);
    m_list->setOnWritten([this] { announceChange(); });

    m_grid = makeGrid(this, u"gridAcceptedOrders"_s, u"Подтвержденные заказы"_s);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);

    toolbar()->setObjectName(u"toolbarAcceptedOrders"_s);
    popup()->setObjectName(u"popupAcceptedOrders"_s);
    buildToolbar();
    buildPopup();

    setList(m_list.get(), m_grid);
    buildDetails();

    m_grid->setColumns(dictionaryColumns(u"acceptedOrders"_s, headerColumns()));
    m_grid->setColumnsSection(u"AcceptedOrders"_s);
    resize(1000, 640);
    start({Messaging::ChangeEvents::AcceptedOrders},
          u"Список подтвержденных заказов изменен другим окном или пользователем. Обновить: F5"_s);
}

TvwAccOrders::~TvwAccOrders()
{
    // The list goes before the frame: the grid lets go of it first.
    m_grid->setRowSet(nullptr);
    m_requestsGrid->setRowSet(nullptr);
    m_productsGrid->setRowSet(nullptr);
    m_stateGrid->setRowSet(nullptr);
}

void TvwAccOrders::buildDetails()
{
    m_products = detailQuery(database(), AcceptedOrderListDetails::acceptedProducts());
    m_products->setParameter(u"suo_id"_s, 0);
    m_products->open();
    m_requests = detailQuery(database(), AcceptedOrderListDetails::acceptedByOrders());
    m_requests->setDataSource(m_products.get(), {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s});
    m_requests->open();
    m_state = detailQuery(database(), AcceptedOrderListDetails::acceptedState());
    m_state->setParameter(u"suo_id"_s, 0);
    m_state->open();

    auto* lower = new QSplitter(Qt::Horizontal, split());
    lower->setObjectName(u"HSplit"_s);
    lower->setChildrenCollapsible(false);
    m_productsGrid = makeGrid(lower, u"gridAcceptedProducts"_s, u"Подтвержденные товары"_s);
    m_productsGrid->setRowSet(m_products.get());
    m_productsGrid->setColumns(dictionaryColumns(u"orders_products"_s, productColumns()));
    m_productsGrid->setColumnsSection(u"AcceptedOrders.Products"_s);
    lower->addWidget(m_productsGrid);

    m_tabs = new QTabWidget(lower);
    m_tabs->setObjectName(u"tabsAcceptedDetails"_s);
    m_requestsGrid = makeGrid(m_tabs, u"gridAcceptedByOrders"_s, u"Распределение по заявкам"_s);
    m_requestsGrid->setRowSet(m_requests.get());
    m_requestsGrid->setColumns(dictionaryColumns(u"orders_products"_s, requestColumns()));
    m_requestsGrid->setColumnsSection(u"AcceptedOrders.Requests"_s);
    m_tabs->addTab(m_requestsGrid, u"Распределение по заявкам"_s);
    m_stateGrid = makeGrid(m_tabs, u"gridAcceptedState"_s, u"Отгрузки"_s);
    m_stateGrid->setRowSet(m_state.get());
    m_stateGrid->setColumns(dictionaryColumns(u"orders_products"_s, stateColumns()));
    m_stateGrid->setColumnsSection(u"AcceptedOrders.State"_s);
    m_tabs->addTab(m_stateGrid, u"Отгрузки"_s);
    lower->addWidget(m_tabs);
    split()->addWidget(lower);
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 2);
}

void TvwAccOrders::buildToolbar()
{
    using Shell::TdmAllButtons;
    addDocumentTools(m_grid, {}, {}, [this] { editOrder(); }, [this] { deleteOrder(); });

    addPrintMenu(ReportGroup, u"Печать реестра (выгрузка списка заказов) появится вместе с экспортом списков."_s,
                 u"Отчеты по заказам появятся вместе с модулем отчетов"_s,
                 u"Отчеты по подтвержденным заказам появятся вместе с модулем отчетов FR."_s);

    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actProcessOrder"_s, u"Обработка заказа"_s, {}, [this] { processOrder(); });
    functions->addSeparator();
    addCommand(functions, u"actNewWayBill"_s, u"Создать посылку на основе заказа"_s, {},
               [this] { shipOrder(true); });
    addCommand(functions, u"actAddToWayBill"_s, u"Добавить заказ в посылку"_s, {},
               [this] { shipOrder(false); });
    addCommand(functions, u"actAddToInvoice"_s, u"Добавить заказ в инвойс"_s, {},
               [this] { shipOrder(false); });
    addCommand(functions, u"actLoadToProforma"_s, u"Загрузка выделенных заказов в счет"_s, {},
               [this] { loadToProforma(); });
    addMenuButton(u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::Help, functions);
    finishToolbar();
}

void TvwAccOrders::shipOrder(bool newWayBill)
{
    if (const qint64 id = m_list->currentOrder())
        WayBills::TWayBillEditor::addOrder(int(id), newWayBill);
}

void TvwAccOrders::buildPopup()
{
    popup()->addAction(action(u"actEdit"_s));
    popup()->addAction(action(u"actDelete"_s));
    popup()->addSeparator();
    addSearchAndSetup(popup(), m_grid);
}

void TvwAccOrders::updateActions()
{
    bool mayDelete = false;
    try {
        mayDelete = Security::HasRight(Security::Right::DeleteAcceptedOrder);
    } catch (const Exception&) {
        // No answer from the server: the command stays off.
    }
    enableWithRows({u"actEdit"_s, u"actDelete"_s, u"actProcessOrder"_s, u"actNewWayBill"_s, u"actAddToWayBill"_s,
                    u"actAddToInvoice"_s, u"actLoadToProforma"_s});
    if (!mayDelete)
        action(u"actDelete"_s)->setEnabled(false);
}

void TvwAccOrders::beforeReload()
{
    if (m_list->state() == Data::RowSetState::Edit)
        m_list->post();
}

void TvwAccOrders::showDocument(qint64 key)
{
    guarded([this, key] { showOrder(key); });
}

void TvwAccOrders::showOrder(qint64 orderId)
{
    for (Data::TUpdatedADOQuery* q : {m_products.get(), m_state.get()}) {
        q->close();
        q->setParameter(u"suo_id"_s, orderId);
        q->open();
    }
    showAs(*m_products, {u"sdi_amount"_s}, Data::FieldType::Money);
    showAs(*m_state, {u"sdi_amount"_s}, Data::FieldType::Money);
    showAs(*m_state, {u"soa_deliverydate"_s, u"sde_invoice_date"_s, u"swb_arrival_date"_s}, Data::FieldType::DateTime);
}

void TvwAccOrders::announceChange()
{
    AcceptedOrderDelete::announceChange(ownNotice());
}

void TvwAccOrders::editOrder()
{
    if (const qint64 id = m_list->currentOrder())
        TAcceptedShedule::openOrder(int(id));
}

void TvwAccOrders::deleteOrder()
{
    const qint64 id = m_list->currentOrder();
    if (!id)
        return;
    Security::RequireRight(Security::Right::DeleteAcceptedOrder);
    deleteAfterQuestion(u"Удалить подтверждение заказа?"_s, [this, id] {
        AcceptedOrderDelete::deleteAcceptedOrder(database(), id);
        announceChange();
    });
}

QList<qint64> TvwAccOrders::selectedOrders() const
{
    QList<qint64> ids;
    auto rows = m_list->clone();
    const QModelIndexList selected = m_grid->selectionModel() ? m_grid->selectionModel()->selectedRows() : QModelIndexList();
    for (const QModelIndex& index : selected) {
        const int row = m_grid->rowSetRow(index.row());
        if (row >= 0 && rows->moveTo(row))
            if (const qint64 id = rows->integer(u"suo_id"_s); id && !ids.contains(id))
                ids << id;
    }
    // Without a selection the current order is meant.
    if (ids.isEmpty())
        if (const qint64 id = m_list->currentOrder())
            ids << id;
    std::sort(ids.begin(), ids.end());
    return ids;
}

void TvwAccOrders::loadToProforma()
{
    const QList<qint64> ids = selectedOrders();
    if (!ids.isEmpty())
        Proformas::TedProformaInvoice::openNew(ids);
}

void TvwAccOrders::processOrder()
{
    AddIn::runListAction(database(), AddIn::Guid::toUuid(tarvo::ACTION_PROCESS_ACCEPTED_ORDER), *m_list,
                         m_list->keyColumn(), m_list->currentOrder(), [this] { reopen(); });
}

void TvwAccOrders::closeEvent(QCloseEvent* event)
{
    // A typed description not yet written is written now, or the refusal keeps the window open.
    if (m_list->state() == Data::RowSetState::Edit) {
        try {
            m_list->post();
        } catch (const Exception& e) {
            QMessageBox::critical(this, windowTitle(), e.message());
            event->ignore();
            return;
        }
    }
    RegisterFrame::closeEvent(event);
}

} // namespace Tarvo::AcceptedOrders
