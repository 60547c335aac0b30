// Loading a query result into a row set against stepping through the same query.
//   bench_rowset [sqlite|postgresql] [rows]
// PostgreSQL uses TARVO_TEST_PG_HOST/PORT/USER (the private server of scripts/pg-test-server.sh).
#include "data/database.h"
#include "data/query.h"
#include "data/trowset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace Tarvo::Data;

namespace {

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

const char* selectSql = "select b_id, b_name, b_amount, b_date from bench_rows order by b_id";

double stepOnly(Database& db, int* rows)
{
    QElapsedTimer t;
    t.start();
    Query q(db, QString::fromLatin1(selectSql));
    q.exec();
    int n = 0;
    while (q.next())
        ++n;
    *rows = n;
    return t.nsecsElapsed() / 1e6;
}

double stepAndRead(Database& db)
{
    QElapsedTimer t;
    t.start();
    Query q(db, QString::fromLatin1(selectSql));
    q.exec();
    qint64 sum = 0;
    while (q.next())
        for (int i = 0; i < 4; ++i)
            sum += q.value(i).isValid();
    return t.nsecsElapsed() / 1e6;
}

double load(Database& db, long* kb, int* rows)
{
    const long before = residentKb();
    QElapsedTimer t;
    t.start();
    Query q(db, QString::fromLatin1(selectSql));
    TRowSet rs;
    rs.loadFrom(q);
    const double ms = t.nsecsElapsed() / 1e6;
    *rows = rs.recordCount();
    *kb = residentKb() - before;
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    // Without TZ glibc re-reads /etc/localtime for every local date-time; the program should set it the same
    // way.
    const bool tzWasSet = qEnvironmentVariableIsSet("TZ");
    if (!tzWasSet && !qEnvironmentVariableIsSet("BENCH_KEEP_TZ_UNSET"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    const QString engine = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("sqlite");
    const int count = argc > 2 ? atoi(argv[2]) : 1000000;

    QTemporaryDir dir;
    ConnectionSettings s;
    QString pgName;
    if (engine == QLatin1String("postgresql")) {
        s.engine = Engine::PostgreSQL;
        s.host = qEnvironmentVariable("TARVO_TEST_PG_HOST", QStringLiteral("127.0.0.1"));
        s.port = qEnvironmentVariableIntValue("TARVO_TEST_PG_PORT");
        s.user = qEnvironmentVariable("TARVO_TEST_PG_USER", QStringLiteral("postgres"));
        s.database = QStringLiteral("postgres");
        pgName = QStringLiteral("tarvo_bench_%1").arg(QCoreApplication::applicationPid());
        Database admin(s);
        admin.open();
        admin.exec(QStringLiteral("create database %1 template template0 encoding 'UTF8'").arg(pgName));
        s.database = pgName;
    } else {
        s.database = dir.path() + QStringLiteral("/bench.db");
    }

    int rc = 0;
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
            db.exec(
                QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %2) "
                               "insert into bench_rows select x, 'товар ' || x, x * 0.25, %1 from c")
                    .arg(date)
                    .arg(count));

        int stepped = 0, loaded = 0;
        long kb = 0;
        stepOnly(db, &stepped); // warm the caches
        const double step = stepOnly(db, &stepped);
        const double read = stepAndRead(db);
        const double ms = load(db, &kb, &loaded);
        std::printf("engine %s, rows %d, TZ %s\n", qPrintable(engine), stepped,
                    qEnvironmentVariableIsSet("TZ") ? qgetenv("TZ").constData() : "(unset)");
        std::printf("step only      %9.1f ms\n", step);
        std::printf("step and read  %9.1f ms\n", read);
        std::printf("load row set   %9.1f ms  (%.2f x step only, %.2f x step and read)\n", ms, ms / step,
                    ms / read);
        std::printf("memory         %9ld kB   (%.0f bytes per row of 4 values)\n", kb,
                    loaded ? kb * 1024.0 / loaded : 0.0);
        rc = loaded == count ? 0 : 1;
    }
    if (!pgName.isEmpty()) {
        s.database = QStringLiteral("postgres");
        Database admin(s);
        admin.open();
        admin.exec(QStringLiteral("drop database if exists %1 with (force)").arg(pgName));
    }
    return rc;
}
