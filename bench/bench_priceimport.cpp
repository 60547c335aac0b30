// The volume data's price-list supplier (VolumePriceSupplier, ROWS products of its own) imports its
// price file as the user would (every article chosen by a scripted chooser on first import):
// (A) the CSV against the engine's own load of the same rows for a twin supplier (prepared INSERT;
// COPY), (B) a re-import with new prices against the engine's own update, (C) the first import
// again from the same list as .xlsx against the engine's load. Prints times, the ratio
// (engine/import, higher is better) and the peak memory.
//
//   bench_priceimport [--rows N] [--scale S] [--no-xlsx] ENGINE=SQLITE "DATABASE MAIN=/tmp/i35-harness.db"
//   bench_priceimport [--rows N] [--scale S] ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=bench" "DB USER=postgres"
// Volume data is generated at S (default 1) when the database has none; the supplier is added
// when missing. The run writes: use a copy of the database.
#include "AddIn/addinregistry.h"
#include "volumebench.h"
#include "catalog/import/priceimportprompts.h"
#include "catalog/import/priceimportrun.h"
#include "catalog/import/thostcomponent.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "core/exception.h"
#include "db/volume_pricesupplier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

QTextStream out(stdout);

long statusKiB(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toLong();
    return 0;
}

long peakKiB()
{
    return statusKiB("VmHWM");
}

// What one import adds to the process: freed memory handed back and the peak reset to the
// resident size first, so neither an earlier step nor the bench's own loads count.
class MemoryWatch
{
public:
    MemoryWatch()
    {
        malloc_trim(0);
        QFile f(QStringLiteral("/proc/self/clear_refs"));
        if (f.open(QIODevice::WriteOnly))
            f.write("5");
        m_start = statusKiB("VmRSS");
    }
    long startMiB() const { return m_start / 1024; }
    long grownMiB() const { return (peakKiB() - m_start) / 1024; }

private:
    long m_start = 0;
};

class ScriptedUser : public Catalog::PriceImportPrompts
{
public:
    QHash<QString, qint64> products;
    QElapsedTimer clock;
    double readMs = 0; // the file read and matched, up to the save question
    Choice choose(const QString& article, const QString&) override
    {
        return {Choice::Product, products.value(article)};
    }
    bool replaceArticle(const QString&) override { return false; }
    void progress(qint64, qint64) override {}
    bool stopRequested() override { return false; }
    void failure(const QString& text) override { out << "failure: " << text << Qt::endl; }
    bool confirmSave(const QString&, const QString&, bool) override
    {
        readMs = clock.nsecsElapsed() / 1e6;
        return true;
    }
    bool retrySave(const QString& text) override
    {
        out << "save refused: " << text << Qt::endl;
        return false;
    }
    void saved(const QString&) override {}
};

// The supplier's products in file order, with the scripted user's answers.
struct Lines
{
    QList<qint64> ids;
    QStringList articles, names;
};

// The same rows for the twin supplier through the engine's own fastest path.
double rawLoad(Database& db, qint64 twin, const Lines& lines, qint64 exw, qint64 ddp, bool update, int round)
{
    const QList<qint64>& ids = lines.ids;
    const auto price = [&](int i, int kind) { return VolumePriceSupplier::price(i, kind, round); };
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
            const QByteArray art = lines.articles[i].toUtf8();
            const QByteArray name = lines.names[i].toUtf8();
            sqlite3_bind_int64(map, 1, ids[i]);
            sqlite3_bind_int64(map, 2, twin);
            sqlite3_bind_double(map, 3, price(i, 0).toDouble());
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
                sqlite3_bind_double(fp, 4, price(i, 1 + k).toDouble());
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
    // Sent in 1 MiB pieces as a client streaming a file would.
    const auto copy = [&](const char* sql, const std::function<void(QByteArray&, const std::function<void()>&)>& fill) {
        PQclear(PQexec(c, sql));
        QByteArray buf;
        const auto send = [&] {
            if (buf.size() < (1 << 20))
                return;
            PQputCopyData(c, buf.constData(), int(buf.size()));
            buf.clear();
        };
        fill(buf, send);
        PQputCopyData(c, buf.constData(), int(buf.size()));
        PQputCopyEnd(c, nullptr);
        PQclear(PQgetResult(c));
    };
    exec("begin");
    const auto fillMap = [&](QByteArray& b, const std::function<void()>& send) {
        for (int i = 0; i < ids.size(); ++i) {
            b += QStringLiteral("%1\t%2\t%3\t2026-12-08 12:00:00\t%4\t%5\n")
                     .arg(ids[i])
                     .arg(twin)
                     .arg(price(i, 0).toString(), lines.articles[i], lines.names[i])
                     .toUtf8();
            send();
        }
    };
    const auto fillPrices = [&](QByteArray& b, const std::function<void()>& send) {
        for (int i = 0; i < ids.size(); ++i) {
            for (int k = 0; k < 2; ++k)
                b += QStringLiteral("%1\t%2\t%3\t%4\n")
                         .arg(k ? ddp : exw)
                         .arg(ids[i])
                         .arg(twin)
                         .arg(price(i, 1 + k).toString())
                         .toUtf8();
            send();
        }
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

// Removes the offers and prices of a supplier (not timed), so the next import is a first one again.
void forget(Database& db, qint64 supplier)
{
    Transaction tx(db);
    db.exec(QStringLiteral("delete from CRM_FOREIGNPRICE where fp_par_id = ?"), {supplier});
    db.exec(QStringLiteral("delete from scm_artcmap where sam_prv_id = ?"), {supplier});
    tx.commit();
}

qint64 idOf(Database& db, const QString& sql, const QVariant& key)
{
    return db.scalar(sql, {key}).toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    qint64 rows = 1000000;
    if (const qsizetype i = args.indexOf(QStringLiteral("--rows")); i >= 0 && i + 1 < args.size()) {
        rows = args.at(i + 1).toLongLong();
        args.remove(i, 2);
    }
    const bool xlsx = !args.removeOne(QStringLiteral("--no-xlsx"));
    const Bench::VolumeArgs volume(args);
    try {
        auto dbp = Bench::openVolumeDatabase(volume, out);
        Database& db = *dbp;
        const bool pg = db.engine() == Engine::PostgreSQL;
        AddIn::AddInRegistry::registerStandard();
        Database::setMain(&db);
        QTemporaryDir dir;

        const QString code = VolumePriceSupplier::supplierCode();
        if (db.scalar(QStringLiteral("select count(*) from _partner where N_USER = ?"), {code}).toLongLong() == 0) {
            QElapsedTimer t;
            t.start();
            Transaction tx(db);
            VolumePriceSupplier::run(db, rows);
            tx.commit();
            out << "price-list supplier with " << rows << " products added in " << t.elapsed() / 1000.0 << " s"
                << Qt::endl;
        }
        const qint64 supplier = idOf(db, QStringLiteral("select par_ID from scm_partner where par_nuser = ?"), code);
        if (db.scalar(QStringLiteral("select count(*) from scm_artcmap where sam_prv_id = ?"), {supplier}).toLongLong() > 0) {
            out << "the supplier " << code << " has offers already: run on a fresh copy of the database" << Qt::endl;
            return 1;
        }
        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('TWIN', 'Близнец', 'Т')"));
        const qint64 twin = db.insertReturning(QStringLiteral("insert into scm_partner (par_nuser) values ('TWIN')"),
                                               QStringLiteral("par_ID"));
        ScriptedUser user;
        Lines lines;
        VolumePriceSupplier::forEachProduct(db, [&](qint64, qint64 id, const QString& article, const QString& name) {
            lines.ids << id;
            lines.articles << article;
            lines.names << name;
            user.products.insert(article, id);
        });
        rows = lines.ids.size();
        if (pg)
            db.exec(QStringLiteral("analyze"));

        Catalog::TFPPrice entry;
        entry.supplierName = code;
        entry.libName = QStringLiteral("tarvo_price_import.so");
        entry.columns = {{QStringLiteral("АРТИКУЛ_ПОСТАВЩИКА"), 0}, {QStringLiteral("ИМЯ_ТОВАРА"), 1},
                         {QStringLiteral("ЦЕНА"), 2}};
        for (const QString& name : VolumePriceSupplier::priceNames())
            entry.columns.append({QStringLiteral("ЦЕНА:") + name, int(entry.columns.size())});
        const auto file = [&](VolumePriceSupplier::FileFormat format, int round) {
            VolumePriceSupplier::FileOptions o;
            o.format = format;
            o.round = round;
            entry.sourceName =
                dir.filePath(format == VolumePriceSupplier::FileFormat::Xlsx ? QStringLiteral("price.xlsx")
                                                                             : QStringLiteral("price.csv"));
            entry.initData = format == VolumePriceSupplier::FileFormat::Xlsx ? "excel" : "csv";
            QElapsedTimer t;
            t.start();
            VolumePriceSupplier::writeFile(db, entry.sourceName, o);
            out << "  file " << QFileInfo(entry.sourceName).fileName() << ": "
                << QFileInfo(entry.sourceName).size() / (1024 * 1024) << " MiB written in " << t.elapsed() / 1000.0
                << " s" << Qt::endl;
        };
        const auto import = [&](const char* part, qint64* prepared = nullptr) {
            const MemoryWatch memory;
            user.clock.start();
            const auto result = Catalog::PriceImportRun(db, user).run(entry);
            const double ms = user.clock.nsecsElapsed() / 1e6;
            if (prepared)
                *prepared = result.prepared;
            out << "  (" << part << ") read " << user.readMs << " ms, save " << ms - user.readMs << " ms; memory: "
                << memory.startMiB() << " MiB resident before, peak +" << memory.grownMiB() << " MiB" << Qt::endl;
            return ms;
        };
        const auto priceName = [&](const QString& name) {
            return idOf(db, QStringLiteral("select prn_id from scm_pricename where prn_name = ?"), name);
        };

        out << Bench::engineName(db) << ", " << rows << " lines, " << VolumePriceSupplier::priceNames().size()
            << " named prices" << Qt::endl;
        file(VolumePriceSupplier::FileFormat::Csv, 0);
        const long before = peakKiB();
        qint64 prepared = 0;
        const double importA = import("A", &prepared);
        const long afterA = peakKiB();
        const qint64 exw = priceName(VolumePriceSupplier::priceNames().at(0));
        const qint64 ddp = priceName(VolumePriceSupplier::priceNames().at(1));
        const double rawA = rawLoad(db, twin, lines, exw, ddp, false, 0);
        out << "(A) first import: " << importA << " ms (" << prepared << " offers), engine load " << rawA
            << " ms, ratio " << rawA / importA << Qt::endl;

        file(VolumePriceSupplier::FileFormat::Csv, 1);
        const double importB = import("B");
        const double rawB = rawLoad(db, twin, lines, exw, ddp, true, 1);
        out << "(B) re-import: " << importB << " ms, engine update " << rawB << " ms, ratio " << rawB / importB
            << Qt::endl;

        if (xlsx) {
            forget(db, supplier);
            forget(db, twin);
            file(VolumePriceSupplier::FileFormat::Xlsx, 2);
            const double importC = import("C", &prepared);
            const double rawC = rawLoad(db, twin, lines, exw, ddp, false, 2);
            out << "(C) first import from .xlsx: " << importC << " ms (" << prepared << " offers), engine load "
                << rawC << " ms, ratio " << rawC / importC << Qt::endl;
        }
        out << "peak RSS: " << before / 1024 << " MiB before the import, " << afterA / 1024 << " MiB after (A), "
            << peakKiB() / 1024 << " MiB at the end" << Qt::endl;
        out << "check: offers " << db.scalar(QStringLiteral("select count(*) from scm_artcmap where sam_prv_id in (?, ?)"),
                                             {supplier, twin}).toLongLong()
            << ", prices "
            << db.scalar(QStringLiteral("select count(*) from CRM_FOREIGNPRICE where fp_par_id in (?, ?)"),
                         {supplier, twin}).toLongLong()
            << " (both suppliers)" << Qt::endl;
        return 0;
    } catch (const Exception& e) {
        out << "Ошибка: " << e.message() << Qt::endl;
        return 1;
    }
}
