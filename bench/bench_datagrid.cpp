// The data grid over a large row set: how long the first painted screen and a heading-click sort
// take, against the time the row set itself takes to load the rows from the database; then the
// longest stall of the event loop while a heading sort, a delete while sorted and a "Найти
// далее" that finds nothing run, each against the bare operation done at once.
//   bench_datagrid [rows] [sqlite|postgresql]   (default 1000000 rows, both engines when the
//                                                 private PostgreSQL server is given; offscreen)
// Then a list read in batches (key order, 1000 rows doubling up to 8000, counted with its first
// batch, as the price list reads): the longest stall while a heading sort and a search read the
// unread batches first, against the same read done at once and the bare statement.
// Each timing is the median of three rounds after an unmeasured one.
#include "benchpostgres.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

double median(const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < 4; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        run();
        if (i > 0)
            ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[1];
}

struct Stall
{
    double longest = 0; // ms the event loop went without a turn
    double total = 0;   // ms until the operation was done
};

// Starts the operation from the event loop and turns it until `done`; the longest gap between
// two turns is the longest time the window could not answer.
Stall measureStall(const std::function<void()>& start, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0, began = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
        if (began > 0 && done())
            loop.quit();
    });
    QTimer::singleShot(0, [&] {
        began = last = clock.nsecsElapsed();
        start();
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
        tick.start();
    });
    loop.exec();
    return {worst / 1e6, (clock.nsecsElapsed() - began) / 1e6};
}

Stall medianStall(const std::function<void()>& prepare, const std::function<void()>& start,
                  const std::function<bool()>& done)
{
    std::vector<Stall> runs;
    for (int i = 0; i < 4; ++i) {
        prepare();
        const Stall s = measureStall(start, done);
        if (i > 0)
            runs.push_back(s);
    }
    std::sort(runs.begin(), runs.end(), [](const Stall& a, const Stall& b) { return a.longest < b.longest; });
    return runs[1];
}

// A list read a batch at a time in key order, as the price list reads its products.
class BatchedRows : public TRowSet
{
public:
    BatchedRows(Database& db, int total) : m_db(db), m_total(total) {}
    void open()
    {
        m_requested = 1000;
        Query q(m_db, QStringLiteral("select g_id, g_name, g_amount, g_city from bench_grid order by g_id limit 1000"));
        loadFrom(q);
        m_more = recordCount() >= m_requested;
    }
    bool canFetchMore() const override { return m_more; }
    void fetchMore() override
    {
        if (!m_more)
            return;
        m_requested = std::min(m_requested * 2, 8000);
        Query q(m_db, QStringLiteral("select g_id, g_name, g_amount, g_city from bench_grid where g_id > ? "
                                     "order by g_id limit %1")
                          .arg(m_requested));
        q.bindAll({lastRow()->values.at(0)});
        m_more = appendFrom(q) >= m_requested;
    }
    int expectedUnreadRows() const override { return m_more ? std::max(0, m_total - recordCount()) : -1; }

private:
    Database& m_db;
    int m_total;
    int m_requested = 1000;
    bool m_more = false;
};

void runBatched(Database& db, int rows)
{
    std::unique_ptr<BatchedRows> list;
    const auto reopen = [&] {
        list = std::make_unique<BatchedRows>(db, rows);
        list->open();
    };
    const double bareStatement = median([] {},
                                        [&] {
                                            Query q(db, QStringLiteral("select g_id, g_name, g_amount, g_city "
                                                                       "from bench_grid order by g_id"));
                                            q.exec();
                                            while (q.next())
                                                for (int c = 0; c < 4; ++c)
                                                    (void)q.value(c);
                                        });
    // What a heading sort and a search did before: every unread batch at once on the UI thread.
    const double atOnce = median(reopen, [&] { list->fetchAll(); });

    Widgets::TDataGrid grid;
    grid.resize(1280, 900);
    grid.show();
    const auto prepare = [&] {
        grid.setRowSet(nullptr);
        reopen();
        grid.setRowSet(list.get());
        grid.grab();
    };
    const Stall sortStall = medianStall(prepare, [&] { grid.sortBy(1, Qt::AscendingOrder); },
                                        [&] { return !grid.isReading() && !grid.proxyModel()->isSorting(); });
    // "Найти" without a match reads every batch and looks at every row.
    const Stall findStall = medianStall(
        [&] {
            prepare();
            grid.setSearchColumn(1);
            grid.setCurrentIndex(grid.model()->index(0, 1));
        },
        [&] { grid.startSearch(QStringLiteral("нет такого"), false); }, [&] { return !grid.isSearching(); });
    grid.setRowSet(nullptr);

    std::printf("list read in batches (%d rows, counted):\n", rows);
    std::printf("  bare statement, all rows %9.1f ms\n", bareStatement);
    std::printf("  unread batches at once   %9.1f ms   (the stall before a sort or search until now)\n", atOnce);
    std::printf("  heading sort stall       %9.1f ms   (read and sorted after %.1f ms)\n", sortStall.longest,
                sortStall.total);
    std::printf("  search without a match   %9.1f ms   (done after %.1f ms)\n", findStall.longest, findStall.total);
    std::fflush(stdout);
}

void run(Database& db, const char* engine, int rows)
{
    db.exec(QStringLiteral("drop table if exists bench_grid"));
    db.exec(QStringLiteral("create table bench_grid (g_id integer primary key, g_name varchar(60), "
                           "g_amount numeric(19,4), g_city varchar(30))"));
    // The same pseudo-random names and amounts on both engines.
    db.exec(QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                           "insert into bench_grid select x, 'Товар ' || ((cast(x as bigint) * 7919) % 1000003), "
                           "((cast(x as bigint) * 104729) % 10000000) / 100.0, "
                           "case x % 3 when 0 then 'москва' when 1 then 'Ёлкино' else 'Арзамас' end from c")
                .arg(rows));

    TRowSet rs;
    const double load = median(
        [&] { rs.clearRows(); },
        [&] {
            Query q(db, QStringLiteral("select g_id, g_name, g_amount, g_city from bench_grid order by g_id"));
            rs.loadFrom(q);
        });

    std::unique_ptr<Widgets::TDataGrid> grid;
    const double firstScreen = median(
        [&] {
            grid.reset();
            grid = std::make_unique<Widgets::TDataGrid>();
            grid->resize(1280, 900);
        },
        [&] {
            grid->setRowSet(&rs);
            grid->show();
            grid->grab(); // lays out and paints the visible rows
        });
    Widgets::GridProxyModel* proxy = grid->proxyModel();
    const auto sorted = [&] { return !proxy->isSorting(); };

    // Done at once on the UI thread, as every heading sort was before.
    proxy->setBackgroundSortRows(INT_MAX);
    const double sortText = median([&] { grid->sortBy(-1); },
                                   [&] {
                                       grid->sortBy(1, Qt::AscendingOrder);
                                       grid->grab();
                                   });
    const double sortMoney = median([&] { grid->sortBy(-1); },
                                    [&] {
                                        grid->sortBy(2, Qt::DescendingOrder);
                                        grid->grab();
                                    });
    proxy->setBackgroundSortRows(Widgets::GridProxyModel::DefaultBackgroundSortRows);
    const Stall sortStall = medianStall([&] { grid->sortBy(-1); },
                                        [&] { grid->sortBy(1, Qt::AscendingOrder); }, sorted);
    // The other direction reuses the keys.
    const Stall reverseStall = medianStall(
        [&] {
            grid->sortBy(1, Qt::AscendingOrder);
            while (!sorted())
                QCoreApplication::processEvents();
        },
                                           [&] { grid->sortBy(1, Qt::DescendingOrder); }, sorted);

    // A delete while sorted: the bare delete on the row set alone, then with the sorted grid.
    auto bare = rs.clone();
    const double deleteBare = median([&] { bare->moveTo(rows / 2); }, [&] { bare->remove(); });
    bare.reset();
    grid->sortBy(1, Qt::AscendingOrder);
    while (!sorted())
        QCoreApplication::processEvents();
    const Stall deleteStall = medianStall([&] { rs.moveTo(rows / 3); }, [&] { rs.remove(); }, [] { return true; });

    // "Найти далее" that finds nothing: every row's shown text looked at.
    grid->setSearchColumn(1);
    const QString absent = QStringLiteral("нет такого");
    const double findBare = median([&] { grid->setCurrentIndex(grid->model()->index(0, 1)); },
                                   [&] { grid->findNext(absent); });
    const Stall findStall = medianStall([&] { grid->setCurrentIndex(grid->model()->index(0, 1)); },
                                        [&] { grid->startSearch(absent, false); },
                                        [&] { return !grid->isSearching(); });

    const double scrollEnd =
        median([&] { grid->verticalScrollBar()->setValue(0); },
               [&] {
                   grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
                   grid->grab();
               });
    grid->setRowSet(nullptr);

    std::printf("== %s\n", engine);
    std::printf("rows                       %d\n", rows);
    std::printf("row set load              %9.1f ms\n", load);
    std::printf("first painted screen      %9.1f ms   ratio to load %.3f\n", firstScreen, firstScreen / load);
    std::printf("sort by text heading      %9.1f ms   ratio to load %.3f   (at once)\n", sortText, sortText / load);
    std::printf("sort by money heading     %9.1f ms   ratio to load %.3f   (at once)\n", sortMoney, sortMoney / load);
    std::printf("scroll to the last row    %9.1f ms   ratio to load %.3f\n", scrollEnd, scrollEnd / load);
    std::printf("longest event-loop stall:\n");
    std::printf("  text heading sort       %9.1f ms   (sorted after %.1f ms; bare sort at once %.1f ms)\n",
                sortStall.longest, sortStall.total, sortText);
    std::printf("  other direction         %9.1f ms   (sorted after %.1f ms)\n", reverseStall.longest,
                reverseStall.total);
    std::printf("  delete while sorted     %9.1f ms   (bare delete on the row set %.1f ms)\n", deleteStall.longest,
                deleteBare);
    std::printf("  find next, no match     %9.1f ms   (searched in %.1f ms; bare search at once %.1f ms)\n",
                findStall.longest, findStall.total, findBare);
    std::fflush(stdout);
    runBatched(db, rows);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLower() : QString();

    if (only.isEmpty() || only == QLatin1String("sqlite")) {
        QTemporaryDir dir;
        ConnectionSettings s;
        s.database = dir.path() + QStringLiteral("/grid.db");
        Database db(s);
        db.open();
        run(db, "sqlite", rows);
    }
    if ((only.isEmpty() && benchPostgresAvailable()) || only == QLatin1String("postgresql")) {
        Database db(benchPostgresSettings());
        db.open();
        run(db, "postgresql", rows);
        db.exec(QStringLiteral("drop table bench_grid"));
    }
    return 0;
}
