// Volume generation throughput against the engine's raw bulk insert of the same
// rows, and database size per 1M request lines.
//   bench_generate [--rows N] [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/bench.db"
//   bench_generate ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=bench" "DB USER=postgres"
// The database must be empty (the generator refuses one with data).
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/money.h"
#include "db/bulkinserter.h"
#include "db/volumegenerator.h"
#include "core/exception.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

QTextStream out(stdout);

const QString Columns = u"bof_id, pr_id, amount, ddate, s, sv"_s;
const QString Ddl =
    u"create table %1 (bof_id integer not null, pr_id integer not null, amount numeric(19,4), "
    "ddate timestamp, s numeric(19,4), sv numeric(19,4), primary key (bof_id, pr_id))"_s;

// Row i of the test set: ten lines per request, like the generator's request lines.
struct Row
{
    qint64 bof, pr;
    Money amount, sum;
};
Row row(qint64 i)
{
    const Money a(int(1 + i % 20));
    return {1 + i / 10, 1 + (i * 7919) % 200000 + 200000 * (i % 10), a, a * Money(137)};
}
const QDateTime When(QDate(2026, 11, 2), QTime(0, 0));

double rawSqlite(const QString& file, qint64 rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_exec(db, "pragma journal_mode=wal", nullptr, nullptr, nullptr);
    sqlite3_exec(db, Ddl.arg(u"bench_raw"_s).toUtf8().constData(), nullptr, nullptr, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "insert into bench_raw values (?, ?, ?, ?, ?, ?)", -1, &st, nullptr);
    const QByteArray when = When.toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s).toLatin1();
    for (qint64 i = 0; i < rows; ++i) {
        const Row r = row(i);
        sqlite3_bind_int64(st, 1, r.bof);
        sqlite3_bind_int64(st, 2, r.pr);
        sqlite3_bind_double(st, 3, r.amount.toDouble());
        sqlite3_bind_text(st, 4, when.constData(), int(when.size()), SQLITE_STATIC);
        sqlite3_bind_double(st, 5, r.sum.toDouble());
        sqlite3_bind_double(st, 6, 0.0);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    const double s = t.elapsed() / 1000.0;
    sqlite3_close(db);
    for (const QString& suffix : {QString(), u"-wal"_s, u"-shm"_s})
        QFile::remove(file + suffix);
    return s;
}

double rawPostgres(const ConnectionSettings& cs, qint64 rows)
{
    const QByteArray conninfo = u"host=%1 port=%2 dbname=%3 user=%4 password=%5"_s.arg(cs.host)
                                    .arg(cs.port)
                                    .arg(cs.database, cs.user, cs.password)
                                    .toUtf8();
    PGconn* c = PQconnectdb(conninfo.constData());
    PQclear(PQexec(c, Ddl.arg(u"bench_raw"_s).toUtf8().constData()));
    QElapsedTimer t;
    t.start();
    PQclear(PQexec(c, "begin"));
    PQclear(PQexec(c, "copy bench_raw from stdin"));
    QByteArray buf;
    const QByteArray when = When.toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s).toLatin1();
    for (qint64 i = 0; i < rows; ++i) {
        const Row r = row(i);
        buf += QByteArray::number(r.bof) + '\t' + QByteArray::number(r.pr) + '\t' +
               r.amount.toString().toLatin1() + '\t' + when + '\t' + r.sum.toString().toLatin1() + "\t0\n";
        if (buf.size() > (1 << 20)) {
            PQputCopyData(c, buf.constData(), int(buf.size()));
            buf.clear();
        }
    }
    PQputCopyData(c, buf.constData(), int(buf.size()));
    PQputCopyEnd(c, nullptr);
    while (PGresult* res = PQgetResult(c))
        PQclear(res);
    PQclear(PQexec(c, "commit"));
    const double s = t.elapsed() / 1000.0;
    PQclear(PQexec(c, "drop table bench_raw"));
    PQfinish(c);
    return s;
}

double ours(Database& db, qint64 rows)
{
    db.exec(Ddl.arg(u"bench_ours"_s));
    QElapsedTimer t;
    t.start();
    Transaction tx(db);
    BulkInserter b(db, u"bench_ours"_s, Columns.split(u", "_s));
    for (qint64 i = 0; i < rows; ++i) {
        const Row r = row(i);
        b.add({r.bof, r.pr, r.amount.toVariant(), When, r.sum.toVariant(), Money().toVariant()});
    }
    b.flush();
    tx.commit();
    const double s = t.elapsed() / 1000.0;
    db.exec(u"drop table bench_ours"_s);
    return s;
}

// The same rows through the typed fields: no QVariant per value.
double oursTyped(Database& db, qint64 rows)
{
    db.exec(Ddl.arg(u"bench_typed"_s));
    QElapsedTimer t;
    t.start();
    Transaction tx(db);
    BulkInserter b(db, u"bench_typed"_s, Columns.split(u", "_s));
    for (qint64 i = 0; i < rows; ++i) {
        const Row r = row(i);
        b.addInteger(r.bof).addInteger(r.pr).addMoney(r.amount).addDateTime(When).addMoney(r.sum).addMoney(Money());
        b.endRow();
    }
    b.flush();
    tx.commit();
    const double s = t.elapsed() / 1000.0;
    db.exec(u"drop table bench_typed"_s);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qint64 rows = 1000000;
    double scale = 0.1;
    QStringList overrides;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--rows"_s && i + 1 < args.size())
            rows = args.at(++i).toLongLong();
        else if (args.at(i) == u"--scale"_s && i + 1 < args.size())
            scale = args.at(++i).toDouble();
        else
            overrides << args.at(i);
    }
    try {
        const ConnectionSettings cs = Connector::settingsFrom(overrides);
        auto db = Connector::connect(cs, false);
        Migrator::apply(*db);
        const bool sqlite = db->engine() == Engine::SQLite;
        const QString engine = sqlite ? u"SQLite"_s : u"PostgreSQL"_s;

        const double raw =
            sqlite ? rawSqlite(db->sql().databaseName() + u".raw"_s, rows) : rawPostgres(cs, rows);
        const double our = ours(*db, rows);
        const double typed = oursTyped(*db, rows);
        out << engine << ": " << rows << " rows of six columns\n"
            << "  raw bulk insert (" << (sqlite ? "prepared INSERT, C API" : "COPY, libpq")
            << "): " << qint64(rows / raw) << " rows/s\n"
            << "  BulkInserter (" << (sqlite ? "statement stepped through the library" : "COPY")
            << "): " << qint64(rows / our) << " rows/s, ratio " << QString::number(raw / our, 'f', 2) << "\n"
            << "  BulkInserter, typed fields: " << qint64(rows / typed) << " rows/s, ratio "
            << QString::number(raw / typed, 'f', 2) << "\n";
        out.flush();

        VolumeGenerator g(*db, scale);
        QElapsedTimer t;
        t.start();
        const qint64 generated = g.run();
        const double s = t.elapsed() / 1000.0;
        qint64 bytes = 0;
        if (sqlite) {
            db->exec(u"pragma wal_checkpoint(truncate)"_s);
            bytes = QFileInfo(db->sql().databaseName()).size();
        } else {
            bytes = db->scalar(u"select pg_database_size(current_database())"_s).toLongLong();
        }
        const double lines = double(g.requests()) * 10;
        out << "  generate --scale " << scale << ": " << generated << " rows in "
            << QString::number(s, 'f', 1) << " s, " << qint64(generated / s)
            << " rows/s (schema with keys, indexes, reference checks, totals)\n"
            << "  database size: " << bytes / (1024 * 1024) << " MiB, "
            << qint64(bytes / lines * 1e6 / (1024 * 1024))
            << " MiB per 1M request lines (with the whole chain)\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
