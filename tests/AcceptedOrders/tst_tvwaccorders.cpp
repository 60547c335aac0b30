// The confirmed-order register opened from the main menu, used as a user uses it.
#include "AcceptedOrders/acclistfixture.h"
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "AcceptedOrders/ui/tvwaccorders.h"
#include "AcceptedOrders/ui/tvwaccordersregistration.h"
#include "BusOffer/ourpricechooser.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "data/modules/tdatatablefieldmap.h"
#include "messaging/tmessageserver.h"
#include "otbor/tglobalotbors.h"
#include "security/rights.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AcceptedOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

QModelIndex cellOf(Widgets::TDataGrid* grid, int row, const QString& field)
{
    return grid->model()->index(row, grid->fieldColumn(field));
}

int rowOf(TvwAccOrders* w, qint64 suo)
{
    for (int r = 0; r < w->grid()->model()->rowCount(); ++r)
        if (w->grid()->model()->data(cellOf(w->grid(), r, u"suo_id"_s)).toLongLong() == suo)
            return r;
    return -1;
}

void standOn(TvwAccOrders* w, qint64 suo, const QString& field = u"suo_id"_s)
{
    w->grid()->setFocus();
    w->grid()->setCurrentIndex(cellOf(w->grid(), rowOf(w, suo), field));
    QCOMPARE(w->list().currentOrder(), suo);
}

} // namespace

class TvwAccOrdersTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void registerFromTheMainMenu()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::AccListFixture f(db);
        Otbor::TGlobalOtbors::instance().switchAllOff();
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        // Shipped in part: in progress, and not to be deleted.
        const qint64 shipped = f.newOrder();
        f.confirm(shipped, a, f.day(3), "10", "1000");
        const qint64 r1 = f.sharedRequest(shipped, a, f.day(3), "4");
        f.sharedRequest(shipped, a, f.day(3), "6");
        const qint64 swb = f.waybill();
        f.ship(r1, shipped, a, f.day(3), f.invoice(swb, false), swb, "3");
        // Confirmed and waiting: deleted, its share goes back to the request.
        const qint64 waiting = f.newOrder();
        f.confirm(waiting, b, f.day(4), "5", "500");
        const qint64 r3 = f.sharedRequest(waiting, b, f.day(4), "5");

        // The dictionary names a column: the grid shows that name.
        Data::TDataTableFieldMap::instance().findTable(u"acceptedOrders"_s)->findField(u"suo_id"_s)->displayName =
            u"Номер подтв. заказа"_s;

        Shell::FormActivationRegistry::instance().clear();
        registerAcceptedOrderRegister();
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        QAction* item = main.menuItem(u"itemAcceptedOrders"_s);
        QVERIFY(item->isEnabled());
        item->trigger();
        auto* w = Test::mdiWindow<TvwAccOrders>(main.mdiArea());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Подтвержденные заказы"_s);
        QVERIFY(!w->parentWidget()->isMaximized());

        // Rows with the dictionary's titles, the state and the current order's lines below.
        QCOMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->grid()->columnCaption(w->grid()->fieldColumn(u"suo_id"_s)), u"Номер подтв. заказа"_s);
        QCOMPARE(w->grid()->columnCaption(w->grid()->fieldColumn(u"sdi_amount"_s)), u"Кол-во отгружено"_s);
        QCOMPARE(w->productsGrid()->columnCaption(w->productsGrid()->fieldColumn(u"soa_amount"_s)), u"Подтв-но"_s);
        standOn(w, shipped);
        QCOMPARE(w->grid()->model()->data(cellOf(w->grid(), rowOf(w, shipped), u"suo_state_name"_s)).toString(),
                 u"В работе"_s);
        QCOMPARE(w->productsGrid()->model()->rowCount(), 1);
        QCOMPARE(w->requestsGrid()->model()->rowCount(), 2);
        QCOMPARE(w->stateGrid()->model()->rowCount(), 2);

        // The description typed in the grid is written at once, and the others are told.
        Test::Notices accepted(Messaging::ChangeEvents::AcceptedOrders), orders(Messaging::ChangeEvents::SupplierOrders),
            offers(Messaging::ChangeEvents::BusinessOffers);
        standOn(w, shipped, u"suo_description"_s);
        Test::press(w->grid(), Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != w->grid());
        Test::press(editor, Qt::Key_A, Qt::ControlModifier);
        Test::typeText(editor, u"срочно"_s);
        Test::press(editor, Qt::Key_Return);
        QTRY_COMPARE(w->list().string(u"suo_description"_s), u"срочно"_s);
        Test::press(w->grid(), Qt::Key_Down);
        QTRY_COMPARE(db.scalar(u"select suo_description from scm_supplier_order where suo_id = ?"_s, {shipped}).toString(),
                     u"срочно"_s);
        QCOMPARE(accepted.heard, 1);
        QCOMPARE(orders.heard, 1);
        QCOMPARE(offers.heard, 1);

        // A description still being edited is written before "Обновить" reads the rows again.
        standOn(w, shipped, u"suo_description"_s);
        Test::press(w->grid(), Qt::Key_F2);
        editor = QApplication::focusWidget();
        Test::press(editor, Qt::Key_A, Qt::ControlModifier);
        Test::typeText(editor, u"позже"_s);
        Test::press(editor, Qt::Key_Return);
        QTRY_COMPARE(w->list().string(u"suo_description"_s), u"позже"_s);
        w->action(u"actRefresh"_s)->trigger();
        QCOMPARE(db.scalar(u"select suo_description from scm_supplier_order where suo_id = ?"_s, {shipped}).toString(),
                 u"позже"_s);
        QCOMPARE(w->list().currentOrder(), shipped);
        QCOMPARE(accepted.heard, 2);

        // "Обновить" comes back to the same order.
        standOn(w, waiting);
        w->action(u"actRefresh"_s)->trigger();
        QCOMPARE(w->list().currentOrder(), waiting);

        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(u"actProcessOrder"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{u"Не зарегистрировано действие для обработки заказа"_s});
        }
        // The commands of documents to come say so.
        for (const char* name : {"actPrintRegister"}) {
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->action(QLatin1String(name))->trigger();
            QTRY_COMPARE(ok.texts.size(), 1);
            QVERIFY2(ok.texts.first().contains(u"появится"_s), name);
        }
        // "Редактировать" opens the confirmation of the current order, once however often asked.
        const auto editors = [&main] {
            int n = 0;
            for (QMdiSubWindow* sub : main.mdiArea()->subWindowList())
                n += qobject_cast<TAcceptedShedule*>(sub->widget()) ? 1 : 0;
            return n;
        };
        w->action(u"actEdit"_s)->trigger();
        auto* confirmation = Test::mdiWindow<TAcceptedShedule>(main.mdiArea());
        QVERIFY(confirmation);
        QCOMPARE(confirmation->windowTitle(), u"Подтверждение заказа %1"_s.arg(waiting));
        w->action(u"actEdit"_s)->trigger();
        QCOMPARE(editors(), 1);
        QCOMPARE(main.mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(confirmation));
        confirmation->parentWidget()->close();
        QTRY_COMPARE(editors(), 0);
        Test::toFront(w);

        // "Удалить": answered No, nothing; answered Yes, the confirmation is gone and its share is
        // ordered again.
        {
            Test::BoxAnswers no({QMessageBox::No});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(no.texts, QStringList{u"Удалить подтверждение заказа?"_s});
        }
        QCOMPARE(f.count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {waiting}), 1);
        {
            Test::BoxAnswers yes({QMessageBox::Yes});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(yes.texts, QStringList{u"Удалить подтверждение заказа?"_s});
        }
        QCOMPARE(f.count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {waiting}), 0);
        QCOMPARE(f.sum(u"select bpo_amount from scm_bo_ordered where bpo_bof_id = ? and bpo_suo_id = ?"_s, {r3, waiting}),
                 Money(5));
        QCOMPARE(w->grid()->model()->rowCount(), 1);
        QCOMPARE(accepted.heard, 3);
        TARVO_CHECK_CHAIN(db);

        // The shipped order is refused, the waybill named.
        standOn(w, shipped);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            w->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(answers.texts.size(), 2);
            QVERIFY2(answers.texts.at(1).contains(u"посылка %1"_s.arg(swb)), qPrintable(answers.texts.at(1)));
            QVERIFY(answers.texts.at(1).endsWith(u"Удаление подтверждения невозможно"_s));
        }
        QCOMPARE(f.count(u"select count(*) from scm_so_accepted where soa_suo_id = ?"_s, {shipped}), 1);

        // Another user's confirmation: the notice reads the list again.
        const qint64 added = f.newOrder();
        f.confirm(added, b, f.day(5), "1");
        Messaging::TMessageServer::instance().receive(Messaging::ChangeEvents::AcceptedOrders);
        Messaging::TMessageServer::instance().flush();
        QTRY_COMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->list().currentOrder(), shipped);

        // Without right 100007 the command is off.
        db.exec(u"delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = ?"_s,
                {f.adminId, Security::Right::DeleteAcceptedOrder});
        w->action(u"actRefresh"_s)->trigger();
        QVERIFY(!w->action(u"actDelete"_s)->isEnabled());
        QVERIFY(w->action(u"actEdit"_s)->isEnabled());
        main.mdiArea()->closeAllSubWindows();
    }
};

QTEST_MAIN(TvwAccOrdersTest)
#include "tst_tvwaccorders.moc"
