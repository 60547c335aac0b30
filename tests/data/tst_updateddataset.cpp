#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadodataset.h"
#include "core/exception.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

void createTables(Database& db)
{
    db.exec("create table ud_head (h_id integer primary key, h_name varchar(40))");
    db.exec("create table ud_line (l_id integer primary key, l_head integer, l_name varchar(40), l_sum "
            "numeric(19,4))");
    db.exec("insert into ud_head values (1, 'один'), (2, 'два')");
    db.exec("insert into ud_line values (10, 1, 'a', 1.5), (11, 1, 'b', 2), (20, 2, 'c', 3)");
}

int count(Database& db, const QString& table)
{
    return db.scalar("select count(*) from " + table).toInt();
}

// Writes each post and delete of ud_line with its own statements, as the editors do.
void attachWriters(TUpdatedADODataSet& ds, Database& db, QStringList* log)
{
    ds.onInternalPost = [&db, log](TUpdatedADODataSet& d) {
        if (d.state() == RowSetState::Insert) {
            const qint64 id = db.scalar("select coalesce(max(l_id), 0) + 1 from ud_line").toLongLong();
            db.exec("insert into ud_line (l_id, l_head, l_name, l_sum) values (?, ?, ?, ?)",
                    {id, d.value("l_head"), d.value("l_name"), d.money("l_sum").toString()});
            d.setValue("l_id", id);
            *log << "insert";
        } else {
            db.exec("update ud_line set l_name = ?, l_sum = ? where l_id = ?",
                    {d.value("l_name"), d.money("l_sum").toString(), d.value("l_id")});
            *log << "update";
        }
    };
    ds.onInternalDelete = [&db, log](TUpdatedADODataSet& d) {
        db.exec("delete from ud_line where l_id = ?", {d.value("l_id")});
        *log << "delete";
    };
}

} // namespace

class UpdatedDataSetTest : public QObject
{
    Q_OBJECT
private slots:
    void postsAndDeletesGoThroughTheHandlers()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet ds(&db);
        ds.setSql("select l_id, l_head, l_name, l_sum from ud_line where l_head = :h_id order by l_id");
        ds.setParameter("h_id", 1);
        QStringList log;
        attachWriters(ds, db, &log);
        ds.open();
        QCOMPARE(ds.recordCount(), 2);

        ds.insert();
        ds.setValue("l_head", 1);
        ds.setValue("l_name", "новая");
        ds.setValue("l_sum", "4.25");
        ds.post();
        QCOMPARE(ds.integer("l_id"), 21); // the key the handler wrote back
        QCOMPARE(ds.updateStatus(), UpdateStatus::Unchanged);
        QVERIFY(!ds.hasPendingChanges());
        QCOMPARE(db.scalar("select l_name from ud_line where l_id = 21").toString(), QStringLiteral("новая"));

        ds.locate({"l_id"}, {10});
        ds.edit();
        ds.setValue("l_sum", 7);
        ds.post();
        QCOMPARE(Money::fromVariant(db.scalar("select l_sum from ud_line where l_id = 10")), Money(7));

        ds.remove();
        QCOMPARE(count(db, "ud_line"), 3);
        QCOMPARE(log, (QStringList{"insert", "update", "delete"}));
        QVERIFY(!ds.hasPendingChanges());
    }

    void failingHandlerKeepsTheUsersValuesAndWritesNothing()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet ds(&db);
        ds.setSql("select l_id, l_head, l_name from ud_line order by l_id");
        ds.onInternalPost = [&db](TUpdatedADODataSet& d) {
            // A duplicate key: the server refuses.
            db.exec("insert into ud_line (l_id, l_head, l_name) values (10, 1, ?)", {d.value("l_name")});
        };
        ds.onInternalDelete = [](TUpdatedADODataSet&) { throw Exception("нельзя"); };
        ds.open();
        ds.insert();
        ds.setValue("l_name", "ввод");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, ds.post());
        QCOMPARE(ds.state(), RowSetState::Insert);
        QCOMPARE(ds.string("l_name"), QStringLiteral("ввод"));
        QCOMPARE(ds.recordCount(), 3);
        ds.cancel();

        ds.first();
        ds.edit();
        ds.setValue("l_name", "правка");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, ds.post());
        QCOMPARE(ds.state(), RowSetState::Edit);
        QCOMPARE(ds.string("l_name"), QStringLiteral("правка"));
        ds.cancel();
        QCOMPARE(ds.string("l_name"), QStringLiteral("a"));

        QVERIFY_THROWS_EXCEPTION(Exception, ds.remove());
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.updateStatus(), UpdateStatus::Unchanged);
        QCOMPARE(count(db, "ud_line"), 3);
    }

    void batchModeKeepsChangesPending()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet ds(&db);
        ds.setSql("select l_id, l_name from ud_line");
        int writes = 0;
        ds.onInternalPost = [&](TUpdatedADODataSet&) { ++writes; };
        ds.onInternalDelete = [&](TUpdatedADODataSet&) { ++writes; };
        ds.setBatchMode(true);
        ds.open();
        ds.insert();
        ds.setValue("l_id", -1);
        ds.post();
        ds.first();
        ds.remove();
        QCOMPARE(writes, 0);
        QCOMPARE(ds.recordCount(), 3);
        auto pending = ds.clone();
        pending->setPendingOnly(true);
        QCOMPARE(pending->recordCount(), 2);
        QCOMPARE(count(db, "ud_line"), 3);
    }

    void refreshReadOnlyAndAssignedRecordSet()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet ds(&db);
        int reads = 0;
        ds.createRecordSetProc = [&](TUpdatedADODataSet&) {
            ++reads;
            return std::make_unique<Query>(db, "select h_id, h_name from ud_head order by h_id");
        };
        ds.open();
        QCOMPARE(reads, 1);
        db.exec("insert into ud_head values (3, 'три')");
        ds.refresh(); // no OnRefreshProc: ignored
        QCOMPARE(ds.recordCount(), 2);
        int refreshes = 0;
        ds.onRefreshProc = [&](TUpdatedADODataSet&) { ++refreshes; };
        ds.refresh();
        QCOMPARE(refreshes, 1);
        QCOMPARE(reads, 1);
        ds.close();
        ds.open();
        QCOMPARE(ds.recordCount(), 3);

        ds.setReadOnly(true);
        QVERIFY_THROWS_EXCEPTION(Exception, ds.edit());
        QVERIFY_THROWS_EXCEPTION(Exception, ds.insert());
        QVERIFY_THROWS_EXCEPTION(Exception, ds.remove());

        TUpdatedADODataSet assigned(&db);
        assigned.createRecordSetProc = [&](TUpdatedADODataSet&) -> std::unique_ptr<Query> {
            ++reads;
            return nullptr;
        };
        auto q = std::make_unique<Query>(db, "select h_name from ud_head where h_id = 2");
        assigned.assignRecordSet(std::move(q));
        assigned.open();
        QCOMPARE(reads, 2); // the assigned result was used, no new read
        QCOMPARE(assigned.string("h_name"), QStringLiteral("два"));

        TUpdatedADODataSet noConnection;
        noConnection.setSql("select 1");
        QVERIFY_THROWS_EXCEPTION(Exception, noConnection.open());
    }

    void detailFollowsTheMasterWithParameters()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet head(&db);
        head.setSql("select h_id, h_name from ud_head order by h_id");
        head.open();
        TUpdatedADODataSet lines(&db);
        lines.setSql("select l_id, l_name from ud_line where l_head = :h_id order by l_id");
        lines.setParameter("h_id", head.value("h_id"));
        lines.setDataSource(&head, {"h_id"});
        lines.open();
        QCOMPARE(lines.recordCount(), 2);
        head.next();
        QCOMPARE(lines.recordCount(), 1);
        QCOMPARE(lines.string("l_name"), QStringLiteral("c"));
        head.first();
        QCOMPARE(lines.recordCount(), 2);
        QCOMPARE(lines.recNo(), 0);

        // A new master row has no lines; once posted with a key the lines follow it.
        head.insert();
        QCOMPARE(lines.recordCount(), 0);
        head.setValue("h_id", 2);
        head.post();
        QCOMPARE(lines.recordCount(), 1);
        QCOMPARE(lines.string("l_name"), QStringLiteral("c"));
        head.insert();
        head.cancel();
        QCOMPARE(head.integer("h_id"), 2);
        QCOMPARE(lines.recordCount(), 1);
        head.first();
        head.remove();
        QCOMPARE(head.integer("h_id"), 2);
        QCOMPARE(lines.recordCount(), 1);
    }

    void masterValuesReachParametersOfAnyOrigin()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet head(&db);
        head.setSql("select h_id, h_name from ud_head order by h_id");
        head.open();
        TUpdatedADODataSet lines(&db);
        lines.setParameter("h_id", head.value("h_id"));
        lines.createRecordSetProc = [&db](TUpdatedADODataSet& d) {
            auto q = std::make_unique<Query>(db, "select l_id from ud_line where l_head = ? order by l_id");
            q->bindAt(0, d.parameter("h_id"));
            return q;
        };
        lines.setDataSource(&head, {"h_id"});
        lines.open();
        QCOMPARE(lines.recordCount(), 2);
        head.next();
        QCOMPARE(lines.recordCount(), 1);
        QCOMPARE(lines.integer("l_id"), 20);
    }

    void threeLevelChainsFollowReloadsAndClose()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        db.exec("create table ud_part (p_id integer primary key, p_line integer)");
        db.exec("insert into ud_part values (100, 10), (101, 10), (200, 20)");
        TUpdatedADOQuery list(&db);
        list.setSql("select h_id from ud_head where h_id >= :h_min order by h_id");
        list.setParameter("h_min", 1);
        TUpdatedADOQuery waybill(&db);
        waybill.setSql("select l_id, l_name from ud_line where l_head = :h_id order by l_id");
        waybill.setDataSource(&list, {"h_id"});
        TUpdatedADOQuery products(&db);
        products.setSql("select p_id from ud_part where p_line = :l_id order by p_id");
        products.setDataSource(&waybill, {"l_id"});
        list.open();
        waybill.setParameter("h_id", list.value("h_id"));
        waybill.open();
        products.setParameter("l_id", waybill.value("l_id"));
        products.open();
        QCOMPARE(waybill.recordCount(), 2);
        QCOMPARE(products.recordCount(), 2);
        int gridResets = 0;
        products.onChanged = [&] { ++gridResets; };

        // The top re-read to nothing: no level keeps the previous document's rows.
        list.setParameter("h_min", 5);
        list.refresh();
        QCOMPARE(list.recordCount(), 0);
        QCOMPARE(waybill.recordCount(), 0);
        QCOMPARE(products.recordCount(), 0);
        QVERIFY(gridResets > 0);
        QVERIFY_THROWS_EXCEPTION(Exception, products.edit());

        list.setParameter("h_min", 1);
        list.refresh();
        QCOMPARE(products.recordCount(), 2);

        // The top closed.
        list.close();
        QCOMPARE(waybill.recordCount(), 0);
        QCOMPARE(products.recordCount(), 0);
        list.open();
        QCOMPARE(waybill.recordCount(), 2);
        QCOMPARE(products.recordCount(), 2);
    }

    void aMasterMayGoBeforeItsDetails()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADOQuery lines(&db);
        TRowSet memoryLines;
        memoryLines.addField("l_head", FieldType::Integer);
        memoryLines.appendLoaded({1});
        memoryLines.appendLoaded({2});
        {
            auto head = std::make_unique<TUpdatedADOQuery>(&db);
            head->setSql("select h_id from ud_head order by h_id");
            head->open();
            lines.setSql("select l_id from ud_line where l_head = :h_id");
            lines.setParameter("h_id", 1);
            lines.setDataSource(head.get(), {"h_id"});
            lines.open();
            memoryLines.setMaster(head.get(), {"h_id"}, {"l_head"});
            QCOMPARE(memoryLines.recordCount(), 1);
            QCOMPARE(lines.recordCount(), 2);
        } // the window's members in the "wrong" order
        QCOMPARE(memoryLines.recordCount(), 2); // unlinked
        memoryLines.first();
        lines.refresh();
        QCOMPARE(lines.recordCount(), 2);
        lines.setDataSource(nullptr, {});
    }

    void clonesWriteOnlyWhereTheDatasetWould()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        TUpdatedADODataSet ds(&db);
        ds.setSql("select l_id, l_name from ud_line order by l_id");
        QStringList log;
        ds.onInternalPost = [&](TUpdatedADODataSet&) { log << "post"; };
        ds.open();
        auto c = ds.clone();
        QVERIFY_THROWS_EXCEPTION(Exception, c->edit());
        QVERIFY_THROWS_EXCEPTION(Exception, c->insert());
        QVERIFY_THROWS_EXCEPTION(Exception, c->remove());
        QVERIFY(!ds.hasPendingChanges());
        // In batch mode the pending changes are the point, so a clone may make them.
        ds.setBatchMode(true);
        c->edit();
        c->setValue("l_name", "z");
        c->post();
        QVERIFY(ds.hasPendingChanges());
        ds.setReadOnly(true);
        QVERIFY_THROWS_EXCEPTION(Exception, c->edit());
        QVERIFY(log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(UpdatedDataSetTest)
#include "tst_updateddataset.moc"
