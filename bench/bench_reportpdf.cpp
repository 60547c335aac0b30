// "Реестр заявок покупателей" over the first 20 000 requests of the volume data to PDF: time,
// pages and peak memory; the same for 5 000 first, so the peaks show whether memory follows the
// pages.
//   bench_reportpdf ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_reportpdf ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
#include "BusOffer/offerlist.h"
#include "db/shippedreports.h"
#include "data/rowset/trowset.h"
#include "reports/ui/preparedreport.h"
#include "reports/ui/reportrenderer.h"
#include "reports/ui/tsimplerunner.h"
#include "volumebench.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

long peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    try {
        const Bench::VolumeArgs args(app.arguments().mid(1));
        auto db = Bench::openVolumeDatabase(args, out);
        Data::Database::setMain(db.get());
        const QString engine = Bench::engineName(*db);
        QTemporaryDir folder;

        BusOffer::OfferList list(*db);
        list.reload();
        while (list.recordCount() < 20000 && list.canFetchMore())
            list.fetchMore();
        QByteArray data;
        for (const Data::ShippedReport& r : Data::shippedReports())
            if (r.name == u"Реестр заявок покупателей"_s)
                data = r.data;

        for (const int wanted : {5000, 20000}) {
            // The first requests as a list window of their own.
            Data::TRowSet rows;
            for (int f = 0; f < list.fieldCount(); ++f)
                rows.addField(list.field(f).name, list.field(f).type, list.field(f).size);
            for (int r = 0; r < qMin(wanted, list.recordCount()); ++r)
                rows.appendLoaded(list.rowAt(r)->values.toList());
            Widgets::TDataGrid grid;
            grid.setRowSet(&rows);
            QElapsedTimer t;
            t.start();
            auto prepared = Reports::TSimpleRunner::prepare(u"Реестр заявок покупателей"_s, data, {}, &grid, nullptr);
            Reports::ReportRenderer renderer(prepared->report, prepared->pageTables, prepared->variables);
            const QString path = folder.filePath(u"register-%1.pdf"_s.arg(wanted));
            int pages = 0;
            {
                QPdfWriter pdf(path);
                pdf.setResolution(300);
                pages = renderer.render(pdf);
            }
            out << engine << ": " << rows.recordCount() << " requests to PDF in "
                << QString::number(t.elapsed() / 1000.0, 'f', 2) << " s, " << pages << " pages, "
                << QFileInfo(path).size() / 1024 << " KiB, process peak " << peakMb() << " MB\n";
            out.flush();
        }
    } catch (const Exception& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
