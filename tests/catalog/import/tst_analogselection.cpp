// The product choice of a price import over a catalog bigger than one batch: the list opens with
// a batch, the product with the article is found wherever it is, "Поиск:" reaches unread rows.
#include "catalog/import/ui/analogproductsview.h"
#include "catalog/import/ui/tfanalogselection.h"
#include "data/engine/database.h"
#include "data/rowset/trowset.h"
#include "db/bulkinserter.h"
#include "support/testdatabase.h"
#include "support/typetext.h"

#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

class tst_AnalogSelection : public QObject
{
    Q_OBJECT

private slots:
    void bigCatalogIsReadInBatches()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        constexpr int Products = 5000;
        {
            Data::Transaction tx(db);
            Data::BulkInserter p(db, u"crm_product"_s, {u"PR_ID"_s, u"PR_ARTICUL"_s, u"PR_NAME"_s});
            for (int i = 1; i <= Products; ++i)
                p.add({i, u"A-%1"_s.arg(i, 5, 10, QChar(u'0')),
                       i == Products ? u"Последний винт"_s : u"Болт %1"_s.arg(i)});
            p.flush();
            tx.commit();
        }
        Catalog::TfAnalogSelection w(db);
        struct Seen
        {
            int rowsAtStart = 0, rowsAfterSearch = 0;
            qint64 preselected = 0, byName = 0, byArticle = 0;
            bool unknownFound = true;
        } seen;
        QTimer::singleShot(0, &w, [&] {
            Data::TRowSet* rows = w.products()->dataSet();
            seen.rowsAtStart = rows->recordCount();
            seen.preselected = rows->integer(u"PR_ID"_s);
            // Typed as the user types: the first product whose name starts so, without case.
            Test::typeText(w.searchEdit(), u"последний"_s);
            seen.byName = rows->integer(u"PR_ID"_s);
            seen.rowsAfterSearch = rows->recordCount();
            w.searchEdit()->clear();
            Test::typeText(w.searchEdit(), u"a-0000"_s);
            seen.byArticle = rows->integer(u"PR_ID"_s);
            seen.unknownFound = w.search(u"нет такого"_s);
            QTest::keyClick(w.searchEdit(), Qt::Key_Return);
        });
        QCOMPARE(w.ask(u"A-01500"_s, u"Болт поставщика"_s), Catalog::TfAnalogSelection::Chosen);
        // The first batch, read on only as far as the article's product.
        QVERIFY2(seen.rowsAtStart >= 1500 && seen.rowsAtStart < Products, qPrintable(QString::number(seen.rowsAtStart)));
        QCOMPARE(seen.preselected, 1500);
        QCOMPARE(seen.byName, qint64(Products));
        QCOMPARE(seen.rowsAfterSearch, Products);
        QCOMPARE(seen.byArticle, 1);
        QVERIFY(!seen.unknownFound);
        QCOMPARE(w.productId(), 1);
        QCOMPARE(w.windowTitle(), u"Выбор товара для поставщика [Артикул: A-01500, Наименование: Болт поставщика]"_s);

        // A second question of the same run: the loaded list is kept, the new article chosen.
        QTimer::singleShot(0, &w, [&] {
            seen.preselected = w.products()->dataSet()->integer(u"PR_ID"_s);
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        QCOMPARE(w.ask(u" A-00007 "_s, u"Другой"_s), Catalog::TfAnalogSelection::Skip);
        QCOMPARE(seen.preselected, 7);
        QCOMPARE(w.productId(), 0);
    }
};

QTEST_MAIN(tst_AnalogSelection)
#include "tst_analogselection.moc"
