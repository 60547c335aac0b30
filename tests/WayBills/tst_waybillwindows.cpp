// Waybills made, changed and deleted through the windows, from the main menu: what every step
// takes from and gives back to the requests, on both engines.
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/ui/tvwaccorders.h"
#include "BusOffer/ourpricechooser.h"
#include "WayBills/ui/tviewwaybill.h"
#include "WayBills/ui/twaybilleditor.h"
#include "WayBills/waybillfixture.h"
#include "WayBills/waybilllist.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "messaging/tmessageserver.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "widgets/tdatagrid.h"

#include <QLineEdit>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::WayBills;
using namespace Qt::Literals::StringLiterals;
using Test::WayBill::m;

namespace {

using Test::bringUp;
using Test::cell;
using Test::cellOf;
using Test::trigger;
using Test::typeField;
using Test::typeInto;

int rowWhere(Widgets::TDataGrid* grid, const QString& field, const QVariant& value)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (value.userType() == qMetaTypeId<Money>() ? Money::fromVariant(cell(grid, r, field)) == value.value<Money>()
                                                      : cell(grid, r, field).toString() == value.toString())
            return r;
    return -1;
}

void select(Widgets::TDataGrid* grid, const QString& field, const QVariant& value)
{
    const int row = rowWhere(grid, field, value);
    QVERIFY2(row >= 0, qPrintable(u"%1 = %2 not in %3"_s.arg(field, value.toString(), grid->objectName())));
    bringUp(grid);
    grid->setCurrentIndex(cellOf(grid, row, field));
}

} // namespace

class WayBillWindowsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void shipsChangesAndDeletesFromTheMenu()
    {
        Test::TestDatabase tdb;
        Data::Database& db = tdb.db();
        Test::startDemoCompanyAsAdmin(db);
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        Test::WayBillFixture f(db);
        const QStringList before = f.snapshot();
        const QStringList placed = f.placed();

        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        QVERIFY(main.menuItem(u"itemWayBills"_s)->isEnabled());
        QVERIFY(main.menuItem(u"itemNewWayBill"_s)->isEnabled());
        main.menuItem(u"itemAcceptedOrders"_s)->trigger();
        auto* orders = Test::mdiWindow<AcceptedOrders::TvwAccOrders>(main.mdiArea());
        QVERIFY(orders);

        // "Создать посылку на основе заказа": order 1 (two dates) in a new waybill.
        select(orders->grid(), u"suo_id"_s, f.o1);
        orders->action(u"actNewWayBill"_s)->trigger();
        auto* editor = Test::mdiWindow<TWayBillEditor>(main.mdiArea());
        QVERIFY(editor);
        QCOMPARE(editor->productsGrid()->model()->rowCount(), 1);
        QCOMPARE(Money::fromVariant(cell(editor->productsGrid(), 0, u"sdp_amount"_s)), m("15"));
        typeField(editor->findChild<QLineEdit*>(u"edit_swb_departure_platform"_s), u"Брест"_s);
        typeField(editor->findChild<QLineEdit*>(u"edit_swb_consignor"_s), u"ООО Отправитель"_s);
        typeInto(editor->invoicesGrid(), 0, u"sde_invoice_num"_s, u"INV-1"_s);
        // The second order of the supplier into the same invoice; the other supplier's refused.
        select(orders->grid(), u"suo_id"_s, f.o2);
        orders->action(u"actAddToInvoice"_s)->trigger();
        QCOMPARE(editor->document().deliveryInvoices.recordCount(), 1);
        QCOMPARE(editor->document().deliveredProduct.recordCount(), 2);
        select(orders->grid(), u"suo_id"_s, f.o3);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            orders->action(u"actAddToWayBill"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{u"Поставщики не совпадают"_s});
        }
        // "Добавить счет" and the order into it.
        trigger(editor, u"actAddInvoice"_s);
        orders->action(u"actAddToWayBill"_s)->trigger();
        QCOMPARE(editor->document().deliveryInvoices.integer(u"sde_supplier"_s), f.other);
        typeInto(editor->invoicesGrid(), rowWhere(editor->invoicesGrid(), u"sde_invoice_num"_s, QString()),
                 u"sde_invoice_num"_s, u"INV-2"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            trigger(editor, u"actSave"_s);
            QTRY_VERIFY2(ok.texts == QStringList{Tdm_WayBills::SavedMessage}, qPrintable(f.shown.join(u" | "_s)));
        }
        const int swb = editor->document().wayBillId();
        QVERIFY(swb > 0);
        QCOMPARE(editor->windowTitle().right(QString::number(swb).size()), QString::number(swb));
        QCOMPARE(f.shipped(f.r1, f.a, f.o1), m("11"));
        QCOMPARE(f.shipped(f.r2, f.b, f.o2), m("4"));
        QCOMPARE(f.shipped(f.r1, f.b, f.o3), m("3"));
        QCOMPARE(f.held(f.r1, f.a, f.o1), Money());
        QCOMPARE(f.placed(), placed);
        TARVO_CHECK_CHAIN(db);

        // 15 cut to 12 over order rows 10 and 5: 10 and 2, request 1 gets 3 back.
        select(editor->invoicesGrid(), u"sde_invoice_num"_s, u"INV-1"_s);
        typeInto(editor->productsGrid(), rowWhere(editor->productsGrid(), u"pr_articul"_s, u"A-1"_s), u"sdp_amount"_s,
                 u"12"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            trigger(editor, u"actSave"_s);
            QTRY_VERIFY2(ok.texts == QStringList{Tdm_WayBills::SavedMessage}, qPrintable(f.shown.join(u" | "_s)));
        }
        QCOMPARE(f.shareOf(f.r1, f.a, f.o1, Test::WayBillFixture::day(8)), m("3"));
        QCOMPARE(f.placed(), placed);
        TARVO_CHECK_CHAIN(db);

        // A request row deleted: request 2's 4 go back.
        select(editor->invoicesGrid(), u"sde_invoice_num"_s, u"INV-1"_s);
        select(editor->productsGrid(), u"pr_articul"_s, u"A-1"_s);
        select(editor->ordersGrid(), u"sdi_amount"_s, m("10").toVariant());
        select(editor->offersGrid(), u"soi_bof_id"_s, f.r2);
        Test::press(editor->offersGrid(), Qt::Key_Delete, Qt::ControlModifier);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            trigger(editor, u"actSave"_s);
            QTRY_VERIFY2(ok.texts == QStringList{Tdm_WayBills::SavedMessage}, qPrintable(f.shown.join(u" | "_s)));
        }
        QCOMPARE(f.shareOf(f.r2, f.a, f.o1, Test::WayBillFixture::day(5)), m("4"));
        // A product, then an invoice.
        select(editor->invoicesGrid(), u"sde_invoice_num"_s, u"INV-1"_s);
        select(editor->productsGrid(), u"pr_articul"_s, u"B-2"_s);
        trigger(editor, u"actDeleteProduct"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            trigger(editor, u"actSave"_s);
            QTRY_VERIFY2(ok.texts == QStringList{Tdm_WayBills::SavedMessage}, qPrintable(f.shown.join(u" | "_s)));
        }
        QCOMPARE(f.held(f.r2, f.b, f.o2), m("4"));
        select(editor->invoicesGrid(), u"sde_invoice_num"_s, u"INV-2"_s);
        trigger(editor, u"actDeleteInvoice"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            trigger(editor, u"actSave"_s);
            QTRY_VERIFY2(ok.texts == QStringList{Tdm_WayBills::SavedMessage}, qPrintable(f.shown.join(u" | "_s)));
        }
        QCOMPARE(f.held(f.r1, f.b, f.o3), m("3"));
        QCOMPARE(f.placed(), placed);
        TARVO_CHECK_CHAIN(db);

        // Receipts as the warehouse writes them: in part, then in full.
        const qint64 sde = f.count(u"select sde_id from scm_delivery where sde_swb_id = ?"_s, {swb});
        f.received(f.r1, f.a, f.o1, Test::WayBillFixture::day(5), sde, swb, "6");
        main.menuItem(u"itemWayBills"_s)->trigger();
        auto* list = Test::mdiWindow<TviewWayBill>(main.mdiArea());
        QVERIFY(list);
        QTRY_VERIFY(rowWhere(list->grid(), u"swb_id"_s, swb) >= 0);
        const auto row = [&] { return rowWhere(list->grid(), u"swb_id"_s, swb); };
        QCOMPARE(cell(list->grid(), row(), u"swb_state"_s).toString(), u"Ч"_s);
        QCOMPARE(cell(list->grid(), row(), u"swb_state2_name"_s).toString(), u"В работе"_s);
        // The rest received and the invoice closed.
        f.received(f.r1, f.a, f.o1, Test::WayBillFixture::day(8), sde, swb, "6");
        db.exec(u"update scm_delivery set sde_complited = 1 where sde_id = ?"_s, {sde});
        list->action(u"actRefresh"_s)->trigger();
        QTRY_COMPARE(cell(list->grid(), row(), u"swb_state"_s).toString(), u"+"_s);
        QCOMPARE(cell(list->grid(), row(), u"swb_state2_name"_s).toString(), u"Выполнено"_s);

        // Received in full, the waybill opens for viewing only.
        select(list->grid(), u"swb_id"_s, swb);
        list->action(u"actEdit"_s)->trigger();
        QCOMPARE(editor->mode(), TWayBillEditor::Mode::View);
        QVERIFY(!editor->findChild<QAction*>(u"actSave"_s)->isEnabled());

        // Without right 100008 the list deletes nothing.
        db.exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100008"_s, {f.adminId});
        select(list->grid(), u"swb_id"_s, swb);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            list->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(ok.texts.size(), 1);
            QVERIFY2(!ok.texts.first().contains(u"Удалить посылку?"_s), qPrintable(ok.texts.first()));
        }
        QCOMPARE(f.count(u"select count(*) from scm_waybill where swb_id = ?"_s, {swb}), 1);
        db.exec(u"insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (100008, ?)"_s, {f.adminId});

        // Deleting in the list: refused while received, restoring exactly without.
        const QStringList shipped = f.everything();
        select(list->grid(), u"swb_id"_s, swb);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            list->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(answers.texts.size(), 2);
            QCOMPARE(answers.texts.first(), u"Удалить посылку?"_s);
            QCOMPARE(answers.texts.last(), u"Товар принят на склад (приходные накладные ПН-1). Удаление невозможно"_s);
        }
        QCOMPARE(f.everything(), shipped);
        db.exec(u"delete from SCM_TOMOVE"_s);
        select(list->grid(), u"swb_id"_s, swb);
        {
            Test::BoxAnswers yes({QMessageBox::Yes});
            list->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(yes.texts, QStringList{u"Удалить посылку?"_s});
        }
        QTRY_COMPARE(rowWhere(list->grid(), u"swb_id"_s, swb), -1);
        QCOMPARE(f.snapshot(), before);
        TARVO_CHECK_CHAIN(db);
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList())
            sub->close();
    }
};

QTEST_MAIN(WayBillWindowsTest)
#include "tst_waybillwindows.moc"
