// A supplier's price list of ROWS lines imported as the user would (every article chosen by a
// scripted chooser on first import), against the engine's own load of the same rows for a twin
// supplier; then a re-import with new prices against the engine's own update. Prints times, the
// ratio (engine/import, higher is better) and the peak memory.
//
//   bench_priceimport [ROWS] [sqlite|postgresql]
// PostgreSQL needs TARVO_BENCH_PG_HOST/PORT/USER (scripts/bench.sh starts a private server).
#include "AddIn/addinregistry.h"
#include "benchpostgres.h"
#include "catalog/import/priceimportprompts.h"
#include "catalog/import/priceimportrun.h"
#include "catalog/import/thostcomponent.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "db/bulkinserter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

QTextStream out(stdout);

long peakKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

class ScriptedUser : public Catalog::PriceImportPrompts
{
public:
    QHash<QString, qint64> products;
    Choice choose(const QString& article, const QString&) override
    {
        return {Choice::Product, products.value(article)};
    }
    bool replaceArticle(const QString&) override { return false; }
    void progress(qint64, qint64) override {}
    bool stopRequested() override { return false; }
    void failure(const QString& text) override { out << "failure: " << text << Qt::endl; }
    bool confirmSave(const QString&, const QString&, bool) override { return true; }
    bool retrySave(const QString& text) override
    {
        out << "save refused: " << text << Qt::endl;
        return false;
    }
    void saved(const QString&) override {}
};

QString price(int i, int round)
{
    return QStringLiteral("%1,%2").arg(10 + i % 1000 + round).arg(i % 100, 2, 10, QLatin1Char('0'));
}

void writeFile(const QString& path, int rows, int round)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray buf = "Артикул;Наименование;Цена;EXW;DDP\n";
    for (int i = 0; i < rows; ++i) {
        buf += QStringLiteral("S%1;Товар поставщика %1;%2;%3;%4\n")
                   .arg(i, 7, 10, QLatin1Char('0'))
                   .arg(price(i, round), price(i, round + 1), price(i, round + 2))
                   .toUtf8();
        if (buf.size() > (1 << 20)) {
            f.write(buf);
            buf.clear();
        }
    }
    f.write(buf);
}

// The same rows for the twin supplier through the engine's own fastest path.
double rawLoad(Database& db, qint64 twin, const QList<qint64>& ids, qint64 exw, qint64 ddp, bool update, int round)
{
    QElapsedTimer t;
    t.start();
    if (db.engine() == Engine::SQLite) {
        sqlite3* h = db.sqliteHandle();
        sqlite3_exec(h, "begin immediate", nullptr, nullptr, nullptr);
        sqlite3_stmt* map = nullptr;
        sqlite3_stmt* fp = nullptr;
        sqlite3_prepare_v2(h,
                           update ? "update scm_artcmap set sam_price = ?3, sam_updatedate = ?4 where sam_pr_id = ?1 "
                                    "and sam_prv_id = ?2"
                                  : "insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_price, sam_updatedate, "
                                    "sam_artc, sam_name) values (?1, ?2, ?3, ?4, ?5, ?6)",
                           -1, &map, nullptr);
        sqlite3_prepare_v2(h,
                           update ? "update CRM_FOREIGNPRICE set fp_price = ?4 where fp_prn_id = ?1 and fp_pr_id = ?2 "
                                    "and fp_par_id = ?3"
                                  : "insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) values "
                                    "(?1, ?2, ?3, ?4)",
                           -1, &fp, nullptr);
        for (int i = 0; i < ids.size(); ++i) {
            const QByteArray art = QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
            const QByteArray name = QStringLiteral("Товар поставщика %1").arg(art.constData()).toUtf8();
            sqlite3_bind_int64(map, 1, ids[i]);
            sqlite3_bind_int64(map, 2, twin);
            sqlite3_bind_double(map, 3, price(i, round).replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
            sqlite3_bind_text(map, 4, "2026-12-08T12:00:00", -1, SQLITE_STATIC);
            if (!update) {
                sqlite3_bind_text(map, 5, art.constData(), int(art.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(map, 6, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            }
            sqlite3_step(map);
            sqlite3_reset(map);
            for (int k = 0; k < 2; ++k) {
                sqlite3_bind_int64(fp, 1, k ? ddp : exw);
                sqlite3_bind_int64(fp, 2, ids[i]);
                sqlite3_bind_int64(fp, 3, twin);
                sqlite3_bind_double(fp, 4, price(i, round + 1 + k).replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
                sqlite3_step(fp);
                sqlite3_reset(fp);
            }
        }
        sqlite3_finalize(map);
        sqlite3_finalize(fp);
        sqlite3_exec(h, "commit", nullptr, nullptr, nullptr);
        return t.nsecsElapsed() / 1e6;
    }
    PGconn* c = db.postgresHandle();
    const auto exec = [&](const char* sql) { PQclear(PQexec(c, sql)); };
    const auto copy = [&](const char* sql, const std::function<void(QByteArray&)>& fill) {
        PQclear(PQexec(c, sql));
        QByteArray buf;
        fill(buf);
        PQputCopyData(c, buf.constData(), int(buf.size()));
        PQputCopyEnd(c, nullptr);
        PQclear(PQgetResult(c));
    };
    exec("begin");
    const auto fillMap = [&](QByteArray& b) {
        for (int i = 0; i < ids.size(); ++i)
            b += QStringLiteral("%1\t%2\t%3\t2026-12-08 12:00:00\tS%4\tТовар поставщика S%4\n")
                     .arg(ids[i])
                     .arg(twin)
                     .arg(price(i, round).replace(QLatin1Char(','), QLatin1Char('.')))
                     .arg(i, 7, 10, QLatin1Char('0'))
                     .toUtf8();
    };
    const auto fillPrices = [&](QByteArray& b) {
        for (int i = 0; i < ids.size(); ++i)
            for (int k = 0; k < 2; ++k)
                b += QStringLiteral("%1\t%2\t%3\t%4\n")
                         .arg(k ? ddp : exw)
                         .arg(ids[i])
                         .arg(twin)
                         .arg(price(i, round + 1 + k).replace(QLatin1Char(','), QLatin1Char('.')))
                         .toUtf8();
    };
    if (!update) {
        copy("copy scm_artcmap (sam_pr_id, sam_prv_id, sam_price, sam_updatedate, sam_artc, sam_name) from stdin", fillMap);
        copy("copy CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) from stdin", fillPrices);
    } else {
        exec("create temporary table raw_map (pr integer, prv integer, price numeric(19,4), d timestamp, a varchar(50), "
             "n varchar(250))");
        exec("create temporary table raw_fp (prn integer, pr integer, par integer, price numeric(19,4))");
        copy("copy raw_map from stdin", fillMap);
        copy("copy raw_fp from stdin", fillPrices);
        exec("update scm_artcmap set sam_price = r.price, sam_updatedate = r.d from raw_map r where sam_pr_id = r.pr "
             "and sam_prv_id = r.prv");
        exec("update CRM_FOREIGNPRICE set fp_price = r.price from raw_fp r where fp_prn_id = r.prn and fp_pr_id = r.pr "
             "and fp_par_id = r.par");
        exec("drop table raw_map");
        exec("drop table raw_fp");
    }
    exec("commit");
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    const bool pg = argc > 2 && QString::fromLatin1(argv[2]) == QLatin1String("postgresql");
    QTemporaryDir dir;
    ConnectionSettings s;
    if (pg) {
        if (!benchPostgresAvailable()) {
            out << "PostgreSQL: TARVO_BENCH_PG_PORT not set" << Qt::endl;
            return 1;
        }
        s = benchPostgresSettings();
        Database admin(s);
        admin.open();
        admin.exec(QStringLiteral("drop database if exists tarvo_bench_priceimport"));
        admin.exec(QStringLiteral("create database tarvo_bench_priceimport"));
        s.database = QStringLiteral("tarvo_bench_priceimport");
        s.commandTimeout = 0;
    } else {
        s.engine = Engine::SQLite;
        s.database = dir.filePath(QStringLiteral("bench.db"));
    }
    Database db(s);
    db.open();
    Migrator::apply(db);
    AddIn::AddInRegistry::registerStandard();
    Database::setMain(&db);

    db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('SUPB', 'Поставщик', 'Т'), "
                           "('TWIN', 'Близнец', 'Т')"));
    const qint64 twin = db.insertReturning(QStringLiteral("insert into scm_partner (par_nuser) values ('TWIN')"),
                                           QStringLiteral("par_ID"));
    const qint64 exw = db.insertReturning(QStringLiteral("insert into scm_pricename (prn_name) values ('EXW')"),
                                          QStringLiteral("prn_id"));
    const qint64 ddp = db.insertReturning(QStringLiteral("insert into scm_pricename (prn_name) values ('DDP')"),
                                          QStringLiteral("prn_id"));
    {
        Transaction tx(db);
        BulkInserter p(db, QStringLiteral("crm_product"), {QStringLiteral("PR_ARTICUL"), QStringLiteral("PR_NAME")});
        for (int i = 0; i < rows; ++i)
            p.add({QStringLiteral("O%1").arg(i, 7, 10, QLatin1Char('0')), QStringLiteral("Наш товар %1").arg(i)});
        p.flush();
        tx.commit();
    }
    ScriptedUser user;
    QList<qint64> ids;
    {
        Query q(db, QStringLiteral("select PR_ID, PR_ARTICUL from crm_product order by PR_ARTICUL"));
        q.exec();
        int i = 0;
        while (q.next()) {
            ids << q.integer(0);
            user.products.insert(QStringLiteral("S%1").arg(i++, 7, 10, QLatin1Char('0')), q.integer(0));
        }
    }
    const QString file = dir.filePath(QStringLiteral("price.csv"));
    Catalog::TFPPrice entry;
    entry.supplierName = QStringLiteral("SUPB");
    entry.libName = QStringLiteral("tarvo_price_import.so");
    entry.initData = "csv";
    entry.sourceName = file;
    entry.columns = {{QStringLiteral("АРТИКУЛ_ПОСТАВЩИКА"), 0}, {QStringLiteral("ИМЯ_ТОВАРА"), 1},
                     {QStringLiteral("ЦЕНА"), 2}, {QStringLiteral("ЦЕНА:EXW"), 3}, {QStringLiteral("ЦЕНА:DDP"), 4}};

    out << (pg ? "PostgreSQL" : "SQLite") << ", " << rows << " lines, 2 named prices" << Qt::endl;
    writeFile(file, rows, 0);
    const long before = peakKiB();
    QElapsedTimer t;
    t.start();
    const auto first = Catalog::PriceImportRun(db, user).run(entry);
    const double importA = t.nsecsElapsed() / 1e6;
    const long afterA = peakKiB();
    const double rawA = rawLoad(db, twin, ids, exw, ddp, false, 0);
    out << "(A) first import: " << importA << " ms (" << first.prepared << " offers), engine load " << rawA
        << " ms, ratio " << rawA / importA << Qt::endl;

    writeFile(file, rows, 5);
    t.restart();
    Catalog::PriceImportRun(db, user).run(entry);
    const double importB = t.nsecsElapsed() / 1e6;
    const double rawB = rawLoad(db, twin, ids, exw, ddp, true, 5);
    out << "(B) re-import: " << importB << " ms, engine update " << rawB << " ms, ratio " << rawB / importB << Qt::endl;
    out << "peak RSS: " << before / 1024 << " MiB before the import, " << afterA / 1024 << " MiB after, "
        << peakKiB() / 1024 << " MiB at the end" << Qt::endl;
    out << "check: offers " << db.scalar(QStringLiteral("select count(*) from scm_artcmap")).toLongLong()
        << ", prices " << db.scalar(QStringLiteral("select count(*) from CRM_FOREIGNPRICE")).toLongLong() << Qt::endl;
    return 0;
}
