// The supplier-order register opened from the main menu, used as a user uses it.
#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/offerlistdelegate.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "SupplierOrders/listfixture.h"
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/ui/tviewsupplierorder.h"
#include "SupplierOrders/ui/tfsupplierorder.h"
#include "SupplierOrders/ui/tfsupplierorderregistration.h"
#include "SupplierOrders/ui/tedsupplierorder2.h"
#include "SupplierOrders/ui/tsupplierorderactivator.h"
#include "SupplierOrders/ui/tviewsupplierorderregistration.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/tmessageserver.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "security/rights.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/programparameters.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::SupplierOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

QModelIndex cellOf(Widgets::TDataGrid* grid, int row, const QString& field)
{
    return grid->model()->index(row, grid->fieldColumn(field));
}

int rowOf(Widgets::TDataGrid* grid, const QString& field, qint64 key)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (grid->model()->data(cellOf(grid, r, field)).toLongLong() == key)
            return r;
    return -1;
}

void standOn(TViewSupplierOrder* w, qint64 suo)
{
    w->grid()->setFocus();
    w->grid()->setCurrentIndex(cellOf(w->grid(), rowOf(w->grid(), u"suo_id"_s, suo), u"suo_id"_s));
    QCOMPARE(w->list().currentOrder(), suo);
}

QString shown(TViewSupplierOrder* w, qint64 suo, const QString& field)
{
    return w->grid()->model()->data(cellOf(w->grid(), rowOf(w->grid(), u"suo_id"_s, suo), field)).toString();
}

int stored(Data::Database& db, const QString& column, qint64 suo)
{
    return db.scalar(u"select %1 from scm_supplier_order where suo_id = ?"_s.arg(column), {suo}).toInt();
}

} // namespace

class TViewSupplierOrderTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void orderFromFindingToDeletion()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::SupplierListFixture f(db);
        Otbor::TGlobalOtbors::instance().switchAllOff();
        auto& notices = Messaging::TMessageServer::instance();
        notices.setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        // Waiting and unconfirmed: in work. A for 10 and B for 4, both from one request.
        const auto order = f.orderWithRequest(a, "10", "1000");
        f.orderedLine(order.suo, b, "4", "400");
        f.line(order.bof, b, "1000");
        db.exec(
            u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, 4)"_s,
            {order.bof, b, order.suo});
        db.exec(u"update scm_so_products set sop_deliverydate = ?"_s, {f.day(5)});
        // Not waiting: listed by register.
        const auto other = f.orderWithRequest(a, "3", "300", "0", {}, false);
        const qint64 urgent =
            db.insertReturning(u"insert into SCM_Library_Urgency (Name, Priority) values (?, 1)"_s,
                               u"Urgency_ID"_s, {u"Срочно"_s});

        Shell::FormActivationRegistry::instance().clear();
        registerSupplierOrderRegister();
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        QAction* item = main.menuItem(u"itemSupplierOrders"_s);
        QVERIFY(item->isEnabled());
        item->trigger();
        auto* w = Test::mdiWindow<TViewSupplierOrder>(main.mdiArea());
        QVERIFY(w);
        QVERIFY(!w->parentWidget()->isMaximized());
        const QString title = w->windowTitle();
        // The dictionary's "su_orders" names one order (the editor's caption), not the register.
        QCOMPARE(title, u"Заказы поставщику"_s);
        QCOMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->grid()->columnCaption(w->grid()->fieldColumn(u"soa_amount_accepted"_s)),
                 u"Утв. кол-во"_s);

        // The state filter "В работе" finds the order, and the caption says so.
        Otbor::TDocStateOtbor* state = Otbor::TGlobalOtbors::instance().docState(Otbor::OtborVar::OrderState);
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        state->setActive(true);
        QTRY_COMPARE(w->grid()->model()->rowCount(), 1);
        QCOMPARE(w->list().currentOrder(), order.suo);
        QVERIFY(w->windowTitle().startsWith(title + u' '));
        QCOMPARE(shown(w, order.suo, u"suo_state_name"_s), u"В работе"_s);
        QCOMPARE(w->linesGrid()->model()->rowCount(), 2);
        state->setActive(false);
        QTRY_COMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(w->list().currentOrder(), order.suo);

        // The request rows of the current line, editable with the editing right.
        w->linesGrid()->setCurrentIndex(
            cellOf(w->linesGrid(), rowOf(w->linesGrid(), u"sop_pr_id"_s, a), u"pr_name"_s));
        QCOMPARE(w->orderedGrid()->model()->rowCount(), 1);
        QVERIFY(w->orderedGrid()->editTriggers() != QAbstractItemView::NoEditTriggers);

        // Approve, mark and the urgency by Ctrl+H.
        standOn(w, order.suo);
        w->action(u"actApprove"_s)->trigger();
        QCOMPARE(stored(db, u"suo_accepted"_s, order.suo), 1);
        QCOMPARE(shown(w, order.suo, u"suo_accepted"_s), u"Да"_s);
        w->action(u"actMark"_s)->trigger();
        QCOMPARE(stored(db, u"suo_otmetka"_s, order.suo), 1);
        bool asked = false;
        Test::whenModal<BusOffer::TSet_Urgency_Level_>([&asked](BusOffer::TSet_Urgency_Level_* d) {
            asked = true;
            QComboBox* box = d->urgencyBox();
            box->setCurrentIndex(box->findText(u"Срочно"_s));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(w->grid(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(db.scalar(u"select Urgency_ID from scm_supplier_order where suo_id = ?"_s, {order.suo})
                     .toLongLong(),
                 urgent);
        QCOMPARE(w->list().currentOrder(), order.suo);
        QCOMPARE(w->list().string(u"Urgency_Name"_s), u"Срочно"_s);

        // Closed for waiting: by register; opened again: in work. Each command only when it applies.
        w->updateActions();
        QVERIFY(w->action(u"actCloseWaiting"_s)->isEnabled());
        QVERIFY(!w->action(u"actOpenWaiting"_s)->isEnabled());
        w->action(u"actCloseWaiting"_s)->trigger();
        QCOMPARE(stored(db, u"suo_waiting"_s, order.suo), 0);
        QCOMPARE(shown(w, order.suo, u"suo_state_name"_s), u"Выполнено по реестру"_s);
        QVERIFY(!w->action(u"actCloseWaiting"_s)->isEnabled());
        QVERIFY(w->action(u"actOpenWaiting"_s)->isEnabled());
        w->action(u"actOpenWaiting"_s)->trigger();
        QCOMPARE(stored(db, u"suo_waiting"_s, order.suo), 1);
        QCOMPARE(shown(w, order.suo, u"suo_state_name"_s), u"В работе"_s);
        QCOMPARE(stored(db, u"suo_accepted"_s, order.suo), 1);
        QCOMPARE(stored(db, u"suo_otmetka"_s, order.suo), 1);

        // Sent to confirmation: nothing confirmed yet, so the rest is there at once. A confirmed
        // for 6 of 10, B in full; saved with the order still waiting.
        w->action(u"actLoadForConfirmation"_s)->trigger();
        auto* confirmation = Test::mdiWindow<AcceptedOrders::TAcceptedShedule>(main.mdiArea());
        QVERIFY(confirmation);
        Widgets::TDataGrid* lines = confirmation->linesGrid();
        QCOMPARE(lines->model()->rowCount(), 2);
        const int rowA = rowOf(lines, u"soa_pr_id"_s, a);
        lines->setFocus();
        lines->setCurrentIndex(cellOf(lines, rowA, u"soa_amount"_s));
        Test::press(lines, Qt::Key_6);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != lines);
        Test::press(editor, Qt::Key_Return);
        QTRY_COMPARE(confirmation->document().soAccepted.money(u"soa_amount"_s), Money(6));
        Test::press(lines, Qt::Key_Down);
        {
            Test::BoxAnswers answers({QMessageBox::No, QMessageBox::Ok});
            auto* bar = confirmation->findChild<QToolBar*>(u"toolbar"_s);
            qobject_cast<QAbstractButton*>(
                bar->widgetForAction(confirmation->findChild<QAction*>(u"actSave"_s)))
                ->click();
            QCOMPARE(answers.texts, (QStringList{AcceptedOrders::TAcceptedShedule::StopWaitingQuestion,
                                                 AcceptedOrders::TAcceptedShedule::SavedMessage}));
        }
        QCOMPARE(f.sum(u"select sum(soa_amount) from scm_so_accepted where soa_suo_id = ?"_s, {order.suo}),
                 Money(10));
        // Asked again, the open confirmation only comes forward.
        Test::toFront(w);
        w->action(u"actLoadForConfirmation"_s)->trigger();
        QCOMPARE(main.mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(confirmation));
        confirmation->parentWidget()->close();
        QTRY_VERIFY(!Test::mdiWindow<AcceptedOrders::TAcceptedShedule>(main.mdiArea()));
        Test::toFront(w);

        // Back in the register (its save told it): the confirmed totals and the state.
        notices.flush();
        QTRY_COMPARE(Money::fromVariant(w->list().value(u"soa_amount_accepted"_s)), Money(10));
        QCOMPARE(w->list().currentOrder(), order.suo);
        QCOMPARE(shown(w, order.suo, u"suo_state_name"_s), u"В работе"_s);
        QVERIFY(SupplierOrderList::confirmedDiffers(w->list(), *w->list().rowAt(w->list().recNo())));
        QVERIFY(!SupplierOrderList::confirmedDiffers(
            w->list(), *w->list().rowAt(rowOf(w->grid(), u"suo_id"_s, other.suo))));
        const int lineA = rowOf(w->linesGrid(), u"sop_pr_id"_s, a);
        QCOMPARE(
            Money::fromVariant(w->linesGrid()->model()->data(cellOf(w->linesGrid(), lineA, u"soa_amount"_s))),
            Money(6));

        // A cut to its confirmed 6: the sums follow at the same price; nothing is in work any more.
        w->linesGrid()->setFocus();
        w->linesGrid()->setCurrentIndex(cellOf(w->linesGrid(), lineA, u"pr_name"_s));
        QCOMPARE(w->lines().integer(u"sop_pr_id"_s), a);
        Test::Notices requests(Messaging::ChangeEvents::BusinessOffers);
        w->action(u"actReduceToConfirmed"_s)->trigger();
        QCOMPARE(requests.heard, 1);
        QCOMPARE(f.sum(u"select sop_amount from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                       {order.suo, a}),
                 Money(6));
        QCOMPARE(f.sum(u"select sop_sum from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                       {order.suo, a}),
                 Money(600));
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered where bpo_suo_id = ?"_s, {order.suo}), 0);
        QCOMPARE(w->list().currentOrder(), order.suo);
        QCOMPARE(shown(w, order.suo, u"suo_state_name"_s), u"Выполнено по реестру"_s);
        QVERIFY(!SupplierOrderList::confirmedDiffers(w->list(), *w->list().rowAt(w->list().recNo())));
        TARVO_CHECK_CHAIN(db);

        // Commands of parts not in this program say so; processing has no action registered.
        for (const char* name : {"actNew", "actFormOrders", "actProcessOrder", "actPrintRegister"}) {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(QLatin1String(name))->trigger();
            QTRY_COMPARE(ok.texts.size(), 1);
            QVERIFY2(!ok.texts.first().isEmpty(), name);
        }
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(u"actProcessOrder"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{u"Не зарегистрировано действие для обработки заказа"_s});
        }

        // "По номеру заказа" stands on the typed number; "Печать" without its extension does nothing.
        standOn(w, other.suo);
        Test::whenModal<QInputDialog>([&order](QInputDialog* d) {
            d->setIntValue(int(order.suo));
            QTest::keyClick(d, Qt::Key_Return);
        });
        w->action(u"actFindOrder"_s)->trigger();
        QCOMPARE(w->list().currentOrder(), order.suo);
        w->action(u"actPrint"_s)->trigger();
        QVERIFY(!QApplication::activeModalWidget());

        // Deleted after the question, with its confirmation and shares.
        standOn(w, order.suo);
        {
            Test::BoxAnswers cancel({QMessageBox::Cancel});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(cancel.texts, QStringList{u"Удалить заказ?"_s});
        }
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {order.suo}), 1);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{u"Удалить заказ?"_s});
        }
        QCOMPARE(requests.heard, 2);
        for (const QString& sql : {u"select count(*) from scm_supplier_order where suo_id = ?"_s,
                                   u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s,
                                   u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s})
            QCOMPARE(f.count(sql, {order.suo}), 0);
        QCOMPARE(w->grid()->model()->rowCount(), 1);
        QCOMPARE(w->list().currentOrder(), other.suo);
        TARVO_CHECK_CHAIN(db);

        // Without 100011 approval is refused and says which right is missing; without 100013 the
        // request rows are read-only; without 100006 nothing is deleted.
        for (int right : {Security::Right::ApproveSupplierOrder, Security::Right::AdminEditing,
                          Security::Right::DeleteSupplierOrder})
            db.exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = ?"_s,
                    {f.adminId, right});
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(u"actApprove"_s)->trigger();
            QTRY_COMPARE(ok.texts.size(), 1);
            QCOMPARE(ok.texts.first(), Security::MissingRightText(Security::Right::ApproveSupplierOrder,
                                                                  u"Одобрение заказа"_s));
        }
        QCOMPARE(stored(db, u"suo_accepted"_s, other.suo), 0);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(ok.texts.size(), 1);
            QVERIFY(ok.texts.first() != u"Удалить заказ?"_s);
        }
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {other.suo}), 1);
        w->action(u"actRefresh"_s)->trigger();
        QCOMPARE(w->orderedGrid()->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(w->lines().isActive());

        // Another user's order: the notice reads the list again, keeping the current one.
        const qint64 added = f.newOrder();
        f.orderedLine(added, b, "1", "10");
        notices.receive(Messaging::ChangeEvents::SupplierOrders);
        notices.flush();
        QTRY_COMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->list().currentOrder(), other.suo);
        main.mdiArea()->closeAllSubWindows();
        TARVO_CHECK_CHAIN(db);
    }

    // The ordered rows of a line are typed in their tab, through the distribution's writer.
    // "Редактировать" opens the order in its editor, whose save the register shows; "Функции" →
    // "Формирование заказа поставщику" opens the forming window on the open request amounts.
    void editorAndFormingOpenFromTheRegister()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::SupplierListFixture f(db);
        Otbor::TGlobalOtbors::instance().switchAllOff();
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const qint64 a = f.product(u"A-1"_s);
        const auto order = f.orderWithRequest(a, "8", "800");
        Shell::FormActivationRegistry::instance().clear();
        registerSupplierOrderRegister();
        TSupplierOrderActivator::registerEditor();
        registerSupplierOrderForming();
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        main.menuItem(u"itemSupplierOrders"_s)->trigger();
        auto* w = Test::mdiWindow<TViewSupplierOrder>(main.mdiArea());
        QVERIFY(w);
        standOn(w, order.suo);
        w->action(u"actEdit"_s)->trigger();
        TedSupplierOrder2* ed = nullptr;
        QTRY_VERIFY((ed = Test::mdiWindow<TedSupplierOrder2>(main.mdiArea())));
        QCOMPARE(ed->grid()->model()->rowCount(), 1);
        auto* description = ed->findChild<QLineEdit*>(u"edDescription"_s);
        QVERIFY(description);
        description->setFocus();
        description->selectAll();
        Test::typeText(description, u"Срочная поставка"_s);
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            ed->findChild<QPushButton*>(u"btnExit"_s)->click();
            QTRY_COMPARE(answers.texts, QStringList{u"Заказ сохранен"_s});
        }
        QTRY_VERIFY(!Test::mdiWindow<TedSupplierOrder2>(main.mdiArea()));
        QCOMPARE(db.scalar(u"select suo_description from scm_supplier_order where suo_id = ?"_s, {order.suo})
                     .toString(),
                 u"Срочная поставка"_s);
        QTRY_COMPARE(shown(w, order.suo, u"suo_description"_s), u"Срочная поставка"_s);

        // Nothing open on approved requests yet: the forming window says so and stays closed.
        Test::toFront(w);
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            w->action(u"actFormOrders"_s)->trigger();
            QTRY_COMPARE(answers.texts, QStringList{TfSupplierOrder::nothingToOrderText()});
        }
        QVERIFY(!Test::mdiWindow<TfSupplierOrder>(main.mdiArea()));
        // An approved request asking for more than is ordered: the window opens on it.
        db.exec(u"update scm_bp_delivery set bpd_amount = 20 where bpd_bof_id = ?"_s, {order.bof});
        db.exec(u"update scm_business_offer set bof_accepted = 1 where bof_id = ?"_s, {order.bof});
        Test::toFront(w);
        w->action(u"actFormOrders"_s)->trigger();
        TfSupplierOrder* forming = nullptr;
        QTRY_VERIFY((forming = Test::mdiWindow<TfSupplierOrder>(main.mdiArea())));
        QVERIFY(forming->isVisible());
        TARVO_CHECK_CHAIN(db);
    }

    void orderedRowsEditedInTheirTab()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::SupplierListFixture f(db);
        Otbor::TGlobalOtbors::instance().switchAllOff();
        const qint64 a = f.product(u"A-1"_s);
        const auto order = f.orderWithRequest(a, "8", "800");
        TViewSupplierOrder w(db);
        w.show();
        QCOMPARE(w.list().currentOrder(), order.suo);
        Widgets::TDataGrid* grid = w.orderedGrid();
        QCOMPARE(grid->model()->rowCount(), 1);
        w.tabs()->setCurrentIndex(0);
        grid->setFocus();
        grid->setCurrentIndex(cellOf(grid, 0, u"bpo_amount"_s));
        Test::press(grid, Qt::Key_5);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != grid);
        Test::press(editor, Qt::Key_Return);
        QTRY_COMPARE(f.sum(u"select bpo_amount from scm_bo_ordered where bpo_suo_id = ?"_s, {order.suo}),
                     Money(5));
        TARVO_CHECK_CHAIN(db);
    }

    // With "PaintOrdersInColor" an order whose confirmation differs from what was ordered stands
    // out; one confirmed as ordered, or not confirmed at all, does not.
    void ordersInColor()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::SupplierListFixture f(db);
        Otbor::TGlobalOtbors::instance().switchAllOff();
        const qint64 a = f.product(u"A-1"_s);
        const auto less = f.orderWithRequest(a, "10", "1000");
        f.confirmFromRequest(less, a, f.day(3), "6", "600");
        const auto dearer = f.orderWithRequest(a, "10", "1000");
        f.confirmFromRequest(dearer, a, f.day(3), "10", "1100");
        const auto same = f.orderWithRequest(a, "10", "1000");
        f.confirmFromRequest(same, a, f.day(3), "10", "1000");
        const auto none = f.orderWithRequest(a, "10", "1000");
        db.exec(u"update scm_supplier_order set suo_accepted = 1"_s);

        const Shell::ProgramParameters before = Shell::ProgramParameters::current();
        for (bool paint : {true, false}) {
            Shell::ProgramParameters p = before;
            p.paintOrdersInColor = paint;
            Shell::ProgramParameters::setCurrent(p);
            TViewSupplierOrder w(db);
            auto* delegate = dynamic_cast<BusOffer::OfferListDelegate*>(w.grid()->itemDelegate());
            QVERIFY(delegate);
            const auto background = [&](qint64 suo) {
                return delegate->lookOf(rowOf(w.grid(), u"suo_id"_s, suo), false, w.palette())->background;
            };
            const QColor lit = paint ? BusOffer::OfferListDelegate::highlightColor() : QColor();
            QCOMPARE(background(less.suo), lit);
            QCOMPARE(background(dearer.suo), lit);
            QCOMPARE(background(same.suo), QColor());
            QCOMPARE(background(none.suo), QColor());
        }
        Shell::ProgramParameters::setCurrent(before);
        TARVO_CHECK_CHAIN(db);
    }
};

QTEST_MAIN(TViewSupplierOrderTest)
#include "tst_tviewsupplierorder.moc"
