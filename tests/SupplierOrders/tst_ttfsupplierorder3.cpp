#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/tdmaggsupplierorder.h"
#include "SupplierOrders/ui/tviewsupplierorder.h"
#include "SupplierOrders/ui/ttfsupplierorder3.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "formingfixture.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/tarvoapplication.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::StringLiterals;
using SupplierOrders::TdmAggSupplierOrder;
using SupplierOrders::TTfSupplierOrder3;
using Test::FormingFixture;

namespace {
using Test::cellOf;
using Test::rowShowing;
using Test::shown;
// The cell under the cursor, the grid focused.
const auto standOn = Test::pick;

// The menu key on the grid, then Down to the item and Enter, as a user reaches a pop-up command.
void popupCommand(Widgets::TDataGrid* grid, const QString& text)
{
    bool chosen = false;
    QTimer::singleShot(0, grid, [&chosen, text] {
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (int i = 0; i <= menu->actions().size() && !(menu->activeAction() && menu->activeAction()->text() == text);
             ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction()->text(), text);
        QTest::keyClick(menu, Qt::Key_Return);
        chosen = true;
    });
    const QPoint at = grid->visualRect(grid->currentIndex()).center();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid, &key);
    QTRY_VERIFY(chosen);
}

// Types a value into the cell and leaves the cell with Enter.
void typeInto(Widgets::TDataGrid* grid, int row, const QString& field, const QString& text)
{
    standOn(grid, row, field);
    Test::press(grid, Qt::Key_F2);
    QTRY_VERIFY(grid->indexWidget(grid->currentIndex()));
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    QVERIFY(grid->indexWidget(grid->currentIndex())->isAncestorOf(editor) ||
            grid->indexWidget(grid->currentIndex()) == editor);
    Test::press(editor, Qt::Key_A, Qt::ControlModifier);
    Test::typeText(editor, text);
    Test::press(editor, Qt::Key_Return);
}

void typeAmount(Widgets::TDataGrid* grid, int row, const QString& text)
{
    typeInto(grid, row, u"amount"_s, text);
}

// Chooses the supplier of the row in its combo box.
void chooseSupplier(Widgets::TDataGrid* grid, int row, const QString& name)
{
    standOn(grid, row, u"supplier_name"_s);
    Test::press(grid, Qt::Key_F2);
    auto* box = qobject_cast<QComboBox*>(QApplication::focusWidget());
    QVERIFY(box);
    const int at = box->findText(name);
    QVERIFY2(at >= 0, qPrintable(name));
    while (box->currentIndex() < at)
        Test::press(box, Qt::Key_Down);
    while (box->currentIndex() > at)
        Test::press(box, Qt::Key_Up);
    Test::press(box, Qt::Key_Return);
}

void clickTool(QWidget* window, const QString& action)
{
    auto* bar = window->findChild<QToolBar*>(u"toolbar"_s);
    QVERIFY(bar);
    qobject_cast<QAbstractButton*>(bar->widgetForAction(window->findChild<QAction*>(action)))->click();
}
} // namespace

class TTfSupplierOrder3Test : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    // The demo company: approve the two open requests, choose suppliers from the register, split
    // a product between two suppliers, save; then confirm one of the new orders.
    void formOrdersFromTheRegister()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        FormingFixture f{db};
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);

        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<BusOffer::TviewBusinesOffers>(main.mdiArea());
        QVERIFY(reg);
        Widgets::TDataGrid* requests = reg->grid();
        requests->setFocus();
        Test::press(requests, Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(reg->list().currentOffer(), 13); // the free confirmed order's request
        Test::press(requests, Qt::Key_Up);
        QTRY_COMPARE(reg->list().currentOffer(), 12);
        popupCommand(requests, u"Одобрить/Отклонить"_s);
        Test::press(requests, Qt::Key_Up);
        QTRY_COMPARE(reg->list().currentOffer(), 11);
        popupCommand(requests, u"Одобрить/Отклонить"_s);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_accepted = 1 and bof_id in (11, 12)"_s), 2);

        bool shownWindow = false;
        QList<qint64> saved;
        SupplierOrders::PreparedOrders prepared;
        Test::whenModal<TTfSupplierOrder3>([&](TTfSupplierOrder3* w) {
            shownWindow = true;
            TdmAggSupplierOrder& dm = w->document();
            Widgets::TDataGrid* products = w->productsGrid();
            Widgets::TDataGrid* supplies = w->suppliesGrid();
            QCOMPARE(w->windowTitle(), u"Формирование заказа поставщику"_s);
            QCOMPARE(products->model()->rowCount(), 8);
            QCOMPARE(products->columnCaption(products->fieldColumn(u"AggAmount"_s)), u"Требуется"_s);
            QCOMPARE(products->columnCaption(products->fieldColumn(u"bof_str"_s)), u"Заявки"_s);
            QCOMPARE(products->columnCaption(products->fieldColumn(u"UrgencyStr"_s)), u"Срочность"_s);
            // Eight proposals, one per product, the whole need each.
            QCOMPARE(dm.supplies().size(), 8);
            for (const SupplierOrders::OpenProduct& p : dm.products()) {
                QCOMPARE(dm.suppliesOf(p.productId).size(), 1);
                QCOMPARE(dm.supplies().at(dm.suppliesOf(p.productId).first()).amount, p.required);
            }
            // At the latest rates МЕТИЗ beats NINGBO's yuan price.
            qint64 contested = 0;
            for (const SupplierOrders::OpenProduct& p : dm.products())
                for (const SupplierOrders::SupplierOffer& o : dm.offers(p.productId))
                    if (o.shortName == u"NINGBO"_s && o.price == FormingFixture::m("167.0386")) {
                        contested = p.productId;
                        QCOMPARE(o.currency, u"CNY"_s);
                        QCOMPARE(*o.roublePrice, FormingFixture::m("2152.8603"));
                    }
            QVERIFY(contested);
            const SupplierOrders::SupplyRow proposal = dm.supplies().at(dm.suppliesOf(contested).first());
            QCOMPARE(proposal.roublePrice, FormingFixture::m("2129.8764"));
            QCOMPARE(proposal.currency, QString());
            QString metiz, ningbo;
            for (const SupplierOrders::SupplierOffer& o : dm.offers(contested))
                (o.shortName == u"NINGBO"_s ? ningbo : metiz) = o.supplierName;
            QCOMPARE(proposal.supplierName, metiz);
            const Money need = dm.product(contested)->required;

            // Split: one less from МЕТИЗ, the one from NINGBO.
            const int row = rowShowing(products, u"pr_articul"_s, dm.product(contested)->article);
            standOn(products, row, u"pr_articul"_s);
            QTRY_COMPARE(supplies->model()->rowCount(), 1);
            QTRY_COMPARE(w->providersGrid()->model()->rowCount(), 2);
            typeAmount(supplies, 0, (need - Money(1)).toString());
            QTRY_COMPARE(dm.supplies().at(dm.suppliesOf(contested).first()).amount, need - Money(1));
            Test::press(supplies, Qt::Key_Insert);
            QTRY_COMPARE(supplies->model()->rowCount(), 2);
            chooseSupplier(supplies, 1, ningbo);
            QTRY_COMPARE(dm.supplies().at(dm.suppliesOf(contested).last()).currency, u"CNY"_s);
            typeAmount(supplies, 1, u"1"_s);
            QTRY_COMPARE(dm.supplies().at(dm.suppliesOf(contested).last()).amount, Money(1));
            QTRY_COMPARE(shown(supplies, 1, u"amount"_s), u"1"_s);

            prepared = dm.prepare();
            Test::BoxAnswers ok({QMessageBox::Ok});
            w->findChild<QPushButton*>(u"btnNext"_s)->click();
            QCOMPARE(ok.texts, QStringList{TTfSupplierOrder3::preparedText(int(prepared.orders.size()))});
            saved = w->savedOrders();
        });
        reg->action(u"actChooseSuppliers"_s)->trigger();
        QVERIFY(shownWindow);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(saved.size(), prepared.orders.size());
        QVERIFY(saved.size() >= 2);

        // Orders: currency, urgency of their requests, the program's warehouse, waiting.
        const QVariant urgent11 = db.scalar(u"select Urgency_ID from scm_business_offer where bof_id = 11"_s);
        const QVariant urgent12 = db.scalar(u"select Urgency_ID from scm_business_offer where bof_id = 12"_s);
        for (int i = 0; i < saved.size(); ++i) {
            const SupplierOrders::PreparedOrder& o = prepared.orders[i];
            Data::Query q(db, u"select suo_supplier, suo_cod_valut, Urgency_ID, suo_id_sclad, suo_waiting, "
                              "suo_accepted from scm_supplier_order where suo_id = ?"_s);
            q.bindAll({saved[i]}).exec();
            QVERIFY(q.next());
            QCOMPARE(q.integer(0), o.supplierId);
            QCOMPARE(q.string(1), o.currency);
            QVERIFY(q.value(2).toLongLong() == urgent11.toLongLong() || q.value(2).toLongLong() == urgent12.toLongLong());
            QCOMPARE(q.integer(3), 1);
            QCOMPARE(q.integer(4), 1);
            QCOMPARE(q.integer(5), 0);
        }
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id >= ? and suo_cod_valut = 'CNY'"_s,
                         {saved.first()}),
                 1);
        // Lines with their sums.
        for (const SupplierOrders::PreparedLine& l : prepared.lines) {
            const qint64 suo = saved[l.orderLink];
            QCOMPARE(f.sum(u"select sop_amount from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                           {suo, l.productId}),
                     l.amount);
            QCOMPARE(f.sum(u"select sop_sum from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                           {suo, l.productId}),
                     l.sum());
            QCOMPARE(f.sum(u"select sop_sum_valut from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s,
                           {suo, l.productId}),
                     l.sumValut());
        }
        // One link per request line and order (the split line has two), all placed.
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered where bpo_bof_id in (11, 12)"_s), 9);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id in (11, 12)"_s), 8);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery d where bpd_bof_id in (11, 12) and bpd_amount <> "
                         "(select sum(bpo_amount) from scm_bo_ordered o where o.bpo_bof_id = d.bpd_bof_id "
                         "and o.bpo_pr_id = d.bpd_pr_id)"_s),
                 0);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id in (11, 12) "
                         "and bpd_placed <> bpd_amount"_s),
                 0);
        // The register heard of it: both requests placed in full.
        QTRY_VERIFY(reg->list().locateOffer(12) && reg->list().integer(u"bof_state"_s) == 2);
        QVERIFY(reg->list().locateOffer(11));
        QCOMPARE(reg->list().integer(u"bof_state"_s), 2);
        TARVO_CHECK_CHAIN(db);

        // "Заказы поставщику", "В работе": the new orders; one confirmed moves its ordered amounts.
        Otbor::TDocStateOtbor* state = Otbor::TGlobalOtbors::instance().docState(Otbor::OtborVar::OrderState);
        state->setDocState(Otbor::TDocStateOtbor::InProgress);
        state->setActive(true);
        main.menuItem(u"itemSupplierOrders"_s)->trigger();
        auto* orders = Test::mdiWindow<SupplierOrders::TViewSupplierOrder>(main.mdiArea());
        QVERIFY(orders);
        for (qint64 suo : saved) {
            QVERIFY(orders->list().locateOrder(suo));
            QCOMPARE(orders->list().string(u"suo_state_name"_s), u"В работе"_s);
        }
        const qint64 confirmed = saved.first();
        QVERIFY(orders->list().locateOrder(confirmed));
        const Money ordered = f.sum(u"select bpo_amount from scm_bo_ordered where bpo_suo_id = ?"_s, {confirmed});
        orders->action(u"actLoadForConfirmation"_s)->trigger();
        auto* confirmation = Test::mdiWindow<AcceptedOrders::TAcceptedShedule>(main.mdiArea());
        QVERIFY(confirmation);
        {
            Test::BoxAnswers answers({QMessageBox::No, QMessageBox::Ok});
            clickTool(confirmation, u"actSave"_s);
            QCOMPARE(answers.texts, (QStringList{AcceptedOrders::TAcceptedShedule::StopWaitingQuestion,
                                                 AcceptedOrders::TAcceptedShedule::SavedMessage}));
        }
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered where bpo_suo_id = ?"_s, {confirmed}), 0);
        QCOMPARE(f.sum(u"select boa_amount from scm_bo_accepted where boa_suo_id = ?"_s, {confirmed}), ordered);
        TARVO_CHECK_CHAIN(db);
        state->setActive(false);
        {
            Test::BoxAnswers any({QMessageBox::No, QMessageBox::No});
            main.mdiArea()->closeAllSubWindows();
        }
        Data::Database::setMain(nullptr);
    }

    // "Добавить строку ассортимента": a new supplier for the product, typed in the upper-right
    // grid; leaving the row stores it in the assortment and offers it for the order rows.
    void addsAnAssortmentRow()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        FormingFixture f{db};
        db.exec(u"update scm_business_offer set bof_accepted = 1 where bof_id in (11, 12)"_s);
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<BusOffer::TviewBusinesOffers>(main.mdiArea());
        QVERIFY(reg);

        bool shownWindow = false;
        qint64 product = 0;
        QString added;
        Test::whenModal<TTfSupplierOrder3>([&](TTfSupplierOrder3* w) {
            shownWindow = true;
            TdmAggSupplierOrder& dm = w->document();
            Widgets::TDataGrid* products = w->productsGrid();
            Widgets::TDataGrid* providers = w->providersGrid();
            product = dm.products().first().productId;
            standOn(products, 0, u"pr_articul"_s);
            QTRY_VERIFY(providers->model()->rowCount() >= 1);
            const int before = providers->model()->rowCount();
            QStringList offered;
            for (const SupplierOrders::SupplierOffer& o : dm.offers(product))
                offered << o.supplierName;

            standOn(providers, 0, u"name_user"_s);
            Test::press(providers, Qt::Key_Insert);
            QTRY_COMPARE(providers->model()->rowCount(), before + 1);
            auto* box = qobject_cast<QComboBox*>(QApplication::focusWidget());
            QVERIFY(box);
            int at = 0;
            while (at < box->count() && offered.contains(box->itemText(at)))
                ++at;
            QVERIFY(at < box->count());
            added = box->itemText(at);
            while (box->currentIndex() < at)
                Test::press(box, Qt::Key_Down);
            while (box->currentIndex() > at)
                Test::press(box, Qt::Key_Up);
            Test::press(box, Qt::Key_Return);
            const int row = providers->currentIndex().row();
            QTRY_COMPARE(shown(providers, row, u"name_user"_s), added);

            // Leaving the row before a price is typed keeps it open with the reason.
            {
                Test::BoxAnswers ok({QMessageBox::Ok});
                standOn(providers, row, u"sam_price"_s);
                Test::press(providers, Qt::Key_Up);
                QCOMPARE(ok.texts, QStringList{u"Укажите базовую цену"_s});
            }
            QTRY_COMPARE(providers->currentIndex().row(), row);
            typeInto(providers, row, u"sam_price"_s, u"12,5"_s);
            Test::press(providers, Qt::Key_Up);
            QTRY_COMPARE(dm.offers(product).size(), offered.size() + 1);
            bool found = false;
            for (const SupplierOrders::SupplierOffer& o : dm.offers(product))
                if (o.supplierName == added) {
                    found = true;
                    QCOMPARE(o.price, FormingFixture::m("12.5"));
                }
            QVERIFY(found);
            w->findChild<QPushButton*>(u"btnClose"_s)->click();
        });
        reg->action(u"actChooseSuppliers"_s)->trigger();
        QVERIFY(shownWindow);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(f.count(u"select count(*) from scm_artcmap m join scm_partner sp on sp.par_ID = m.sam_prv_id "
                         "join _partner p on p.N_USER = sp.par_nuser where m.sam_pr_id = ? and p.NAME_USER = ? and m.sam_price = 12.5"_s,
                         {product, added}),
                 1);
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }

    // Every approved request the register lists counts, also those past the batches it has
    // read; the register stays where it was. Cancel at "Подготовлено" writes nothing.
    void collectsPastTheReadBatchesAndCancelWritesNothing()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        FormingFixture f{db};
        const qint64 pr = f.product(u"MANY-1"_s);
        f.offer(pr, f.supplier(u"МНОГО"_s), "3");
        {
            Data::Transaction tx(db);
            for (int i = 0; i < 1500; ++i)
                f.request({{pr, "1"}});
            tx.commit();
        }
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<BusOffer::TviewBusinesOffers>(main.mdiArea());
        QVERIFY(reg);
        QVERIFY(reg->list().recordCount() < 1500);
        QVERIFY(reg->list().locateOffer(5));
        const int before = reg->list().recordCount();

        bool shownWindow = false;
        Test::whenModal<TTfSupplierOrder3>([&](TTfSupplierOrder3* w) {
            shownWindow = true;
            const SupplierOrders::OpenProduct* p = w->document().product(pr);
            QVERIFY(p);
            QCOMPARE(p->required, Money(1500));
            QCOMPARE(p->requestCount, 1500);
            Test::BoxAnswers cancel({QMessageBox::Cancel});
            Test::press(w->productsGrid(), Qt::Key_Return);
            QCOMPARE(cancel.texts.size(), 1);
            QVERIFY(w->savedOrders().isEmpty());
        });
        reg->action(u"actChooseSuppliers"_s)->trigger();
        QVERIFY(shownWindow);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered o join scm_supplier_order s on s.suo_id = o.bpo_suo_id "
                         "where o.bpo_pr_id = ?"_s,
                         {pr}),
                 0);
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_pr_id = ?"_s, {pr}), 0);
        QCOMPARE(reg->list().currentOffer(), 5);
        QCOMPARE(reg->list().recordCount(), before);

        // Nothing open once those are unapproved: said so, no window.
        db.exec(u"update scm_business_offer set bof_accepted = 0"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            reg->action(u"actChooseSuppliers"_s)->trigger();
            QCOMPARE(ok.texts, QStringList{TdmAggSupplierOrder::nothingOpenText()});
        }
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }
};

// The application's general handler reports what the windows refuse.
int main(int argc, char** argv)
{
    Shell::TarvoApplication app(argc, argv);
    TTfSupplierOrder3Test test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ttfsupplierorder3.moc"
