#include "SupplierOrders/editorfixture.h"
#include "SupplierOrders/supplierproductlist.h"
#include "SupplierOrders/ui/tedsupplierorder2.h"
#include "SupplierOrders/ui/tselectsupplier.h"
#include "SupplierOrders/ui/tselectsupplproducts.h"
#include "SupplierOrders/ui/tsupplierorderactivator.h"
#include "catalog/boxanswers.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/tree/scmnodes.h"
#include "support/typetext.h"
#include "data/modules/tupdatedadoquery.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "support/windowsession.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::SupplierOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Session : Test::WindowSession
{
    explicit Session(Data::Database& d)
        : WindowSession(d, TSupplierOrderActivator::registerEditor, {QMessageBox::Ok, QMessageBox::Ok})
    {}
    TedSupplierOrder2* editor() const
    {
        for (QMdiSubWindow* s : main.mdiArea()->subWindowList())
            if (auto* w = qobject_cast<TedSupplierOrder2*>(s->widget()))
                return w;
        return nullptr;
    }
};

using Test::cellOf;
using Test::child;

// Makes the picker's row of a product the current one.
void goTo(TSelectSupplProducts* picker, qint64 product)
{
    QVERIFY(picker->products().locate({u"pr_id"_s}, {product}));
    picker->productsGrid()->setFocus();
}

} // namespace

class SupplierOrderWindowTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup()
    {
        Catalog::CurrencyRates::setMissingRateAsker({});
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
    }

    void userOrdersThreeProductsInDollarsFromTheMenu()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EditorFixture f{db};
        f.warehouse(9, u"Основной"_s);
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s, 9);
        const qint64 other = f.supplier(u"ДРУГ"_s, u"ООО Другой"_s);
        const qint64 g = f.catalog().group(u"Крепёж"_s);
        QList<qint64> p;
        for (const QString& a : {u"B1"_s, u"B2"_s, u"B3"_s})
            p << f.catalog().product(a, u"Болт "_s + a, g);
        const qint64 foreign = f.catalog().product(u"X1"_s, u"Чужой товар"_s, g);
        f.assortment(supplier, p[0], u"S-B1"_s, Money(10));
        f.assortment(supplier, p[1], u"S-B2"_s, Money(10), {}, 3);
        f.assortment(supplier, p[2], u"S-B3"_s, Money(2), u"USD"_s);
        f.assortment(other, foreign, u"D-X1"_s, Money(1));
        f.currency(u"USD"_s, 100, QDate::currentDate());
        db.exec(u"insert into scm_pricename (prn_name) values ('Оптовая')"_s);
        db.exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) "
                "select prn_id, ?, ?, 9 from scm_pricename"_s,
                {p[0], supplier});
        auto order = [&](const QString& column) {
            return f.value(u"select %1 from scm_supplier_order"_s.arg(column));
        };
        auto line = [&](const QString& column, qint64 product) {
            return f.money(u"select %1 from scm_so_products where sop_pr_id = ?"_s.arg(column), {product});
        };

        Session s(db);
        QAction* item = s.main.menuItem(u"itemNewSupplierOrder"_s);
        QVERIFY(item->isEnabled());

        // Esc in the supplier picker opens nothing.
        Test::whenModal<TselectSupplier>(
            [](TselectSupplier* d) { Test::press(d->findEdit(), Qt::Key_Escape); });
        item->trigger();
        QVERIFY(!s.editor());

        // The supplier by keyboard: a part of its name narrows the list, Enter chooses.
        int listed = -1;
        Test::whenModal<TselectSupplier>([&listed](TselectSupplier* d) {
            QCOMPARE(d->windowTitle(), u"Выбор поставщика"_s);
            Test::typeText(d->findEdit(), u"пост"_s);
            listed = d->dataSet().recordCount();
            Test::press(d->findEdit(), Qt::Key_Return);
        });
        item->trigger();
        QCOMPARE(listed, 1);
        TedSupplierOrder2* ed = s.editor();
        QVERIFY(ed);
        QCOMPARE(child<QLabel>(ed, u"lblNumber"_s)->text(), u"Новый заказ"_s);
        QCOMPARE(child<QLineEdit>(ed, u"edSupplier"_s)->text(), u"ООО Поставщик"_s);
        QVERIFY(child<QLineEdit>(ed, u"edSupplier"_s)->isReadOnly());
        QCOMPARE(child<QComboBox>(ed, u"cbWarehouse"_s)->currentText(), u"Основной"_s);
        QVERIFY(!child<QCheckBox>(ed, u"chkAccepted"_s)->isEnabled());
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 0);

        // "Нов. товар" saves the header and opens the supplier's assortment.
        Test::activate(&s.main);
        Test::toFront(ed);
        child<QPushButton>(ed, u"btnNewProduct"_s)->click();
        const qint64 id = ed->document().suoId();
        QVERIFY(id > 0);
        QCOMPARE(order(u"suo_supplier"_s).toLongLong(), supplier);
        QCOMPARE(order(u"suo_id_sclad"_s).toInt(), 9);
        QCOMPARE(child<QLabel>(ed, u"lblNumber"_s)->text(), u"Заказ %1"_s.arg(id));
        TSelectSupplProducts* picker = ed->picker();
        QVERIFY(picker);
        QTRY_VERIFY(picker->isVisible());
        QCOMPARE(picker->windowTitle(), u"Выбор товара от ООО Поставщик"_s);
        // The supplier's own products only.
        QCOMPARE(picker->products().recordCount(), 3);
        QVERIFY(!picker->products().locate({u"pr_id"_s}, {foreign}));

        // Enter on the first: one piece; the lower grid shows its prices.
        Test::activate(picker);
        goTo(picker, p[0]);
        QCOMPARE(picker->pricesGrid()->model()->rowCount(), 1);
        Test::press(picker->productsGrid(), Qt::Key_Return);
        QCOMPARE(line(u"sop_amount"_s, p[0]), Money(1));
        QCOMPARE(line(u"sop_sum"_s, p[0]), Money(10));
        QCOMPARE(Money::fromVariant(picker->products().value(u"in_order"_s)), Money(1));

        // "Выбрать" on the second: its minimum lot.
        goTo(picker, p[1]);
        QCOMPARE(picker->pricesGrid()->model()->rowCount(), 0);
        Test::clickButton(picker, u"Выбрать"_s);
        QCOMPARE(line(u"sop_amount"_s, p[1]), Money(3));
        QCOMPARE(line(u"sop_sum"_s, p[1]), Money(30));

        // The third typed in "В заказе": priced in dollars, in roubles at today's rate.
        goTo(picker, p[2]);
        Widgets::TDataGrid* products = picker->productsGrid();
        products->setCurrentIndex(cellOf(products, picker->products().recNo(), u"in_order"_s));
        Test::press(products, Qt::Key_4);
        QWidget* typing = QApplication::focusWidget();
        QVERIFY(typing && typing != products);
        Test::press(typing, Qt::Key_Return);
        // The view commits the typed value on its next turn; leaving the row posts it.
        QTRY_VERIFY(!picker->products().isNull(u"in_order"_s));
        Test::press(products, Qt::Key_Up);
        QTRY_COMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {id}), 3);
        QCOMPARE(line(u"sop_amount"_s, p[2]), Money(4));
        QCOMPARE(line(u"sop_sum"_s, p[2]), Money(800));
        QCOMPARE(f.money(u"select suo_sum from scm_supplier_order where suo_id = ?"_s, {id}), Money(840));
        QCOMPARE(ed->grid()->model()->rowCount(), 3);
        QCOMPARE(child<QLineEdit>(ed, u"edSum"_s)->text(),
                 Catalog::MoneyFormats::text(Money(840), QString()));
        QCOMPARE(cellOf(ed->grid(), 0, u"sam_artc"_s).data().toString(), u"S-B1"_s);
        picker->close();

        // Dollars, answering the question.
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* currency = child<QComboBox>(ed, u"cbCurrency"_s);
        {
            Test::BoxAnswers answers({QMessageBox::Yes});
            currency->setFocus();
            Test::press(currency, Qt::Key_Down);
            QCOMPARE(answers.texts, QStringList{u"При изменении кода валюты цены изменятся! Продолжить?"_s});
        }
        QCOMPARE(order(u"suo_cod_valut"_s).toString(), u"USD"_s);
        QCOMPARE(line(u"sop_sum_valut"_s, p[0]), Money::fromRaw(1000));
        QCOMPARE(line(u"sop_sum_valut"_s, p[1]), Money::fromRaw(3000));
        QCOMPARE(line(u"sop_sum_valut"_s, p[2]), Money(8));
        QCOMPARE(f.money(u"select suo_sum_valut from scm_supplier_order where suo_id = ?"_s, {id}),
                 Money::fromRaw(84000));
        QCOMPARE(f.money(u"select suo_sum from scm_supplier_order where suo_id = ?"_s, {id}), Money(840));

        // "Выход": saved.
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            child<QPushButton>(ed, u"btnExit"_s)->click();
            QTRY_COMPARE(answers.texts, QStringList{u"Заказ сохранен"_s});
        }
        QTRY_VERIFY(!s.editor());
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {id}), 3);

        // The supplier chosen last is the current one next time.
        QString current;
        Test::whenModal<TselectSupplier>([&current](TselectSupplier* d) {
            current = d->dataSet().string(u"N_USER"_s);
            Test::press(d->findEdit(), Qt::Key_Escape);
        });
        item->trigger();
        QCOMPARE(current, u"ПОСТ"_s);
        QVERIFY(!s.editor());

        // The order opened by its number shows it as saved.
        QVERIFY(Shell::FormActivationRegistry::instance().open(TSupplierOrderActivator::FormType, int(id)));
        ed = s.editor();
        QVERIFY(ed);
        QCOMPARE(ed->grid()->model()->rowCount(), 3);
        QCOMPARE(child<QComboBox>(ed, u"cbCurrency"_s)->currentText(), u"USD"_s);
        TARVO_CHECK_CHAIN(db);
    }

    void deleteClearsWarehouseContractAndUrgency()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EditorFixture f{db};
        f.warehouse(9, u"Основной"_s);
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s, 9);
        const qint64 dg = f.contract(supplier, u"Д-1"_s);
        const qint64 st = f.stage(dg, u"2"_s);
        const qint64 urgent =
            db.insertReturning(u"insert into SCM_Library_Urgency (Name, Priority) values (?, 1)"_s,
                               u"Urgency_ID"_s, {u"Срочно"_s});
        const qint64 pr = f.product(u"B1"_s, u"Болт"_s);
        const qint64 id = f.order(supplier);
        f.orderLine(id, pr, Money(1), Money(10));
        db.exec(u"update scm_supplier_order set suo_id_sclad = 9, suo_dg_id = ?, suo_stage_id = ?, "
                u"Urgency_ID = ? "
                "where suo_id = ?"_s,
                {dg, st, urgent, id});
        auto stored = [&](const QString& column) {
            return f.value(u"select %1 from scm_supplier_order where suo_id = ?"_s.arg(column), {id});
        };

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(TSupplierOrderActivator::FormType, int(id)));
        TedSupplierOrder2* ed = s.editor();
        QVERIFY(ed);
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* contract = child<QComboBox>(ed, u"cbContract"_s);
        QCOMPARE(contract->currentText(), u"Д-1, этап 2"_s);
        QCOMPARE(contract->maxVisibleItems(), 24);
        for (const QString& name : {u"cbWarehouse"_s, u"cbContract"_s, u"cbUrgency"_s}) {
            auto* box = child<QComboBox>(ed, name);
            box->setFocus();
            Test::press(box, Qt::Key_Delete);
            QCOMPARE(box->currentText(), QString());
        }
        Test::press(contract, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(stored(u"suo_id_sclad"_s).isNull());
        QVERIFY(stored(u"suo_dg_id"_s).isNull());
        QVERIFY(stored(u"suo_stage_id"_s).isNull());
        QVERIFY(stored(u"Urgency_ID"_s).isNull());

        // The contract itself, without a stage, is stored with a null stage.
        contract->setFocus();
        Test::press(contract, Qt::Key_Down);
        Test::press(contract, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(stored(u"suo_dg_id"_s).toLongLong(), dg);
        QVERIFY(stored(u"suo_stage_id"_s).isNull());
    }

    // The core read of the picker's "Все", which the benchmarks time.
    void wholeAssortmentIsReadBatchByBatch()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 top = f.catalog().group(u"Крепёж"_s);
        const qint64 sub = f.catalog().group(u"Болты"_s, top);
        for (int i = 0; i < 25; ++i) {
            const qint64 pr =
                f.catalog().product(u"A%1"_s.arg(i), u"Товар"_s, i % 2 ? std::optional(sub) : std::nullopt);
            f.assortment(supplier, pr, u"S%1"_s.arg(i), Money(1));
        }
        const qint64 main = f.catalog().product(u"M"_s, u"Основной"_s, top);
        const qint64 analog = f.catalog().product(u"M2"_s, u"Аналог"_s, top);
        db.exec(u"update crm_product set pr_id_main = ? where pr_id = ?"_s, {main, analog});
        f.assortment(supplier, main, u"SM"_s, Money(1));
        f.assortment(supplier, analog, u"SA"_s, Money(1));

        QCOMPARE(SupplierProductList::readAll(db, supplier, Catalog::AllProducts), 26);
        SupplierProductList list(db, supplier, 0);
        list.setBatchRows(4);
        list.showNode(Catalog::AllProducts);
        QCOMPARE(list.recordCount(), 4);
        list.fetchAll();
        QCOMPARE(list.recordCount(), 26);
        list.showNode(Catalog::WithoutGroup);
        list.fetchAll();
        QCOMPARE(list.recordCount(), 13);
        // A group with the groups below it.
        list.showNode(top);
        list.fetchAll();
        QCOMPARE(list.recordCount(), 13);
        list.showNode(sub);
        list.fetchAll();
        QCOMPARE(list.recordCount(), 12);
    }
};

QTEST_MAIN(SupplierOrderWindowTest)
#include "tst_supplierorderwindow.moc"
