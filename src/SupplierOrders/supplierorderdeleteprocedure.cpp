#include "SupplierOrders/supplierorderdeleteprocedure.h"

#include "AcceptedOrders/acceptedorderdelete.h"
#include "BusOffer/offerdeleteprocedure.h"
#include "catalog/catalogtransaction.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

const QString SupplierOrderDeleteProcedure::Name = u"scm_delete_supplier_order"_s;
const QString SupplierOrderDeleteProcedure::ReceiptConstraint = u"FK_scm_order_invoice_scm_so_accepted"_s;

namespace {

// Children before parents: shares refer to confirmed lines, they and the ordered rows to the
// lines, the lines to the header.
const QList<QPair<QString, QString>> OrderRows{
    {u"scm_bo_accepted"_s, u"boa_suo_id"_s}, {u"scm_so_accepted"_s, u"soa_suo_id"_s},
    {u"scm_bo_ordered"_s, u"bpo_suo_id"_s},  {u"scm_so_products"_s, u"sop_suo_id"_s},
    {u"scm_supplier_order"_s, u"suo_id"_s},
};

[[noreturn]] void refuse(const QString& reason)
{
    throw Exception(reason + u"\r\n"_s + SupplierOrderDeleteProcedure::refusalTail());
}

// As the engines' own reference errors are mapped, so that callers classify it (kind Reference,
// 547) alike for this check and for the constraint.
[[noreturn]] void refuseReceived(Data::Database& db, qint64 suoId, const QString& documents)
{
    const QString text =
        u"Заказ %1: товар доставлен на склад (приходные накладные %2)\r\n%3"_s.arg(suoId).arg(
            documents, SupplierOrderDeleteProcedure::refusalTail());
    Data::ProviderError error =
        Data::ErrorText::foreignKey(true, u"DELETE"_s, SupplierOrderDeleteProcedure::ReceiptConstraint,
                                    db.databaseName(), u"SCM_TOMOVE"_s, u"soi_suo_id"_s);
    throw Data::DatabaseError(text, QString(), {error});
}

// Everything that keeps the order is refused before anything is deleted.
void refuseWhileUsed(Data::Database& db, qint64 suoId)
{
    if (const std::optional<QString> documents =
            BusOffer::OfferDeleteProcedure::receiptDocuments(db, u"soi_suo_id"_s, suoId))
        refuseReceived(db, suoId, *documents);
    // Deleting the confirmed lines would drop the requests' shipped amounts with the waybill's rows.
    if (const QStringList waybills = AcceptedOrders::AcceptedOrderDelete::waybillsOf(db, suoId);
        !waybills.isEmpty())
        refuse(u"Товар заказа %1 в пути (посылка %2)"_s.arg(suoId).arg(waybills.join(u", "_s)));
    if (const QStringList proformas = AcceptedOrders::AcceptedOrderDelete::proformasOf(db, suoId);
        !proformas.isEmpty())
        refuse(u"Товар заказа %1 входит в счет поставщика %2"_s.arg(suoId).arg(proformas.join(u", "_s)));
}

Data::ProcedureResult deleteOrder(Data::Database& db, const QVariantMap& params)
{
    bool ok = false;
    const qint64 suoId = params.value(u"suo_id"_s).toLongLong(&ok);
    if (!ok)
        throw Exception(
            u"Процедура %1: не задан номер заказа (suo_id)"_s.arg(SupplierOrderDeleteProcedure::Name));

    Catalog::CatalogTransaction work(db);
    // The confirmation editor's save locks the same row first: the two cannot cross.
    db.exec(u"update scm_supplier_order set suo_waiting = suo_waiting where suo_id = ?"_s, {suoId});
    refuseWhileUsed(db, suoId);
    const int headers = BusOffer::OfferDeleteProcedure::deleteDocumentRows(db, OrderRows, suoId);
    work.commit();
    Data::ProcedureResult result;
    result.outputs.insert(u"deleted"_s, headers);
    return result;
}

} // namespace

QString SupplierOrderDeleteProcedure::refusalTail()
{
    return u"Удаление заказа невозможно"_s;
}

void SupplierOrderDeleteProcedure::registerOnce()
{
    Data::ProcedureRegistry& r = Data::ProcedureRegistry::instance();
    if (!r.contains(Name))
        r.add(Name, &deleteOrder);
}

bool SupplierOrderDeleteProcedure::run(Data::Database& db, qint64 suoId)
{
    registerOnce();
    const Data::ProcedureResult r =
        Data::ProcedureRegistry::instance().call(db, Name, {{u"suo_id"_s, suoId}});
    return r.outputs.value(u"deleted"_s).toInt() > 0;
}

} // namespace Tarvo::SupplierOrders
