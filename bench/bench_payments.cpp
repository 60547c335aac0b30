// Payments on the volume data, each against its bare statement read through Query in the same
// run: "Просмотр платежей" open to its first rows shown and read whole; the proforma chooser for
// the supplier with the most proformas; one plan's coverage.
//   bench_payments [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_payments ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "Payments/paymentcoverage.h"
#include "Payments/paymentlist.h"
#include "Payments/paymentliststatement.h"
#include "Payments/tdmeditpayment.h"
#include "core/exception.h"
#include "data/engine/dialect.h"
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
        const QString engine = Bench::engineName(*db);

        const Bench::Measured bareList = Bench::bareListStatement<Payments::PaymentListStatement>(*db, nullptr);
        const Bench::Measured opened = Bench::listToFirstScreen<Payments::PaymentList>(*db, nullptr);
        const Bench::Measured whole = Bench::listWhole<Payments::PaymentList>(*db, nullptr);
        out << engine << ": " << bareList.rows << " payments\n";
        Bench::reportCase(out, u"\"Просмотр платежей\" open to first rows shown"_s, opened, bareList);
        Bench::reportCase(out, u"\"Просмотр платежей\" every batch read"_s, whole, bareList);

        // The chooser of a new payment to the supplier with the most proformas in its currency.
        Query top(*db, u"select pf_supplier, pf_cod_valut, count(*) from scm_Proforma group by pf_supplier, pf_cod_valut "
                       "order by 3 desc limit 1"_s);
        top.exec();
        if (!top.next())
            throw Exception(u"В базе нет счетов"_s);
        const qint64 supplier = top.integer(0);
        const QString code = top.string(1);
        top.finish();
        Bench::Measured chooser, chooserBare;
        Payments::TdmEditPayment dm(db.get());
        dm.newPayment();
        dm.qData.setValue(u"spm_recipient"_s, supplier);
        dm.qData.setValue(u"spm_cod_valut2"_s, code);
        dm.qData.setValue(u"spm_sum2"_s, Money(1000).toVariant());
        chooser.ms = median([&] {
            TRowSet rows;
            dm.openChooser(rows);
            chooser.rows = rows.recordCount();
        });
        const Dialect& d = db->dialect();
        chooserBare.ms = median([&] {
            chooserBare.rows = Bench::readToEnd(
                *db,
                u"select pf.pf_id, pf.pf_date, pf.pf_dopnomer, pf.pf_snomer, pf.pf_sum + pf.pf_surcharge, "
                "coalesce(t.paid, 0) from scm_Proforma pf left join (select spp_pf_id, sum(spp_sum) paid from "
                "scm_pfpayment group by spp_pf_id) t on t.spp_pf_id = pf.pf_id where pf.pf_supplier = ? and "
                "pf.pf_cod_valut = ? and %1 < %2"_s.arg(d.roundedAmount(u"coalesce(t.paid, 0)"_s),
                                                        d.roundedAmount(u"pf.pf_sum + pf.pf_surcharge"_s)),
                {supplier, code});
        });
        Bench::reportCase(out, u"chooser for the supplier with most proformas"_s, chooser, chooserBare);

        // The coverage of the plan of the proforma with the most payments.
        const qint64 pf = db->scalar(u"select spp_pf_id from scm_pfpayment group by spp_pf_id order by count(*) desc, "
                                     "spp_pf_id limit 1"_s)
                              .toLongLong();
        Bench::Measured coverage, coverageBare;
        coverage.ms = median([&] { coverage.rows = Payments::PaymentCoverage::ofProforma(*db, pf).size(); });
        coverageBare.ms = median([&] {
            coverageBare.rows = Bench::readToEnd(*db, u"select sps_date, sps_sum from scm_payshedule where sps_pf_id = ?"_s,
                                                 {pf});
            Bench::readToEnd(*db, u"select m.spm_date, pp.spp_sum from scm_pfpayment pp join scm_payments m on "
                                  "m.spm_id = pp.spp_spm_id where pp.spp_pf_id = ?"_s,
                             {pf});
        });
        Bench::reportCase(out, u"one plan's coverage"_s, coverage, coverageBare);
        Database::setMain(nullptr);
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
