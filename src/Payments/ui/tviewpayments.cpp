#include "Payments/ui/tviewpayments.h"

#include "Payments/paymentexport.h"
#include "Payments/paymentlist.h"
#include "Payments/paymentliststatement.h"
#include "Payments/tdmeditpayment.h"
#include "Payments/ui/tfrmedpayment.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tdmallbuttons.h"
#include "shell/ui/twindowactivator.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString TViewPayments::DeleteQuestion = u"Удалить платеж?"_s;

namespace {

const QString Title = u"Просмотр платежей"_s;
constexpr int ReportGroup = 1009;
using Columns = QList<Widgets::TDataGrid::Column>;

const Columns& headerColumns()
{
    static const Columns c{{u"spm_id"_s, u"№"_s, 60},
                           {u"spm_date"_s, u"Дата"_s, 90},
                           {u"spm_inum"_s, u"Номер"_s, 70},
                           {u"spm_snum"_s, u"Доп. номер"_s, 90},
                           {u"par_nuser"_s, u"Плательщик"_s, 90},
                           {u"recipient_nuser"_s, u"Получатель"_s, 90},
                           {u"Recipient_name"_s, u"Наименование получателя"_s, 160},
                           {u"spm_sum"_s, u"Сумма"_s, 100},
                           {u"spm_cod_valut"_s, u"Валюта"_s, 60},
                           {u"spm_sum2"_s, u"Сумма поставщика"_s, 110},
                           {u"spm_cod_valut2"_s, u"Валюта поставщика"_s, 70},
                           {u"spp_sum"_s, u"Сумма по счетам"_s, 110},
                           {u"not_spp_sum"_s, u"Свободный остаток "_s, 110},
                           {u"spm_nal"_s, u"Нал"_s, 50},
                           {u"spm_unicum_plt"_s, u"Уник № платежа"_s, 90},
                           {u"us_name"_s, u"Автор"_s, 110}};
    return c;
}

void announce()
{
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
}

} // namespace

TViewPayments::TViewPayments(Data::Database& db, QWidget* parent)
    : RegisterFrame(db, Otbor::OtborRegister::Payments, Title, u"PaymentsSplit"_s, parent),
      m_list(std::make_unique<PaymentList>(db))
{
    setObjectName(u"TViewPayments"_s);
    m_grid = makeGrid(this, u"gridPayments"_s, Title);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    toolbar()->setObjectName(u"toolbarPayments"_s);
    popup()->setObjectName(u"popupPayments"_s);
    buildToolbar();
    buildPopup();
    setList(m_list.get(), m_grid);
    m_list->setOnWritten([] { announce(); });
    m_details = detailQuery(db, PaymentListStatement::paidProformas());
    m_details->setParameter(u"spm_id"_s, 0);
    m_details->open();
    m_detailsGrid = makeGrid(split(), u"gridPaymentProformas"_s, u"Оплаченные счета"_s);
    m_detailsGrid->setRowSet(m_details.get());
    m_detailsGrid->setColumns({{u"spp_pf_id"_s, u"Счет"_s, 70},
                               {u"pf_dopnomer"_s, u"Номер"_s, 70},
                               {u"pf_snomer"_s, u"Доп номер"_s, 90},
                               {u"pf_date"_s, u"Дата"_s, 90},
                               {u"pf_total"_s, u"Сумма"_s, 110},
                               {u"spp_sum"_s, u"Оплачено платежом"_s, 120}});
    m_detailsGrid->setColumnsSection(u"TViewPaymentsDetails"_s);
    split()->addWidget(m_detailsGrid);
    split()->setStretchFactor(0, 3);
    split()->setStretchFactor(1, 1);
    m_grid->setColumns(headerColumns());
    m_grid->setColumnsSection(u"TViewPaymentsHeaders"_s);
    resize(1000, 600);
    start({Messaging::ChangeEvents::AcceptedOrders},
          u"Список платежей изменен другим окном или пользователем. Обновить: F5"_s);
}

TViewPayments::~TViewPayments()
{
    for (Widgets::TDataGrid* g : {m_grid, m_detailsGrid})
        g->setRowSet(nullptr);
}

void TViewPayments::buildToolbar()
{
    addDocumentTools(
        m_grid, u"Новый"_s, [this] { newPayment(); }, [this] { editPayment(); }, [this] { deletePayment(); });
    addTool(u"actExport"_s, u"В склад..."_s, Shell::TdmAllButtons::Export, QKeySequence(Qt::CTRL | Qt::Key_E),
            [this] { exportPayment(); });
    addPrintMenu(ReportGroup, u"Печать реестра платежей появится вместе с отчетами."_s,
                 u"Отчеты по платежам появятся вместе с модулем отчетов"_s,
                 u"Отчеты по платежам появятся вместе с модулем отчетов FR."_s);
    finishToolbar();
}

void TViewPayments::buildPopup()
{
    addCommand(popup(), u"actView"_s, u"Просмотр"_s, {}, [this] { viewPayment(); });
    for (const char* name : {"actNew", "actEdit", "actDelete", "actExport"})
        popup()->addAction(action(QLatin1String(name)));
    popup()->addSeparator();
    addSearchAndSetup(popup(), m_grid);
}

void TViewPayments::updateActions()
{
    enableWithRows({u"actEdit"_s, u"actView"_s, u"actDelete"_s, u"actExport"_s});
}

void TViewPayments::showDocument(qint64 key)
{
    showDetails(*m_details, u"spm_id"_s, key, {u"pf_total"_s, u"spp_sum"_s});
}

void TViewPayments::newPayment()
{
    TfrmEdPayment::openNew();
}

void TViewPayments::editPayment()
{
    if (const qint64 id = m_list->currentPayment())
        TfrmEdPayment::openPayment(id);
}

void TViewPayments::viewPayment()
{
    if (const qint64 id = m_list->currentPayment())
        TfrmEdPayment::openPayment(id, true);
}

void TViewPayments::deletePayment()
{
    const qint64 id = m_list->currentPayment();
    if (id)
        deleteAfterQuestion(DeleteQuestion, [this, id] { TdmEditPayment::cmdDeletePayment(database(), id); });
}

void TViewPayments::exportPayment()
{
    const qint64 id = m_list->currentPayment();
    if (!id)
        return;
    const QVariant earlier = database().scalar(u"select spm_unicum_plt from scm_payments where spm_id = ?"_s, {id});
    if (!earlier.isNull() &&
        QMessageBox::question(this, windowTitle(), PaymentExport::AgainQuestion.arg(earlier.toLongLong()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const int number = PaymentExport::run(database(), id);
    announce();
    reopen();
    QMessageBox::information(this, windowTitle(), PaymentExport::DoneMessage.arg(number));
}

void registerPayments()
{
    static Shell::TWindowActivator activator(0, [] { return new TViewPayments(Data::Database::openMain()); });
    Shell::MenuHooks::setHandler(u"itemPayments"_s, [] { activator.activate(0); });
}

} // namespace Tarvo::Payments
