#include "otbor/tglobalotbors.h"

#include "core/apppaths.h"
#include "otbor/otborfile.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tmanagerotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"

#include <QCoreApplication>
#include <memory>

namespace Tarvo::Otbor {

namespace {
struct VarInfo
{
    const char* guid;
    const char* caption;
};

const VarInfo Vars[OtborVarCount] = {
    {"{D484DF2B-40C5-44F7-9782-495FC51DC23D}", "По дате заявки"},
    {"{96B35DAD-58D8-4FBA-99DF-3F01138DEBF1}", "По дате заказа"},
    {"{D05CA1BD-1240-4163-90E1-3DC9D600156F}", "По заказчикам"},
    {"{659F5E12-B3C6-4CD4-9EC9-48ED3B8C28EC}", "По поставщикам"},
    {"{5BE96CA1-54EF-40CF-939E-9A96B2E72C73}", "По перевозчикам"},
    {"{C6AD91CD-8D4D-491C-BBB5-D87709EC5B96}", "По дате посылки/инвойса"},
    {"{E0736667-4F16-4642-B940-AC8790E3D055}", "Срочность"},
    {"{EAF3E216-F219-4907-BE1F-1DD07E2AF2E6}", "Состояние заявки"},
    {"{D931438C-7E73-4186-B885-A85A3F05FCD6}", "Реестр заявок"},
    {"{EF19B3C6-C99E-45AF-82BB-FEB09D3E985D}", "Реестр заказов"},
    {"{CC9D1BCF-EE88-4242-AAA5-6C70B4A52B2E}", "Состояние заказа"},
    {"{CBD06DD5-46D2-425C-968F-0DF749E4288F}", "Состояние под.заказа"},
    {"{EA5140FD-00EE-42D4-AC30-FE4458A3719D}", "Состояние посылки"},
    {"{0AF7FD2B-1901-4FE6-939C-08549B072B24}", "Состояние транспорта"},
    {"{3AD16F0E-36DB-4D03-A9FA-57A59B1508B3}", "По дате транспорта"},
    {"{7C341EA6-817C-4097-9304-FD87355E9865}", "По дате плана"},
    {"{7E9B916A-EECB-4E7E-B082-B8FEFBC6955B}", "По дате счета, платежа"},
    {"{D378656D-D390-4294-82C3-CCAB94C7A5AD}", "По менеджеру"},
};

std::unique_ptr<TGlobalOtbors>& global()
{
    static std::unique_ptr<TGlobalOtbors> list;
    return list;
}
} // namespace

TGlobalOtbors::TGlobalOtbors()
{
    auto g = [](OtborVar v) { return guidOf(v); };
    add(new TOfferDate(g(OtborVar::OfferDate)));
    add(new TOrderDate(g(OtborVar::OrderDate)));
    add(new TOfferIDOtbor(g(OtborVar::Customer)));
    add(new TSupplierIDOtbor(g(OtborVar::Supplier)));
    add(new TTransporterIDOtbor(g(OtborVar::Transporter)));
    add(new TWayBillDate(g(OtborVar::WayBillDate)));
    add(new TUrgencyOtbor(g(OtborVar::Urgency)));
    add(new TDocStateOtbor(g(OtborVar::OfferState)));
    add(new TMarkedOtbor(g(OtborVar::OfferMark)));
    add(new TMarkedOtbor(g(OtborVar::OrderMark)));
    add(new TDocStateOtbor(g(OtborVar::OrderState)));
    add(new TDocStateOtbor(g(OtborVar::AcceptedOrderState)));
    add(new TDocStateOtbor(g(OtborVar::WayBillState)));
    add(new TDocStateOtbor(g(OtborVar::RouteState)));
    add(new TRouteDate(g(OtborVar::RouteDate)));
    add(new TPlanDate(g(OtborVar::PlanDate)));
    add(new TPFPlatDate(g(OtborVar::PaymentDate)));
    add(new TManagerOtbor(g(OtborVar::Manager)));
}

TGlobalOtbors& TGlobalOtbors::instance()
{
    auto& list = global();
    if (!list) {
        list = std::make_unique<TGlobalOtbors>();
        OtborFile::load(filePath(), *list);
        qAddPostRoutine(&TGlobalOtbors::release);
    }
    return *list;
}

bool TGlobalOtbors::exists()
{
    return bool(global());
}

void TGlobalOtbors::release()
{
    global().reset();
}

QString TGlobalOtbors::filePath()
{
    return AppPaths::userFile(QStringLiteral("otbor.xml"));
}

QUuid TGlobalOtbors::guidOf(OtborVar var)
{
    return QUuid::fromString(QLatin1String(Vars[int(var) - 1].guid));
}

QString TGlobalOtbors::groupCaption(OtborVar var)
{
    return QString::fromUtf8(Vars[int(var) - 1].caption);
}

TVarDate* TGlobalOtbors::date(OtborVar v) const
{
    return find<TVarDate>(guidOf(v));
}

TPartnerOtbor* TGlobalOtbors::partner(OtborVar v) const
{
    return find<TPartnerOtbor>(guidOf(v));
}

TUrgencyOtbor* TGlobalOtbors::urgency() const
{
    return find<TUrgencyOtbor>(guidOf(OtborVar::Urgency));
}

TDocStateOtbor* TGlobalOtbors::docState(OtborVar v) const
{
    return find<TDocStateOtbor>(guidOf(v));
}

TMarkedOtbor* TGlobalOtbors::mark(OtborVar v) const
{
    return find<TMarkedOtbor>(guidOf(v));
}

TManagerOtbor* TGlobalOtbors::manager() const
{
    return find<TManagerOtbor>(guidOf(OtborVar::Manager));
}

void TGlobalOtbors::switchAllOff()
{
    beginUpdate();
    for (TVar* v : items())
        v->setActive(false);
    endUpdate();
}

} // namespace Tarvo::Otbor
