// The register of buyer requests on the volume data: its open to the first rows shown (the
// first batches read and the first screen of the grid model asked for) against the bare list
// statement read through Query in the same run (with the count taken alongside); then the whole list read batch by batch, and a
// re-open for a state filter, on the engine the settings name.
//   bench_offerlist [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_offerlist ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "BusOffer/offerlist.h"
#include "BusOffer/offerliststatement.h"
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

        const Bench::Measured bareRead = Bench::bareListStatement<BusOffer::OfferListStatement>(*db, nullptr);
        const double bare = bareRead.ms;
        const qint64 bareRows = bareRead.rows;
        const Bench::Measured opened = Bench::listToFirstScreen<BusOffer::OfferList>(*db, nullptr);
        const double open = opened.ms;
        const qint64 firstRows = opened.rows;
        // The count the register takes with its first batch (included in the open above).
        const double counting = median([&] {
            auto s = BusOffer::OfferListStatement::buildCount(nullptr);
            auto q = CommandBuilder::open(*db, *s);
            q->next();
        });
        const Bench::Measured read = Bench::listWhole<BusOffer::OfferList>(*db, nullptr);
        const double whole = read.ms;
        const qint64 allRows = read.rows;
        // The filter editor's change: the register re-opens for requests in progress.
        Otbor::TGlobalOtbors global;
        Otbor::TVarList own;
        own.add(global.var(Otbor::OtborVar::OfferState));
        global.docState(Otbor::OtborVar::OfferState)->setActive(true);
        global.docState(Otbor::OtborVar::OfferState)->setDocState(Otbor::TDocStateOtbor::InProgress);
        const Bench::Measured reopened = Bench::listToFirstScreen<BusOffer::OfferList>(*db, &own);
        const double filtered = reopened.ms;
        const qint64 filteredRows = reopened.rows;
        // One customer's requests: the batches walk only that customer's keys, and the totals are
        // grouped for those keys only.
        const QString customer = db->scalar(u"select par_nuser from scm_business_offer join scm_partner on "
                                            "bof_person = par_id order by bof_id limit 1"_s)
                                     .toString();
        Otbor::TVarList byCustomer;
        byCustomer.add(global.var(Otbor::OtborVar::Customer));
        global.partner(Otbor::OtborVar::Customer)->setActive(true);
        global.partner(Otbor::OtborVar::Customer)->setCompareString(customer);
        const Bench::Measured customers = Bench::listToFirstScreen<BusOffer::OfferList>(*db, &byCustomer);
        const double oneCustomer = customers.ms;
        const qint64 customerRows = customers.rows;
        out << engine << ": " << bareRows << " requests\n"
            << "  bare list statement through Query: " << QString::number(bare, 'f', 1) << " ms\n"
            << "  register open to first rows shown: " << QString::number(open, 'f', 1) << " ms (" << firstRows
            << " rows), ratio " << QString::number(open / bare, 'f', 3) << "\n"
            << "  of which the list's count: " << QString::number(counting, 'f', 1) << " ms (the open without it "
            << QString::number(open - counting, 'f', 1) << " ms)\n"
            << "  whole register batch by batch: " << QString::number(whole, 'f', 1) << " ms (" << allRows
            << " rows), ratio " << QString::number(whole / bare, 'f', 3) << "\n"
            << "  re-open for \"В работе\" to first rows: " << QString::number(filtered, 'f', 1) << " ms ("
            << filteredRows << " rows)\n"
            << "  re-open for one customer to first rows: " << QString::number(oneCustomer, 'f', 1) << " ms ("
            << customerRows << " rows), " << QString::number(oneCustomer / open, 'f', 2)
            << " times the unfiltered open\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
