// The data grid over a large row set: how long the first painted screen and a heading-click sort
// take, against the time the row set itself takes to load the rows from the database.
//   bench_datagrid [rows]        (default 1000000; runs on the embedded engine, offscreen)
// Each figure is the median of three rounds after an unmeasured one.
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
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

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;

    QTemporaryDir dir;
    ConnectionSettings s;
    s.database = dir.path() + QStringLiteral("/grid.db");
    Database db(s);
    db.open();
    db.exec(QStringLiteral("create table bench_grid (g_id integer primary key, g_name varchar(60), "
                           "g_amount numeric(19,4), g_city varchar(30))"));
    db.exec(QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                           "insert into bench_grid select x, 'Товар ' || (abs(random()) % 1000000), "
                           "(abs(random()) % 10000000) / 100.0, "
                           "case x % 3 when 0 then 'москва' when 1 then 'Ёлкино' else 'Арзамас' end from c")
                .arg(rows));

    TRowSet rs;
    const double load = median(
        [&] { rs.clearRows(); },
        [&] {
            Query q(db,
                    QStringLiteral("select g_id, g_name, g_amount, g_city from bench_grid order by g_id"));
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
    const double scrollEnd =
        median([&] { grid->verticalScrollBar()->setValue(0); },
               [&] {
                   grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
                   grid->grab();
               });
    grid->setRowSet(nullptr);

    std::printf("rows                       %d\n", rs.recordCount());
    std::printf("row set load              %9.1f ms\n", load);
    std::printf("first painted screen      %9.1f ms   ratio to load %.3f\n", firstScreen, firstScreen / load);
    std::printf("sort by text heading      %9.1f ms   ratio to load %.3f\n", sortText, sortText / load);
    std::printf("sort by money heading     %9.1f ms   ratio to load %.3f\n", sortMoney, sortMoney / load);
    std::printf("scroll to the last row    %9.1f ms   ratio to load %.3f\n", scrollEnd, scrollEnd / load);
    return 0;
}
