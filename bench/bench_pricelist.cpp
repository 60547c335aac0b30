// The price list's product list against the bare statement it runs, on the volume data.
//   bench_pricelist [--scale N] [--reuse] [NAME=VALUE ...]
// "--reuse" measures a database already generated. Each figure is the median of five rounds after
// an unmeasured one; ratios are ours / bare.
#include "benchmedian.h"
#include "catalog/prices/ourpricelist.h"
#include "catalog/prices/ourpricequery.h"
#include "catalog/tree/scmnodes.h"
#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "db/volumegenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <functional>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

qint64 bare(Database& db, const OurPriceQuery& q, bool firstOnly)
{
    Query query(db, q.sql);
    query.bindAll(q.params).exec();
    qint64 n = 0;
    while (query.next()) {
        ++n;
        if (firstOnly)
            break;
    }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    double scale = 1;
    bool reuse = false;
    QStringList overrides;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--scale"_s && i + 1 < args.size())
            scale = args.at(++i).toDouble();
        else if (args.at(i) == u"--reuse"_s)
            reuse = true;
        else
            overrides << args.at(i);
    }
    QTextStream out(stdout);
    try {
        auto db = Connector::connect(Connector::settingsFrom(overrides), false);
        Migrator::apply(*db);
        if (!reuse) {
            VolumeGenerator g(*db, scale);
            g.run();
        }
        const QString engine = db->engine() == Engine::SQLite ? u"SQLite"_s : u"PostgreSQL"_s;
        const qint64 products = db->scalar(u"select count(*) from crm_product"_s).toLongLong();
        const QString like = db->dialect().likeOperator();

        const OurPriceQuery all = OurPriceQuery::forNode(AllProducts, false, like);
        const double bareFirst = median([&] { bare(*db, all, true); });
        const double bareAll = median([&] { bare(*db, all, false); });
        // The bare statement of the first batch the list reads.
        const double barePage = median([&] { bare(*db, all.page({}, OurPriceList::DefaultBatchRows), false); });
        OurPriceList list(*db, *db, false);
        int shown = 0;
        const double ours = median([&] {
            list.showNode(AllProducts, false);
            shown = list.recordCount();
        });
        // Scrolling: the next batch at the end of the rows read so far.
        const double nextBatch = medianAfter([&] { list.showNode(AllProducts, false); }, [&] { list.fetchMore(); });
        // A batch costs the same wherever it starts: the bare page statement near the end of the keys.
        const QVariant nearEnd =
            db->scalar(u"select max(pr_id) from crm_product"_s).toLongLong() - OurPriceList::DefaultBatchRows;
        const double barePageEnd =
            median([&] { bare(*db, all.page(nearEnd, OurPriceList::DefaultBatchRows), false); });
        // Sorting or locating reads the rest first.
        int read = 0;
        const double whole = median([&] {
            list.showNode(AllProducts, false);
            list.fetchAll();
            read = list.recordCount();
        });

        // A prefix that a few dozen articles share.
        const QString article =
            db->scalar(u"select PR_ARTICUL from crm_product where PR_ID = ?"_s, {products / 2 + 1})
                .toString();
        const OurPriceQuery::Search search{u"PR_ARTICUL"_s,
                                           article.left(qMax(1, article.size() - 2)).toLower()};
        const OurPriceQuery found = OurPriceQuery::forNode(AllProducts, false, like, search);
        qint64 hits = 0;
        const double bareSearch = median([&] { hits = bare(*db, found, false); });
        const double oursSearch = median([&] { list.showNode(AllProducts, false, search); });

        out << engine << ": " << products << " products, first " << shown << " rows shown under \"Все\"\n"
            << "  bare statement, first row: " << QString::number(bareFirst, 'f', 1)
            << " ms; all rows: " << QString::number(bareAll, 'f', 1) << " ms\n"
            << "  price list, first rows shown: " << QString::number(ours, 'f', 1)
            << " ms; the bare statement of that batch " << QString::number(barePage, 'f', 1) << " ms, ratio "
            << QString::number(ours / barePage, 'f', 2) << "; ratio to all rows bare "
            << QString::number(ours / bareAll, 'f', 2) << "\n"
            << "  next batch on scrolling: " << QString::number(nextBatch, 'f', 1) << " ms\n"
            << "  bare statement of a batch at the end of the keys: " << QString::number(barePageEnd, 'f', 1)
            << " ms, ratio to the first batch " << QString::number(barePageEnd / barePage, 'f', 2) << "\n"
            << "  all " << read << " rows read (before a sort or locate): " << QString::number(whole, 'f', 1)
            << " ms, ratio to the bare full read " << QString::number(whole / bareAll, 'f', 2) << "\n"
            << "  prefix search \"" << search.text << "\" (" << hits << " rows): bare "
            << QString::number(bareSearch, 'f', 1) << " ms, price list "
            << QString::number(oursSearch, 'f', 1) << " ms, ratio "
            << QString::number(oursSearch / bareSearch, 'f', 2) << "\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
