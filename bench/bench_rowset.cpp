// Loading a query result into a row set against stepping through the same query.
//   bench_rowset [rows] [sqlite|postgresql] [raw|step|read|load]
// With an operation only that one runs, once, after the table is filled: for timing whole processes
// and their peak memory from outside.
// PostgreSQL needs TARVO_BENCH_PG_HOST/PORT/USER (scripts/bench.sh starts a private server).
// Each figure is the median of five rounds after an unmeasured one.
#include "benchpostgres.h"
#include "benchmedian.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>

using namespace Tarvo::Data;

namespace {

const char* selectSql = "select b_id, b_name, b_amount, b_date from bench_rows order by b_id";

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

// The engine library alone: rows stepped, no value read.
void rawStep(Database& db)
{
    if (sqlite3* h = db.sqliteHandle()) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, selectSql, -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
        }
        sqlite3_finalize(st);
    } else if (PGconn* c = db.postgresHandle()) {
        PQclear(PQexec(c, selectSql));
    }
}

void queryStep(Database& db)
{
    Query q(db, QString::fromLatin1(selectSql));
    q.exec();
    while (q.next()) {
    }
}

void queryRead(Database& db)
{
    Query q(db, QString::fromLatin1(selectSql));
    q.exec();
    qint64 sum = 0;
    while (q.next())
        for (int i = 0; i < 4; ++i)
            sum += q.value(i).isValid();
}

int runEngine(const ConnectionSettings& s, const QString& engine, int count, const QString& only)
{
    Database db(s);
    db.open();
    db.exec(QStringLiteral("create table bench_rows (b_id integer primary key, b_name varchar(40), "
                           "b_amount numeric(19,4), b_date timestamp)"));
    const QString date = Database::quote(Query::dateTimeText(QDateTime(QDate(2024, 1, 1), QTime(0, 0))));
    if (s.engine == Engine::PostgreSQL)
        db.exec(QStringLiteral("insert into bench_rows select x, 'товар ' || x, x * 0.25, timestamp %1 "
                               "from generate_series(1, %2) x")
                    .arg(date)
                    .arg(count));
    else
        db.exec(QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %2) "
                               "insert into bench_rows select x, 'товар ' || x, x * 0.25, %1 from c")
                    .arg(date)
                    .arg(count));

    if (!only.isEmpty()) {
        if (only == QLatin1String("raw"))
            rawStep(db);
        else if (only == QLatin1String("step"))
            queryStep(db);
        else if (only == QLatin1String("read"))
            queryRead(db);
        else {
            Query q(db, QString::fromLatin1(selectSql));
            TRowSet rs;
            rs.loadFrom(q);
            return rs.recordCount() == count ? 0 : 1;
        }
        return 0;
    }
    const double raw = median([&] { rawStep(db); });
    const double step = median([&] { queryStep(db); });
    const double read = median([&] { queryRead(db); });
    int loaded = 0;
    const double load = median([&] {
        Query q(db, QString::fromLatin1(selectSql));
        TRowSet rs;
        rs.loadFrom(q);
        loaded = rs.recordCount();
    });

    // Memory: what one loaded set keeps, measured apart from the timing rounds.
    malloc_trim(0);
    const long before = residentKb();
    long kb = 0;
    {
        Query q(db, QString::fromLatin1(selectSql));
        TRowSet rs;
        rs.loadFrom(q);
        malloc_trim(0);
        kb = residentKb() - before;
    }
    std::printf("engine %s, rows %d\n", qPrintable(engine), loaded);
    std::printf("  engine library, step only   %9.1f ms\n", raw);
    std::printf("  Query, step only            %9.1f ms\n", step);
    std::printf("  Query, step and read        %9.1f ms\n", read);
    std::printf("  load row set                %9.1f ms  (%.2f x library step, %.2f x Query step)\n", load,
                load / raw, load / step);
    std::printf("  memory kept                 %9ld kB   (%.0f bytes per row of 4 values, ~%d bytes of "
                "values)\n",
                kb, loaded ? kb * 1024.0 / loaded : 0.0, 8 + 17 + 8 + 8);
    return loaded == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Without TZ glibc re-reads /etc/localtime for every local date-time; the program sets it too.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? atoi(argv[1]) : 1000000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    const QString operation = argc > 3 ? QString::fromLatin1(argv[3]) : QString();
    int rc = 0;
    if (only.isEmpty() || only == QLatin1String("sqlite")) {
        QTemporaryDir dir;
        ConnectionSettings s;
        s.database = dir.path() + QStringLiteral("/bench.db");
        rc |= runEngine(s, QStringLiteral("sqlite"), count, operation);
    }
    if ((only.isEmpty() || only == QLatin1String("postgresql")) && benchPostgresAvailable()) {
        const ConnectionSettings s = benchPostgresSettings();
        const QString name = QStringLiteral("tarvo_bench_%1").arg(QCoreApplication::applicationPid());
        {
            Database admin(s);
            admin.open();
            admin.exec(QStringLiteral("create database %1 template template0 encoding 'UTF8'").arg(name));
        }
        ConnectionSettings b = s;
        b.database = name;
        rc |= runEngine(b, QStringLiteral("postgresql"), count, operation);
        Database admin(s);
        admin.open();
        admin.exec(QStringLiteral("drop database if exists %1 with (force)").arg(name));
    }
    return rc;
}
