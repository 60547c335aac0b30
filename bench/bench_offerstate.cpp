// The open amounts of requests through vBusinessOfferState1 on the volume data:
// the per-request query of the order forming and the state of every request of the
// register, timed on the engine the settings name.
//   bench_offerstate [--scale S] [--queries N] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_offerstate ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "db/demodata.h"
#include "db/volumegenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>
#include <algorithm>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    double scale = 1;
    int queries = 2000;
    QStringList overrides;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--scale"_s && i + 1 < args.size())
            scale = args.at(++i).toDouble();
        else if (args.at(i) == u"--queries"_s && i + 1 < args.size())
            queries = args.at(++i).toInt();
        else
            overrides << args.at(i);
    }
    try {
        auto db = Connector::connect(Connector::settingsFrom(overrides), false);
        Migrator::apply(*db);
        const Dialect& d = db->dialect();
        const QString engine = db->engine() == Engine::SQLite ? u"SQLite"_s : u"PostgreSQL"_s;
        // Generation at scale 1 runs statements longer than any command timeout.
        if (db->engine() == Engine::PostgreSQL)
            db->exec(u"set statement_timeout = 0"_s);
        if (!DemoData::hasDocuments(*db)) {
            QElapsedTimer t;
            t.start();
            const qint64 rows = VolumeGenerator(*db, scale).run();
            out << engine << ": generated " << rows << " rows in "
                << QString::number(t.elapsed() / 1000.0, 'f', 1) << " s\n";
            out.flush();
        }
        if (db->engine() == Engine::PostgreSQL)
            db->exec(u"analyze"_s);
        const qint64 requests = db->scalar(u"select max(bof_id) from scm_business_offer"_s).toLongLong();
        const qint64 stages =
            db->scalar(u"select (select count(*) from scm_bo_ordered) + (select count(*) from "
                       "scm_bo_accepted) + (select count(*) from scm_offer_invoice)"_s)
                .toLongLong();

        // Open amounts of one request, as the order forming reads them.
        const QString open = d.roundedAmount(u"bpd_amount - coalesce(sum(v.amount), 0)"_s);
        Query perRequest(*db, u"select bpd_pr_id, %1 from scm_bp_delivery left join vBusinessOfferState1 v "
                              "on v.bof_id = bpd_bof_id and v.pr_id = bpd_pr_id where bpd_bof_id = ? "
                              "group by bpd_pr_id, bpd_amount having %1 > 0"_s.arg(open));
        QRandomGenerator random(6);
        QElapsedTimer t;
        qint64 lines = 0;
        t.start();
        for (int i = 0; i < queries; ++i) {
            perRequest.bindAll({random.bounded(qint64(1), requests + 1)});
            perRequest.exec();
            while (perRequest.next())
                ++lines;
        }
        const double perQuery = t.nsecsElapsed() / 1e6 / queries;

        // The state of every request of the register: requested against placed.
        const QString k1 = d.roundedAmount(u"sum(bpd_amount)"_s),
                      placed = d.roundedAmount(u"sum(v.amount)"_s);
        const QString whole =
            u"select count(case when p < k1 then 1 end), count(case when p >= k1 then 1 end) from "
            "(select bpd_bof_id, %1 as k1, coalesce(%2, 0) as p from scm_bp_delivery "
            "left join vBusinessOfferState1 v on v.bof_id = bpd_bof_id and v.pr_id = bpd_pr_id "
            "group by bpd_bof_id) s"_s.arg(k1, placed);
        QList<double> runs;
        qint64 inWork = 0, placedAll = 0;
        for (int i = 0; i < 3; ++i) {
            t.restart();
            Query q(*db, whole);
            q.exec();
            q.next();
            inWork = q.value(0).toLongLong();
            placedAll = q.value(1).toLongLong();
            runs << t.nsecsElapsed() / 1e6;
        }
        std::sort(runs.begin(), runs.end());
        out << engine << ": " << requests << " requests, " << stages << " stage rows\n"
            << "  per-request open amounts: " << QString::number(perQuery, 'f', 3) << " ms per query ("
            << queries << " requests, " << lines << " open lines)\n"
            << "  whole register state: " << QString::number(runs.at(1), 'f', 0) << " ms (median of 3; "
            << inWork << " in work, " << placedAll << " placed)\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
