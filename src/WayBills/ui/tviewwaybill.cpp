#include "WayBills/ui/tviewwaybill.h"

#include "WayBills/ui/twaybilleditor.h"
#include "WayBills/waybilllist.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/changeevents.h"
#include "security/rights.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/tdmallbuttons.h"
#include "shell/ui/twindowactivator.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

namespace {

const QString Title = u"Посылки"_s;
constexpr int FormType = 58;
constexpr int ReportGroup = 58;
constexpr int RightDelete = 100008;
using Columns = QList<Widgets::TDataGrid::Column>;

const Columns& headerColumns()
{
    static const Columns c{{u"swb_id"_s, u"Посылка"_s, 70},
                           {u"swb_state"_s, u"С"_s, 30},
                           {u"swb_state2_name"_s, u"Состояние"_s, 90},
                           {u"swb_dopnomer"_s, u"Доп. №"_s, 60},
                           {u"swb_snomer"_s, u"Допномер"_s, 70},
                           {u"swb_department"_s, u"Дата отправления"_s, 100},
                           {u"swb_departure_platform"_s, u"Станция отправления"_s, 130},
                           {u"swb_arrival_platform"_s, u"Станция прибытия"_s, 130},
                           {u"swb_plan_arrival_date"_s, u"Планируемая дата прибытия"_s, 110},
                           {u"swb_arrival_date"_s, u"Дата прибытия"_s, 100},
                           {u"swb_stepname"_s, u"Этап"_s, 110},
                           {u"swb_car_id"_s, u"Номер вагона"_s, 90},
                           {u"swb_car_doc_id"_s, u"Номер ж.д накладной"_s, 100},
                           {u"swb_consignor"_s, u"Грузоотправитель"_s, 120},
                           {u"swb_weight"_s, u"Вес посылки (нетто)"_s, 90},
                           {u"swb_volume"_s, u"Объем посылки"_s, 90},
                           {u"sdp_amount"_s, u"Отгружено"_s, 80},
                           {u"kolc_predm"_s, u"Принято"_s, 80}};
    return c;
}

const QString ProductsSql =
    u"select d.sdp_sde_id, e.sde_invoice_num, p.pr_articul, coalesce(a1.sam_artc, a2.sam_artc) sam_artc, p.pr_name, "
    "d.sdp_amount, coalesce(r.kolc_predm, 0) kolc_predm, d.sdp_sum, d.sdp_sum_val, d.sdp_pr_id "
    "from scm_deliveredProduct d join scm_delivery e on e.sde_id = d.sdp_sde_id "
    "join crm_product p on p.pr_id = d.sdp_pr_id "
    "left join scm_artcmap a1 on a1.sam_pr_id = p.pr_id_main and a1.sam_prv_id = e.sde_supplier "
    "left join scm_artcmap a2 on a2.sam_pr_id = p.pr_id and a2.sam_prv_id = e.sde_supplier "
    "left join (select m.soi_sde_id, m.soi_sdp_pr_id, sum(s.kolc_predm) kolc_predm from scm_delivery x "
    "join SCM_TOMOVE m on m.soi_sde_id = x.sde_id join scl_move s on s.recno = m.recno where x.sde_swb_id = :swb_id "
    "group by m.soi_sde_id, m.soi_sdp_pr_id) r on r.soi_sde_id = d.sdp_sde_id and r.soi_sdp_pr_id = d.sdp_pr_id "
    "where d.sdp_swb_id = :swb_id order by d.sdp_sde_id, p.pr_articul, d.sdp_pr_id"_s;
const QString OrdersSql =
    u"select sdi_suo_id, sdi_soa_deliverydate, sdi_amount from scm_order_invoice where sdi_sde_id = :sdp_sde_id "
    "and sdi_sdp_pr_id = :sdp_pr_id order by sdi_suo_id, sdi_soa_deliverydate"_s;
const QString OffersSql =
    u"select soi_bof_id, soi_suo_id, soi_soa_deliverydate, soi_amount from scm_offer_invoice "
    "where soi_sde_id = :sdp_sde_id and soi_sdp_pr_id = :sdp_pr_id order by soi_suo_id, soi_soa_deliverydate, soi_bof_id"_s;

} // namespace

TviewWayBill::TviewWayBill(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::WayBills, dictionaryTitle(u"scm_waybill"_s, Title), u"VSplit"_s, parent),
      m_list(std::make_unique<WayBillList>(db))
{
    setObjectName(u"TviewWayBill"_s);
    m_grid = makeGrid(this, u"gridWayBills"_s, Title);
    toolbar()->setObjectName(u"toolbarWayBills"_s);
    popup()->setObjectName(u"popupWayBills"_s);
    buildToolbar();
    popup()->addAction(action(u"actEdit"_s));
    popup()->addAction(action(u"actDelete"_s));
    popup()->addSeparator();
    addSearchAndSetup(popup(), m_grid);
    setList(m_list.get(), m_grid);
    buildDetails();
    m_grid->setColumns(dictionaryColumns(u"scm_waybill"_s, headerColumns()));
    m_grid->setColumnsSection(u"WayBills"_s);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    resize(1000, 640);
    start({Messaging::ChangeEvents::Waybills}, u"Список посылок изменен другим окном или пользователем. Обновить: F5"_s);
}

TviewWayBill::~TviewWayBill()
{
    for (Widgets::TDataGrid* g : {m_grid, m_productsGrid, m_ordersGrid, m_offersGrid})
        g->setRowSet(nullptr);
}

void TviewWayBill::buildToolbar()
{
    using Shell::TdmAllButtons;
    addDocumentTools(
        m_grid, u"Новая"_s, [this] { newWayBill(); }, [this] { editWayBill(); }, [this] { deleteWayBill(); });
    QMenu* print = addPrintMenu(ReportGroup, u"Печать реестра посылок появится вместе с печатью реестров."_s,
                                u"Отчеты по посылкам появятся вместе с модулем отчетов"_s,
                                u"Отчеты по посылкам появятся вместе с модулем отчетов FR."_s);
    Q_UNUSED(print);
    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actCopyIntoNew"_s, u"Копировать в новый"_s, {}, [this] { copyIntoNew(); });
    addCommand(functions, u"actProcessWayBill"_s, u"Обработка посылки"_s, {},
               [this] { arrivesWith(u"Не зарегистрировано действие для обработки посылки"_s); });
    addMenuButton(u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::Help, functions);
    finishToolbar();
}

void TviewWayBill::buildDetails()
{
    m_products = detailQuery(database(), ProductsSql);
    m_products->setParameter(u"swb_id"_s, 0);
    m_products->open();
    m_orders = detailQuery(database(), OrdersSql);
    m_offers = detailQuery(database(), OffersSql);
    for (Data::TUpdatedADOQuery* q : {m_orders.get(), m_offers.get()}) {
        q->setDataSource(m_products.get(), {u"sdp_sde_id"_s, u"sdp_pr_id"_s});
        q->open();
    }
    auto* lower = new QSplitter(Qt::Horizontal, split());
    m_productsGrid = makeGrid(lower, u"gridWayBillProducts"_s, u"Товары"_s);
    m_productsGrid->setRowSet(m_products.get());
    m_productsGrid->setColumns(dictionaryColumns(u"waybill_products"_s, {{u"sde_invoice_num"_s, u"Инвойс"_s, 90},
                                                                         {u"pr_articul"_s, u"Артикул"_s, 90},
                                                                         {u"sam_artc"_s, u"Арт. поставщика"_s, 90},
                                                                         {u"pr_name"_s, u"Название"_s, 180},
                                                                         {u"sdp_amount"_s, u"Кол-во"_s, 70},
                                                                         {u"kolc_predm"_s, u"Принято"_s, 70},
                                                                         {u"sdp_sum"_s, u"Сумма"_s, 90},
                                                                         {u"sdp_sum_val"_s, u"Вал сумма"_s, 90}}));
    m_productsGrid->setColumnsSection(u"WayBills.Products"_s);
    m_ordersGrid = makeGrid(lower, u"gridWayBillOrders"_s, u"По заказам"_s);
    m_ordersGrid->setRowSet(m_orders.get());
    m_ordersGrid->setColumns({{u"sdi_suo_id"_s, u"Заказ"_s, 70},
                              {u"sdi_soa_deliverydate"_s, u"Дата подтверждения"_s, 100},
                              {u"sdi_amount"_s, u"Кол-во"_s, 70}});
    m_ordersGrid->setColumnsSection(u"WayBills.Orders"_s);
    m_offersGrid = makeGrid(lower, u"gridWayBillOffers"_s, u"По заявкам"_s);
    m_offersGrid->setRowSet(m_offers.get());
    m_offersGrid->setColumns({{u"soi_bof_id"_s, u"Заявка"_s, 70},
                              {u"soi_suo_id"_s, u"Заказ"_s, 70},
                              {u"soi_amount"_s, u"Кол-во"_s, 70}});
    m_offersGrid->setColumnsSection(u"WayBills.Offers"_s);
    split()->addWidget(lower);
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 2);
}

void TviewWayBill::updateActions()
{
    enableWithRows({u"actEdit"_s, u"actDelete"_s, u"actCopyIntoNew"_s, u"actProcessWayBill"_s});
}

void TviewWayBill::showDocument(qint64 key)
{
    showDetails(*m_products, u"swb_id"_s, key, {u"sdp_amount"_s, u"kolc_predm"_s});
}

void TviewWayBill::refreshList()
{
    reopen();
}

void TviewWayBill::newWayBill()
{
    TWayBillEditor::openWayBill(0);
}

void TviewWayBill::editWayBill()
{
    if (const qint64 id = m_list->currentWayBill())
        TWayBillEditor::openWayBill(int(id));
}

void TviewWayBill::copyIntoNew()
{
    const qint64 id = m_list->currentWayBill();
    if (!id)
        return;
    if (TWayBillEditor* editor = TWayBillEditor::openWayBill(int(id)))
        editor->copyIntoNew();
}

void TviewWayBill::deleteWayBill()
{
    const qint64 id = m_list->currentWayBill();
    if (!id || !mayDo(RightDelete, u"Удаление посылки"_s))
        return;
    deleteAfterQuestion(u"Удалить посылку?"_s, [this, id] {
        if (!WayBillList::deleteWayBill(database(), id))
            QMessageBox::information(this, windowTitle(), u"Посылка %1 уже удалена другим пользователем"_s.arg(id));
    });
}

void TviewWayBill::registerList()
{
    using Shell::TWindowActivator;
    if (!Shell::FormActivationRegistry::instance().contains(FormType))
        Shell::FormActivationRegistry::instance().add(std::make_unique<TWindowActivator>(
            FormType, [] { return new TviewWayBill(Data::Database::openMain()); }, TWindowActivator::Restore::ToNormal));
    TWayBillEditor::registerEditor();
}

} // namespace Tarvo::WayBills
