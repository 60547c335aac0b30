#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "db/bulkinserter.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "data/engine/resultreader.h"
#include "support/testdatabase.h"

#include "support/testenvironment.h"

#include <QThread>
#include <QtTest>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// Reads the engines' errors, so it runs on a Russian-language and an English-language
// server: TARVO_ENGLISH_SERVER_TOO.

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

// Forwards one client to the test server over loopback and, once armed, cuts both ends after the
// client has sent `cutAfter` more bytes: a connection lost half way, with no word from the server.
class CuttingProxy
{
public:
    CuttingProxy(int serverPort, qint64 cutAfter) : m_serverPort(serverPort), m_cutAfter(cutAfter)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~CuttingProxy()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    int port() const { return m_port; }
    void arm() { m_armed = true; }

private:
    void run()
    {
        pollfd l{m_listen, POLLIN, 0};
        while (!m_stop && ::poll(&l, 1, 100) <= 0) {
        }
        if (m_stop)
            return;
        const int client = ::accept(m_listen, nullptr, nullptr);
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(quint16(m_serverPort));
        ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a);
        qint64 sent = 0;
        char buf[65536];
        while (!m_stop) {
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(p, 2, 100) <= 0)
                continue;
            bool closed = false;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP)))
                    continue;
                const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    closed = true;
                    break;
                }
                if (i == 0 && m_armed && (sent += n) > m_cutAfter) {
                    closed = true;
                    break;
                }
                for (ssize_t at = 0; at < n;) {
                    const ssize_t w = ::write(p[1 - i].fd, buf + at, size_t(n - at));
                    if (w <= 0)
                        break;
                    at += w;
                }
            }
            if (closed)
                break;
        }
        ::shutdown(client, SHUT_RDWR);
        ::shutdown(server, SHUT_RDWR);
        ::close(client);
        ::close(server);
    }

    int m_listen = -1;
    int m_port = 0;
    int m_serverPort;
    qint64 m_cutAfter;
    std::atomic<bool> m_armed = false;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

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

        // Updates refused on either side of a reference.
        auto fkUpdParent = expectFailure([&] { db.exec(QStringLiteral("update t_parent set p_id = p_id + 100")); });
        QCOMPARE(fkUpdParent.nativeError(), NativeError::Reference);
        QVERIFY(fkUpdParent.errors().first().message.contains(QLatin1String("UPDATE statement conflicted with COLUMN REFERENCE")));
        QCOMPARE(fkUpdParent.table().toLower(), QStringLiteral("t_child"));
        auto fkUpdChild = expectFailure([&] { db.exec(QStringLiteral("update t_child set c_parent = 999")); });
        QCOMPARE(fkUpdChild.nativeError(), NativeError::Reference);
        QVERIFY(fkUpdChild.errors().first().message.contains(QLatin1String("UPDATE statement conflicted with COLUMN FOREIGN KEY")));
        QCOMPARE(fkUpdChild.table().toLower(), QStringLiteral("t_parent"));

        // Anything else keeps its own code and the engine's text; 50000 is for the database's own refusals.
        auto syntax = expectFailure([&] { db.exec(QStringLiteral("selec 1")); });
        QCOMPARE(syntax.nativeError(), NativeError::Unmapped);
        QVERIFY(!syntax.engineCode().isEmpty());
        QCOMPARE(syntax.errors().first().engineCode, syntax.engineCode());
        QVERIFY(!syntax.message().isEmpty());
        QCOMPARE(db.lastErrors().size(), 1);
        auto missing = expectFailure([&] { db.exec(QStringLiteral("select * from t_nowhere")); });
        QCOMPARE(missing.nativeError(), NativeError::InvalidObject);
        QVERIFY(missing.message().contains(QLatin1String("t_nowhere")));
    }

    void textLongerThanItsColumnIsRefused()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        const QString login = QStringLiteral("a-very-long-login-of-36-characters!!");
        auto e = expectFailure([&] { addParent(db, login); });
        QCOMPARE(e.nativeError(), NativeError::Truncation);
        QCOMPARE(e.column().toLower(), QStringLiteral("p_code"));
        QCOMPARE(e.table().toLower(), QStringLiteral("t_parent"));
        QVERIFY2(e.message().startsWith(QStringLiteral("Строка не помещается в поле «p_code»")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QLatin1String("20")));
        // Exactly the length fits, counted in characters, not bytes.
        addParent(db, QStringLiteral("Ж").repeated(20));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 1);
    }

    void failedStatementDoomsTheTransaction()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        addParent(db, QStringLiteral("D0"));
        db.beginTransaction();
        addParent(db, QStringLiteral("D1"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, addParent(db, QStringLiteral("D0")));
        QVERIFY(db.isDoomed());
        try {
            addParent(db, QStringLiteral("D2")); // PostgreSQL refuses everything now; SQLite would take it
        } catch (const DatabaseError&) {
        }
        try {
            db.commit();
            QFAIL("a transaction with a failed statement was reported as committed");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("не сохранены")), qPrintable(e.message()));
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 1);

        // A savepoint set before the failure and rolled back to lets the transaction go on.
        db.beginTransaction();
        const QString sp = db.setSavepoint();
        QVERIFY_THROWS_EXCEPTION(DatabaseError, addParent(db, QStringLiteral("D0")));
        db.rollbackToSavepoint(sp);
        QVERIFY(!db.isDoomed());
        addParent(db, QStringLiteral("D3"));
        // One set after the failure does not.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, addParent(db, QStringLiteral("D0")));
        if (db.engine() == Engine::SQLite) {
            const QString late = db.setSavepoint();
            db.rollbackToSavepoint(late);
        }
        QVERIFY(db.isDoomed());
        QVERIFY_THROWS_EXCEPTION(Exception, db.commit());
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 1);
    }

    void busyDatabaseIsNamed()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        ConnectionSettings s = t.settings();
        s.commandTimeout = 1;
        Database other(s);
        other.open();
        Transaction tx(db);
        addParent(db, QStringLiteral("B1"));
        auto e = expectFailure([&] { addParent(other, QStringLiteral("B1")); });
        QCOMPARE(e.nativeError(), NativeError::LockTimeout);
        QVERIFY2(e.message().startsWith(QStringLiteral("База данных занята другим пользователем")), qPrintable(e.message()));
        tx.commit();
        addParent(other, QStringLiteral("B2")); // free again
    }

    // Storage troubles are named by their engine codes, never by the engine's English text.
    void storageFailuresAreNamed()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        const bool postgres = db.engine() == Engine::PostgreSQL;
        const QList<QPair<QString, int>> cases =
            postgres ? QList<QPair<QString, int>>{{QStringLiteral("53100"), NativeError::StorageFull},
                                                  {QStringLiteral("58030"), NativeError::StorageFault},
                                                  {QStringLiteral("XX001"), NativeError::StorageFault},
                                                  {QStringLiteral("25006"), NativeError::ReadOnly}}
                     : QList<QPair<QString, int>>{{QStringLiteral("13"), NativeError::StorageFull},
                                                  {QStringLiteral("778"), NativeError::StorageFault},
                                                  {QStringLiteral("11"), NativeError::StorageFault},
                                                  {QStringLiteral("26"), NativeError::StorageFault},
                                                  {QStringLiteral("1032"), NativeError::ReadOnly}};
        for (const auto& [code, expected] : cases) {
            EngineFailure f;
            f.code = code;
            f.message = QStringLiteral("engine text");
            const QList<ProviderError> mapped = db.dialect().mapError(f, db.catalog(), QStringLiteral("tarvo"));
            QVERIFY(!mapped.isEmpty());
            QCOMPARE(mapped.first().nativeError, expected);
            QVERIFY(!ErrorText::situationText(expected, 30, true).isEmpty());
        }
        if (postgres)
            return;
        // A real full file: the statement is refused in Russian and the transaction writes nothing.
        createSampleTables(db);
        db.exec(QStringLiteral("create table tst_big (b blob)"));
        db.exec(QStringLiteral("pragma max_page_count = %1").arg(db.scalar(QStringLiteral("pragma page_count")).toInt() + 2));
        db.beginTransaction();
        addParent(db, QStringLiteral("F1"));
        auto e = expectFailure([&] { db.exec(QStringLiteral("insert into tst_big (b) values (zeroblob(4000000))")); });
        db.rollback();
        QCOMPARE(e.nativeError(), NativeError::StorageFull);
        QVERIFY2(e.message().startsWith(QStringLiteral("На диске не осталось места")), qPrintable(e.message()));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from tst_big")).toInt(), 0);
    }

    void commandTimeoutsReachTheEngine()
    {
        Test::TestDatabase t;
        const auto limitOf = [&](int seconds) {
            ConnectionSettings s = t.settings();
            s.commandTimeout = seconds;
            Database db(s);
            db.open();
            return db.engine() == Engine::SQLite
                       ? db.scalar(QStringLiteral("PRAGMA busy_timeout")).toLongLong()
                       : db.scalar(QStringLiteral("select setting from pg_settings where name = 'lock_timeout'")).toLongLong();
        };
        QCOMPARE(limitOf(5), 5000);
        QCOMPARE(limitOf(3000000), qint64(INT_MAX)); // multiplied without overflowing
        QCOMPARE(limitOf(0), t.settings().engine == Engine::SQLite ? qint64(INT_MAX) : 0); // no limit

        if (Test::TestDatabase::engine() == Engine::PostgreSQL) {
            ConnectionSettings s = t.settings();
            s.commandTimeout = 1;
            Database db(s);
            db.open();
            auto e = expectFailure([&] { db.exec(QStringLiteral("select pg_sleep(5)")); });
            QCOMPARE(e.nativeError(), NativeError::QueryTimeout);
            QCOMPARE(e.engineCode(), QStringLiteral("57014"));
            QVERIFY2(e.message().contains(QStringLiteral("COMMAND TIMEOUT = 1")), qPrintable(e.message()));
        }
    }

    void postgresSessionsCompileNoPlans()
    {
        if (Test::TestDatabase::engine() != Engine::PostgreSQL)
            QSKIP("a PostgreSQL session setting");
        Test::TestDatabase t;
        Database db(t.settings());
        db.open();
        QCOMPARE(db.scalar(QStringLiteral("select current_setting('jit')")).toString(), QStringLiteral("off"));
    }

    void twoClientsMigrateAtOnce()
    {
        Test::TestDatabase t;
        t.db(false); // the database exists, the schema does not
        QStringList failures;
        QMutex mutex;
        std::atomic<int> applied = 0;
        QList<QThread*> threads;
        for (int i = 0; i < 3; ++i) {
            threads << QThread::create([&] {
                try {
                    Database db(t.settings());
                    db.open();
                    applied += Migrator::apply(db);
                } catch (const Exception& e) {
                    QMutexLocker lock(&mutex);
                    failures << e.message();
                }
            });
        }
        for (QThread* th : threads)
            th->start();
        for (QThread* th : threads) {
            th->wait();
            delete th;
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        QCOMPARE(applied.load(), Migrator::latestVersion());
        QCOMPARE(Migrator::currentVersion(*t.connectAgain()), Migrator::latestVersion());
    }

    void lostConnectionIsReopenedOnlyOutsideTransactions()
    {
        if (Test::TestDatabase::engine() != Engine::PostgreSQL)
            QSKIP("only a server drops connections");
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        auto admin = t.connectAgain();
        const auto dropConnection = [&] {
            const qint64 pid = db.scalar(QStringLiteral("select pg_backend_pid()")).toLongLong();
            admin->exec(QStringLiteral("select pg_terminate_backend(?)"), {pid});
            QTRY_VERIFY(admin->scalar(QStringLiteral("select count(*) from pg_stat_activity where pid = ?"), {pid}).toInt() == 0);
        };
        Query prepared(db, QStringLiteral("select count(*) from t_parent where p_code <> ?"));
        prepared.bindAll({QStringLiteral("x")}).exec();

        dropConnection();
        QCOMPARE(db.scalar(QStringLiteral("select 1")).toInt(), 1);
        prepared.exec(); // prepared on the old connection, prepared again
        QVERIFY(prepared.next());
        QCOMPARE(prepared.integer(0), 0);

        dropConnection(); // row sets read through the client library: the same rule
        Query read(db, QStringLiteral("select p_code from t_parent where p_code <> ?"));
        read.bindAll({QStringLiteral("x")});
        QVERIFY(ResultReader::open(read) != nullptr);

        dropConnection();
        db.beginTransaction(); // the first statement after the loss may be the transaction's
        addParent(db, QStringLiteral("L1"));
        dropConnection();
        auto e = expectFailure([&] { addParent(db, QStringLiteral("L2")); });
        QCOMPARE(e.nativeError(), NativeError::ConnectionLost);
        QVERIFY2(e.message().contains(QStringLiteral("Соединение с сервером базы данных потеряно. Изменения не сохранены.")),
                 qPrintable(e.message()));
        QVERIFY_THROWS_EXCEPTION(Exception, db.commit());
        QVERIFY(!db.inTransaction());
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 0);
    }

    void copyLostHalfWayFailsTheTable()
    {
        if (Test::TestDatabase::engine() != Engine::PostgreSQL)
            QSKIP("COPY is PostgreSQL's");
        Test::TestDatabase t;
        createSampleTables(t.db());
        CuttingProxy proxy(t.settings().port, 100000);
        ConnectionSettings s = t.settings();
        s.port = proxy.port();
        Database db(s);
        db.open();
        proxy.arm();
        bool failed = false;
        try {
            BulkInserter b(db, QStringLiteral("t_parent"), {QStringLiteral("p_code"), QStringLiteral("p_name")});
            for (int i = 0; i < 20000; ++i)
                b.add({QStringLiteral("C%1").arg(i), QStringLiteral("строка номер %1").arg(i)});
            b.flush();
        } catch (const DatabaseError& e) {
            failed = true;
            QCOMPARE(e.nativeError(), NativeError::ConnectionLost);
            QVERIFY(!e.message().trimmed().isEmpty());
        }
        QVERIFY2(failed, "a COPY cut short was counted as loaded");
        QCOMPARE(t.db().scalar(QStringLiteral("select count(*) from t_parent")).toInt(), 0);
    }

    void moneyOutsideTheRangeIsAnError()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        createSampleTables(db);
        // numeric(19,4) holds more than four-decimal int64; reading it must not give zero.
        db.exec(QStringLiteral("insert into t_parent (p_code, p_sum) values ('BIG', 999999999999999)"));
        Query q(db, QStringLiteral("select p_sum from t_parent where p_code = ?"));
        q.bindAll({QStringLiteral("BIG")}).exec();
        QVERIFY(q.next());
        try {
            const Money m = Money::fromVariant(q.value(0));
            QFAIL(qPrintable(QStringLiteral("read as ") + m.toString()));
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("вне допустимого диапазона")), qPrintable(e.message()));
        }
    }

    void newDatabaseFileIsTheOwnersAlone()
    {
        if (Test::TestDatabase::engine() != Engine::SQLite)
            QSKIP("a file of the embedded engine");
        QTemporaryDir home;
        ConnectionSettings s;
        s.database = home.path() + QStringLiteral("/new/sub/private.db");
        Database db(s);
        db.open();
        Migrator::apply(db);
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                            QFile::WriteOther | QFile::ExeOther;
        for (const QString& p : {s.database, s.database + QStringLiteral("-wal"), home.path() + QStringLiteral("/new/sub"),
                                 home.path() + QStringLiteral("/new")})
            QVERIFY2(QFileInfo::exists(p) && !(QFileInfo(p).permissions() & others), qPrintable(p));
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
