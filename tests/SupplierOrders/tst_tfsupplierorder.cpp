#include "BusOffer/ourpricechooser.h"
#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/supplierorderwriter.h"
#include "SupplierOrders/ui/tfsupplierorder.h"
#include "SupplierOrders/ui/tfsupplierorderregistration.h"
#include "SupplierOrders/ui/tpreparedsupplierorders.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "formingfixture.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::StringLiterals;
using SupplierOrders::TfSupplierOrder;
using SupplierOrders::TPreparedSupplierOrders;
using Test::FormingFixture;

namespace {
using Test::cellOf;
using Test::rowShowing;
using Test::shown;
// The cell under the cursor, the grid focused.
const auto standOn = Test::pick;

TfSupplierOrder* openForming(Shell::MainWindow& main)
{
    if (!Shell::FormActivationRegistry::instance().open(TfSupplierOrder::FormType, 0))
        return nullptr;
    return Test::mdiWindow<TfSupplierOrder>(main.mdiArea());
}
} // namespace

class TfSupplierOrderTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void init()
    {
        Shell::FormActivationRegistry::instance().clear();
        SupplierOrders::registerSupplierOrderForming();
    }

    // From the open amounts to saved orders as a user goes: choose a product, Enter on a
    // supplier, split by typing an amount, "Далее", "Сохранить".
    void formOrdersFromOpenAmounts()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        f.warehouse(3, u"Основной"_s);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 cheap = f.supplier(u"ДЕШЕВ"_s, 3), dear = f.supplier(u"ДОРОГ"_s, 3);
        f.offer(a, cheap, "100");
        f.offer(a, dear, "120", u""_s);
        f.offer(b, dear, "7");
        const qint64 r1 = f.request({{a, "3"}, {b, "2"}});
        const qint64 r2 = f.request({{a, "4"}});

        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        Test::activate(&main);

        // Esc closes the window; the registry opens it again, one window.
        TfSupplierOrder* w = openForming(main);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Формирование заказа поставщику"_s);
        QPointer<TfSupplierOrder> closing(w);
        Test::press(w->productsGrid(), Qt::Key_Escape);
        QTRY_VERIFY(!closing);
        QVERIFY(main.mdiArea()->subWindowList().isEmpty());
        w = openForming(main);
        QVERIFY(w);
        QVERIFY(Shell::FormActivationRegistry::instance().open(TfSupplierOrder::FormType, 0));
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);

        Widgets::TDataGrid* products = w->productsGrid();
        Widgets::TDataGrid* suppliers = w->suppliersGrid();
        Widgets::TDataGrid* assigned = w->assignmentsGrid();
        products->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), products);
        Test::checkTabReachesEveryControl(w);
        QCOMPARE(products->model()->rowCount(), 2);
        QCOMPARE(products->columnCaption(products->fieldColumn(u"required_amount"_s)), u"Требуется"_s);
        QCOMPARE(products->columnCaption(products->fieldColumn(u"assigned_amount"_s)), u"Назначено"_s);
        QCOMPARE(products->columnCaption(products->fieldColumn(u"bof_str"_s)), u"Заявки"_s);
        const int rowA = rowShowing(products, u"pr_articul"_s, u"A-1"_s);
        QCOMPARE(shown(products, rowA, u"required_amount"_s), u"7"_s);
        QCOMPARE(shown(products, rowA, u"bof_str"_s), u"%1;%2"_s.arg(r1).arg(r2));

        // Product A: its suppliers, the cheaper first; Enter gives it the whole rest.
        standOn(products, rowA, u"pr_articul"_s);
        QTRY_COMPARE(suppliers->model()->rowCount(), 2);
        QCOMPARE(shown(suppliers, 0, u"name_user"_s), u"ООО ДЕШЕВ"_s);
        standOn(suppliers, 0, u"name_user"_s);
        Test::press(suppliers, Qt::Key_Return);
        QTRY_COMPARE(assigned->model()->rowCount(), 1);
        QCOMPARE(shown(assigned, 0, u"assigned_amount"_s), u"7"_s);
        QTRY_COMPARE(shown(products, rowShowing(products, u"pr_articul"_s, u"A-1"_s), u"assigned_amount"_s), u"7"_s);

        // Typed down to 5, the other supplier takes the 2 left; typing 9 is refused.
        const auto typeAmount = [&](const QString& text) {
            standOn(assigned, 0, u"assigned_amount"_s);
            Test::press(assigned, Qt::Key_F2);
            QWidget* editor = QApplication::focusWidget();
            QVERIFY(editor && editor != assigned);
            Test::press(editor, Qt::Key_A, Qt::ControlModifier);
            Test::typeText(editor, text);
            Test::press(editor, Qt::Key_Return);
        };
        typeAmount(u"5"_s);
        QTRY_COMPARE(w->forming().assigned(a), Money(5));
        QTRY_COMPARE(shown(assigned, 0, u"assigned_amount"_s), u"5"_s);
        standOn(suppliers, 1, u"name_user"_s);
        Test::press(suppliers, Qt::Key_Return);
        QTRY_COMPARE(assigned->model()->rowCount(), 2);
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            typeAmount(u"9"_s);
            QTRY_COMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts[0].contains(u"нельзя назначить 11"_s));
        }
        QTRY_COMPARE(shown(assigned, 0, u"assigned_amount"_s), u"5"_s);
        QCOMPARE(w->forming().assigned(a), Money(7));

        // Product B from its only supplier.
        standOn(products, rowShowing(products, u"pr_articul"_s, u"B-2"_s), u"pr_articul"_s);
        QTRY_COMPARE(suppliers->model()->rowCount(), 1);
        QTRY_COMPARE(assigned->model()->rowCount(), 0);
        standOn(suppliers, 0, u"name_user"_s);
        Test::press(suppliers, Qt::Key_Return);
        QTRY_COMPARE(assigned->model()->rowCount(), 1);

        // "Далее": two orders prepared; "Сохранить" writes them and nothing is left open.
        int preparedOrders = 0, preparedLines = 0;
        Test::whenModal<TPreparedSupplierOrders>([&](TPreparedSupplierOrders* d) {
            QCOMPARE(d->windowTitle(), u"Подготовленны заказы поставщикам"_s);
            preparedOrders = d->ordersGrid()->model()->rowCount();
            preparedLines = d->linesGrid()->model()->rowCount();
            QTRY_COMPARE(QApplication::focusWidget(), d->ordersGrid());
            Test::checkTabReachesEveryControl(d);
            Test::clickButton(d, u"Сохранить"_s);
        });
        Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok});
        Test::clickButton(w, u"Далее"_s);
        QCOMPARE(preparedOrders, 2);
        QCOMPARE(preparedLines, 1); // the first order's lines: A from the cheaper supplier
        QTRY_COMPARE(answers.texts.size(), 2);
        QVERIFY(answers.texts[0].startsWith(u"Сохранено заказов: 2"_s));
        QCOMPARE(answers.texts[1], u"Нет товаров для заказа."_s);
        QPointer<TfSupplierOrder> done(w);
        QTRY_VERIFY(!done);

        const qint64 cheapOrder =
            db.scalar(u"select suo_id from scm_supplier_order where suo_supplier = ?"_s, {cheap}).toLongLong();
        const qint64 dearOrder =
            db.scalar(u"select suo_id from scm_supplier_order where suo_supplier = ?"_s, {dear}).toLongLong();
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_waiting = 1 and suo_id_sclad = 3"_s), 2);
        QCOMPARE(f.count(u"select count(*) from scm_so_products"_s), 3);
        QCOMPARE(f.sum(u"select sop_amount from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                       {dearOrder, a}),
                 Money(2));
        QCOMPARE(f.sum(u"select sop_sum from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                       {cheapOrder, a}),
                 Money(500));
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 4);
        QCOMPARE(f.ordered(r1, a, cheapOrder), Money(3));
        QCOMPARE(f.ordered(r2, a, cheapOrder), Money(2));
        QCOMPARE(f.ordered(r2, a, dearOrder), Money(2));
        QCOMPARE(f.ordered(r1, b, dearOrder), Money(2));
        TARVO_CHECK_CHAIN(db);
    }

    // Another workstation orders the amounts while the prepared orders are shown: "Сохранить" is
    // refused with the reason, nothing is written, and the window shows what is open now.
    void refusedSaveReadsTheAmountsAgain()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        const qint64 s1 = f.supplier(u"ПЕРВ"_s);
        f.offer(a, s1, "100");
        f.offer(b, s1, "10");
        const qint64 r1 = f.request({{a, "3"}, {b, "1"}});

        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        Test::activate(&main);
        TfSupplierOrder* w = openForming(main);
        QVERIFY(w);
        standOn(w->productsGrid(), rowShowing(w->productsGrid(), u"pr_articul"_s, u"A-1"_s), u"pr_articul"_s);
        QTRY_COMPARE(w->suppliersGrid()->model()->rowCount(), 1);
        standOn(w->suppliersGrid(), 0, u"name_user"_s);
        Test::press(w->suppliersGrid(), Qt::Key_Return);
        QTRY_COMPARE(w->assignmentsGrid()->model()->rowCount(), 1);

        Test::whenModal<TPreparedSupplierOrders>([&](TPreparedSupplierOrders* d) {
            std::unique_ptr<Data::Database> other = t.connectAgain();
            SupplierOrders::SupplierOrderForming there(*other);
            there.load();
            there.assign(a, s1, Money(1));
            there.save(there.prepare());
            Test::clickButton(d, u"Сохранить"_s);
        });
        Test::BoxAnswers answers({QMessageBox::Ok});
        Test::clickButton(w, u"Далее"_s);
        QTRY_COMPARE(answers.texts.size(), 1);
        QCOMPARE(answers.texts[0], SupplierOrders::SupplierOrderWriter::staleMessage(r1, u"A-1"_s));
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 1);
        QVERIFY(w->forming().assignments().isEmpty());
        const int rowA = rowShowing(w->productsGrid(), u"pr_articul"_s, u"A-1"_s);
        QCOMPARE(shown(w->productsGrid(), rowA, u"required_amount"_s), u"2"_s);
        QCOMPARE(shown(w->productsGrid(), rowA, u"assigned_amount"_s), u"0"_s);
        TARVO_CHECK_CHAIN(db);
    }

    void nothingOpenOpensNothing()
    {
        Test::TestDatabase t;
        FormingFixture f{t.db()};
        const qint64 a = f.product(u"A-1"_s);
        f.request({{a, "3"}}, {}, false); // not approved: nothing to order
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        Test::activate(&main);
        Test::BoxAnswers answers({QMessageBox::Ok});
        QVERIFY(Shell::FormActivationRegistry::instance().open(TfSupplierOrder::FormType, 0));
        QCOMPARE(answers.texts, QStringList{u"Нет товаров для заказа."_s});
        QVERIFY(main.mdiArea()->subWindowList().isEmpty());
    }
};

QTEST_MAIN(TfSupplierOrderTest)
#include "tst_tfsupplierorder.moc"
