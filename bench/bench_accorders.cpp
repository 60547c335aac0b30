// The register of confirmed orders on the volume data: its open to the first rows shown (the
// first batches read and the first screen of the grid model asked for) against the bare list
// statement read through Query in the same run; then the whole list read batch by batch against the
// same, and a re-open for "В работе", on the engine the settings name.
//   bench_accorders [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_accorders ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/acceptedorderliststatement.h"
#include "registerbench.h"
#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"
#include "data/rowset/trowsetmodel.h"
#include "db/demodata.h"
#include "db/volumegenerator.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;


int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QTextStream out(stdout);
    try {
        const Bench::VolumeArgs args(app.arguments().mid(1));
        auto db = Bench::openVolumeDatabase(args, out);
        const QString engine = Bench::engineName(*db);

        const Bench::Measured bareRead = Bench::bareListStatement<AcceptedOrders::AcceptedOrderListStatement>(*db, nullptr);
        const double bare = bareRead.ms;
        const qint64 bareRows = bareRead.rows;
        const Bench::Measured opened = Bench::listToFirstScreen<AcceptedOrders::AcceptedOrderList>(*db, nullptr);
        const double open = opened.ms;
        const qint64 firstRows = opened.rows;
        const Bench::Measured read = Bench::listWhole<AcceptedOrders::AcceptedOrderList>(*db, nullptr);
        const double whole = read.ms;
        const qint64 allRows = read.rows;
        // The filter editor's change: the register re-opens for orders in progress.
        Otbor::TGlobalOtbors global;
        Otbor::TVarList own;
        own.add(global.var(Otbor::OtborVar::AcceptedOrderState));
        global.docState(Otbor::OtborVar::AcceptedOrderState)->setActive(true);
        global.docState(Otbor::OtborVar::AcceptedOrderState)->setDocState(Otbor::TDocStateOtbor::InProgress);
        const Bench::Measured reopened = Bench::listToFirstScreen<AcceptedOrders::AcceptedOrderList>(*db, &own);
        const double filtered = reopened.ms;
        const qint64 filteredRows = reopened.rows;
        out << engine << ": " << bareRows << " confirmed orders\n"
            << "  bare list statement through Query: " << QString::number(bare, 'f', 1) << " ms\n"
            << "  register open to first rows shown: " << QString::number(open, 'f', 1) << " ms (" << firstRows
            << " rows), ratio " << QString::number(open / bare, 'f', 3) << "\n"
            << "  whole register batch by batch: " << QString::number(whole, 'f', 1) << " ms (" << allRows
            << " rows), ratio " << QString::number(whole / bare, 'f', 3) << "\n"
            << "  re-open for \"В работе\" to first rows: " << QString::number(filtered, 'f', 1) << " ms ("
            << filteredRows << " rows)\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
