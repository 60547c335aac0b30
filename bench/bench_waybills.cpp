// The waybill list on the volume data: its open to the first rows shown, the whole list read batch
// by batch and a re-open for "В работе", each against the bare list statement read through Query
// in the same run; then the load of the waybill of 20 invoices into the document against the five
// statements of scm_loadWayBill read bare.
//   bench_waybills [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume-waybills.db"
//   bench_waybills ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "WayBills/tdm_waybills.h"
#include "WayBills/waybilllist.h"
#include "WayBills/waybillprocedures.h"
#include "data/engine/procedureregistry.h"
#include "WayBills/waybillliststatement.h"
#include "core/exception.h"
#include "db/volumewaybills.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "registerbench.h"

#include <QCoreApplication>
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
        Database::setMain(db.get());
        out << Bench::engineName(*db) << "\n";

        const Bench::Measured bare = Bench::bareListStatement<WayBills::WayBillListStatement>(*db, nullptr);
        Bench::reportCase(out, u"list open to first rows shown"_s,
                          Bench::listToFirstScreen<WayBills::WayBillList>(*db, nullptr), bare);
        Bench::reportCase(out, u"whole list batch by batch"_s, Bench::listWhole<WayBills::WayBillList>(*db, nullptr),
                          bare);

        Otbor::TGlobalOtbors global;
        Otbor::TVarList own;
        own.add(global.var(Otbor::OtborVar::WayBillState));
        global.docState(Otbor::OtborVar::WayBillState)->setActive(true);
        global.docState(Otbor::OtborVar::WayBillState)->setDocState(Otbor::TDocStateOtbor::InProgress);
        const Bench::Measured bareWork = Bench::bareListStatement<WayBills::WayBillListStatement>(*db, &own);
        Bench::reportCase(out, u"re-open for \"В работе\" to first rows"_s,
                          Bench::listToFirstScreen<WayBills::WayBillList>(*db, &own), bareWork);

        const qint64 big = VolumeWaybills::bigWayBill(*db);
        if (!big)
            throw Exception(u"В данных нет большой посылки"_s);
        Bench::Measured loaded;
        loaded.ms = ::median([&] {
            WayBills::Tdm_WayBills doc(db.get());
            doc.loadWayBill(int(big));
            loaded.rows = doc.deliveredProduct.clone()->recordCount();
        });
        // Bare: the procedure's own statements, read through Query into plain values.
        Bench::Measured bareLoad;
        bareLoad.ms = ::median([&] {
            bareLoad.rows = 0;
            for (const auto& s : WayBills::WayBillProcedures::loadWayBillStatements())
                bareLoad.rows += Bench::readToEnd(*db, s.sql, QVariantList(s.keyBinds, big));
        });
        Bench::reportCase(out, u"scm_loadWayBill of the waybill of 20 invoices into the document"_s, loaded, bareLoad);
        // The procedure alone: the same statements in one snapshot, read into result sets.
        WayBills::WayBillProcedures::registerOnce();
        Bench::Measured procedure;
        procedure.ms = ::median([&] {
            const ProcedureResult r = ProcedureRegistry::instance().call(*db, WayBills::WayBillProcedures::LoadWayBill,
                                                                         {{u"swb_id"_s, big}});
            procedure.rows = r.resultSet(2).rows.size();
        });
        Bench::reportCase(out, u"scm_loadWayBill alone (its statements)"_s, procedure, bareLoad);
        Database::setMain(nullptr);
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
