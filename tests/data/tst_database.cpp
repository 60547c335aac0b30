#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "support/testdatabase.h"

#include "support/testenvironment.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

// A parent/child pair with every kind of key the error mapping must name.
void createSampleTables(Database& db)
{
    Transaction t(db);
    MigrationContext ctx(db);
    ctx.createTable(Table(QStringLiteral("t_parent"))
                        .identity(QStringLiteral("p_id"))
                        .string(QStringLiteral("p_code"), 20)
                        .notNull()
                        .string(QStringLiteral("p_name"), 100)
                        .money(QStringLiteral("p_sum"))
                        .decimal(QStringLiteral("p_amount"))
                        .dateTime(QStringLiteral("p_date"))
                        .boolean(QStringLiteral("p_flag"))
                        .bytes(QStringLiteral("p_blob"))
                        .floating(QStringLiteral("p_rate"))
                        .primaryKey(QStringLiteral("PK_t_parent"), {QStringLiteral("p_id")})
                        .unique(QStringLiteral("ix_t_parent_code"), {QStringLiteral("p_code")}));
    ctx.createTable(Table(QStringLiteral("t_child"))
                        .integer(QStringLiteral("c_parent"))
                        .notNull()
                        .integer(QStringLiteral("c_line"))
                        .notNull()
                        .primaryKey(QStringLiteral("PK_t_child"), {QStringLiteral("c_parent"), QStringLiteral("c_line")})
                        .foreignKey(QStringLiteral("FK_t_child_t_parent"), {QStringLiteral("c_parent")},
                                    QStringLiteral("t_parent"), {QStringLiteral("p_id")}));
    t.commit();
    db.reloadCatalog();
}

qint64 addParent(Database& db, const QString& code)
{
    return db.insertReturning(QStringLiteral("insert into t_parent (p_code) values (?)"), QStringLiteral("p_id"), {code});
}

DatabaseError expectFailure(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DatabaseError& e) {
        return e;
    }
    qFatal("the statement was expected to fail");
}

} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesRoundTripExactly()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        const QString name = QStringLiteral("ООО \"Ромашка\" O'Brien; -- ' or 1=1");
        const QDateTime when(QDate(2026, 2, 28), QTime(23, 59, 58, 123));
        const QByteArray blob("\x00\x01\xff'\"\x00z", 7);
        const Money big = Money::parse(u"922337203.6854").value();
        const Money sum = Money::parse(u"-12345.6789").value();

        Query ins(db, QStringLiteral("insert into t_parent (p_code, p_name, p_sum, p_amount, p_date, p_flag, p_blob, p_rate) "
                                     "values (:code, :name, :sum, :amount, :date, :flag, :blob, :rate)"));
        ins.bind(QStringLiteral("code"), QStringLiteral("A1"))
            .bind(QStringLiteral("name"), name, ParamType::String, 100)
            .bind(QStringLiteral("sum"), sum.toVariant(), ParamType::Money)
            .bind(QStringLiteral("amount"), big.toVariant())
            .bind(QStringLiteral("date"), when, ParamType::DateTime)
            .bind(QStringLiteral("flag"), true, ParamType::Boolean)
            .bind(QStringLiteral("blob"), blob, ParamType::Bytes)
            .bind(QStringLiteral("rate"), 0.125, ParamType::Float);
        ins.exec();
        // The same prepared statement runs again with NULLs.
        ins.bind(QStringLiteral("code"), QStringLiteral("A2"))
            .bind(QStringLiteral("name"), QVariant())
            .bind(QStringLiteral("sum"), QVariant())
            .bind(QStringLiteral("amount"), QVariant())
            .bind(QStringLiteral("date"), QVariant())
            .bind(QStringLiteral("flag"), false)
            .bind(QStringLiteral("blob"), QVariant())
            .bind(QStringLiteral("rate"), QVariant());
        ins.exec();

        Query q(db, QStringLiteral("select p_name, p_sum, p_amount, p_date, p_flag, p_blob, p_rate from t_parent "
                                   "where p_code = ? order by p_id"));
        q.bindAll({QStringLiteral("A1")}).exec();
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), name);
        QCOMPARE(q.value(1).value<Money>(), sum);
        QCOMPARE(q.money(2), big);
        QCOMPARE(q.value(3).toDateTime(), when);
        QCOMPARE(q.value(4), QVariant(true));
        QCOMPARE(q.value(5).toByteArray(), blob);
        QCOMPARE(q.value(6).toDouble(), 0.125);

        q.bindAll({QStringLiteral("A2")}).exec();
        QVERIFY(q.next());
        for (int i : {0, 1, 2, 3, 5, 6})
            QVERIFY2(q.value(i).isNull(), qPrintable(q.columnName(i)));
        QCOMPARE(q.value(4), QVariant(false));
    }

    void moneyIsExactAtScale()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        // Sums of many 4-decimal amounts must not drift.
        Query ins(db, QStringLiteral("insert into t_parent (p_code, p_sum) values (?, ?)"));
        Money expected;
        for (int i = 0; i < 300; ++i) {
            const Money m = Money::fromRaw(1234567 + i * 3); // 123.4567 + ...
            expected += m;
            ins.bindAll({QStringLiteral("M%1").arg(i), m.toVariant()}).exec();
        }
        QCOMPARE(Money::fromVariant(db.scalar(QStringLiteral("select sum(p_sum) from t_parent"))), expected);
        if (TestDatabase_isPostgres()) {
            // PostgreSQL keeps the full money range exactly.
            const Money max = Money::parse(u"922337203685477.5807").value();
            ins.bindAll({QStringLiteral("MAX"), max.toVariant()}).exec();
            QCOMPARE(Money::fromVariant(db.scalar(QStringLiteral("select p_sum from t_parent where p_code = 'MAX'"))), max);
        }
    }

    void namedParametersRepeatAndMixWithLiterals()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        addParent(db, QStringLiteral("X:1"));
        Query q(db, QStringLiteral("select count(*) from t_parent where p_code = :c or p_name = :c or p_code = 'a:b?'"));
        QCOMPARE(q.parameterNames(), QStringList{QStringLiteral("c")});
        q.bind(QStringLiteral("c"), QStringLiteral("X:1")).exec();
        QVERIFY(q.next());
        QCOMPARE(q.integer(0), 1);
        QVERIFY_THROWS_EXCEPTION(Exception, q.bind(QStringLiteral("missing"), 1));

        // Writes report the rows they touched, run after run.
        Query upd(db, QStringLiteral("update t_parent set p_name = :n where p_code = :c"));
        upd.bind(QStringLiteral("n"), QStringLiteral("первый")).bind(QStringLiteral("c"), QStringLiteral("X:1")).exec();
        QCOMPARE(upd.numRowsAffected(), 1);
        upd.bind(QStringLiteral("c"), QStringLiteral("nothing")).exec();
        QCOMPARE(upd.numRowsAffected(), 0);
        QCOMPARE(db.scalar(QStringLiteral("select p_name from t_parent where p_code = ?"), {QStringLiteral("X:1")}).toString(),
                 QStringLiteral("первый"));
    }

    void rollbackLeavesNothingAndTransactionsDoNotNest()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        {
            Transaction tx(db);
            addParent(db, QStringLiteral("R1"));
            QVERIFY_THROWS_EXCEPTION(Exception, db.beginTransaction());
            // not committed: rolled back by the guard
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 0);

        Transaction tx(db);
        addParent(db, QStringLiteral("S1"));
        {
            Savepoint sp(db);
            QVERIFY_THROWS_EXCEPTION(DatabaseError, addParent(db, QStringLiteral("S1")));
        }
        addParent(db, QStringLiteral("S2")); // the transaction goes on after the failed statement
        tx.commit();
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 2);
    }

    void newKeysAreReturned()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        const qint64 a = addParent(db, QStringLiteral("K1"));
        const qint64 b = addParent(db, QStringLiteral("K2"));
        QVERIFY(a > 0);
        QCOMPARE(b, a + 1);
        QCOMPARE(db.scalar(QStringLiteral("select p_code from t_parent where p_id = ?"), {b}).toString(), QStringLiteral("K2"));
    }

    void refusalsAreMappedWithNames()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        const qint64 p = addParent(db, QStringLiteral("P1"));
        db.exec(QStringLiteral("insert into t_child (c_parent, c_line) values (?, 1)"), {p});

        auto pk = expectFailure([&] { db.exec(QStringLiteral("insert into t_child (c_parent, c_line) values (?, 1)"), {p}); });
        QCOMPARE(pk.nativeError(), NativeError::Constraint);
        QCOMPARE(pk.constraint(), QStringLiteral("PK_t_child"));
        QCOMPARE(pk.table().toLower(), QStringLiteral("t_child"));
        QVERIFY(pk.errors().first().message.contains(QLatin1String("PRIMARY KEY")));

        auto uq = expectFailure([&] { addParent(db, QStringLiteral("P1")); });
        QCOMPARE(uq.nativeError(), NativeError::UniqueIndex);
        QCOMPARE(uq.constraint(), QStringLiteral("ix_t_parent_code"));
        QCOMPARE(uq.table().toLower(), QStringLiteral("t_parent"));

        auto fkIns = expectFailure([&] { db.exec(QStringLiteral("insert into t_child (c_parent, c_line) values (999, 1)")); });
        QCOMPARE(fkIns.nativeError(), NativeError::Reference);
        QCOMPARE(fkIns.constraint(), QStringLiteral("FK_t_child_t_parent"));
        QCOMPARE(fkIns.table().toLower(), QStringLiteral("t_parent"));
        QCOMPARE(fkIns.column().toLower(), QStringLiteral("p_id"));
        QVERIFY(fkIns.errors().first().message.contains(QLatin1String("COLUMN FOREIGN KEY")));

        auto fkDel = expectFailure([&] { db.exec(QStringLiteral("delete from t_parent where p_id = ?"), {p}); });
        QCOMPARE(fkDel.nativeError(), NativeError::Reference);
        QCOMPARE(fkDel.constraint(), QStringLiteral("FK_t_child_t_parent"));
        QCOMPARE(fkDel.table().toLower(), QStringLiteral("t_child"));
        QCOMPARE(fkDel.column().toLower(), QStringLiteral("c_parent"));
        QVERIFY(fkDel.errors().first().message.contains(QLatin1String("COLUMN REFERENCE")));

        auto nn = expectFailure([&] { db.exec(QStringLiteral("insert into t_parent (p_name) values ('x')")); });
        QCOMPARE(nn.nativeError(), NativeError::NotNull);
        QCOMPARE(nn.column().toLower(), QStringLiteral("p_code"));
        QCOMPARE(nn.table().toLower(), QStringLiteral("t_parent"));
        QVERIFY(!nn.engineMessage().isEmpty());

        auto syntax = expectFailure([&] { db.exec(QStringLiteral("selec 1")); });
        QCOMPARE(syntax.nativeError(), NativeError::General);
        QCOMPARE(db.lastErrors().size(), 1);
    }

    void searchIgnoresCyrillicCase()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        Query ins(db, QStringLiteral("insert into t_parent (p_code, p_name) values (?, ?)"));
        ins.bindAll({QStringLiteral("1"), QStringLiteral("Болт оцинкованный М8")}).exec();
        ins.bindAll({QStringLiteral("2"), QStringLiteral("ГАЙКА ЁЛОЧНАЯ")}).exec();
        ins.bindAll({QStringLiteral("3"), QStringLiteral("шайба 50%_off")}).exec();
        const QString like = db.dialect().likeOperator();
        auto count = [&](const QString& pattern) {
            return db.scalar(QStringLiteral("select count(*) from t_parent where p_name %1 ?").arg(like), {pattern}).toInt();
        };
        QCOMPARE(count(QStringLiteral("%БОЛТ%")), 1);
        QCOMPARE(count(QStringLiteral("гайка ё%")), 1);
        QCOMPARE(count(QStringLiteral("%м_")), 1);
        QCOMPARE(count(QStringLiteral("%Ш%")), 1);
        QCOMPARE(count(QStringLiteral("%")), 3);
        QCOMPARE(db.scalar(QStringLiteral("select upper(p_name) from t_parent where p_code = '1'")).toString(),
                 QStringLiteral("БОЛТ ОЦИНКОВАННЫЙ М8"));
        QCOMPARE(db.scalar(QStringLiteral("select lower(p_name) from t_parent where p_code = '2'")).toString(),
                 QStringLiteral("гайка ёлочная"));
    }

    void dialectHelpersWork()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        QVERIFY(db.objectExists(QStringLiteral("scm_parametrs")));
        QVERIFY(db.objectExists(QStringLiteral("SCM_PARAMETRS")));
        QVERIFY(!db.objectExists(QStringLiteral("no_such_table")));
        const QDateTime now = db.serverTime();
        QVERIFY(now.isValid());
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) < 24 * 3600);
        // Quoting for the few statements built as text.
        db.exec(QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values (%1, 'x')")
                    .arg(Database::quote(QStringLiteral("it's"))));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from scm_parametrs where inside_name_nastr = ?"),
                           {QStringLiteral("it's")}).toInt(), 1);
    }

    void proceduresRunInsideTheCallersTransaction()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        ProcedureRegistry::instance().add(QStringLiteral("scm_test_add_parent"), [](Database& d, const QVariantMap& p) {
            ProcedureResult r;
            r.outputs.insert(QStringLiteral("p_id"),
                             d.insertReturning(QStringLiteral("insert into t_parent (p_code) values (?)"), QStringLiteral("p_id"),
                                               {p.value(QStringLiteral("code"))}));
            return r;
        });
        {
            Transaction tx(db);
            const auto r = ProcedureRegistry::instance().call(db, QStringLiteral("SCM_TEST_ADD_PARENT"),
                                                              {{QStringLiteral("@Code"), QStringLiteral("Z1")}});
            QVERIFY(r.outputs.value(QStringLiteral("p_id")).toLongLong() > 0);
            QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 1);
        } // rolled back with the caller's transaction
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 0);
        QVERIFY_THROWS_EXCEPTION(Exception, ProcedureRegistry::instance().call(db, QStringLiteral("scm_nothing"), {}));
    }

    void temporaryTablesLiveOnTheConnection()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        db.exec(db.dialect().createTempTable(Table(QStringLiteral("tmp_pick")).integer(QStringLiteral("id")).money(QStringLiteral("amount"))));
        db.exec(QStringLiteral("insert into tmp_pick (id, amount) values (?, ?)"), {1, Money::fromRaw(15).toVariant()});
        QVERIFY(db.objectExists(QStringLiteral("tmp_pick")) || db.engine() == Engine::PostgreSQL);
        QCOMPARE(Money::fromVariant(db.scalar(QStringLiteral("select amount from tmp_pick"))), Money::fromRaw(15));
        auto other = t.connectAgain();
        QVERIFY_THROWS_EXCEPTION(DatabaseError, other->exec(QStringLiteral("select * from tmp_pick")));
    }

    void migrationsAreIdempotentAndNewerSchemaIsRefused()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        QCOMPARE(Migrator::currentVersion(db), 0);
        QCOMPARE(Migrator::apply(db), Migrator::latestVersion());
        QCOMPARE(Migrator::apply(db), 0);
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());

        db.exec(QStringLiteral("insert into scm_schema_version (version, title) values (?, 'future')"),
                {Migrator::latestVersion() + 1});
        try {
            Migrator::apply(db);
            QFAIL("a newer schema was accepted");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QStringLiteral("более новую версию")));
        }
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion() + 1);
    }

    void embeddedDatabaseIsCreatedOnFirstStart()
    {
        QTemporaryDir home;
        Test::isolateUserFolders(home.path());
        const ConnectionSettings s = ConnectionSettings::fromIni(home.path() + QStringLiteral("/none.ini"), {});
        QVERIFY(s.isEmbeddedDefault());
        Database db(s);
        db.open();
        QVERIFY(db.createdNew());
        Migrator::apply(db);
        QVERIFY(QFile::exists(ConnectionSettings::embeddedDatabasePath()));
        QVERIFY(ConnectionSettings::embeddedDatabasePath().startsWith(home.path()));
        db.close();
        Database again(s);
        again.open();
        QVERIFY(!again.createdNew());
        QCOMPARE(Migrator::currentVersion(again), Migrator::latestVersion());
    }

private:
    static bool TestDatabase_isPostgres() { return Test::TestDatabase::engine() == Engine::PostgreSQL; }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
