#include "data/modules/configblob.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "data/rowset/rowsethelpers.h"
#include "data/engine/schema.h"
#include "data/modules/servererror.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"
#include "support/testdatabase.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

void createTables(Database& db)
{
    MigrationContext ctx(db);
    ctx.createTable(Table("dd_order")
                        .identity("o_id")
                        .string("o_name", 40)
                        .notNull()
                        .primaryKey("PK_dd_order", {"o_id"}));
    ctx.createTable(Table("dd_line")
                        .identity("l_id")
                        .integer("l_order")
                        .notNull()
                        .string("l_name", 40)
                        .notNull()
                        .money("l_qty")
                        .primaryKey("PK_dd_line", {"l_id"})
                        .foreignKey("FK_dd_line_order", {"l_order"}, "dd_order", {"o_id"}));
    db.reloadCatalog();
}

// A small document module: one order with its lines, saved in one transaction.
class OrderModule : public TDefferedDataModule
{
public:
    explicit OrderModule(Database& db) : TDefferedDataModule(&db), m_db(db)
    {
        head.addField("o_id", FieldType::Integer);
        head.addField("o_name", FieldType::String, 40);
        lines.addField("l_id", FieldType::Integer);
        lines.addField("l_order", FieldType::Integer);
        lines.addField("l_name", FieldType::String, 40);
        lines.addField("l_qty", FieldType::Money);
        lines.setMaster(&head, {"o_id"}, {"l_order"});
        head.onNewRecord = [this](TRowSet& r) { r.setValue("o_id", nextTempId()); };
        lines.onNewRecord = [this](TRowSet& r) { r.setValue("l_id", nextTempId()); };
        auto touched = [this](TRowSet&) { setModified(true); };
        head.afterPost = lines.afterPost = head.afterDelete = lines.afterDelete = touched;
    }

    TRowSet head;
    TRowSet lines;
    int writes = 0;
    int refreshes = 0;
    std::function<void()> beforeCommit;
    bool failRefresh = false;

protected:
    void postEdits() override
    {
        head.checkBrowseMode();
        lines.checkBrowseMode();
    }
    void refreshAfterSave() override
    {
        ++refreshes;
        if (failRefresh)
            throw DatabaseError("Соединение с сервером потеряно", {}, {});
    }
    void writeChanges() override
    {
        ++writes;
        auto all = lines.clone();
        all->clearMaster();
        if (all->isEmpty())
            throw EDDMSaveError("Нет товаров! Сохранение невозможно!");
        QHash<qint64, qint64> keys;
        auto h = head.clone();
        h->setPendingOnly(true);
        for (h->first(); !h->eof(); h->next()) {
            if (h->updateStatus() == UpdateStatus::Inserted)
                keys.insert(h->integer("o_id"),
                            m_db.insertReturning("insert into dd_order (o_name) values (?)", "o_id",
                                                 {h->value("o_name")}));
            else if (h->updateStatus() == UpdateStatus::Modified)
                m_db.exec("update dd_order set o_name = ? where o_id = ?",
                          {h->value("o_name"), h->value("o_id")});
        }
        auto l = lines.clone();
        l->setPendingOnly(true);
        for (l->first(); !l->eof(); l->next()) {
            const qint64 order = keys.value(l->integer("l_order"), l->integer("l_order"));
            switch (l->updateStatus()) {
            case UpdateStatus::Inserted:
                m_db.exec("insert into dd_line (l_order, l_name, l_qty) values (?, ?, ?)",
                          {order, l->value("l_name"), l->money("l_qty").toString()});
                break;
            case UpdateStatus::Deleted:
                m_db.exec("delete from dd_line where l_id = ?", {l->originalValue("l_id")});
                break;
            case UpdateStatus::Modified:
                m_db.exec("update dd_line set l_name = ?, l_qty = ? where l_id = ?",
                          {l->value("l_name"), l->money("l_qty").toString(), l->value("l_id")});
                break;
            default:
                break;
            }
        }
        if (beforeCommit)
            beforeCommit();
    }
    void acceptChanges() override
    {
        RowSetHelpers::acceptDataSetChanges(head);
        RowSetHelpers::acceptDataSetChanges(lines);
        TDefferedDataModule::acceptChanges();
    }

private:
    Database& m_db;
};

int count(Database& db, const QString& table)
{
    return db.scalar("select count(*) from " + table).toInt();
}

void addHeader(OrderModule& m, const QString& name)
{
    m.head.insert();
    m.head.setValue("o_name", name);
    m.head.post();
}

void addLine(OrderModule& m, const QVariant& name, int qty)
{
    m.lines.insert();
    m.lines.setValue("l_name", name);
    m.lines.setValue("l_qty", qty);
    m.lines.post();
}

} // namespace

class DefferedDataModuleTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_shown.clear();
        TDefferedDataModule::setSaveErrorPresenter([this](const QString& m) { m_shown << m; });
    }

    void modifiedFlagAndTempKeys()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        const int a = m.nextTempId();
        QCOMPARE(m.nextTempId(), a + 1);
        QSignalSpy spy(&m, &TDefferedDataModule::modifiedChanged);
        m.setModified(false);
        QCOMPARE(spy.count(), 0);
        m.setModified(true);
        m.setModified(true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        m.setModified(false);

        // Nothing changed: no transaction, no write.
        QVERIFY(!m.save());
        QCOMPARE(m.writes, 0);
        QVERIFY(!db.inTransaction());
    }

    void saveFailingHalfWayWritesNothingAndKeepsPendingChanges()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "Заказ");
        addLine(m, "первая", 1);
        addLine(m, QVariant(), 2); // refused by the server after the header and the first line
        QVERIFY(m.modified());

        try {
            m.save();
            QFAIL("saved");
        } catch (const DatabaseError& e) {
            QCOMPARE(ServerError::classify(e.errors()).kind, ServerErrorKind::NotNull);
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(count(db, "dd_order"), 0);
        QCOMPARE(count(db, "dd_line"), 0);
        QVERIFY(m.modified());
        QCOMPARE(m.lines.recordCount(), 2);
        QVERIFY(m.lines.hasPendingChanges());
        QVERIFY(m_shown.isEmpty());

        // The user corrects the line, still in the grid's edit state, and saves again.
        m.lines.last();
        m.lines.edit();
        m.lines.setValue("l_name", "вторая");
        QVERIFY(m.save());
        QCOMPARE(count(db, "dd_order"), 1);
        QCOMPARE(count(db, "dd_line"), 2);
        QVERIFY(!m.modified());
        QVERIFY(!m.lines.hasPendingChanges());
        QVERIFY(!m.head.hasPendingChanges());
    }

    void refusedDocumentShowsItsMessageOnceAndAbortsSilently()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "Пустой");
        QVERIFY_THROWS_EXCEPTION(Abort, m.save());
        QCOMPARE(m_shown, QStringList{"Нет товаров! Сохранение невозможно!"});
        QVERIFY(m.modified());
        QVERIFY(m.head.hasPendingChanges());
        QCOMPARE(count(db, "dd_order"), 0);
        addLine(m, "товар", 3);
        QVERIFY(m.save());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(count(db, "dd_line"), 1);
    }

    void anOpenEditIsSavedThoughNothingWasPosted()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "Заказ");
        addLine(m, "первая", 1);
        m.setModified(false); // as if nothing had been posted yet
        // The grid still holds a new line when the user presses Save.
        m.lines.insert();
        m.lines.setValue("l_name", "вторая");
        m.lines.setValue("l_qty", 2);
        QVERIFY(m.save());
        QCOMPARE(m.lines.state(), RowSetState::Browse);
        QCOMPARE(count(db, "dd_order"), 1);
        QCOMPARE(count(db, "dd_line"), 2);
        QVERIFY(!m.modified());
    }

    void discardedLinesLeaveNoDeletions()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "З");
        addLine(m, "a", 1);
        addLine(m, "b", 2);
        addLine(m, "c", 3);
        QVERIFY(m.save());
        const qint64 orderTemp = m.head.integer("o_id");
        RowSetHelpers::discardRows(m.lines, QStringLiteral("l_order = %1 and l_qty >= 2").arg(orderTemp));
        QCOMPARE(m.lines.recordCount(), 1);
        auto pending = m.lines.clone();
        pending->setPendingOnly(true);
        QCOMPARE(pending->recordCount(), 0);
    }

    void appendRowsFollowTheirMaster()
    {
        TRowSet src;
        src.addField("L_ORDER", FieldType::Integer);
        src.addField("l_name", FieldType::String);
        src.addField("extra", FieldType::String);
        src.appendLoaded({2, "x", "skip"});
        src.appendLoaded({1, "y", "skip"});
        src.appendLoaded({1, "z", "skip"});
        TRowSet head;
        head.addField("o_id", FieldType::Integer);
        head.appendLoaded({1});
        head.appendLoaded({2});
        head.first();
        TRowSet lines;
        lines.addField("l_order", FieldType::Integer);
        lines.addField("l_name", FieldType::String);
        lines.setMaster(&head, {"o_id"}, {"l_order"});
        src.moveTo(1); // from the current row on
        RowSetHelpers::appendRecordsetRows(src, lines, {"o_id"}, &head, "L_ORDER");
        QCOMPARE(head.integer("o_id"), 1);
        QCOMPARE(lines.recordCount(), 2);
        lines.clearMaster();
        QCOMPARE(lines.recordCount(), 2);
        QCOMPARE(lines.updateStatus(), UpdateStatus::Inserted);

        // Walked to its end, the source has nothing more to give.
        QVERIFY(src.eof());
        RowSetHelpers::appendRecordsetRows(src, lines, {"o_id"}, &head, "L_ORDER");
        QCOMPARE(lines.recordCount(), 2);

        src.first();
        TRowSet lonely;
        lonely.addField("o_id", FieldType::Integer);
        lonely.appendLoaded({1});
        QVERIFY_THROWS_EXCEPTION(
            Exception, RowSetHelpers::appendRecordsetRows(src, lines, {"o_id"}, &lonely, "l_order"));
    }

    void aLineEditPendingWhenTheHeaderChangesIsSavedUnderItsHeader()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "Первый");
        addLine(m, "a1", 1);
        addLine(m, "a2", 2);
        addHeader(m, "Второй");
        addLine(m, "b1", 3);
        // The user types into a line of the first header and clicks the second header.
        m.head.first();
        m.lines.first();
        m.lines.edit();
        m.lines.setValue("l_name", "a1 исправлена");
        m.head.next();
        m.lines.edit();
        m.lines.setValue("l_qty", 30);
        QVERIFY(m.save());
        QList<QVariantList> rows;
        Query q(db, "select o_name, l_name, l_qty from dd_line join dd_order on o_id = l_order order by l_id");
        for (q.exec(); q.next();)
            rows << QVariantList{q.value(0), q.value(1), q.value(2)};
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0][0].toString(), QStringLiteral("Первый"));
        QCOMPARE(rows[0][1].toString(), QStringLiteral("a1 исправлена"));
        QCOMPARE(Money::fromVariant(rows[0][2]), Money(1));
        QCOMPARE(rows[1][1].toString(), QStringLiteral("a2"));
        QCOMPARE(rows[1][0].toString(), QStringLiteral("Первый"));
        QCOMPARE(rows[2][0].toString(), QStringLiteral("Второй"));
        QCOMPARE(rows[2][1].toString(), QStringLiteral("b1"));
        QCOMPARE(Money::fromVariant(rows[2][2]), Money(30));
    }

    void aCommitRefusedByTheDatabaseKeepsThePendingChanges()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        // Checked only at commit.
        db.exec("create table dd_check (c_order integer references dd_order (o_id) deferrable initially "
                "deferred)");
        OrderModule m(db);
        addHeader(m, "Заказ");
        addLine(m, "первая", 1);
        m.beforeCommit = [&db] { db.exec("insert into dd_check values (-77)"); };
        QVERIFY_THROWS_EXCEPTION(DatabaseError, m.save());
        QVERIFY(!db.inTransaction());
        QCOMPARE(count(db, "dd_order"), 0);
        QVERIFY(m.modified());
        QVERIFY(m.head.hasPendingChanges());
        QVERIFY(m.lines.hasPendingChanges());
        QCOMPARE(m.refreshes, 0);
        m.beforeCommit = nullptr;
        QVERIFY(m.save());
        QCOMPARE(count(db, "dd_line"), 1);
    }

    void aRefreshFailingAfterTheCommitSaysTheDataWasSaved()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        createTables(db);
        OrderModule m(db);
        addHeader(m, "Заказ");
        addLine(m, "первая", 1);
        m.failRefresh = true;
        try {
            m.save();
            QFAIL("no error");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("сохранен")), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("Соединение с сервером потеряно")));
        }
        QCOMPARE(count(db, "dd_line"), 1);
        QVERIFY(!m.modified());
        QVERIFY(!m.lines.hasPendingChanges());
        QVERIFY(m.refreshPending());
        // The next open re-reads.
        m.failRefresh = false;
        m.refreshIfPending();
        QVERIFY(!m.refreshPending());
        QCOMPARE(m.refreshes, 2);
        QCOMPARE(count(db, "dd_line"), 1);
    }

    void appendStartsAtTheLastRowAfterLast()
    {
        TRowSet src;
        src.addField("l_name", FieldType::String);
        src.appendLoaded({"x"});
        src.appendLoaded({"y"});
        TRowSet target;
        target.addField("l_name", FieldType::String);
        src.last();
        RowSetHelpers::appendRecordsetRows(src, target, {}, nullptr, {});
        QCOMPARE(target.recordCount(), 1);
        QCOMPARE(target.string("l_name"), QStringLiteral("y"));
    }

    void configBlobsRoundTrip()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        QByteArray data("object X\0\x01\xff end", 15);
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        out.write("keep");
        QVERIFY(!ConfigBlob::load(db, out, "SCM_FLD_NAMES"));
        QCOMPARE(out.data(), QByteArray("keep")); // untouched
        ConfigBlob::save(db, "SCM_FLD_NAMES", data);
        ConfigBlob::save(db, "SCM_FLD_NAMES", data + "2");
        QCOMPARE(db.scalar("select count(*) from SCL_CONFIG where CF_DESCR = 'SCM_FLD_NAMES'").toInt(), 1);
        QBuffer in;
        in.open(QIODevice::ReadWrite);
        QVERIFY(ConfigBlob::load(db, in, "SCM_FLD_NAMES"));
        QCOMPARE(in.pos(), 0);
        QCOMPARE(in.readAll(), data + "2");
        QVERIFY(!ConfigBlob::load(db, "other").has_value());
    }

private:
    QStringList m_shown;
};

QTEST_GUILESS_MAIN(DefferedDataModuleTest)
#include "tst_deffereddatamodule.moc"
