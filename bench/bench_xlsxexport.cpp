// The request register of the volume data exported to .xlsx as the grid shows it (20 columns of
// every kind, every batch read): time, peak memory of the process and the file's size; beside it
// the bare reading of the same cells from the row set, and libxlsxwriter's whole-sheet-in-memory
// mode on the same cells in a child process.
//   bench_xlsxexport ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_xlsxexport ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at scale 1.
#include "BusOffer/offerlist.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"
#include "reports/ui/tableexport.h"
#include "volumebench.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <xlsxwriter.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

long peakMb(int who = RUSAGE_SELF)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss / 1024;
}

// The register's columns of every kind: numbers, money, dates, text, flags.
const QStringList Shown{u"bof_id"_s,         u"bof_date"_s,       u"bof_state_name"_s, u"bof_sum"_s,
                        u"bof_createdate"_s, u"bof_updatedate"_s, u"name_user"_s,      u"bof_cod_valut"_s,
                        u"bof_sum_valut"_s,  u"bof_description"_s, u"bof_accepted"_s,  u"bof_stage_id"_s,
                        u"us_name"_s,        u"bof_snomer"_s,     u"bof_dopnomer"_s,   u"bof_otmetka"_s,
                        u"k1"_s,             u"k2"_s,             u"k3"_s,             u"Priority"_s};

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
        Widgets::TDataGrid grid;
        QList<Widgets::TDataGrid::Column> columns;
        for (const QString& f : Shown)
            columns.append({f, f, 90});
        grid.setColumns(columns);
        grid.setRowSet(&list);

        // What reading the batches costs alone (it also warms the caches for the runs below).
        {
            BusOffer::OfferList probe(*db);
            probe.reload();
            Widgets::TDataGrid g2;
            g2.setColumns(columns);
            g2.setRowSet(&probe);
            QElapsedTimer p;
            p.start();
            g2.rowSetModel()->fetchAll();
            out << "  every batch read through the grid model: " << p.elapsed() << " ms\n";
            BusOffer::OfferList bare(*db);
            bare.reload();
            p.restart();
            bare.fetchAll();
            out << "  every batch read by the list alone: " << p.elapsed() << " ms\n";
            out.flush();
        }
        // The export as the user starts it: the unread batches first, then the book.
        QElapsedTimer t;
        t.start();
        const QString first = folder.filePath(u"first.xlsx"_s);
        Reports::TableExport::writeGrid(&grid, u"Заявки"_s, {}, first);
        const double withReading = t.elapsed() / 1000.0;
        const qint64 rows = list.recordCount();
        int shown = 0;
        for (int c = 0; c < list.fieldCount(); ++c)
            shown += grid.isColumnShown(c) ? 1 : 0;

        // Again on the rows read: the writing alone.
        t.restart();
        const QString second = folder.filePath(u"second.xlsx"_s);
        Reports::TableExport::writeGrid(&grid, u"Заявки"_s, {}, second);
        const double exportOnly = t.elapsed() / 1000.0;
        const long peak = peakMb();

        // The same cells read from the row set and nothing written.
        QList<int> fields;
        for (int c : grid.columnsInDisplayOrder())
            if (grid.isColumnShown(c))
                fields << c;
        t.restart();
        qint64 touched = 0;
        for (int r = 0; r < int(rows); ++r) {
            const Data::RowSetRow* row = list.rowAt(grid.rowSetRow(r));
            for (int c : fields)
                touched += row->values.at(c).isNull() ? 0 : 1;
        }
        const double bare = t.elapsed() / 1000.0;

        // libxlsxwriter keeping the whole sheet in memory, in a child so its memory is its own.
        const QByteArray memoryBook = QFile::encodeName(folder.filePath(u"memory.xlsx"_s));
        t.restart();
        const pid_t child = fork();
        if (child == 0) {
            lxw_workbook* wb = workbook_new(memoryBook.constData());
            lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
            for (int r = 0; r < int(rows); ++r) {
                const Data::RowSetRow* row = list.rowAt(grid.rowSetRow(r));
                for (int i = 0; i < fields.size(); ++i) {
                    const QVariant v = row->values.at(fields[i]);
                    if (v.isNull())
                        continue;
                    const auto type = list.field(fields[i]).type;
                    if (type == Data::FieldType::String)
                        worksheet_write_string(ws, lxw_row_t(r + 1), lxw_col_t(i), v.toString().toUtf8().constData(), nullptr);
                    else if (type == Data::FieldType::DateTime)
                        worksheet_write_number(ws, lxw_row_t(r + 1), lxw_col_t(i), double(v.toDateTime().toSecsSinceEpoch()), nullptr);
                    else
                        worksheet_write_number(ws, lxw_row_t(r + 1), lxw_col_t(i), v.toDouble(), nullptr);
                }
            }
            _exit(workbook_close(wb) == LXW_NO_ERROR ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        const double inMemory = t.elapsed() / 1000.0;
        const long childPeak = peakMb(RUSAGE_CHILDREN);

        out << engine << ": " << rows << " requests x " << shown << " columns = " << rows * shown << " cells ("
            << touched << " not null)\n"
            << "  export with the batches read: " << QString::number(withReading, 'f', 2) << " s\n"
            << "  export of the rows read: " << QString::number(exportOnly, 'f', 2) << " s, file "
            << QFileInfo(second).size() / 1024 << " KiB, process peak " << peak << " MB\n"
            << "  bare reading of the cells: " << QString::number(bare, 'f', 2) << " s (export/bare "
            << QString::number(bare > 0 ? exportOnly / bare : 0, 'f', 1) << ")\n"
            << "  libxlsxwriter in-memory mode (child): " << QString::number(inMemory, 'f', 2) << " s, peak "
            << childPeak << " MB, exit " << WEXITSTATUS(status) << "\n"
            << "  target: at most 6.8 s and 200 MB\n";
    } catch (const Exception& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
