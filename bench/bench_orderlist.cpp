// The supplier-order register on the volume data, against the bare list statement read through
// Query in the same run: its open to the first rows shown and the whole list batch by batch; then
// re-opens for "В работе" and for one supplier, each against its own bare statement; the product
// picker's "Все" for the supplier of the largest assortment and the forming window's opening.
//   bench_orderlist [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_orderlist ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "orderlistbench.h"

#include "core/exception.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "otbor/tvarstringcompare.h"

#include <QCoreApplication>

using namespace Tarvo;
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
        out << Bench::engineName(*db) << ":\n";

        const Bench::Measured bare = Bench::bareOrderStatement(*db, nullptr);
        Bench::reportCase(out, u"register open to first rows shown"_s, Bench::orderRegisterOpen(*db, nullptr),
                          bare);
        Bench::reportCase(out, u"whole register batch by batch"_s, Bench::orderRegisterWhole(*db, nullptr),
                          bare);

        Otbor::TGlobalOtbors global;
        Otbor::TVarList own;
        own.add(global.var(Otbor::OtborVar::OrderState));
        own.add(global.var(Otbor::OtborVar::Supplier));
        global.docState(Otbor::OtborVar::OrderState)->setActive(true);
        global.docState(Otbor::OtborVar::OrderState)->setDocState(Otbor::TDocStateOtbor::InProgress);
        Bench::reportCase(out, u"re-open for \"В работе\" to first rows"_s,
                          Bench::orderRegisterOpen(*db, &own), Bench::bareOrderStatement(*db, &own));
        global.docState(Otbor::OtborVar::OrderState)->setActive(false);
        Otbor::TPartnerOtbor* supplier = global.partner(Otbor::OtborVar::Supplier);
        supplier->setCompareType(Otbor::TVarStringCompare::Equal);
        supplier->setCompareString(u"П00007"_s);
        supplier->setActive(true);
        Bench::reportCase(out, u"re-open for one supplier to first rows"_s,
                          Bench::orderRegisterOpen(*db, &own), Bench::bareOrderStatement(*db, &own));

        const auto [picker, pickerBare] = Bench::pickerAll(*db, Bench::largestAssortment(*db));
        Bench::reportCase(out, u"product picker \"Все\" of the largest assortment"_s, picker, pickerBare);
        const auto [forming, formingBare] = Bench::formingOpen(*db);
        Bench::reportCase(out, u"\"Формирование заказа поставщику\" opening"_s, forming, formingBare);
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
