// The highlighted row of every list with a search is the row its row set stands on, and the
// row a double click or Enter acts on: driven as a user, on both engines.
#include "BusOffer/edfixture.h"
#include "BusOffer/listfixture.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tedbuisinesoffer.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "BusOffer/offerlist.h"
#include "catalog/boxanswers.h"
#include "catalog/catalogfixture.h"
#include "catalog/prices/ourpricelist.h"
#include "support/typetext.h"
#include "catalog/ui/pricewindows.h"
#include "catalog/ui/tfcatalog.h"
#include "catalog/ui/tffind.h"
#include "catalog/ui/tforeignprice.h"
#include "catalog/ui/tforeignpriceview.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/ui/tfviewourprice.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tourpriceview.h"
#include "catalog/ui/tproductsview.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"
#include "messaging/tmessageserver.h"
#include "otbor/tglobalotbors.h"
#include "security/rights.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/twindowactivator.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "support/windowsession.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QScrollBar>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

QTreeWidgetItem* topNode(QTreeWidget* tree, const QString& caption)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == caption)
            return tree->topLevelItem(i);
    return nullptr;
}

// What the grid highlights is the row set's current row, shown on screen.
void checkHighlightIsCurrent(Widgets::TDataGrid* grid)
{
    Data::TRowSet* rs = grid->rowSet();
    QVERIFY(rs);
    QVERIFY(grid->currentIndex().isValid());
    QCOMPARE(grid->rowSetRow(grid->currentIndex().row()), rs->recNo());
    const QList<QModelIndex> selected = grid->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), grid->currentIndex().row());
    const QRect cell = grid->visualRect(grid->currentIndex());
    QVERIFY2(grid->viewport()->rect().intersects(cell), "the current row is scrolled out of sight");
}

QString highlighted(Widgets::TDataGrid* grid, const QString& field)
{
    return grid->model()->index(grid->currentIndex().row(), grid->fieldColumn(field)).data().toString();
}

void doubleClickHighlighted(Widgets::TDataGrid* grid)
{
    const QPoint at = grid->visualRect(grid->currentIndex()).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void clickRow(Widgets::TDataGrid* grid, const QString& field, const QString& text)
{
    const int column = grid->fieldColumn(field);
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        const QModelIndex cell = grid->model()->index(r, column);
        if (cell.data().toString() != text)
            continue;
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        return;
    }
    QFAIL(qPrintable(u"no row "_s + text));
}

// "Болт М6" first, "Гайка М6" sixteenth, "Ёлка" far below the first screen.
struct Products
{
    qint64 bolt = 0;
    qint64 nut = 0;
    qint64 tree = 0;
};

Products makeProducts(Data::Database& db, std::optional<qint64> group = std::nullopt)
{
    Test::CatalogFixture f{db};
    Products p;
    Data::Transaction tx(db);
    for (int i = 1; i <= 90; ++i) {
        const QString article = u"K-%1"_s.arg(i, 5, 10, QChar(u'0'));
        QString name = u"Шайба %1"_s.arg(i);
        if (i == 1)
            name = u"Болт М6"_s;
        else if (i < 16)
            name = u"Болт М%1"_s.arg(i + 6);
        else if (i == 16)
            name = u"Гайка М6"_s;
        else if (i == 80)
            name = u"Ёлка"_s;
        const qint64 id = f.product(article, name, group);
        db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {id});
        if (i == 1)
            p.bolt = id;
        else if (i == 16)
            p.nut = id;
        else if (i == 80)
            p.tree = id;
    }
    tx.commit();
    return p;
}

// The "Найти" menu of a catalog window's menu bar, filled as when the user opens it.
QAction* findItem(QWidget* window, const QString& caption)
{
    for (QMenu* m : window->findChildren<QMenu*>()) {
        if (m->title() != u"&Найти"_s)
            continue;
        Q_EMIT m->aboutToShow();
        for (QAction* a : m->actions())
            if (a->text() == u"< "_s + caption + u" >"_s)
                return a;
    }
    return nullptr;
}

// "Найти" → the field → the entry → "Поиск" (the dialog closes on a hit).
void findThroughMenu(QWidget* window, const QString& caption, const QString& text)
{
    QAction* item = findItem(window, caption);
    QVERIFY(item);
    Test::whenModal<Catalog::TfFind>([text](Catalog::TfFind* find) {
        Test::typeText(find->findChild<QLineEdit*>(), text);
        Test::clickButton(find, u"Поиск"_s);
    });
    item->trigger();
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

} // namespace

class GridCursorTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    // "Каталог товаров" from the request editor: typing in "Искать в поле" highlights the row
    // found, also one not read yet, and a double click adds the product highlighted.
    void productChooserAddsTheRowItHighlights()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const Products p = makeProducts(db);
        const qint64 offer = f.request(buyer);

        {
            Test::WindowSession s(db, BusOffer::registerOfferEditor, {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
            Shell::MainWindow& main = s.main;
            main.resize(900, 600);
            QVERIFY(Shell::FormActivationRegistry::instance().open(BusOffer::TviewBusinesOffers::EditorFormType,
                                                                   int(offer)));
            auto* editor = Test::mdiWindow<BusOffer::TedBuisinesOffer>(main.mdiArea());
            QVERIFY(editor);
            editor->findChild<QPushButton*>(u"btnNewProduct"_s)->click();
            auto* chooser = Test::mdiWindow<Catalog::TfViewOurPrice>(main.mdiArea());
            QVERIFY(chooser);
            Test::toFront(chooser);
            Catalog::TOurPriceView* view = chooser->priceView();
            auto* list = dynamic_cast<Catalog::OurPriceList*>(view->dataSet());
            QVERIFY(list);
            list->setBatchRows(30); // "Ёлка" is beyond the rows read at first
            Test::showAllProducts(chooser);
            Widgets::TDataGrid* grid = view->grid();
            QTRY_VERIFY(grid->currentIndex().isValid());
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Болт М6"_s);

            view->searchEdit()->setFocus();
            Test::typeText(view->searchEdit(), u"Гайка"_s);
            QCOMPARE(list->string(u"PR_ARTICUL"_s), u"K-00016"_s);
            checkHighlightIsCurrent(grid);
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Гайка М6"_s);
            doubleClickHighlighted(grid);
            QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {offer}), 1);
            QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                             {offer, p.nut}),
                     1);

            view->searchEdit()->clear();
            Test::typeText(view->searchEdit(), u"Ёлка"_s);
            // Beyond the rows read: found once its batch has come in.
            QTRY_COMPARE(list->string(u"PR_ARTICUL"_s), u"K-00080"_s);
            checkHighlightIsCurrent(grid);
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Ёлка"_s);
            grid->setFocus();
            Test::press(grid, Qt::Key_Return);
            QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                             {offer, p.tree}),
                     1);

            // A row clicked is the row acted on.
            clickRow(grid, u"PR_NAME"_s, u"Болт М6"_s);
            checkHighlightIsCurrent(grid);
            doubleClickHighlighted(grid);
            QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                             {offer, p.bolt}),
                     1);
            QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {offer}), 3);
        }
    }

    // The chooser's list read in batches shows its whole length: the scroll bar spans every
    // product, those dragged into sight are read, and Ctrl+End stands on the last one.
    void productChooserShowsTheWholeList()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        makeProducts(db);
        Catalog::TfViewOurPrice w(db);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(800, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Catalog::TOurPriceView* view = w.priceView();
        auto* list = dynamic_cast<Catalog::OurPriceList*>(view->dataSet());
        QVERIFY(list);
        list->setBatchRows(20);
        w.tree()->setCurrentItem(topNode(w.tree(), u"Все"_s));
        Widgets::TDataGrid* grid = view->grid();
        QCOMPARE(list->recordCount(), 20);
        QCOMPARE(grid->model()->rowCount(), 90);
        QScrollBar* bar = grid->verticalScrollBar();
        QVERIFY(bar->maximum() + bar->pageStep() >= 89);
        QVERIFY(grid->model()->index(60, 0).data().toString().isEmpty());

        // Dragged to the end: the last products are read and shown.
        bar->setValue(bar->maximum());
        QTRY_COMPARE(grid->model()->index(89, grid->fieldColumn(u"PR_ARTICUL"_s)).data().toString(), u"K-00090"_s);
        QCOMPARE(list->recordCount(), 90);
        QCOMPARE(grid->model()->rowCount(), 90);

        // Read again: Ctrl+End reads the rest and stands on the last product.
        view->showNode(Catalog::AllProducts, false);
        QCOMPARE(list->recordCount(), 20);
        grid->setFocus();
        Test::press(grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(list->recordCount(), 90);
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"K-00090"_s);
        checkHighlightIsCurrent(grid);
        QCOMPARE(highlighted(grid, u"PR_ARTICUL"_s), u"K-00090"_s);
    }

    // "Прайс-листы поставщиков": "Найти" → "Наименование" → "гайка" highlights Гайка, the
    // lower panes show it, and "Добавить" gives the supplier to it.
    void supplierPriceListsFindHighlightsTheRowTheyActOn()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        const Products p = makeProducts(db);
        const qint64 seller = Test::CatalogFixture{db}.partner(u"ПРОД"_s, u"ООО Продавец"_s);
        {
            Test::WindowSession s(db, Catalog::registerPriceWindows, {QMessageBox::Ok, QMessageBox::Ok});
            Shell::MainWindow& main = s.main;
            main.resize(900, 600);
            main.menuItem(u"itemForeignPrice"_s)->trigger();
            auto* w = Test::mdiWindow<Catalog::TForeignPrice>(main.mdiArea());
            QVERIFY(w);
            Catalog::TForeignPriceView* view = w->priceView();
            auto* list = dynamic_cast<Catalog::OurPriceList*>(view->dataSet());
            QVERIFY(list);
            list->setBatchRows(30);
            w->tree()->setCurrentItem(topNode(w->tree(), u"Все"_s));
            Widgets::TDataGrid* grid = view->grid();
            QTRY_VERIFY(grid->currentIndex().isValid());

            findThroughMenu(w, u"Наименование"_s, u"гайка"_s);
            QCOMPARE(list->string(u"PR_NAME"_s), u"Гайка М6"_s);
            checkHighlightIsCurrent(grid);
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Гайка М6"_s);
            view->addSupplier(seller);
            QCOMPARE(db.scalar(u"select count(*) from scm_artcmap where sam_pr_id = ?"_s, {p.nut}).toInt(), 1);
            QCOMPARE(db.scalar(u"select count(*) from scm_artcmap"_s).toInt(), 1);

            // A product not read yet.
            findThroughMenu(w, u"Наименование"_s, u"ёлка"_s);
            QCOMPARE(list->string(u"PR_ARTICUL"_s), u"K-00080"_s);
            checkHighlightIsCurrent(grid);
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Ёлка"_s);
            view->addSupplier(seller);
            QCOMPARE(db.scalar(u"select count(*) from scm_artcmap where sam_pr_id = ?"_s, {p.tree}).toInt(), 1);

            // The heading order is the grid's: the row found is highlighted wherever it is shown.
            grid->sortBy(grid->fieldColumn(u"PR_NAME"_s), Qt::DescendingOrder);
            QTRY_VERIFY(!grid->isReading() && !grid->proxyModel()->isSorting());
            checkHighlightIsCurrent(grid);
            findThroughMenu(w, u"Наименование"_s, u"шайба 85"_s);
            QCOMPARE(list->string(u"PR_ARTICUL"_s), u"K-00085"_s);
            checkHighlightIsCurrent(grid);
            QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Шайба 85"_s);
        }
    }

    // The catalog: "Найти" moves the highlight, and Enter chooses that product.
    void catalogFindHighlightsTheRowChosen()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const qint64 g = Test::CatalogFixture{db}.group(u"Крепёж"_s);
        const Products p = makeProducts(db, g);
        auto* view = new Catalog::TProductsView(db);
        Catalog::TfCatalog w(db, view, Catalog::TSCMTreePanel::DeleteMode::GroupOnly);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(800, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tree()->setCurrentItem(topNode(w.tree(), u"Все"_s));
        Widgets::TDataGrid* grid = view->grid();
        QTRY_VERIFY(grid->currentIndex().isValid());
        QList<qint64> chosen;
        connect(view, &Catalog::TProductsView::chosen, this, [&chosen](qint64 id) { chosen << id; });

        findThroughMenu(&w, u"Наименование"_s, u"ёлка"_s);
        checkHighlightIsCurrent(grid);
        QCOMPARE(highlighted(grid, u"PR_NAME"_s), u"Ёлка"_s);
        grid->setFocus();
        Test::press(grid, Qt::Key_Return);
        QCOMPARE(chosen, QList<qint64>{p.tree});

        findThroughMenu(&w, u"Наименование"_s, u"гайка"_s);
        checkHighlightIsCurrent(grid);
        doubleClickHighlighted(grid);
        QCOMPARE(chosen, (QList<qint64>{p.tree, p.nut}));
    }

    // The request register: "Найти", "Найти далее", locating a request and a re-read keeping
    // it all move the highlight, and Enter opens the request highlighted.
    void requestRegisterHighlightsTheRequestItOpens()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::ListFixture f{db};
        f.currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        Otbor::TGlobalOtbors::instance().switchAllOff();
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const qint64 first = f.partner(u"B1"_s, u"ООО Покупатель"_s);
        const qint64 second = f.partner(u"B2"_s, u"ЗАО Заказчик"_s);
        QList<qint64> offers;
        {
            Data::Transaction tx(db);
            for (int i = 0; i < 80; ++i)
                offers << f.request(i == 70 ? second : first);
            tx.commit();
        }
        QList<int> opened;
        auto& registry = Shell::FormActivationRegistry::instance();
        registry.clear();
        registry.add(std::make_unique<Shell::TWindowActivator>(
            BusOffer::TviewBusinesOffers::EditorFormType, [] { return new QWidget; },
            Shell::TWindowActivator::Restore::ShowOnly, [&opened](QWidget* w, int id) {
                opened << id;
                w->close();
            }));
        BusOffer::registerOfferRegister();
        registry.open(BusOffer::TviewBusinesOffers::FormType, 0);
        BusOffer::TviewBusinesOffers* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<BusOffer::TviewBusinesOffers*>(top); r && r->isVisible())
                w = r;
        QVERIFY(w);
        w->resize(900, 400);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        Widgets::TDataGrid* grid = w->grid();
        grid->setFocus();

        // "Найти" on the counterparty column.
        QMenu* search = grid->searchMenu();
        Q_EMIT search->aboutToShow();
        const int nameColumn = grid->fieldColumn(u"NAME_USER"_s);
        QVERIFY(nameColumn >= 0);
        for (QAction* a : search->actions())
            if (a->isCheckable() && a->text() == grid->columnCaption(nameColumn))
                a->trigger();
        QCOMPARE(grid->searchColumn(), nameColumn);
        Test::whenModal<QInputDialog>([](QInputDialog* d) {
            d->setTextValue(u"заказчик"_s);
            d->accept();
        });
        Test::press(grid, Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(w->list().currentOffer(), offers[70]);
        checkHighlightIsCurrent(grid);
        Test::press(grid, Qt::Key_Return);
        QCOMPARE(opened, QList<int>{int(offers[70])});

        // Found by code, then read again keeping it.
        QVERIFY(w->list().locateOffer(offers[55]));
        checkHighlightIsCurrent(grid);
        QCOMPARE(highlighted(grid, u"bof_id"_s).toLongLong(), offers[55]);
        w->list().reload(offers[60]);
        QCOMPARE(w->list().currentOffer(), offers[60]);
        checkHighlightIsCurrent(grid);
        Test::press(grid, Qt::Key_Return);
        QCOMPARE(opened, (QList<int>{int(offers[70]), int(offers[60])}));

        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        registry.clear();
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(GridCursorTest)
#include "tst_gridcursor.moc"
