#include "catalog/boxanswers.h"
#include "catalog/catalogfixture.h"
#include "catalog/prices/ourpricelist.h"
#include "catalog/prices/ourpricequery.h"
#include "catalog/prices/productstore.h"
#include "catalog/prices/supplierprices.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/ui/pricewindows.h"
#include "catalog/ui/tedmanufactures.h"
#include "catalog/ui/tedpricenames.h"
#include "catalog/ui/tforeignprice.h"
#include "catalog/ui/tffind.h"
#include "catalog/ui/tforeignpriceview.h"
#include "catalog/ui/tfviewourprice.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tourpriceview.h"
#include "catalog/ui/ttreelink.h"
#include "core/exception.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadodataset.h"
#include "messaging/tdataregistration.h"
#include "messaging/tourtvrexchange.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/failure.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

qint64 count(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toLongLong();
}

QStringList articles(Data::TRowSet& rs)
{
    QStringList r;
    for (rs.first(); !rs.eof(); rs.next())
        r << rs.string(u"PR_ARTICUL"_s);
    r.sort();
    return r;
}

ProductStore::ValueOf values(const QVariantHash& v)
{
    return [v](const QString& c) { return v.value(c.toLower()); };
}

// Records every ancestor of a group, as the server keeps them.
void relate(Data::Database& db, qint64 group, const QList<qint64>& ancestors)
{
    for (qint64 a : ancestors + QList<qint64>{group})
        db.exec(u"insert into crm_groupsrel (groupid, ancestor) select ?, ? where not exists "
                u"(select 1 from crm_groupsrel where groupid = ? and ancestor = ?)"_s,
                {group, a, group, a});
}

QTreeWidgetItem* topNode(QTreeWidget* tree, const QString& caption)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == caption)
            return tree->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& caption)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == caption)
            return parent->child(i);
    return nullptr;
}

qint64 priceKind(Data::Database& db, const QString& name)
{
    return db.insertReturning(u"insert into scm_pricename (prn_name) values (?)"_s, u"prn_id"_s, {name});
}

} // namespace

class PriceListTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void listsGroupWithSubgroupsOnceAndSearchesLiterally()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 food = f.group(u"Продукты"_s);
        const qint64 milk = f.group(u"Молочные"_s, food);
        const qint64 cheese = f.group(u"Сыры"_s, milk);
        relate(db, food, {});
        relate(db, milk, {food});
        relate(db, cheese, {milk, food});
        f.product(u"F1"_s, u"Хлеб"_s, food);
        f.product(u"M1"_s, u"Молоко 100%"_s, milk);
        f.product(u"M2"_s, u"молоко 1_5"_s, milk);
        f.product(u"C1"_s, u"Сыр 'Российский'"_s, cheese);
        f.product(u"N1"_s, u"Ёршик"_s, std::nullopt);

        OurPriceList list(db, db, false);
        list.showNode(food, false);
        QCOMPARE(articles(list), QStringList{u"F1"_s});
        list.showNode(food, true);
        QCOMPARE(articles(list), (QStringList{u"C1"_s, u"F1"_s, u"M1"_s, u"M2"_s}));
        list.showNode(WithoutGroup, false);
        QCOMPARE(articles(list), QStringList{u"N1"_s});
        list.showNode(WithGroups, false);
        QCOMPARE(list.recordCount(), 4);

        // Prefix, any case, Cyrillic; wildcards and quotes typed by the user are plain characters.
        list.showNode(AllProducts, false, {u"PR_NAME"_s, u"МОЛОКО"_s});
        QCOMPARE(articles(list), (QStringList{u"M1"_s, u"M2"_s}));
        list.showNode(AllProducts, false, {u"PR_NAME"_s, u"молоко 1_"_s});
        QCOMPARE(articles(list), QStringList{u"M2"_s});
        list.showNode(AllProducts, false, {u"PR_NAME"_s, u"%"_s});
        QCOMPARE(list.recordCount(), 0);
        list.showNode(food, true, {u"PR_NAME"_s, u"сыр 'р"_s});
        QCOMPARE(articles(list), QStringList{u"C1"_s});
        list.showNode(AllProducts, false, {u"PR_NAME"_s, u"ё"_s});
        QCOMPARE(articles(list), QStringList{u"N1"_s});
        list.showNode(AllProducts, false, {u"PR_ARTICUL"_s, u"#"_s});
        QCOMPARE(list.recordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(Exception, list.showNode(AllProducts, false, {u"1=1 or PR_NAME"_s, u"x"_s}));
    }

    // A big list shows its first batch at once and reads on as asked; every product once, also
    // one added while the rest is unread; sorting, locating and a search read what they need.
    void bigListIsReadInBatches()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 food = f.group(u"Продукты"_s);
        const qint64 milk = f.group(u"Молочные"_s, food);
        relate(db, food, {});
        relate(db, milk, {food});
        {
            Data::Transaction tx(db);
            for (int i = 0; i < 25; ++i) {
                const qint64 id =
                    f.product(u"A%1"_s.arg(i, 2, 10, QChar(u'0')), u"Товар %1"_s.arg(i), i % 2 ? food : milk);
                // Every third product has our price: later batches must still join the right one.
                if (i % 3 == 0)
                    Data::Query(db, u"insert into crm_ourprice (op_pr_id, ou_price, op_prval) values (?, ?, ?)"_s)
                        .bindAll({id, Money::fromRaw(i * 10000 + 5).toVariant(), false})
                        .exec();
            }
            tx.commit();
        }
        const auto pricesAgree = [&](OurPriceList& l) {
            for (l.first(); !l.eof(); l.next()) {
                const int i = l.string(u"PR_ARTICUL"_s).mid(1).toInt();
                const QVariant price = l.value(u"ou_price"_s);
                if (i % 3 != 0 ? !price.isNull()
                               : price.isNull() || l.money(u"ou_price"_s) != Money::fromRaw(i * 10000 + 5))
                    return false;
            }
            return true;
        };
        OurPriceList list(db, db, true);
        list.setBatchRows(10);
        list.showNode(AllProducts, false);
        QCOMPARE(list.recordCount(), 10);
        QVERIFY(list.canFetchMore());
        // Each batch asks for twice as many rows as the one before.
        list.fetchMore();
        QCOMPARE(list.recordCount(), 25);
        QVERIFY(!list.canFetchMore());
        QCOMPARE(list.recNo(), 0);
        QVERIFY(pricesAgree(list));

        list.insert();
        list.setValue(u"PR_ARTICUL"_s, u"NEW"_s);
        list.setValue(u"PR_NAME"_s, u"Новый"_s);
        list.post();
        list.fetchAll();
        QVERIFY(!list.canFetchMore());
        QSet<qint64> keys;
        for (list.first(); !list.eof(); list.next())
            keys << list.integer(u"sam_pr_id"_s);
        QCOMPARE(keys.size(), 26);
        QCOMPARE(list.recordCount(), 26);

        // The group with its subgroups is read in batches too.
        list.showNode(food, true);
        QCOMPARE(list.recordCount(), 10);
        list.fetchAll();
        QCOMPARE(articles(list).size(), 25);
        QVERIFY(pricesAgree(list));

        list.showNode(AllProducts, false);
        QVERIFY(list.locate({u"PR_ARTICUL"_s}, {u"A24"_s}));
        QCOMPARE(list.recordCount(), 26);

        // A batch that ends exactly at the last row: the next read finds nothing and stops.
        list.showNode(AllProducts, false, {u"PR_ARTICUL"_s, u"a1"_s});
        QCOMPARE(list.recordCount(), 10);
        list.fetchAll();
        QCOMPARE(list.recordCount(), 10);
        QVERIFY(!list.canFetchMore());

        list.showNode(AllProducts, false);
        list.setSort(u"PR_ARTICUL desc"_s, Data::TRowSet::SortCollation::User);
        list.first();
        QCOMPARE(list.string(u"PR_ARTICUL"_s), u"NEW"_s);
        QCOMPARE(list.recordCount(), 26);
        // The node shown again is read unordered, a batch at first; the window orders it again
        // as it reads the rest (TDataGrid::sortRowSetWhenRead).
        list.showNode(AllProducts, false);
        QCOMPARE(list.recordCount(), 10);
        QCOMPARE(list.keptSort(), u"PR_ARTICUL desc"_s);
        QVERIFY(list.keptSortCollation() == Data::TRowSet::SortCollation::User);
    }

    // The rows a heading sort or a search needs are read a batch per turn of the event loop: the
    // window is painted and answers meanwhile, says it is reading, and Esc stops it with nothing
    // of the sort applied and the current product kept.
    void chooserReadsBeforeSortAndSearchWithoutFreezing()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 g = f.group(u"Крепёж"_s);
        {
            Data::Transaction tx(db);
            for (int i = 0; i < 45; ++i)
                f.product(u"B%1"_s.arg(i, 2, 10, QChar(u'0')), u"Болт %1"_s.arg(i), g);
            tx.commit();
        }
        TfViewOurPrice w(db);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(700, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TOurPriceView* view = w.priceView();
        auto* list = dynamic_cast<OurPriceList*>(view->dataSet());
        QVERIFY(list);
        // Batches of 5, 10, 20 and 40 rows: three reads after the first.
        list->setBatchRows(5);
        w.tree()->setCurrentItem(topNode(w.tree(), u"Все"_s));
        Widgets::TDataGrid* grid = view->grid();
        auto* busy = grid->findChild<QLabel*>(u"gridBusy"_s);
        QVERIFY(busy);
        const int articleColumn = grid->fieldColumn(u"PR_ARTICUL"_s);
        QHeaderView* header = grid->horizontalHeader();
        const auto clickHeading = [&] {
            const int x = header->sectionViewportPosition(articleColumn) + header->sectionSize(articleColumn) / 2;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        };
        const auto firstArticle = [&] { return grid->model()->index(0, articleColumn).data().toString(); };
        QCOMPARE(list->recordCount(), 5);

        // The click returns at once: the rows come later, the order shown stays until all are in.
        clickHeading();
        QVERIFY(list->recordCount() < 45);
        QVERIFY(grid->isReading());
        QVERIFY(busy->isVisible());
        QVERIFY(busy->text().startsWith(u"Чтение…"_s));
        QCOMPARE(firstArticle(), u"B00"_s);
        QTRY_VERIFY(!grid->isReading());
        QCOMPARE(list->recordCount(), 45);
        QCOMPARE(grid->proxyModel()->sortColumn(), articleColumn);
        QCOMPARE(firstArticle(), header->sortIndicatorOrder() == Qt::AscendingOrder ? u"B00"_s : u"B44"_s);
        QCOMPARE(grid->model()->index(44, articleColumn).data().toString(),
                 header->sortIndicatorOrder() == Qt::AscendingOrder ? u"B44"_s : u"B00"_s);
        QTRY_VERIFY(!busy->isVisible());

        // Esc stops the read: no sort applied, the heading shows none.
        header->setSortIndicator(-1, Qt::AscendingOrder);
        view->showNode(AllProducts, false);
        QCOMPARE(list->recordCount(), 5);
        grid->setFocus();
        clickHeading();
        QVERIFY(grid->isReading());
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!grid->isReading());
        QVERIFY(!busy->isVisible());
        QCOMPARE(header->sortIndicatorSection(), -1);
        QCOMPARE(grid->proxyModel()->sortColumn(), -1);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(grid->proxyModel()->sortColumn(), -1);
        QVERIFY(list->recordCount() < 45);
        QCOMPARE(firstArticle(), u"B00"_s);

        // "Искать в поле": typing goes on while the rows not read yet arrive.
        view->showNode(AllProducts, false);
        view->searchField()->setCurrentIndex(
            view->searchField()->findData(u"PR_ARTICUL"_s, Qt::UserRole, Qt::MatchFixedString));
        QTest::keyClicks(view->searchEdit(), u"b44"_s);
        QVERIFY(list->recordCount() < 45);
        QVERIFY(grid->isReading());
        QTRY_COMPARE(list->string(u"PR_ARTICUL"_s), u"B44"_s);
        QCOMPARE(grid->model()->index(grid->currentIndex().row(), articleColumn).data().toString(), u"B44"_s);
        QTRY_VERIFY(!grid->isReading());

        // "Упорядочить по": the order is kept for the next node, whose rows are read a batch per
        // turn as well before it is ordered again.
        view->showNode(AllProducts, false);
        view->sortByColumn(list->fieldIndex(u"PR_ARTICUL"_s));
        QVERIFY(grid->isReading());
        QTRY_VERIFY(!grid->isReading());
        QCOMPARE(list->recordCount(), 45);
        QCOMPARE(list->sort().toUpper(), u"PR_ARTICUL"_s);
        list->first();
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B00"_s);
        view->showNode(AllProducts, false);
        QVERIFY(list->recordCount() < 45);
        QVERIFY(grid->isReading());
        QTRY_VERIFY(!grid->isReading());
        QCOMPARE(list->recordCount(), 45);
        QCOMPARE(list->sort().toUpper(), u"PR_ARTICUL"_s);
        list->setSort({});

        // Esc in the search field stops it where the cursor was.
        view->showNode(AllProducts, false);
        view->searchEdit()->clear();
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B00"_s);
        QTest::keyClicks(view->searchEdit(), u"b43"_s);
        QVERIFY(grid->isReading());
        QTest::keyClick(view->searchEdit(), Qt::Key_Escape);
        QVERIFY(!grid->isReading());
        QCoreApplication::processEvents();
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B00"_s);
        QVERIFY(list->recordCount() < 45);

        // The grid's own "Найти" and the search dialog read on the same way.
        view->showNode(AllProducts, false);
        grid->setSearchColumn(articleColumn);
        QSignalSpy searched(grid, &Widgets::TDataGrid::searchFinished);
        grid->startSearch(u"B41"_s, false);
        QVERIFY(grid->isSearching());
        QVERIFY(list->recordCount() < 45);
        QVERIFY(searched.wait());
        QCOMPARE(searched.takeFirst().at(0).toBool(), true);
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B41"_s);

        view->showNode(AllProducts, false);
        TfFind find(*list, u"PR_ARTICUL"_s, &w);
        find.findChild<QCheckBox*>()->setChecked(false);
        find.show();
        find.setEntry(u"b42"_s);
        Test::clickButton(&find, u"Поиск"_s);
        QVERIFY(find.isSearching());
        QVERIFY(find.resultText().startsWith(u"Чтение…"_s));
        QVERIFY(list->recordCount() < 45);
        QTRY_COMPARE(find.resultText(), u"Найдено"_s);
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B42"_s);

        view->showNode(AllProducts, false);
        find.setEntry(u"b43"_s);
        Test::clickButton(&find, u"Поиск"_s);
        QVERIFY(find.isSearching());
        QTest::keyClick(&find, Qt::Key_Escape);
        QVERIFY(!find.isSearching());
        QVERIFY(find.isVisible());
        QCOMPARE(find.resultText(), u"Поиск прерван"_s);
        QCOMPARE(list->string(u"PR_ARTICUL"_s), u"B00"_s);
    }

    void savingCreatesTheMissingPriceRowAndRefusesDuplicateArticles()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 p = f.product(u"A1"_s, u"Болт"_s, std::nullopt);
        f.product(u"A2"_s, u"Гайка"_s, std::nullopt);
        ProductStore store(db);
        QVariantHash v{{u"pr_articul"_s, u"A1"_s},
                       {u"pr_name"_s, u"Болт М8"_s},
                       {u"ou_price"_s, Money::fromRaw(125000).toVariant()},
                       {u"op_prval"_s, true},
                       {u"op_codval"_s, u"USD"_s},
                       {u"op_valprice"_s, Money::fromRaw(15000).toVariant()}};
        QCOMPARE(count(db, u"select count(*) from crm_ourprice where op_pr_id = ?"_s, {p}), 0);
        store.update(p, values(v));
        QCOMPARE(count(db, u"select count(*) from crm_ourprice where op_pr_id = ?"_s, {p}), 1);
        QCOMPARE(
            Money::fromVariant(db.scalar(u"select ou_price from crm_ourprice where op_pr_id = ?"_s, {p})),
            Money::fromRaw(125000));
        v[u"ou_price"_s] = Money(13).toVariant();
        store.update(p, values(v));
        QCOMPARE(count(db, u"select count(*) from crm_ourprice where op_pr_id = ?"_s, {p}), 1);
        QCOMPARE(db.scalar(u"select PR_NAME from crm_product where PR_ID = ?"_s, {p}).toString(),
                 u"Болт М8"_s);

        // A duplicate article is refused whole: neither the product nor its price changes.
        v[u"pr_articul"_s] = u"A2"_s;
        v[u"pr_name"_s] = u"Другое"_s;
        v[u"ou_price"_s] = Money(99).toVariant();
        try {
            store.update(p, values(v));
            QFAIL("duplicate article accepted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), ProductStore::DuplicateArticle);
        }
        QCOMPARE(
            Money::fromVariant(db.scalar(u"select ou_price from crm_ourprice where op_pr_id = ?"_s, {p})),
            Money(13));
        QVERIFY_THROWS_EXCEPTION(Exception, store.insert(values(v)));
        QCOMPARE(count(db, u"select count(*) from crm_product"_s), 2);

        v[u"pr_articul"_s] = u"A3"_s;
        const qint64 added = store.insert(values(v));
        QCOMPARE(count(db, u"select count(*) from crm_ourprice where op_pr_id = ?"_s, {added}), 1);
    }

    void deleteTakesVariantsLinksAndPricesOrNothing()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 main = f.product(u"P"_s, u"Основной"_s, std::nullopt);
        const qint64 variant = f.product(u"PV"_s, u"Вариант"_s, std::nullopt);
        const qint64 other = f.product(u"O"_s, u"Другой"_s, std::nullopt);
        db.exec(u"update crm_product set PR_ID_main = ? where PR_ID = ?"_s, {main, variant});
        const qint64 supplier = f.partner(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 kind = priceKind(db, u"Опт"_s);
        for (qint64 id : {main, variant}) {
            db.exec(u"insert into crm_product_analog (cpa_pr_id, cpa_pr_id_analog) values (?, ?)"_s,
                    {id, other});
            db.exec(u"insert into crm_product_analog (cpa_pr_id, cpa_pr_id_analog) values (?, ?)"_s,
                    {other, id});
            db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 1)"_s, {id});
            db.exec(u"insert into CRM_OURDOPPRICE (ODC_PR_ID, ODC_PRN_ID, ODC_PRICE) values (?, ?, 2)"_s,
                    {id, kind});
            db.exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id) values (?, ?)"_s, {id, supplier});
            db.exec(
                u"insert into crm_foreignprice (fp_pr_id, fp_par_id, fp_prn_id, fp_price) values (?, ?, ?, 3)"_s,
                {id, supplier, kind});
            db.exec(u"insert into crm_tvr (tv_pr_id, tv_descr) values (?, 'описание')"_s, {id});
        }

        // The variant is in a request: nothing at all goes.
        const qint64 buyer = f.partner(u"ПОК"_s, u"ООО Покупатель"_s, u"П"_s);
        const qint64 offer = f.request(buyer);
        db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id) values (?, ?)"_s, {offer, variant});
        ProductStore store(db);
        try {
            store.remove(main);
            QFAIL("product used in a request was deleted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), ProductStore::UsedInRequests);
        }
        QCOMPARE(count(db, u"select count(*) from crm_product"_s), 3);
        QCOMPARE(count(db, u"select count(*) from crm_product_analog"_s), 4);
        QCOMPARE(count(db, u"select count(*) from crm_foreignprice"_s), 2);
        db.exec(u"delete from scm_bp_delivery"_s);

        const qint64 order = f.supplierOrder(supplier);
        db.exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id) values (?, ?)"_s, {order, main});
        try {
            store.remove(main);
            QFAIL("product used in an order was deleted");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), ProductStore::UsedInOrders);
        }
        db.exec(u"delete from scm_so_products"_s);

        store.remove(main);
        QCOMPARE(count(db, u"select count(*) from crm_product"_s), 1);
        for (const char* table : {"crm_product_analog", "crm_ourprice", "CRM_OURDOPPRICE", "scm_artcmap",
                                  "crm_foreignprice", "crm_tvr"})
            QCOMPARE(count(db, u"select count(*) from "_s + QLatin1String(table)), 0);
    }

    void supplierRefusals()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 p = f.product(u"A1"_s, u"Болт"_s, std::nullopt);
        const qint64 seller = f.partner(u"ПРОД"_s, u"ООО Продавец"_s);
        const qint64 stranger = f.partner(u"ЧУЖ"_s, u"ООО Чужой"_s);
        const qint64 kind = priceKind(db, u"Опт"_s);
        SupplierPrices prices(db);
        prices.addSupplier(p, seller);
        try {
            prices.addSupplier(p, seller);
            QFAIL("supplier added twice");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), SupplierPrices::AlreadySupplier);
        }
        prices.savePrice(p, seller, kind, Money(10).toVariant());
        prices.savePrice(p, seller, kind, Money(11).toVariant());
        QCOMPARE(Money::fromVariant(db.scalar(u"select fp_price from crm_foreignprice"_s)), Money(11));
        try {
            prices.savePrice(p, stranger, kind, Money(5).toVariant());
            QFAIL("price of a supplier who does not sell the product");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), u"Поставщик \"ООО Чужой\" не продает этот товар"_s);
        }
        try {
            prices.removeSupplier(p, seller);
            QFAIL("supplier with prices removed");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), SupplierPrices::HasPrices);
        }
        QCOMPARE(count(db, u"select count(*) from scm_artcmap"_s), 1);
        prices.removePrice(p, seller, kind);
        prices.removeSupplier(p, seller);
        QCOMPARE(count(db, u"select count(*) from scm_artcmap"_s), 0);

        prices.saveOurPrice(p, kind, [](const QString& c) {
            return c == u"ODC_PRICE"_s ? Money(7).toVariant() : QVariant();
        });
        const qint64 retail = priceKind(db, u"Розница"_s);
        prices.saveOurPrice(
            p, retail,
            [](const QString& c) { return c == u"ODC_PRICE"_s ? Money(8).toVariant() : QVariant(); }, kind);
        QCOMPARE(count(db, u"select count(*) from CRM_OURDOPPRICE where ODC_PRN_ID = ?"_s, {retail}), 1);
        QCOMPARE(count(db, u"select count(*) from CRM_OURDOPPRICE"_s), 1);
    }

    void chooserDoubleClickReachesBothEditors()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 g = f.group(u"Крепёж"_s);
        const qint64 p = f.product(u"B8"_s, u"Болт М8"_s, g);
        db.exec(u"insert into crm_ourprice (op_pr_id, ou_price, op_prval, op_codval, op_valprice) "
                u"values (?, 12.5, ?, 'USD', 0.15)"_s,
                {p, true});
        const qint64 kind = priceKind(db, u"Опт"_s);
        db.exec(u"insert into CRM_OURDOPPRICE (ODC_PR_ID, ODC_PRN_ID, ODC_PRICE) values (?, ?, 11)"_s,
                {p, kind});

        QList<Messaging::TOurTvrExchange> first, second;
        Messaging::TRegistrationGuard a(Messaging::DataRegistration().Register<Messaging::TOurTvrExchange>(
            [&](Messaging::TOurTvrExchange& e) { first << e; }));
        Messaging::TRegistrationGuard b(Messaging::DataRegistration().Register<Messaging::TOurTvrExchange>(
            [&](Messaging::TOurTvrExchange& e) { second << e; }));

        TfViewOurPrice w(db);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TOurPriceView* view = w.priceView();
        w.tree()->setCurrentItem(topNode(w.tree(), u"Все"_s));
        QCOMPARE(view->dataSet()->recordCount(), 1);
        QCOMPARE(view->extraPrices()->recordCount(), 1);
        QCOMPARE(view->extraPrices()->money(u"ODC_PRICE"_s), Money(11));

        Widgets::TDataGrid* grid = view->grid();
        const QModelIndex cell = grid->model()->index(0, grid->horizontalHeader()->logicalIndex(0));
        const QPoint at = grid->visualRect(cell).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(first.size(), 1);
        QCOMPARE(second.size(), 1);
        QCOMPARE(first[0].productId, p);
        QCOMPARE(first[0].articul, u"B8"_s);
        QCOMPARE(first[0].price, Money::fromRaw(125000));
        QCOMPARE(first[0].valPrice, Money::fromRaw(1500));
        QVERIFY(first[0].inCurrency);
        QCOMPARE(first[0].currencyCode, u"USD"_s);

        // The search as one types moves to the row.
        view->searchField()->setCurrentIndex(
            view->searchField()->findData(u"PR_ARTICUL"_s, Qt::UserRole, Qt::MatchFixedString));
        QTest::keyClicks(view->searchEdit(), u"b8"_s);
        QCOMPARE(view->dataSet()->integer(u"sam_pr_id"_s), p);
    }

    // Both price-list windows delete a group with its subgroups, their products and the
    // products' prices, and refuse while a document holds one of the products.
    void priceWindowsDeleteAGroupWithItsProducts()
    {
        for (const bool chooser : {false, true}) {
            Test::TestDatabase t;
            Data::Database& db = t.db();
            Test::CatalogFixture f{db};
            const qint64 alpha = f.group(u"Альфа"_s);
            const qint64 sub = f.group(u"Альфа-1"_s, alpha);
            const qint64 beta = f.group(u"Бета"_s);
            const qint64 free = f.product(u"A1"_s, u"Свободный"_s, sub);
            f.product(u"A2"_s, u"Тоже свободный"_s, alpha);
            const qint64 ordered = f.product(u"B1"_s, u"Заказанный"_s, beta);
            db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {free});
            const qint64 seller = f.partner(u"SELL"_s, u"Продавец"_s);
            const qint64 kind = priceKind(db, u"Опт"_s);
            db.exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_price) values (?, ?, 9)"_s, {free, seller});
            db.exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) values (?, ?, ?, 8)"_s,
                    {kind, free, seller});
            db.exec(u"insert into CRM_OURDOPPRICE (ODC_PR_ID, ODC_PRN_ID, ODC_PRICE) values (?, ?, 11)"_s,
                    {free, kind});
            const qint64 buyer = f.partner(u"BUYER"_s, u"Покупатель"_s, u"К"_s);
            db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id) values (?, ?)"_s,
                    {f.request(buyer), ordered});

            std::unique_ptr<TfCatalog> w;
            if (chooser)
                w = std::make_unique<TfViewOurPrice>(db);
            else
                w = std::make_unique<TForeignPrice>(db, db);
            w->setAttribute(Qt::WA_DeleteOnClose, false);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QTreeWidget* tree = w->tree();
            QTreeWidgetItem* groups = topNode(tree, u"Все с группами"_s);
            QVERIFY(groups);

            // A product in a request: the group stays, with the procedure's refusal.
            tree->setCurrentItem(child(groups, u"Бета"_s));
            {
                Test::BoxAnswers boxes({QMessageBox::Yes});
                const QString failure = Test::failureOf([&] { w->link()->deleteGroup(); });
                QCOMPARE(boxes.texts.size(), 1);
                QVERIFY2(boxes.texts[0].startsWith(u"Вы желаете удалить группу <Бета>\n"_s) &&
                             boxes.texts[0].contains(u"товары"_s) && boxes.texts[0].contains(u"цены"_s),
                         qPrintable(boxes.texts[0]));
                QVERIFY2(failure.startsWith(u"Товары используются в документах. Удаление невозможно\r\n("_s) &&
                             failure.contains(u"Заказанный"_s),
                         qPrintable(failure));
            }
            QVERIFY(child(groups, u"Бета"_s));
            QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 3);

            // Subgroups and products that no document holds go, and every price with them.
            tree->setCurrentItem(child(groups, u"Альфа"_s));
            {
                Test::BoxAnswers boxes({QMessageBox::Yes});
                QCOMPARE(Test::failureOf([&] { w->link()->deleteGroup(); }), QString());
                QCOMPARE(boxes.texts.size(), 1);
            }
            QVERIFY(!child(groups, u"Альфа"_s));
            QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 1);
            QCOMPARE(count(db, u"select count(*) from crm_productgroups where pg_groupid = ?"_s, {beta}), 1);
            QCOMPARE(count(db, u"select count(*) from crm_product"_s), 1);
            for (const char* table : {"crm_ourprice", "scm_artcmap", "CRM_FOREIGNPRICE", "CRM_OURDOPPRICE"})
                QCOMPARE(count(db, u"select count(*) from "_s + QString::fromLatin1(table)), 0);
            Q_UNUSED(sub);
        }
    }

    void priceWindowFromTheMenuSavesANewProductAndItsBooksOpen()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Shell::MainWindow main(Shell::CommandLineSwitches({u"x"_s}));
        registerPriceWindows();
        main.show();
        main.refreshMenus();
        for (const char* key : {"itemForeignPrice", "itemPriceNames", "itemManufactures"})
            QVERIFY(main.menuItem(QString::fromLatin1(key))->isEnabled());
        main.menuItem(u"itemForeignPrice"_s)->trigger();
        QMdiSubWindow* sub = main.mdiArea()->activeSubWindow();
        QVERIFY(sub);
        auto* w = qobject_cast<TForeignPrice*>(sub->widget());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Прайс-листы поставщиков"_s);
        w->tree()->setCurrentItem(topNode(w->tree(), u"Все"_s));
        TForeignPriceView* view = w->priceView();
        Data::TRowSet& rs = *view->dataSet();
        QCOMPARE(rs.recordCount(), 0);
        view->insertRecord();
        rs.setValue(u"PR_ARTICUL"_s, u"N1"_s);
        rs.setValue(u"PR_NAME"_s, u"Новый товар"_s);
        rs.setValue(u"ou_price"_s, Money(5).toVariant());
        rs.post();
        const qint64 id = rs.integer(u"sam_pr_id"_s);
        QVERIFY(id > 0);
        QCOMPARE(count(db, u"select count(*) from crm_ourprice where op_pr_id = ?"_s, {id}), 1);

        const qint64 seller = Test::CatalogFixture{db}.partner(u"ПРОД"_s, u"ООО Продавец"_s);
        view->addSupplier(seller);
        QCOMPARE(view->suppliers()->recordCount(), 1);
        const qint64 kind = priceKind(db, u"Опт"_s);
        SupplierPrices(db).savePrice(id, seller, kind, Money(4).toVariant());
        {
            Test::BoxAnswers answers({QMessageBox::Yes});
            QVERIFY_THROWS_EXCEPTION(Exception, view->removeSupplier());
        }
        QCOMPARE(count(db, u"select count(*) from scm_artcmap"_s), 1);

        Test::BoxAnswers answers({QMessageBox::Yes});
        view->deleteRecord();
        QCOMPARE(answers.texts, QStringList{u"Удалить товар Новый товар"_s});
        QCOMPARE(count(db, u"select count(*) from crm_product"_s), 0);
        main.mdiArea()->closeAllSubWindows();

        TedPriceNames names(db);
        QCOMPARE(names.windowTitle(), u"Условия поставки (Виды цен)"_s);
        QCOMPARE(names.dataSet().recordCount(), 1);
        TedManufactures makers(db);
        QCOMPARE(makers.dataSet().recordCount(), 0);
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(PriceListTest)
#include "tst_pricelist.moc"
