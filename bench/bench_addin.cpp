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

#include <algorithm>

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

        // Rounds alternate between the two, so a busy moment of the machine weighs on both alike.
        Bench::Measured whole, module;
        double firstCurrent = 0;
        QList<double> wholeMs, moduleMs, firstMs;
        for (int round = 0; round < 6; ++round) {
            QElapsedTimer t;
            t.start();
            {
                BusOffer::OfferList list(*db);
                list.reload();
                list.fetchAll();
                whole.rows = list.recordCount();
            }
            const double w = t.nsecsElapsed() / 1e6;
            t.restart();
            {
                BusOffer::OfferList list(*db);
                list.reload();
                auto doc = tarvo::ComPtr<AddIn::TDocIdentifier>::adopt(
                    new AddIn::TDocIdentifier(std::int32_t(list.currentOffer()), &list, list.keyColumn()));
                module.rows = walk(doc.get(), &firstCurrent, t);
                doc->disconnect();
            }
            const double m = t.nsecsElapsed() / 1e6;
            if (round == 0)
                continue; // warms the caches
            wholeMs << w;
            moduleMs << m;
            firstMs << firstCurrent;
        }
        const auto middle = [](QList<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        whole.ms = middle(wholeMs);
        module.ms = middle(moduleMs);
        firstCurrent = middle(firstMs);
        out << engine << ":\n";
        Bench::reportCase(out, u"module walking List over the register"_s, module, whole);
        out << "  first Current after the register opened: " << QString::number(firstCurrent, 'f', 1)
            << " ms\n";
    } catch (const Exception& e) {
        out << "error: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
