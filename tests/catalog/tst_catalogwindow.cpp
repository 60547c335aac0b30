#include "catalog/boxanswers.h"
#include "catalog/catalogfixture.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/tree/productgroups.h"
#include "support/typetext.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/tfcatalog.h"
#include "catalog/ui/tffind.h"
#include "catalog/ui/tformcodvalut.h"
#include "catalog/ui/tfrmctr.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tproductsview.h"
#include "catalog/ui/ttreelink.h"
#include "core/exception.h"
#include "data/modules/tupdatedadodataset.h"
#include "shell/tinistorage.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& caption)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == caption)
            return parent->child(i);
    return nullptr;
}

QStringList captions(QTreeWidgetItem* parent)
{
    QStringList r;
    for (int i = 0; i < parent->childCount(); ++i)
        r << parent->child(i)->text(0);
    return r;
}

} // namespace

class CatalogWindowTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup() { CurrencyRates::setMissingRateAsker({}); }

    void treeListsGroupsLazilyAndSearchIgnoresCase()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 food = f.group(u"Продукты"_s);
        const qint64 milk = f.group(u"Молочные"_s, food);
        f.group(u"Хозтовары"_s);
        f.product(u"M1"_s, u"МОЛОКО ПАСТЕРИЗОВАННОЕ"_s, milk);
        f.product(u"M2"_s, u"Кефир"_s, milk);
        f.product(u"F1"_s, u"Хлеб ржаной"_s, food);
        f.product(u"N1"_s, u"Ёршик"_s, std::nullopt);

        auto* view = new TProductsView(db);
        TfCatalog w(db, view, TSCMTreePanel::DeleteMode::GroupOnly);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QTreeWidget* tree = w.tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        QTreeWidgetItem* groups = tree->topLevelItem(1);
        QCOMPARE(captions(groups), (QStringList{u"Продукты"_s, u"Хозтовары"_s}));
        QTreeWidgetItem* foodNode = child(groups, u"Продукты"_s);
        QCOMPARE(foodNode->childCount(), 0); // not read until expanded
        foodNode->setExpanded(true);
        QCOMPARE(captions(foodNode), QStringList{u"Молочные"_s});

        tree->setCurrentItem(foodNode);
        QCOMPARE(view->dataSet()->recordCount(), 1);
        tree->setCurrentItem(child(foodNode, u"Молочные"_s));
        QCOMPARE(view->dataSet()->recordCount(), 2);
        // The option re-selects the node and is kept for the next window.
        w.setIncludeSubgroups(true);
        QCOMPARE(view->dataSet()->recordCount(), 2);
        QCOMPARE(Shell::TIniStorage::open(u"TfCatalog"_s)->readBool(u"nSSG"_s, false), true);
        w.setIncludeSubgroups(false);
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(view->dataSet()->recordCount(), 1);
        tree->setCurrentItem(tree->topLevelItem(2));
        QCOMPARE(view->dataSet()->recordCount(), 4);

        // The search dialog upper-cases the entry and finds lower-case Cyrillic text inside values.
        tree->setCurrentItem(foodNode);
        Test::whenModal<TfFind>([](TfFind* find) {
            QCOMPARE(find->windowTitle(), u"Поиск по полю <Наименование>"_s);
            Test::activate(find);
            QCOMPARE(QApplication::focusWidget(), find->findChild<QLineEdit*>());
            Test::typeText(QApplication::focusWidget(), u"ржан"_s);
            QCOMPARE(find->findChild<QLineEdit*>()->text(), u"РЖАН"_s);
            QTest::keyClick(find->findChild<QLineEdit*>(), Qt::Key_Return);
        });
        TfFind::run(*view->dataSet(), u"PR_NAME"_s, &w);
        QCOMPARE(view->dataSet()->string(u"PR_ARTICUL"_s), u"F1"_s);

        tree->setCurrentItem(child(foodNode, u"Молочные"_s));
        view->dataSet()->first();
        TfFind find(*view->dataSet(), u"PR_NAME"_s, &w);
        find.findChild<QCheckBox*>()->setChecked(false);
        find.setEntry(u"молоко"_s);
        for (QRadioButton* r : find.findChildren<QRadioButton*>())
            if (r->text() == u"По &началу"_s)
                r->setChecked(true);
        QVERIFY(find.search(false));
        QCOMPARE(find.resultText(), u"Найдено"_s);
        QVERIFY(!find.search(true));
        QCOMPARE(find.resultText(), u"Не найдено"_s);
        QCOMPARE(view->dataSet()->string(u"PR_ARTICUL"_s), u"M1"_s);

        // Numbers and dates are checked before searching.
        Test::BoxAnswers boxes({QMessageBox::Ok});
        TfFind byId(*view->dataSet(), u"PR_ID"_s, &w);
        byId.setEntry(u"abc"_s);
        QVERIFY(!byId.search(false));
        QCOMPARE(boxes.texts, QStringList{u"Необходимо ввести число."_s});
    }

    void groupsAreMadeRenamedMovedAndDeletedInPlace()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 a = f.group(u"Альфа"_s);
        f.group(u"Бета"_s);
        const qint64 p = f.product(u"P1"_s, u"Товар"_s, a);

        auto* view = new TProductsView(db);
        TfCatalog w(db, view, TSCMTreePanel::DeleteMode::GroupOnly);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        Test::activate(&w);
        QTreeWidget* tree = w.tree();
        QTreeWidgetItem* groups = tree->topLevelItem(1);
        QTreeWidgetItem* alpha = child(groups, u"Альфа"_s);
        QTreeWidgetItem* beta = child(groups, u"Бета"_s);

        tree->setCurrentItem(beta);
        w.action(u"actAddGroup"_s)->trigger();
        QTreeWidgetItem* made = child(beta, TTreeLink::NewGroupName);
        QVERIFY(made);
        auto* editor = tree->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        Test::typeText(editor, u"Гамма"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(made->text(0), u"Гамма"_s);
        QCOMPARE(
            db.scalar(u"select count(*) from crm_productgroups where pg_groupname = 'Гамма' and pg_parent = "
                      "(select pg_groupid from crm_productgroups where pg_groupname = 'Бета')"_s)
                .toInt(),
            1);

        // Moving asks in the tree's words; the group lands under its target.
        TTreeLink* link = w.link();
        QVERIFY(!link->canMove(beta, made)); // not under its own descendant
        {
            Test::BoxAnswers boxes({QMessageBox::Yes});
            QVERIFY(link->moveNode(beta, alpha));
            QCOMPARE(boxes.texts, QStringList{u"Вы желаете переместить группу <Бета> в\n\r<Альфа>"_s});
        }
        QCOMPARE(
            db.scalar(u"select pg_parent from crm_productgroups where pg_groupname = 'Бета'"_s).toLongLong(),
            a);
        QCOMPARE(captions(groups), QStringList{u"Альфа"_s});
        QCOMPARE(captions(alpha), QStringList{u"Бета"_s});

        // A product dragged from the list onto another group.
        tree->setCurrentItem(alpha);
        QCOMPARE(view->dataSet()->recordCount(), 1);
        view->setDragging(true);
        QVERIFY(!link->canDropProducts(alpha));
        QVERIFY(!link->canDropProducts(groups));
        QVERIFY(!link->canDropProducts(tree->topLevelItem(2)));
        {
            Test::BoxAnswers boxes({QMessageBox::Yes});
            QVERIFY(link->dropProducts(tree->topLevelItem(0)));
            QCOMPARE(boxes.texts, QStringList{u"Вы желаете переместить товар в группу <Все без групп>"_s});
        }
        view->setDragging(false);
        QVERIFY(db.scalar(u"select PR_GROUPID from crm_product where PR_ID = ?"_s, {p}).isNull());

        // Deleting asks, and a group with subgroups stays with the message.
        tree->setCurrentItem(alpha);
        {
            Test::BoxAnswers boxes({QMessageBox::Yes, QMessageBox::Ok});
            try {
                w.action(u"actDeleteGroup"_s)->trigger();
            } catch (const Exception& e) {
                QCOMPARE(e.message(), ProductGroups::HasSubgroups);
            }
            QCOMPARE(boxes.texts.value(0), u"Вы желаете удалить группу <Альфа>"_s);
        }
        QVERIFY(child(groups, u"Альфа"_s));
        QTreeWidgetItem* gamma = child(child(alpha, u"Бета"_s), u"Гамма"_s);
        tree->setCurrentItem(gamma);
        {
            Test::BoxAnswers boxes({QMessageBox::Yes});
            w.action(u"actDeleteGroup"_s)->trigger();
        }
        QCOMPARE(db.scalar(u"select count(*) from crm_productgroups"_s).toInt(), 2);
        QCOMPARE(child(alpha, u"Бета"_s)->childCount(), 0);
    }

    void currencyBookRefusesZeroAndDuplicateQuotations()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар')"_s);
        db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 90)"_s,
                {QDateTime(QDate::currentDate(), QTime(0, 0))});
        TFormCodValut book(db);
        book.pages()->setCurrentIndex(1);
        Data::TUpdatedADODataSet& q = book.quotations();
        QCOMPARE(q.recordCount(), 1);
        book.addRecord();
        QCOMPARE(q.string(u"codvalut"_s), u"USD"_s);
        q.setValue(u"valcotir"_s, 0.0);
        QVERIFY_THROWS_EXCEPTION(Exception, q.post());
        try {
            q.post();
        } catch (const Exception& e) {
            QCOMPARE(e.message(), u"Значение котировки должно быть больше 0"_s);
        }
        q.setValue(u"valcotir"_s, 91.5);
        try {
            q.post();
            QFAIL("a second quotation for the day");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), TFormCodValut::QuotationExists);
        }
        q.setValue(u"datecotir"_s, QDateTime(QDate::currentDate().addDays(-1), QTime(0, 0)));
        q.post();
        QCOMPARE(db.scalar(u"select count(*) from cotirval"_s).toInt(), 2);

        // A currency with quotations stays, with the book's message.
        book.pages()->setCurrentIndex(0);
        Test::BoxAnswers boxes({QMessageBox::Yes, QMessageBox::Ok});
        book.deleteRecord();
        QCOMPARE(boxes.texts.value(1), TFormCodValut::CurrencyUsed);
        QCOMPARE(db.scalar(u"select count(*) from VALUTCOD"_s).toInt(), 1);
    }

    // A currency that quotations, prices, warehouse goods, counterparties, documents or another
    // currency still use stays, with the book's message; also when another workstation made
    // the use after the book was opened.
    void aCurrencyInUseIsNotDeleted()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('EUR', 'Евро'), ('USD', 'Доллар')"_s);
        const qint64 product = f.product(u"P1"_s, u"Товар"_s, std::nullopt);
        const qint64 supplier = f.partner(u"SUP"_s, u"Поставщик"_s);
        const qint64 buyer = f.partner(u"BUY"_s, u"Покупатель"_s, u"К"_s);
        f.request(buyer);
        f.supplierOrder(supplier);
        const QDateTime day(QDate(2026, 3, 2), QTime(0, 0));

        TFormCodValut book(db);
        book.show();
        Test::activate(&book);
        Widgets::TDataGrid* grid = book.currencyGrid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(1, 0)).center());
        QCOMPARE(book.currencies().string(u"CODVALUT"_s), u"USD"_s);

        struct Use
        {
            const char* what;
            QString make;
            QVariantList params;
            QString undo;
        };
        const QList<Use> uses{
            {"quotation", u"insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 90)"_s, {day},
             u"delete from cotirval"_s},
            {"our price", u"insert into crm_ourprice (op_pr_id, op_codval) values (?, 'USD')"_s, {product},
             u"delete from crm_ourprice"_s},
            {"supplier price", u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_codval) values (?, ?, 'USD')"_s,
             {product, supplier}, u"delete from scm_artcmap"_s},
            {"warehouse goods", u"insert into SCL_ARTC (COD_ARTIC, ID_SCLAD, COD_VALT) values ('A1', 1, 'USD')"_s, {},
             u"delete from SCL_ARTC"_s},
            {"counterparty", u"update _partner set VALUTA = 'USD' where N_USER = 'SUP'"_s, {},
             u"update _partner set VALUTA = null"_s},
            {"request", u"update scm_business_offer set bof_cod_valut = 'USD'"_s, {},
             u"update scm_business_offer set bof_cod_valut = ''"_s},
            {"supplier order", u"update scm_supplier_order set suo_cod_valut = 'USD'"_s, {},
             u"update scm_supplier_order set suo_cod_valut = ''"_s},
            {"proforma", u"insert into scm_Proforma (pf_dopnomer, pf_supplier, pf_date, pf_cod_valut) "
                         "values (1, ?, ?, 'USD')"_s,
             {supplier, day}, u"delete from scm_Proforma"_s},
            {"payment", u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, "
                        "spm_inum, spm_snum) values (?, ?, ?, 1, 'USD', '1', '1')"_s,
             {buyer, supplier, day}, u"delete from scm_payments"_s},
            {"payment's second sum", u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, "
                                     "spm_cod_valut2, spm_inum, spm_snum) values (?, ?, ?, 1, 'USD', '1', '1')"_s,
             {buyer, supplier, day}, u"delete from scm_payments"_s},
            {"warehouse payment", u"insert into SCL_PLAT (UNICUM_PLT, COD_VALT) values (1, 'USD')"_s, {},
             u"delete from SCL_PLAT"_s},
            {"conversion", u"update VALUTCOD set RELCOD = 'USD' where CODVALUT = 'EUR'"_s, {},
             u"update VALUTCOD set RELCOD = null"_s},
        };
        auto other = t.connectAgain();
        for (const Use& use : uses) {
            other->exec(use.make, use.params);
            Test::BoxAnswers boxes({QMessageBox::Yes, QMessageBox::Ok});
            Test::clickButton(&book, u"Удалить"_s);
            QVERIFY2(boxes.texts == (QStringList{u"Удалить запись ?"_s, TFormCodValut::CurrencyUsed}),
                     use.what);
            QVERIFY2(db.scalar(u"select count(*) from VALUTCOD where CODVALUT = 'USD'"_s).toInt() == 1, use.what);
            QCOMPARE(book.currencies().string(u"CODVALUT"_s), u"USD"_s);
            other->exec(use.undo);
        }
        // Its own conversion through itself is no use; nothing else left, it goes.
        other->exec(u"update VALUTCOD set RELCOD = 'USD' where CODVALUT = 'USD'"_s);
        Test::BoxAnswers boxes({QMessageBox::Yes});
        Test::clickButton(&book, u"Удалить"_s);
        QCOMPARE(boxes.texts, QStringList{u"Удалить запись ?"_s});
        QCOMPARE(db.scalar(u"select count(*) from VALUTCOD"_s).toInt(), 1);
    }

    void missingQuotationDialogStoresOrAborts()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('EUR', 'Евро')"_s);
        db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values ('EUR', ?, 100.25)"_s,
                {QDateTime(QDate(2026, 2, 1), QTime(0, 0))});
        TFrmCtr::install();
        const CurrencyRates rates(db);
        Test::whenModal<TFrmCtr>([](TFrmCtr* dialog) {
            QCOMPARE(dialog->windowTitle(), u"Добавление котировки"_s);
            QCOMPARE(dialog->rateEdit()->text(), QLocale().toString(100.25, 'f', 4));
            Test::BoxAnswers* boxes = new Test::BoxAnswers({QMessageBox::Ok});
            boxes->setParent(dialog);
            dialog->rateEdit()->setText(u"0"_s);
            QTest::keyClick(dialog->rateEdit(), Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QCOMPARE(boxes->texts, QStringList{u"Значение котировки должно быть больше 0"_s});
            dialog->rateEdit()->setText(u"101,5"_s);
            QTest::keyClick(dialog->rateEdit(), Qt::Key_Return);
        });
        QCOMPARE(rates.convert(u"EUR"_s, QString(), QDate(2026, 2, 3), Money(2)), Money::fromRaw(2030000));
        Test::whenModal<TFrmCtr>(
            [](TFrmCtr* dialog) { QTest::keyClick(dialog->rateEdit(), Qt::Key_Escape); });
        QVERIFY_THROWS_EXCEPTION(Abort, rates.convert(u"EUR"_s, QString(), QDate(2026, 2, 4), Money(2)));
        QCOMPARE(db.scalar(u"select count(*) from cotirval"_s).toInt(), 2);
    }
};

QTEST_MAIN(CatalogWindowTest)
#include "tst_catalogwindow.moc"
