// Throughput of the database layer against the engines' own C APIs on the same
// rows in the same run: prepared inserts in one transaction, then a full select
// reading every value. Prints each figure and the layer/raw ratio.
//
//   bench_dblayer [ROWS] [sqlite|postgresql]
// PostgreSQL needs TARVO_BENCH_PG_HOST/PORT/USER (scripts/bench.sh starts a private server).
#include "benchpostgres.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

QTextStream out(stdout);
constexpr const char* Create =
    "create table bench_rows (id integer primary key, name varchar(60), amount numeric(19,4), "
    "created %1, flag boolean, code varchar(20))";

struct Row
{
    int id;
    QString name;
    Money amount;
    QDateTime created;
    bool flag;
    QString code;
};

QVector<Row> makeRows(int n)
{
    QVector<Row> rows;
    rows.reserve(n);
    const QDateTime base(QDate(2026, 1, 1), QTime(8, 0));
    for (int i = 0; i < n; ++i)
        rows.append({i + 1, QStringLiteral("Товар номер %1").arg(i),
                     Money::fromRaw(int64_t(i) * 12345 % 99999999), base.addSecs(i * 37), i % 3 == 0,
                     QStringLiteral("A-%1").arg(i % 1000)});
    return rows;
}

double layerInsert(Database& db, const QVector<Row>& rows)
{
    QElapsedTimer t;
    t.start();
    Transaction tx(db);
    Query q(db,
            QStringLiteral(
                "insert into bench_rows (id, name, amount, created, flag, code) values (?, ?, ?, ?, ?, ?)"));
    for (const Row& r : rows) {
        q.bindAt(0, r.id).bindAt(1, r.name).bindAt(2, r.amount.toVariant()).bindAt(3, r.created);
        q.bindAt(4, r.flag).bindAt(5, r.code);
        q.exec();
    }
    tx.commit();
    return t.nsecsElapsed() / 1e6;
}

double layerSelect(Database& db, int expected)
{
    QElapsedTimer t;
    t.start();
    Query q(db, QStringLiteral("select id, name, amount, created, flag, code from bench_rows order by id"));
    q.exec();
    int n = 0;
    qint64 check = 0;
    while (q.next()) {
        check += q.value(0).toLongLong() + q.value(1).toString().size() +
                 q.value(2).value<Money>().raw() % 7 + q.value(3).toDateTime().time().second() +
                 q.value(4).toBool() + q.value(5).toString().size();
        ++n;
    }
    if (n != expected)
        qFatal("layer select read %d rows", n);
    return t.nsecsElapsed() / 1e6;
}

// The same inserts through QSqlQuery alone: how much of the layer's cost is QtSql's own.
double qtInsert(Database& db, const QVector<Row>& rows, const QString& table)
{
    QElapsedTimer t;
    t.start();
    Transaction tx(db);
    QSqlQuery q(db.sql());
    q.prepare(
        QStringLiteral("insert into %1 (id, name, amount, created, flag, code) values (?, ?, ?, ?, ?, ?)")
            .arg(table));
    for (const Row& r : rows) {
        q.bindValue(0, r.id);
        q.bindValue(1, r.name);
        q.bindValue(2, r.amount.toDouble());
        q.bindValue(3, Query::dateTimeText(r.created));
        q.bindValue(4, int(r.flag));
        q.bindValue(5, r.code);
        if (!q.exec())
            qFatal("qt insert failed");
    }
    tx.commit();
    return t.nsecsElapsed() / 1e6;
}

double sqliteRawInsert(sqlite3* db, const QVector<Row>& rows)
{
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db, "insert into bench_raw (id, name, amount, created, flag, code) values (?, ?, ?, ?, ?, ?)", -1,
        &st, nullptr);
    for (const Row& r : rows) {
        const QByteArray name = r.name.toUtf8();
        const QByteArray created = Query::dateTimeText(r.created).toUtf8();
        const QByteArray code = r.code.toUtf8();
        sqlite3_bind_int(st, 1, r.id);
        sqlite3_bind_text(st, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 3, r.amount.toDouble());
        sqlite3_bind_text(st, 4, created.constData(), int(created.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 5, r.flag);
        sqlite3_bind_text(st, 6, code.constData(), int(code.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE)
            qFatal("raw sqlite insert failed: %s", sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return t.nsecsElapsed() / 1e6;
}

double sqliteRawSelect(sqlite3* db, int expected)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select id, name, amount, created, flag, code from bench_raw order by id", -1, &st,
                       nullptr);
    int n = 0;
    qint64 check = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        const Money amount = Money::fromDouble(sqlite3_column_double(st, 2));
        const QDateTime created = Query::parseDateTime(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))));
        const QString code = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 5)));
        check += sqlite3_column_int(st, 0) + name.size() + amount.raw() % 7 + created.time().second() +
                 sqlite3_column_int(st, 4) + code.size();
        ++n;
    }
    sqlite3_finalize(st);
    if (n != expected)
        qFatal("raw select read %d rows", n);
    return t.nsecsElapsed() / 1e6;
}

double pgRawInsert(PGconn* c, const QVector<Row>& rows)
{
    QElapsedTimer t;
    t.start();
    PQclear(PQexec(c, "BEGIN"));
    PQclear(PQprepare(
        c, "ins",
        "insert into bench_raw (id, name, amount, created, flag, code) values ($1, $2, $3, $4, $5, $6)", 6,
        nullptr));
    for (const Row& r : rows) {
        const QByteArray v[6] = {QByteArray::number(r.id),     r.name.toUtf8(),
                                 r.amount.toString().toUtf8(), Query::dateTimeText(r.created).toUtf8(),
                                 r.flag ? "t" : "f",           r.code.toUtf8()};
        const char* values[6];
        for (int i = 0; i < 6; ++i)
            values[i] = v[i].constData();
        PGresult* res = PQexecPrepared(c, "ins", 6, values, nullptr, nullptr, 0);
        if (PQresultStatus(res) != PGRES_COMMAND_OK)
            qFatal("raw libpq insert failed: %s", PQerrorMessage(c));
        PQclear(res);
    }
    PQclear(PQexec(c, "COMMIT"));
    return t.nsecsElapsed() / 1e6;
}

double pgRawSelect(PGconn* c, int expected)
{
    QElapsedTimer t;
    t.start();
    PGresult* res = PQexec(c, "select id, name, amount, created, flag, code from bench_raw order by id");
    const int n = PQntuples(res);
    qint64 check = 0;
    for (int i = 0; i < n; ++i) {
        const QString name = QString::fromUtf8(PQgetvalue(res, i, 1));
        const Money amount = *Money::parse(QString::fromLatin1(PQgetvalue(res, i, 2)));
        const QDateTime created = Query::parseDateTime(QString::fromLatin1(PQgetvalue(res, i, 3)));
        const QString code = QString::fromUtf8(PQgetvalue(res, i, 5));
        check += atoi(PQgetvalue(res, i, 0)) + name.size() + amount.raw() % 7 + created.time().second() +
                 (PQgetvalue(res, i, 4)[0] == 't') + code.size();
    }
    PQclear(res);
    if (n != expected)
        qFatal("raw select read %d rows", n);
    return t.nsecsElapsed() / 1e6;
}

void report(const char* engine, const char* what, int rows, double layerMs, double rawMs)
{
    out << QStringLiteral("%1 %2: %3 rows, layer %4 ms (%5 rows/s), raw %6 ms (%7 rows/s), layer/raw %8\n")
               .arg(QLatin1String(engine), QLatin1String(what))
               .arg(rows)
               .arg(layerMs, 0, 'f', 1)
               .arg(qint64(rows / (layerMs / 1000)))
               .arg(rawMs, 0, 'f', 1)
               .arg(qint64(rows / (rawMs / 1000)))
               .arg(layerMs / rawMs, 0, 'f', 2);
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 100000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    const QVector<Row> data = makeRows(rows);
    QTemporaryDir dir;

    if (only.isEmpty() || only == QLatin1String("sqlite")) {
        ConnectionSettings s;
        s.database = dir.filePath(QStringLiteral("bench.db"));
        Database db(s);
        db.open();
        db.exec(QString::fromLatin1(Create).arg(QStringLiteral("DATETIME")));
        db.exec(QString::fromLatin1(Create)
                    .arg(QStringLiteral("DATETIME"))
                    .replace(QStringLiteral("bench_rows"), QStringLiteral("bench_raw")));
        sqlite3* raw = nullptr;
        sqlite3_open(s.database.toUtf8().constData(), &raw);
        sqlite3_busy_timeout(raw, 10000);
        // One unmeasured round each first, so that no side pays for growing the file.
        layerInsert(db, data);
        sqliteRawInsert(raw, data);
        db.exec(QStringLiteral("delete from bench_rows"));
        db.exec(QStringLiteral("delete from bench_raw"));
        const double li = layerInsert(db, data);
        const double ri = sqliteRawInsert(raw, data);
        report("sqlite", "insert", rows, li, ri);
        db.exec(QStringLiteral("delete from bench_raw"));
        report("sqlite", "insert (QtSql alone)", rows, qtInsert(db, data, QStringLiteral("bench_raw")), ri);
        const double ls = layerSelect(db, rows);
        const double rs = sqliteRawSelect(raw, rows);
        report("sqlite", "select", rows, ls, rs);
        sqlite3_close(raw);
    }
    if ((only.isEmpty() || only == QLatin1String("postgresql")) && benchPostgresAvailable()) {
        const ConnectionSettings s = benchPostgresSettings();
        Database db(s);
        db.open();
        db.exec(QStringLiteral("drop table if exists bench_rows"));
        db.exec(QStringLiteral("drop table if exists bench_raw"));
        db.exec(QString::fromLatin1(Create).arg(QStringLiteral("timestamp(3)")));
        db.exec(QString::fromLatin1(Create)
                    .arg(QStringLiteral("timestamp(3)"))
                    .replace(QStringLiteral("bench_rows"), QStringLiteral("bench_raw")));
        const QByteArray conninfo = QStringLiteral("host=%1 port=%2 user=%3 dbname=postgres")
                                        .arg(s.host)
                                        .arg(s.port)
                                        .arg(s.user)
                                        .toUtf8();
        PGconn* raw = PQconnectdb(conninfo.constData());
        if (PQstatus(raw) != CONNECTION_OK)
            qFatal("libpq: %s", PQerrorMessage(raw));
        const double li = layerInsert(db, data);
        const double ri = pgRawInsert(raw, data);
        report("postgresql", "insert", rows, li, ri);
        const double ls = layerSelect(db, rows);
        const double rs = pgRawSelect(raw, rows);
        report("postgresql", "select", rows, ls, rs);
        PQfinish(raw);
        db.exec(QStringLiteral("drop table bench_rows"));
        db.exec(QStringLiteral("drop table bench_raw"));
    }
    return 0;
}
