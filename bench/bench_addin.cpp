// A module walking a register's documents through List (IListDocument) on the volume data,
// against the register reading all its batches itself in the same run; and the time to the
// module's first Current after the register opened.
//   bench_addin [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_addin ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
#include "AddIn/tdocidentifier.h"
#include "BusOffer/offerlist.h"
#include "core/exception.h"
#include "registerbench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

// What a module does with List: every document id, one after the other.
qint64 walk(tarvo::IDocIdentifier* doc, double* firstCurrentMs, const QElapsedTimer& since)
{
    tarvo::ComPtr<tarvo::IListDocument> list;
    if (tarvo::failed(doc->GetList(list.put())))
        throw Exception(u"List refused"_s);
    qint64 n = 0, sum = 0;
    std::int32_t eof = 0;
    for (list->First(); list->GetEof(&eof), !eof; list->Next()) {
        std::int32_t id = 0;
        list->GetCurrent(&id);
        if (n++ == 0 && firstCurrentMs)
            *firstCurrentMs = since.nsecsElapsed() / 1e6;
        sum += id;
    }
    return sum ? n : 0;
}

} // namespace

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

        const Bench::Measured whole = Bench::listWhole<BusOffer::OfferList>(*db, nullptr);
        Bench::Measured module;
        double firstCurrent = 0;
        module.ms = median([&] {
            QElapsedTimer since;
            since.start();
            BusOffer::OfferList list(*db);
            list.reload();
            auto doc = tarvo::ComPtr<AddIn::TDocIdentifier>::adopt(
                new AddIn::TDocIdentifier(std::int32_t(list.currentOffer()), &list, list.keyColumn()));
            module.rows = walk(doc.get(), &firstCurrent, since);
            doc->disconnect();
        });
        out << engine << ":\n";
        Bench::reportCase(out, u"module walking List over the register"_s, module, whole);
        out << "  first Current after the register opened: " << QString::number(firstCurrent, 'f', 1) << " ms\n";
    } catch (const Exception& e) {
        out << "error: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
