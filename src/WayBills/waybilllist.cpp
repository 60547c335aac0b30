#include "WayBills/waybilllist.h"

#include "WayBills/waybillliststatement.h"
#include "WayBills/waybillprocedures.h"
#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

namespace {
const QString Key = u"swb_id"_s;
const QStringList Editable{u"swb_stepname"_s, u"swb_arrival_date"_s};
} // namespace

WayBillList::WayBillList(Data::Database& db) : KeyRangeList(db, Key)
{
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Новая посылка создается в окне посылки"_s);
        writeStage();
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Посылка удаляется командой \"Удалить\""_s);
    };
}

Data::TQueryNodesPtr WayBillList::listStatement(const Registers::KeyRange& range) const
{
    return WayBillListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr WayBillList::batchEndStatement(const QVariant& after, int waybills) const
{
    return WayBillListStatement::buildBatchEnd(filters(), after, waybills);
}

void WayBillList::prepareFields()
{
    static const QStringList totals{u"kolc_predm"_s, u"sdp_amount"_s, u"kolc_complited"_s};
    for (int i = 0; i < fieldCount(); ++i) {
        Data::RowSetField& f = field(i);
        f.readOnly = !Editable.contains(f.name, Qt::CaseInsensitive);
        if (totals.contains(f.name, Qt::CaseInsensitive))
            f.type = Data::FieldType::Money;
    }
}

void WayBillList::writeStage()
{
    const qint64 id = integer(Key);
    const QVariant arrival = value(u"swb_arrival_date"_s);
    Data::Query q(*database(), arrival.isNull()
                                   ? u"update scm_waybill set swb_stepname = ?, swb_arrival_date = null where swb_id = ?"_s
                                   : u"update scm_waybill set swb_arrival_date = ?, swb_stepname = ? where swb_id = ?"_s);
    int i = 0;
    if (!arrival.isNull())
        q.bindAt(i++, arrival, Data::ParamType::DateTime);
    q.bindAt(i++, value(u"swb_stepname"_s).toString(), Data::ParamType::String);
    q.bindAt(i, id, Data::ParamType::Integer);
    q.exec();
    if (q.numRowsAffected() == 0)
        throw Exception(u"Посылка %1 удалена другим пользователем. Изменения не сохранены"_s.arg(id));
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::Waybills);
}

bool WayBillList::deleteWayBill(Data::Database& db, qint64 swbId)
{
    WayBillProcedures::registerOnce();
    Catalog::CatalogTransaction work(db);
    const Data::ProcedureResult r =
        Data::ProcedureRegistry::instance().call(db, WayBillProcedures::DeleteWayBill, {{u"swb_id"_s, swbId}});
    work.commit();
    const bool deleted = r.outputs.value(u"deleted"_s).toInt() > 0;
    auto& server = Messaging::TMessageServer::instance();
    for (const QUuid& e : {Messaging::ChangeEvents::Waybills, Messaging::ChangeEvents::AcceptedOrders,
                           Messaging::ChangeEvents::SupplierOrders, Messaging::ChangeEvents::BusinessOffers})
        server.sendChangeNotice(e);
    return deleted;
}

} // namespace Tarvo::WayBills
