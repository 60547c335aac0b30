#include "catalog/books/booktable.h"
#include "catalog/ui/tedmanufactures.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

// A reference book edited on one workstation while another deletes its rows.
class BookTableTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesToARowDeletedElsewhereAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        db.exec(u"insert into crm_manufacture (mn_name) values ('Альфа'), ('Бета')"_s);
        TedManufactures book(db);
        Data::TUpdatedADODataSet& ds = book.dataSet();
        QCOMPARE(ds.recordCount(), 2);

        auto other = t.connectAgain();
        other->exec(u"delete from crm_manufacture"_s);

        QVERIFY(ds.locate({u"mn_name"_s}, {u"Альфа"_s}));
        ds.edit();
        ds.setValue(u"mn_name"_s, u"Альфа-М"_s);
        try {
            ds.post();
            QFAIL("a change of a row deleted elsewhere was taken as saved");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), BookTable::RowGone);
        }
        // The typed value stays for the user to see.
        QCOMPARE(ds.string(u"mn_name"_s), u"Альфа-М"_s);
        ds.cancel();
        QCOMPARE(db.scalar(u"select count(*) from crm_manufacture"_s).toInt(), 0);

        QVERIFY(ds.locate({u"mn_name"_s}, {u"Бета"_s}));
        try {
            ds.remove();
            QFAIL("deleting a row deleted elsewhere was taken as done");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), BookTable::RowAlreadyGone);
        }
        // A row still there is changed as before.
        db.exec(u"insert into crm_manufacture (mn_name) values ('Гамма')"_s);
        TedManufactures fresh(db);
        QVERIFY(fresh.dataSet().locate({u"mn_name"_s}, {u"Гамма"_s}));
        fresh.dataSet().edit();
        fresh.dataSet().setValue(u"mn_name"_s, u"Гамма-2"_s);
        fresh.dataSet().post();
        QCOMPARE(db.scalar(u"select mn_name from crm_manufacture"_s).toString(), u"Гамма-2"_s);
    }
};

QTEST_MAIN(BookTableTest)
#include "tst_booktable.moc"
