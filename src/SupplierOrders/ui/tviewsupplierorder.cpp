#include "SupplierOrders/ui/tviewsupplierorder.h"

#include "AddIn/addinguid.h"
#include "AddIn/ui/addinregistration.h"

#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "BusOffer/offerdetailswriter.h"
#include "BusOffer/ui/offerlistdelegate.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "SupplierOrders/supplierordercommands.h"
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/supplierorderlistdetails.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/rights.h"
#include "shell/formactivationregistry.h"
#include "shell/programparameters.h"

#include <QAction>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

const QString TViewSupplierOrder::ProcessOrderAction = u"{FB22DDC3-0EEC-4E17-8D9A-DC609135BBE7}"_s;
const QString TViewSupplierOrder::PrintOrderAction = u"{A405C6F2-3224-4AF8-89BF-C2016755447E}"_s;

namespace {

const QString Title = u"Заказы поставщику"_s;
const QString SettingsSection = u"TViewSupplierOrder"_s;
constexpr int ReportGroup = 129;
using Columns = Registers::RegisterFrame::Columns;

const Columns& headerColumns()
{
    static const Columns c{{u"Urgency_Name"_s, u"Срочность"_s, 100},
                           {u"Priority"_s, u"Приоритет"_s, 70},
                           {u"suo_id"_s, u"№ заказа"_s, 70},
                           {u"suo_date"_s, u"Дата"_s, 80},
                           {u"suo_state_name"_s, u"Состояние"_s, 160},
                           {u"suo_sum"_s, u"Сумма"_s, 90},
                           {u"name_user"_s, u"Поставщик"_s, 160},
                           {u"suo_waiting"_s, u"Ожидание"_s, 70},
                           {u"suo_cod_valut"_s, u"Валюта"_s, 50},
                           {u"suo_accepted"_s, u"Одобрено"_s, 70},
                           {u"suo_createdate"_s, u"Дата создания"_s, 110},
                           {u"suo_updatedate"_s, u"Дата коррекции"_s, 110},
                           {u"suo_sum_valut"_s, u"Валютная сумма"_s, 90},
                           {u"sop_amount"_s, u"Заказ. кол-во"_s, 80},
                           {u"suo_snomer"_s, u"Доп.номер 2"_s, 80},
                           {u"us_name"_s, u"Менеджер"_s, 120},
                           {u"soa_amount_accepted"_s, u"Утв. кол-во"_s, 80},
                           {u"suo_dopnomer"_s, u"Доп.номер"_s, 70},
                           {u"suo_description"_s, u"Описание"_s, 160},
                           {u"st_number"_s, u"Этап договора"_s, 90},
                           {u"suo_otmetka"_s, u"Отметка"_s, 70},
                           {u"z5"_s, u"Выполнено"_s, 80}};
    return c;
}

const Columns& lineColumns()
{
    static const Columns c{{u"pr_articul"_s, u"Артикул"_s, 100},
                           {u"pr_name"_s, u"Наименование"_s, 200},
                           {u"sop_deliverydate"_s, u"План. дата дост."_s, 110},
                           {u"sop_amount"_s, u"Кол-во"_s, 70},
                           {u"soa_amount"_s, u"Подтв-но"_s, 70},
                           {u"sop_price"_s, u"Цена руб."_s, 80},
                           {u"sop_sum"_s, u"Сумма"_s, 90},
                           {u"sop_val_price"_s, u"Цена вал."_s, 80},
                           {u"sop_sum_valut"_s, u"Вал.сумма"_s, 90},
                           {u"soa_sum"_s, u"Подт.сумма"_s, 90},
                           {u"soa_sum_valut"_s, u"Подт.вал.сумма"_s, 100},
                           {u"price_differs"_s, u"Цена изменена"_s, 90},
                           {u"sop_mark"_s, u"Особые отметки"_s, 140}};
    return c;
}

const Columns& orderedColumns()
{
    static const Columns c{{u"bpo_bof_id"_s, u"Заявка"_s, 70},
                           {u"bpo_amount"_s, u"Кол-во"_s, 80},
                           {u"bof_date"_s, u"Дата заявки"_s, 100},
                           {u"par_nuser"_s, u"Кр.имя"_s, 80},
                           {u"name_user"_s, u"Покупатель"_s, 160}};
    return c;
}

const Columns& confirmedColumns()
{
    static const Columns c{{u"soa_deliverydate"_s, u"Дата отгрузки"_s, 110},
                           {u"soa_amount"_s, u"Подтв-но"_s, 80},
                           {u"soa_sum"_s, u"Подт.сумма"_s, 100},
                           {u"soa_sum_valut"_s, u"Подт.вал.сумма"_s, 110},
                           {u"pf_snomer"_s, u"Счет поставщика"_s, 120}};
    return c;
}

const Columns& requestShareColumns(const QString& request, const QString& amount, const QString& amountTitle)
{
    static QHash<QString, Columns> cache;
    auto it = cache.find(request);
    if (it == cache.end())
        it = cache.insert(request, Columns{{request, u"Заявка"_s, 70},
                                           {amount, amountTitle, 90},
                                           {u"bof_date"_s, u"Дата заявки"_s, 100},
                                           {u"par_nuser"_s, u"Кр.имя"_s, 80},
                                           {u"name_user"_s, u"Покупатель"_s, 160}});
    return *it;
}

const Columns& shippedColumns()
{
    static const Columns c{{u"sdi_soa_deliverydate"_s, u"Дата отгрузки"_s, 110},
                           {u"sde_invoice_num"_s, u"№ счета"_s, 90},
                           {u"sde_invoice_date"_s, u"Дата счета"_s, 100},
                           {u"sdi_swb_id"_s, u"Посылка"_s, 80},
                           {u"swb_stepname"_s, u"Этап"_s, 90},
                           {u"sdi_amount"_s, u"Отгружено"_s, 90}};
    return c;
}

// A grid under a caption, as one page part.
QWidget* captioned(QWidget* parent, const QString& caption, QWidget* grid)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, box);
    label->setBuddy(grid);
    layout->addWidget(label);
    grid->setParent(box);
    layout->addWidget(grid, 1);
    return box;
}

BusOffer::StageRow orderedRow(const Data::TRowSet& rows, bool original)
{
    const auto v = [&](const QString& f) { return original ? rows.originalValue(f) : rows.value(f); };
    BusOffer::StageRow r;
    r.bofId = v(u"bpo_bof_id"_s).toLongLong();
    r.prId = v(u"bpo_pr_id"_s).toLongLong();
    r.suoId = v(u"bpo_suo_id"_s).toLongLong();
    r.amount = Money::fromVariant(v(u"bpo_amount"_s));
    return r;
}

} // namespace

TViewSupplierOrder::TViewSupplierOrder(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::SupplierOrders, Title, u"VSplit"_s, parent),
      m_list(std::make_unique<SupplierOrderList>(db)),
      m_writer(std::make_unique<BusOffer::OfferDetailsWriter>(db))
{
    setObjectName(u"TViewSupplierOrder"_s);

    m_grid = makeGrid(this, u"gridSuoHeaders"_s, u"Заказы поставщику"_s);
    auto* delegate = new BusOffer::OfferListDelegate(m_grid, u"suo_accepted"_s, u"suo_otmetka"_s);
    if (Shell::ProgramParameters::current().paintOrdersInColor)
        delegate->setHighlight(&SupplierOrderList::confirmedDiffers);
    m_grid->setItemDelegate(delegate);

    toolbar()->setObjectName(u"toolbarSuoHeaders"_s);
    popup()->setObjectName(u"popupSuoHeaders"_s);
    buildToolbar();

    setList(m_list.get(), m_grid);
    buildDetails();
    buildPopups();
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { guarded([this] { editOrder(); }); });

    m_grid->setColumns(dictionaryColumns(u"su_orders"_s, headerColumns()));
    m_grid->setColumnsSection(u"SuoHeaders"_s);
    resize(1000, 640);
    restoreSplitter(split(), SettingsSection, height());
    restoreSplitter(m_lower, SettingsSection, width());
    start({Messaging::ChangeEvents::SupplierOrders, Messaging::ChangeEvents::AcceptedOrders},
          u"Список заказов поставщику изменен другим окном или пользователем. Обновить: F5"_s);
}

TViewSupplierOrder::~TViewSupplierOrder()
{
    // The list goes before the frame: the grid lets go of it first.
    m_grid->setRowSet(nullptr);
    for (Widgets::TDataGrid* g : {m_linesGrid, m_orderedGrid, m_confirmedGrid, m_confirmedRequestsGrid,
                                  m_shippedGrid, m_shippedRequestsGrid})
        g->setRowSet(nullptr);
    for (Data::TUpdatedADOQuery* q :
         {m_shippedRequests.get(), m_shipped.get(), m_confirmedRequests.get(), m_confirmed.get(),
          static_cast<Data::TUpdatedADOQuery*>(m_ordered.get())})
        q->setDataSource(nullptr, {});
}

QString TViewSupplierOrder::registerTitle() const
{
    // The dictionary's "su_orders" names one order: it is the editor's caption.
    return Title;
}

void TViewSupplierOrder::buildDetails()
{
    Data::Database& db = database();
    m_lines = detailQuery(db, SupplierOrderListDetails::lines(db.dialect()));
    m_lines->setParameter(u"suo_id"_s, 0);
    m_lines->open();

    m_ordered = std::make_unique<Data::TUpdatedADODataSet>(&db);
    m_ordered->setSql(SupplierOrderListDetails::ordered());
    m_ordered->onInternalPost = [this](Data::TUpdatedADODataSet& rows) {
        if (rows.state() == Data::RowSetState::Insert) {
            // A new row belongs to the current line of the current order.
            rows.forceValue(rows.fieldIndexOrThrow(u"bpo_suo_id"_s), m_lines->value(u"sop_suo_id"_s));
            rows.forceValue(rows.fieldIndexOrThrow(u"bpo_pr_id"_s), m_lines->value(u"sop_pr_id"_s));
            m_writer->insert(BusOffer::OfferStage::Ordered, orderedRow(rows, false));
        } else {
            m_writer->update(BusOffer::OfferStage::Ordered, orderedRow(rows, true), orderedRow(rows, false));
        }
        reopenTimer()->start();
    };
    m_ordered->onInternalDelete = [this](Data::TUpdatedADODataSet& rows) {
        m_writer->remove(BusOffer::OfferStage::Ordered, orderedRow(rows, true));
        reopenTimer()->start();
    };
    m_ordered->setDataSource(m_lines.get(), {u"sop_suo_id"_s, u"sop_pr_id"_s});
    m_ordered->open();

    m_confirmed = detailQuery(db, SupplierOrderListDetails::confirmed());
    m_confirmed->setDataSource(m_lines.get(), {u"sop_suo_id"_s, u"sop_pr_id"_s});
    m_confirmed->open();
    m_confirmedRequests = detailQuery(db, SupplierOrderListDetails::confirmedByRequests());
    m_confirmedRequests->setDataSource(m_confirmed.get(),
                                       {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s});
    m_confirmedRequests->open();
    m_shipped = detailQuery(db, SupplierOrderListDetails::shipped());
    m_shipped->setDataSource(m_lines.get(), {u"sop_suo_id"_s, u"sop_pr_id"_s});
    m_shipped->open();
    m_shippedRequests = detailQuery(db, SupplierOrderListDetails::shippedByRequests());
    m_shippedRequests->setDataSource(m_shipped.get(), {u"sdi_sde_id"_s, u"sdi_sdp_pr_id"_s, u"sdi_suo_id"_s,
                                                       u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s});
    m_shippedRequests->open();

    m_lower = new QSplitter(Qt::Horizontal, split());
    m_lower->setObjectName(u"HSplit"_s);
    m_lower->setChildrenCollapsible(false);
    m_linesGrid = makeGrid(m_lower, u"gridSuoDetails"_s, u"Товары в заказе"_s);
    m_linesGrid->setRowSet(m_lines.get());
    m_linesGrid->setColumns(dictionaryColumns(u"orders_products"_s, lineColumns()));
    m_linesGrid->setColumnsSection(u"SuoDetails"_s);
    m_linesGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lower->addWidget(captioned(m_lower, u"Товары в заказе"_s, m_linesGrid));

    m_tabs = new QTabWidget(m_lower);
    m_tabs->setObjectName(u"tabsSuoDetails"_s);
    m_tabs->setAccessibleName(u"Заявки товара"_s);
    m_orderedGrid = makeGrid(m_tabs, u"gridSuoOrdered"_s, u"Неподтв. кол-во по заявкам"_s);
    m_orderedGrid->setRowSet(m_ordered.get());
    m_orderedGrid->setColumns(dictionaryColumns(u"orders_products"_s, orderedColumns()));
    m_orderedGrid->setColumnsSection(u"SuoDetails.Ordered"_s);
    m_tabs->addTab(m_orderedGrid, u"Неподтв. кол-во по заявкам"_s);

    auto* confirmedPage = new QSplitter(Qt::Vertical, m_tabs);
    confirmedPage->setChildrenCollapsible(false);
    m_confirmedGrid = makeGrid(confirmedPage, u"gridSuoConfirmed"_s, u"Подтвержденные"_s);
    m_confirmedGrid->setRowSet(m_confirmed.get());
    m_confirmedGrid->setColumns(dictionaryColumns(u"orders_products"_s, confirmedColumns()));
    m_confirmedGrid->setColumnsSection(u"SuoDetails.Confirmed"_s);
    confirmedPage->addWidget(m_confirmedGrid);
    m_confirmedRequestsGrid =
        makeGrid(confirmedPage, u"gridSuoConfirmedRequests"_s, u"Подтв количества по заявкам"_s);
    m_confirmedRequestsGrid->setRowSet(m_confirmedRequests.get());
    m_confirmedRequestsGrid->setColumns(
        requestShareColumns(u"boa_bof_id"_s, u"boa_amount"_s, u"Не отправлено"_s));
    m_confirmedRequestsGrid->setColumnsSection(u"SuoDetails.ConfirmedRequests"_s);
    confirmedPage->addWidget(
        captioned(confirmedPage, u"Подтв количества по заявкам"_s, m_confirmedRequestsGrid));
    m_tabs->addTab(confirmedPage, u"Подтвержденные"_s);

    auto* shippedPage = new QSplitter(Qt::Vertical, m_tabs);
    shippedPage->setChildrenCollapsible(false);
    m_shippedGrid = makeGrid(shippedPage, u"gridSuoShipped"_s, u"Отправленные"_s);
    m_shippedGrid->setRowSet(m_shipped.get());
    m_shippedGrid->setColumns(dictionaryColumns(u"orders_products"_s, shippedColumns()));
    m_shippedGrid->setColumnsSection(u"SuoDetails.Shipped"_s);
    shippedPage->addWidget(m_shippedGrid);
    m_shippedRequestsGrid =
        makeGrid(shippedPage, u"gridSuoShippedRequests"_s, u"Отпр количества по заявкам"_s);
    m_shippedRequestsGrid->setRowSet(m_shippedRequests.get());
    m_shippedRequestsGrid->setColumns(requestShareColumns(u"soi_bof_id"_s, u"soi_amount"_s, u"Отправлено"_s));
    m_shippedRequestsGrid->setColumnsSection(u"SuoDetails.ShippedRequests"_s);
    shippedPage->addWidget(captioned(shippedPage, u"Отпр количества по заявкам"_s, m_shippedRequestsGrid));
    m_tabs->addTab(shippedPage, u"Отправленные"_s);
    m_lower->addWidget(m_tabs);

    split()->addWidget(m_lower);
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 2);
    applyEditRight();
}

void TViewSupplierOrder::applyEditRight()
{
    try {
        m_editable = m_writer->canEdit();
    } catch (const Exception&) {
        m_editable = false;
    }
    m_ordered->setReadOnly(!m_editable);
    for (int i = 0; i < m_ordered->fieldCount(); ++i) {
        const QString name = m_ordered->field(i).name;
        m_ordered->field(i).readOnly =
            !m_editable || (name.compare(u"bpo_amount"_s, Qt::CaseInsensitive) != 0 &&
                            name.compare(u"bpo_bof_id"_s, Qt::CaseInsensitive) != 0);
    }
    m_orderedGrid->setEditTriggers(m_editable ? QAbstractItemView::DoubleClicked |
                                                    QAbstractItemView::EditKeyPressed |
                                                    QAbstractItemView::AnyKeyPressed
                                              : QAbstractItemView::NoEditTriggers);
}

void TViewSupplierOrder::buildToolbar()
{
    using Shell::TdmAllButtons;
    addTool(u"actNew"_s, u"Новый"_s, TdmAllButtons::New, QKeySequence(Qt::SHIFT | Qt::Key_F4),
            [this] { newOrder(); });
    addTool(u"actEdit"_s, u"Редактировать"_s, TdmAllButtons::Edit, QKeySequence(Qt::Key_F4),
            [this] { editOrder(); });
    addTool(u"actDelete"_s, u"Удалить"_s, TdmAllButtons::Delete, QKeySequence(Qt::CTRL | Qt::Key_Delete),
            [this] { deleteOrder(); });
    addTool(u"actRefresh"_s, u"Обновить"_s, TdmAllButtons::Refresh, QKeySequence(Qt::Key_F5),
            [this] { refreshList(); });
    addTool(u"actFindOrder"_s, u"По номеру заказа"_s, TdmAllButtons::Find, {}, [this] { findOrder(); });

    QMenu* print = addPrintMenu(
        ReportGroup, u"Печать реестра (выгрузка списка заказов) появится вместе с экспортом списков."_s,
        u"Отчеты по заказам появятся вместе с модулем отчетов"_s,
        u"Отчеты по заказам поставщику появятся вместе с модулем отчетов FR."_s);
    QAction* printItem = addCommand(nullptr, u"actPrint"_s, u"Печать"_s, {}, [this] { printOrder(); });
    print->insertAction(print->actions().value(0), printItem);

    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actLoadForConfirmation"_s, u"Загрузить заказ для подтверждения"_s, {},
               [this] { loadForConfirmation(); });
    addCommand(functions, u"actOpenWaiting"_s, u"Открыть заказ на ожидание"_s, {}, [this] { openWaiting(); });
    addCommand(functions, u"actCloseWaiting"_s, u"Закрыть заказ на ожидание"_s, {},
               [this] { closeWaiting(); });
    addCommand(functions, u"actProcessOrder"_s, u"Обработка заказа"_s, {}, [this] { processOrder(); });
    functions->addSeparator();
    addCommand(functions, u"actFormOrders"_s, u"Формирование заказа поставщику"_s, {},
               [this] { formOrders(); });
    addMenuButton(u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::Help, functions);
    finishToolbar();
}

void TViewSupplierOrder::buildPopups()
{
    QMenu* menu = popup();
    addCommand(menu, u"actCreateOrder"_s, u"Новый"_s, {}, [this] { newOrder(); });
    addCommand(menu, u"actEditOrder"_s, u"Редактировать"_s, {}, [this] { editOrder(); });
    menu->addSeparator();
    addCommand(menu, u"actApprove"_s, u"Одобрить/Отклонить"_s, {}, [this] { toggleAccepted(); });
    addCommand(menu, u"actMark"_s, u"Отметить/снять отметку"_s, {}, [this] { toggleMarked(); });
    addCommand(menu, u"actUrgency"_s, u"Установить срочность"_s, QKeySequence(Qt::CTRL | Qt::Key_H),
               [this] { setUrgency(); });
    menu->addSeparator();
    menu->addMenu(m_grid->searchMenu());
    addSortAndSetup(menu, m_grid, u"№ заказа (как прочитано)"_s);

    m_linesPopup = new QMenu(this);
    m_linesPopup->setObjectName(u"popupSuoDetails"_s);
    addCommand(m_linesPopup, u"actReduceToConfirmed"_s, u"Уменьшить количество до подтвержденного"_s, {},
               [this] { reduceToConfirmed(); });
    m_linesPopup->addSeparator();
    m_linesPopup->addMenu(m_linesGrid->searchMenu());
    addSortAndSetup(m_linesPopup, m_linesGrid, u"Артикул (как прочитано)"_s);
    connect(m_linesGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateActions();
        m_linesPopup->exec(m_linesGrid->viewport()->mapToGlobal(at));
    });
}

void TViewSupplierOrder::updateActions()
{
    const bool rows = hasRows();
    for (const char* name : {"actEdit", "actEditOrder", "actDelete", "actApprove", "actMark", "actUrgency",
                             "actLoadForConfirmation", "actProcessOrder", "actPrint"})
        action(QLatin1String(name))->setEnabled(rows);
    const bool waiting = rows && m_list->isWaiting();
    action(u"actOpenWaiting"_s)->setEnabled(rows && !waiting);
    action(u"actCloseWaiting"_s)->setEnabled(waiting);
    action(u"actReduceToConfirmed"_s)->setEnabled(m_lines && m_lines->isActive() && !m_lines->isEmpty());
}

void TViewSupplierOrder::showDocument(qint64 key)
{
    guarded([this, key] {
        m_lines->close();
        m_lines->setParameter(u"suo_id"_s, key);
        m_lines->open();
        showAs(*m_lines,
               {u"sop_amount"_s, u"soa_amount"_s, u"soa_sum"_s, u"soa_sum_valut"_s, u"sop_price"_s,
                u"sop_val_price"_s},
               Data::FieldType::Money);
        showAs(*m_lines, {u"price_differs"_s}, Data::FieldType::Boolean, u"Да;Нет"_s);
        applyEditRight();
    });
    updateActions();
}

void TViewSupplierOrder::refreshList()
{
    reopen();
}

void TViewSupplierOrder::announceChange(bool requestsToo)
{
    if (requestsToo)
        SupplierOrderCommands::announceChange(ownNotice());
    else
        Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::SupplierOrders,
                                                               ownNotice());
}

void TViewSupplierOrder::openForm(int formType, int parameter, const QString& what)
{
    auto& registry = Shell::FormActivationRegistry::instance();
    if (!registry.contains(formType))
        throw Exception(u"%1 не подключено к программе"_s.arg(what));
    registry.open(formType, parameter);
}

void TViewSupplierOrder::newOrder()
{
    openForm(EditorFormType, 0, u"Окно заказа поставщику"_s);
}

void TViewSupplierOrder::editOrder()
{
    if (const qint64 id = m_list->currentOrder())
        openForm(EditorFormType, int(id), u"Окно заказа поставщику"_s);
}

void TViewSupplierOrder::formOrders()
{
    openForm(FormingFormType, 0, u"Окно \"Формирование заказа поставщику\""_s);
}

void TViewSupplierOrder::findOrder()
{
    bool ok = false;
    const int id =
        QInputDialog::getInt(this, u"По номеру заказа"_s, u"№ заказа"_s, int(m_list->currentOrder()), 1,
                             std::numeric_limits<int>::max(), 1, &ok);
    if (!ok)
        return;
    if (!m_list->locateOrder(id))
        throw Exception(u"Заказ %1 не найден в списке"_s.arg(id));
    showCurrentRow();
}

void TViewSupplierOrder::deleteOrder()
{
    const qint64 id = m_list->currentOrder();
    if (!id)
        return;
    if (!mayDo(Security::Right::DeleteSupplierOrder, u"Удаление заказа"_s))
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить заказ?"_s, QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    const int row = m_list->recNo();
    SupplierOrderCommands::deleteOrder(database(), id);
    announceChange(true);
    reloadAtRow(row);
}

void TViewSupplierOrder::toggleAccepted()
{
    if (!mayDo(Security::Right::ApproveSupplierOrder, u"Одобрение заказа"_s))
        return;
    m_list->toggleAccepted();
    announceChange(false);
}

void TViewSupplierOrder::toggleMarked()
{
    m_list->toggleMarked();
    announceChange(false);
}

void TViewSupplierOrder::openWaiting()
{
    m_list->setWaiting(true);
    announceChange(false);
    reopen();
}

void TViewSupplierOrder::closeWaiting()
{
    m_list->setWaiting(false);
    announceChange(false);
    // The state follows the waiting flag.
    reopen();
}

void TViewSupplierOrder::setUrgency()
{
    const qint64 id = m_list->currentOrder();
    if (!id)
        return;
    BusOffer::TSet_Urgency_Level_ dialog(database(), u"SCM_supplier_order"_s, u"suo_id"_s, id,
                                         m_list->value(u"urgency_ID"_s), this);
    dialog.exec();
    if (!dialog.changed())
        return;
    reopen();
    announceChange(false);
}

void TViewSupplierOrder::loadForConfirmation()
{
    const qint64 id = m_list->currentOrder();
    if (!id)
        return;
    const bool open = AcceptedOrders::TAcceptedShedule::editorOf(int(id)) != nullptr;
    AcceptedOrders::TAcceptedShedule* editor = AcceptedOrders::TAcceptedShedule::openOrder(int(id));
    // Nothing confirmed yet: the rest is there at once, as "Догрузить" brings it.
    if (editor && !open && editor->document().soAccepted.isEmpty())
        editor->loadRest();
}

void TViewSupplierOrder::processOrder()
{
    AddIn::runListAction(database(), AddIn::Guid::toUuid(tarvo::ACTION_PROCESS_ORDER), *m_list, m_list->keyColumn(),
                         m_list->currentOrder(), [this] { reopen(); });
}

void TViewSupplierOrder::printOrder()
{
    // Printing is an extension action; unbound, nothing runs.
    AddIn::runListAction(database(), AddIn::Guid::toUuid(tarvo::ACTION_PRINT_SUPPLIER_ORDER), *m_list,
                         m_list->keyColumn(), m_list->currentOrder(), [this] { reopen(); });
}

void TViewSupplierOrder::reduceToConfirmed()
{
    const qint64 id = m_list->currentOrder();
    if (!id || !m_lines->isActive() || m_lines->isEmpty())
        return;
    SupplierOrderCommands::reduceToConfirmed(database(), id, m_lines->value(u"sop_pr_id"_s).toLongLong());
    announceChange(true);
    reopen();
}

void TViewSupplierOrder::closeEvent(QCloseEvent* event)
{
    saveSplitter(split(), SettingsSection);
    saveSplitter(m_lower, SettingsSection);
    RegisterFrame::closeEvent(event);
}

} // namespace Tarvo::SupplierOrders
