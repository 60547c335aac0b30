#include "BusOffer/offerdeleteprocedure.h"

#include "catalog/catalogtransaction.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

const QString OfferDeleteProcedure::Name = u"scm_delete_business_offer"_s;
const QString OfferDeleteProcedure::ReceiptConstraint = u"FK_SCM_TOMOVE_scm_offer_invoice"_s;

namespace {

// Children before parents: the stage rows refer to the lines, the lines to the header.
const QList<QPair<QString, QString>> OfferRows{
    {u"scm_offer_invoice"_s, u"soi_bof_id"_s},
    {u"scm_bo_accepted"_s, u"boa_bof_id"_s},
    {u"scm_bo_ordered"_s, u"bpo_bof_id"_s},
    {u"scm_bp_delivery"_s, u"bpd_bof_id"_s},
    {u"scm_business_offer"_s, u"bof_id"_s},
};

// A refusal as the engines' own reference errors are mapped, so that the callers' classification
// (kind Reference, 547) and their messages work alike for this check and for the constraint.
[[noreturn]] void refuseReceived(Data::Database& db, qint64 bofId, const QString& documents)
{
    const QString text =
        u"Заявка %1: товар доставлен на склад (приходные накладные %2). Удаление заявки невозможно"_s.arg(bofId).arg(
            documents);
    Data::ProviderError error = Data::ErrorText::foreignKey(true, u"DELETE"_s, OfferDeleteProcedure::ReceiptConstraint,
                                                            db.databaseName(), u"SCM_TOMOVE"_s, u"soi_bof_id"_s);
    throw Data::DatabaseError(text, QString(), {error});
}

Data::ProcedureResult deleteOffer(Data::Database& db, const QVariantMap& params)
{
    const QVariant id = params.value(u"bof_id"_s);
    bool ok = false;
    const qint64 bofId = id.toLongLong(&ok);
    if (!ok)
        throw Exception(u"Процедура %1: не задан номер заявки (bof_id)"_s.arg(OfferDeleteProcedure::Name));

    Catalog::CatalogTransaction work(db);
    // The receipts are named by their documents, so the user knows where to look.
    if (const std::optional<QString> documents = OfferDeleteProcedure::receiptDocuments(db, u"soi_bof_id"_s, bofId))
        refuseReceived(db, bofId, *documents);

    const int headers = OfferDeleteProcedure::deleteDocumentRows(db, OfferRows, bofId);
    work.commit();
    Data::ProcedureResult result;
    result.outputs.insert(u"deleted"_s, headers);
    return result;
}

} // namespace

int OfferDeleteProcedure::deleteDocumentRows(Data::Database& db, const QList<QPair<QString, QString>>& tableKeys,
                                             qint64 key)
{
    int deleted = 0;
    for (const auto& [table, column] : tableKeys) {
        Data::Query del(db, u"delete from %1 where %2 = ?"_s.arg(table, column));
        del.bindAt(0, key, Data::ParamType::Integer).exec();
        deleted = del.numRowsAffected();
    }
    return deleted;
}

std::optional<QString> OfferDeleteProcedure::receiptDocuments(Data::Database& db, const QString& keyColumn,
                                                              qint64 key)
{
    return receiptDocuments(db, QStringList{keyColumn}, QVariantList{key});
}

std::optional<QString> OfferDeleteProcedure::receiptDocuments(Data::Database& db, const QStringList& keyColumns,
                                                              const QVariantList& keys)
{
    QStringList where;
    for (const QString& column : keyColumns)
        where << u"t.%1 = ?"_s.arg(column);
    Data::Query received(db, u"select distinct m.numdocm_pr from SCM_TOMOVE t left join scl_move m on m.recno = t.recno "
                             "where %1 order by 1"_s.arg(where.join(u" and "_s)));
    received.bindAll(keys).exec();
    QStringList documents;
    bool any = false;
    while (received.next()) {
        any = true;
        if (!received.isNull(0) && !received.string(0).trimmed().isEmpty())
            documents << received.string(0).trimmed();
    }
    if (!any)
        return std::nullopt;
    return documents.isEmpty() ? u"без номера"_s : documents.join(u", "_s);
}

void OfferDeleteProcedure::registerOnce()
{
    Data::ProcedureRegistry& r = Data::ProcedureRegistry::instance();
    if (!r.contains(Name))
        r.add(Name, &deleteOffer);
}

bool OfferDeleteProcedure::run(Data::Database& db, qint64 bofId)
{
    registerOnce();
    const Data::ProcedureResult r = Data::ProcedureRegistry::instance().call(db, Name, {{u"bof_id"_s, bofId}});
    return r.outputs.value(u"deleted"_s).toInt() > 0;
}

} // namespace Tarvo::BusOffer
