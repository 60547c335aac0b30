#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "data/engine/resultreader.h"
#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

bool postgres()
{
    return Test::TestDatabase::engine() == Engine::PostgreSQL;
}

// Every column kind the schema uses, with the awkward values.
void fillTable(Database& db)
{
    db.exec(QStringLiteral("create table lt (id integer primary key, name varchar(40), amount numeric(19,4), "
                           "rate double precision, d timestamp, flag boolean, data %1, note text)")
                .arg(postgres() ? "bytea" : "blob"));
    const QString sql = "insert into lt values (:id, :name, :amount, :rate, :d, :flag, :data, :note)";
    struct Line
    {
        int id;
        QVariant name, amount, rate, d, flag, data, note;
    };
    const QList<Line> lines = {
        {1, "Гвозди 'стальные'", Money::fromRaw(-12345).toVariant(), 0.1,
         QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 123)), true, QByteArray("\0\x01\xff", 3), ""},
        {2, "", Money(5).toVariant(), -1e10, QDateTime(QDate(1999, 12, 31), QTime(0, 0)), false, QByteArray(),
         "x"},
        {3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
        {4, QStringLiteral("смайл \U0001F600"), Money::fromRaw(9999999999999).toVariant(), 3.0,
         QDateTime(QDate(1960, 6, 1), QTime(8, 0, 0, 1)), true, QByteArray(300, '\0'),
         "многострочный\nтекст"},
    };
    for (const Line& l : lines) {
        Query q(db, sql);
        q.bind("id", l.id, ParamType::Integer)
            .bind("name", l.name, ParamType::String, 40)
            .bind("amount", l.amount, ParamType::Money)
            .bind("rate", l.rate, ParamType::Float)
            .bind("d", l.d, ParamType::DateTime)
            .bind("flag", l.flag, ParamType::Boolean)
            .bind("data", l.data, ParamType::Bytes)
            .bind("note", l.note, ParamType::String)
            .exec();
    }
}

// A row set loaded through QtSql: the query is already running, so its rows are read from it.
void loadThroughQtSql(TRowSet& rs, Query& q)
{
    q.exec();
    rs.loadFrom(q);
}

void compareSets(TRowSet& direct, TRowSet& viaQt)
{
    QCOMPARE(direct.fieldCount(), viaQt.fieldCount());
    for (int f = 0; f < direct.fieldCount(); ++f) {
        QCOMPARE(direct.field(f).name, viaQt.field(f).name);
        QCOMPARE(direct.field(f).type, viaQt.field(f).type);
    }
    QCOMPARE(direct.recordCount(), viaQt.recordCount());
    for (direct.first(), viaQt.first(); !direct.eof(); direct.next(), viaQt.next())
        for (int f = 0; f < direct.fieldCount(); ++f) {
            const QVariant a = direct.value(f), b = viaQt.value(f);
            QVERIFY2(a.isNull() == b.isNull(), qPrintable(direct.field(f).name));
            if (!a.isNull())
                QVERIFY2(
                    a == b,
                    qPrintable(
                        QStringLiteral("%1: %2 / %3").arg(direct.field(f).name, a.toString(), b.toString())));
        }
}

} // namespace

class RowSetLoadTest : public QObject
{
    Q_OBJECT
private slots:
    void directReadingGivesWhatQueryGives()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        const QString sql = "select * from lt order by id";
        Query q1(db, sql), q2(db, sql);
        TRowSet direct, viaQt;
        direct.loadFrom(q1);
        loadThroughQtSql(viaQt, q2);
        compareSets(direct, viaQt);

        QCOMPARE(direct.field(0).type, FieldType::Integer);
        QCOMPARE(direct.field(1).type, FieldType::String);
        QCOMPARE(direct.field(2).type, FieldType::Money);
        QCOMPARE(direct.field(3).type, FieldType::Float);
        QCOMPARE(direct.field(4).type, FieldType::DateTime);
        QCOMPARE(direct.field(5).type, FieldType::Boolean);
        QCOMPARE(direct.field(6).type, FieldType::Bytes);
        direct.first();
        QCOMPARE(direct.string("name"), QStringLiteral("Гвозди 'стальные'"));
        QCOMPARE(direct.money("amount"), Money::fromRaw(-12345));
        QCOMPARE(direct.value("rate").toDouble(), 0.1);
        QCOMPARE(direct.value("d").toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 123)));
        QCOMPARE(direct.value("data").toByteArray(), QByteArray("\0\x01\xff", 3));
        direct.last();
        QCOMPARE(direct.string("name"), QStringLiteral("смайл \U0001F600"));
        QCOMPARE(direct.money("amount"), Money::fromRaw(9999999999999));
        QCOMPARE(direct.value("data").toByteArray(), QByteArray(300, '\0'));
        QCOMPARE(direct.value("d").toDateTime(), QDateTime(QDate(1960, 6, 1), QTime(8, 0, 0, 1)));
    }

    void parametersExpressionsAndEmptyResults()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        const QString sql =
            "select id, upper(name) as big, amount * 2 as twice, count(*) over () as n from lt "
            "where (name like :pattern or name = ?) and d >= :since order by id";
        auto bound = [&](Query& q) {
            q.bind("pattern", "Гвозди%")
                .bindAt(0, "")
                .bind("since", QDateTime(QDate(1999, 12, 31), QTime(0, 0)));
        };
        Query q1(db, sql), q2(db, sql);
        bound(q1);
        bound(q2);
        TRowSet direct, viaQt;
        direct.loadFrom(q1);
        loadThroughQtSql(viaQt, q2);
        QCOMPARE(direct.recordCount(), 2);
        compareSets(direct, viaQt);
        direct.first();
        QCOMPARE(direct.string("big"), QStringLiteral("ГВОЗДИ 'СТАЛЬНЫЕ'"));
        QCOMPARE(direct.integer("n"), 2);

        // Text that looks like SQL stays a value.
        Query evil(db, "select id from lt where name = :n");
        evil.bind("n", "x' or '1'='1");
        TRowSet none;
        none.loadFrom(evil);
        QCOMPARE(none.recordCount(), 0);
        QCOMPARE(none.fieldCount(), 1);
        QCOMPARE(none.field(0).name, QStringLiteral("id"));
        QCOMPARE(none.field(0).type, FieldType::Integer);
        QVERIFY(none.eof());
    }

    // Parameters take their type from where they stand, as they do for statements run through QtSql.
    void parametersAreTypedByTheStatement()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        db.exec("insert into lt (id, name, amount, flag) values (7, '5', 1.5, true)");
        const QList<std::pair<const char*, QVariant>> cases = {
            {"select id from lt where name = ?", 5},
            {"select id from lt where id = ?", "7"},
            {"select id from lt where id = ?", 7.0},
            {"select id from lt where amount > ?", 1.25},
            {"select id from lt where flag = ? and id = 7", true},
            {"select id from lt order by id limit ?", 1},
            {"select ? + 1 as x", 5},
            {"select ? || 'x' as x", 5},
            {"select abs(?) as x", -5},
            {"select upper(?) as x", "ab"},
        };
        for (const auto& [sql, value] : cases) {
            Query q1(db, sql), q2(db, sql);
            q1.bindAt(0, value);
            q2.bindAt(0, value);
            TRowSet direct, viaQt;
            direct.loadFrom(q1);
            loadThroughQtSql(viaQt, q2);
            QVERIFY2(!direct.isEmpty(), sql);
            QCOMPARE(direct.value(0).toString(), viaQt.value(0).toString());
        }
    }

    void aFailingStatementLeavesTheConnectionUsable()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        TRowSet rs;
        Query good(db, "select id from lt order by id");
        rs.loadFrom(good);
        QCOMPARE(rs.recordCount(), 4);

        // Refused before any row: the set keeps what it had.
        Query missing(db, "select * from no_such_table");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.loadFrom(missing));
        QCOMPARE(rs.recordCount(), 4);

        // Fails on the third row, after two have arrived: no half result.
        Query overflow(db, "select id, abs(-9223372036854775807 + (2 - id)) as v from lt");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, rs.loadFrom(overflow));
        QCOMPARE(rs.recordCount(), 0);

        Query again(db, "select count(*) as n from lt");
        QCOMPARE(db.scalar("select count(*) from lt").toInt(), 4);
        rs.loadFrom(again);
        QCOMPARE(rs.integer("n"), 4);
    }

    void loadsWhileAnotherQueryIsHalfRead()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        Query open(db, "select id from lt order by id");
        open.exec();
        QVERIFY(open.next());
        TRowSet rs;
        Query q(db, "select name from lt where id = ?");
        q.bindAt(0, 2);
        rs.loadFrom(q);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.string("name"), QString(""));
        QCOMPARE(db.scalar("select count(*) from lt").toInt(), 4);
    }

    void readsInsideTheTransaction()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        TRowSet rs;
        {
            Transaction tx(db);
            db.exec("insert into lt (id, name) values (10, 'в транзакции')");
            Query q(db, "select name from lt where id = 10");
            rs.loadFrom(q);
            QCOMPARE(rs.recordCount(), 1);
        } // rolled back
        Query q(db, "select name from lt where id = 10");
        rs.loadFrom(q);
        QCOMPARE(rs.recordCount(), 0);
    }

    void editsOfLoadedRowsSurviveReloadsOfOtherSets()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        TRowSet rs;
        Query q(db, "select id, name, amount from lt order by id");
        rs.loadFrom(q);
        rs.edit();
        rs.setValue("name", "изменено");
        rs.post();
        rs.next();
        rs.remove();
        QCOMPARE(rs.recordCount(), 3);
        rs.setPendingOnly(true);
        QCOMPARE(rs.recordCount(), 2);
        rs.first();
        QCOMPARE(rs.originalValue("name").toString(), QStringLiteral("Гвозди 'стальные'"));
        rs.setPendingOnly(false);
        rs.cancelUpdates();
        QCOMPARE(rs.recordCount(), 4);
        rs.first();
        QCOMPARE(rs.string("name"), QStringLiteral("Гвозди 'стальные'"));
        rs.setSort("name desc");
        rs.first();
        QCOMPARE(rs.integer("id"), 4); // "смайл" sorts last among the names
        rs.last();
        QCOMPARE(rs.integer("id"), 3); // null first in ascending, last in descending
        // A reload replaces rows; clones follow.
        auto clone = rs.clone();
        Query again(db, "select id, name, amount from lt where id > 2 order by id");
        rs.loadFrom(again);
        QCOMPARE(clone->recordCount(), 2);
        clone->first();
        QCOMPARE(clone->integer("id"), 3);
    }

    // A result read straight into fields of another order and type gives what the values appended
    // one by one give; rows may be completed or left out, and a refusal keeps what was there.
    void resultReadIntoTheFieldsByMap()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        fillTable(db);
        const auto define = [](TRowSet& rs) {
            rs.addField("link", FieldType::Integer);
            rs.addField("note", FieldType::String);
            rs.addField("d", FieldType::DateTime);
            rs.addField("id_money", FieldType::Money); // an integer column kept as money
            rs.addField("amount", FieldType::Float);   // money kept as a float
            rs.addField("name", FieldType::String);
            rs.addField("data", FieldType::Bytes);
            rs.addField("flag", FieldType::Boolean);
            rs.addCalculatedField("twice", FieldType::Integer,
                                  [](const TRowSet& r) { return QVariant(r.integer("link") * 2); });
        };
        const QString sql = "select id, name, amount, rate, d, flag, data, note from lt order by id";
        TRowSet direct, byValues;
        define(direct);
        define(byValues);
        int notices = 0;
        const RowSetSubscription sub = direct.subscribeChanged([&](int) { ++notices; });
        Query q(db, sql);
        const auto result = ResultReader::open(q);
        const int appended =
            direct.appendResult(*result, {3, 5, 4, -1, 2, 7, 6, 1}, [](const RowValues& read, RowValues::Builder& row) {
                if (read.at(0).toInt() == 2)
                    return false;
                row.setInt64(0, read.at(0).toLongLong() * 10);
                return true;
            });
        QCOMPARE(appended, 3);
        QCOMPARE(notices, 1);
        Query plain(db, sql);
        plain.exec();
        QList<QVariantList> rows;
        while (plain.next()) {
            if (plain.value(0).toInt() == 2)
                continue;
            rows << QVariantList{plain.value(0).toLongLong() * 10, plain.value(7), plain.value(4), plain.value(0),
                                 plain.value(2), plain.value(1), plain.value(6), plain.value(5)};
        }
        byValues.appendLoadedRows(rows);
        QCOMPARE(direct.recordCount(), 3);
        for (direct.first(), byValues.first(); !direct.eof(); direct.next(), byValues.next())
            for (int f = 0; f < direct.fieldCount(); ++f) {
                const QVariant a = direct.value(f), b = byValues.value(f);
                QVERIFY2(a.isNull() == b.isNull(), qPrintable(direct.field(f).name));
                QVERIFY2(a.metaType() == b.metaType() || a.isNull(), qPrintable(direct.field(f).name));
                QVERIFY2(a.isNull() || a == b, qPrintable(direct.field(f).name + ": " + a.toString()));
            }
        direct.first();
        QCOMPARE(direct.integer("twice"), 20);
        QCOMPARE(direct.money("id_money"), Money(1));
        QCOMPARE(direct.value("amount").toDouble(), -1.2345);
        QCOMPARE(direct.value("data").toByteArray(), QByteArray("\0\x01\xff", 3));
        direct.last();
        QCOMPARE(direct.string("name"), QStringLiteral("смайл \U0001F600"));

        // A row refused half-way: none of the result's rows stay, the earlier ones do.
        Query again(db, sql);
        const auto second = ResultReader::open(again);
        QVERIFY_THROWS_EXCEPTION(Exception, direct.appendResult(*second, {3, 5, 4, -1, 2, 7, 6, 1},
                                                                [](const RowValues& read, RowValues::Builder&) {
                                                                    if (read.at(0).toInt() == 3)
                                                                        throw Exception("отказ");
                                                                    return true;
                                                                }));
        QCOMPARE(direct.recordCount(), 3);
        // A map that does not fit the result, or points at a calculated field, is refused.
        Query third(db, sql);
        const auto badMap = ResultReader::open(third);
        QVERIFY_THROWS_EXCEPTION(Exception, direct.appendResult(*badMap, {0, 1}));
        QVERIFY_THROWS_EXCEPTION(Exception, direct.appendResult(*badMap, {8, 5, 4, -1, 2, 7, 6, 1}));
        QCOMPARE(direct.recordCount(), 3);
    }
};

QTEST_GUILESS_MAIN(RowSetLoadTest)
#include "tst_rowsetload.moc"
