#include "Proformas/ui/tvproformainvoice.h"

#include "Payments/ui/tedpaymentplan.h"
#include "Proformas/proformalist.h"
#include "Proformas/proformalistdetails.h"
#include "Proformas/tdmeditproforma.h"
#include "Proformas/ui/tedproformainvoice.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/changeevents.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tdmallbuttons.h"
#include "shell/ui/twindowactivator.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

namespace {

const QString Title = u"Счета"_s;
constexpr int ReportGroup = 217;
using Columns = QList<Widgets::TDataGrid::Column>;

const Columns& headerColumns()
{
    static const Columns c{{u"pf_id"_s, u"Уникальный номер"_s, 90},  {u"pf_dopnomer"_s, u"Номер"_s, 80},
                           {u"pf_snomer"_s, u"Доп номер"_s, 90},       {u"pf_date"_s, u"Дата"_s, 100},
                           {u"State"_s, u"С"_s, 30},                  {u"name_user"_s, u"Поставщик"_s, 160},
                           {u"pf_cod_valut"_s, u"Валюта"_s, 60},       {u"pf_sum"_s, u"Сумма"_s, 100},
                           {u"pf_surcharge"_s, u"Доп.расходы"_s, 100}, {u"soa_sum"_s, u"Сумма товаров"_s, 110},
                           {u"spp_sum"_s, u"Оплачено"_s, 100},        {u"pf_plan_oplat"_s, u"План оплат"_s, 140},
                           {u"us_name"_s, u"Менеджер"_s, 120}};
    return c;
}

} // namespace

TvProformaInvoice::TvProformaInvoice(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::ProformaInvoices, Title, u"VSplit"_s, parent),
      m_list(std::make_unique<ProformaList>(db))
{
    setObjectName(u"TvProformaInvoice"_s);
    m_grid = makeGrid(this, u"gridProformas"_s, Title);
    toolbar()->setObjectName(u"toolbarProformas"_s);
    popup()->setObjectName(u"popupProformas"_s);
    buildToolbar();
    buildPopup();
    setList(m_list.get(), m_grid);
    buildDetails();
    m_grid->setColumns(dictionaryColumns(u"scm_proforma"_s, headerColumns()));
    m_grid->setColumnsSection(u"Proformas"_s);
    resize(1000, 640);
    start({Messaging::ChangeEvents::AcceptedOrders},
          u"Список счетов изменен другим окном или пользователем. Обновить: F5"_s);
}

TvProformaInvoice::~TvProformaInvoice()
{
    // The list goes before the frame: the grids let go of their sets first.
    for (Widgets::TDataGrid* g : {m_grid, m_productsGrid, m_paymentsGrid, m_planGrid, m_buyersGrid})
        g->setRowSet(nullptr);
}

void TvProformaInvoice::buildDetails()
{
    m_products = detailQuery(database(), ProformaListDetails::products());
    m_payments = detailQuery(database(), ProformaListDetails::payments());
    m_buyers = detailQuery(database(), ProformaListDetails::buyers());
    for (Data::TUpdatedADOQuery* q : {m_products.get(), m_payments.get(), m_buyers.get()}) {
        q->setParameter(u"pf_id"_s, 0);
        q->open();
    }
    m_plan.addField(u"sps_date"_s, Data::FieldType::DateTime);
    m_plan.addField(u"sps_sum"_s, Data::FieldType::Money);
    m_plan.addField(u"covered"_s, Data::FieldType::Money);

    m_tabs = new QTabWidget(split());
    m_tabs->setObjectName(u"tabsProformaDetails"_s);
    const auto tab = [&](Widgets::TDataGrid*& grid, const QString& name, const QString& title, Data::TRowSet* rows,
                         const Columns& columns) {
        grid = makeGrid(m_tabs, name, title);
        grid->setRowSet(rows);
        grid->setColumns(columns);
        grid->setColumnsSection(u"Proformas."_s + name);
        m_tabs->addTab(grid, title);
    };
    tab(m_productsGrid, u"gridProformaProducts"_s, u"Товары"_s, m_products.get(),
        {{u"soa_suo_id"_s, u"№ заказа"_s, 80},
         {u"pr_articul"_s, u"Артикул"_s, 100},
         {u"pr_name"_s, u"Наименование"_s, 180},
         {u"soa_deliverydate"_s, u"Дата отгрузки"_s, 110},
         {u"soa_amount"_s, u"Кол-во"_s, 80},
         {u"soa_sum"_s, u"Сумма"_s, 100},
         {u"soa_sum_valut"_s, u"Вал. сумма"_s, 100}});
    tab(m_paymentsGrid, u"gridProformaPayments"_s, u"Оплаты"_s, m_payments.get(),
        {{u"spm_id"_s, u"Платеж"_s, 70},
         {u"spm_date"_s, u"Дата"_s, 100},
         {u"spm_inum"_s, u"Номер"_s, 80},
         {u"spm_snum"_s, u"Доп номер"_s, 80},
         {u"spp_sum"_s, u"По счету"_s, 100},
         {u"spm_sum"_s, u"Сумма платежа"_s, 110},
         {u"spm_cod_valut"_s, u"Валюта"_s, 60}});
    tab(m_planGrid, u"gridProformaPlan"_s, u"График оплат"_s, &m_plan,
        {{u"sps_date"_s, u"Дата"_s, 100}, {u"sps_sum"_s, u"Сумма"_s, 100}, {u"covered"_s, u"Оплачено"_s, 100}});
    tab(m_buyersGrid, u"gridProformaBuyers"_s, u"Покупатели"_s, m_buyers.get(),
        {{u"bof_id"_s, u"Заявка"_s, 70},
         {u"par_nuser"_s, u"Кр.имя"_s, 80},
         {u"name_user"_s, u"Покупатель"_s, 160},
         {u"pr_articul"_s, u"Артикул"_s, 100},
         {u"pr_name"_s, u"Наименование"_s, 160},
         {u"amount"_s, u"Кол-во"_s, 80}});
    split()->addWidget(m_tabs);
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 2);
}

void TvProformaInvoice::buildToolbar()
{
    using Shell::TdmAllButtons;
    addDocumentTools(m_grid, {}, {}, [this] { editProforma(); }, [this] { deleteProforma(); });
    addPrintMenu(ReportGroup, u"Печать реестра (выгрузка списка счетов) появится вместе с отчетами."_s,
                 u"Отчеты по счетам появятся вместе с модулем отчетов"_s,
                 u"Отчеты по счетам поставщиков появятся вместе с модулем отчетов FR."_s);
    auto* functions = new QMenu(this);
    functions->setObjectName(u"menuFunctions"_s);
    addCommand(functions, u"actPaymentPlan"_s, u"График оплат"_s, {},
               [this] {
                   if (const qint64 id = m_list->currentProforma())
                       Payments::TedPaymentPlan::openPlan(id);
               });
    addMenuButton(u"btnFunctions"_s, u"Функции"_s, TdmAllButtons::Help, functions);
    finishToolbar();
}

void TvProformaInvoice::buildPopup()
{
    addCommand(popup(), u"actView"_s, u"Просмотр"_s, {}, [this] { viewProforma(); });
    popup()->addAction(action(u"actEdit"_s));
    popup()->addAction(action(u"actDelete"_s));
    popup()->addSeparator();
    addSearchAndSetup(popup(), m_grid);
}

void TvProformaInvoice::updateActions()
{
    enableWithRows({u"actEdit"_s, u"actView"_s, u"actDelete"_s, u"actPaymentPlan"_s});
}

void TvProformaInvoice::showDocument(qint64 key)
{
    guarded([this, key] {
        for (Data::TUpdatedADOQuery* q : {m_products.get(), m_payments.get(), m_buyers.get()}) {
            q->close();
            q->setParameter(u"pf_id"_s, key > 0 ? key : 0);
            q->open();
        }
        showAs(*m_buyers, {u"amount"_s}, Data::FieldType::Money);
        m_plan.clearRows();
        if (key <= 0)
            return;
        for (const auto& i : ProformaListDetails::paymentPlan(database(), key))
            m_plan.appendLoaded({i.date, i.sum.toVariant(), i.covered.toVariant()});
        m_plan.first();
    });
}

void TvProformaInvoice::editProforma()
{
    if (const qint64 id = m_list->currentProforma())
        TedProformaInvoice::openProforma(id, TedProformaInvoice::Mode::Edit);
}

void TvProformaInvoice::viewProforma()
{
    if (const qint64 id = m_list->currentProforma())
        TedProformaInvoice::openProforma(id, TedProformaInvoice::Mode::View);
}

void TvProformaInvoice::deleteProforma()
{
    const qint64 id = m_list->currentProforma();
    if (!id)
        return;
    deleteAfterQuestion(u"Удалить счет?"_s, [this, id] { TdmEditProforma::cmdDeletePf(database(), id); });
}

void registerProformaRegister()
{
    static Shell::TWindowActivator activator(0, [] { return new TvProformaInvoice(Data::Database::openMain()); });
    Shell::MenuHooks::setHandler(u"itemProformas"_s, [] { activator.activate(0); });
}

} // namespace Tarvo::Proformas
