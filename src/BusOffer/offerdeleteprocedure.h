#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// The server procedure "scm_delete_business_offer" (parameter "bof_id"): deletes a buyer
// request with its stage rows (shipped, confirmed, ordered), its lines and its header, in the
// caller's transaction or one of its own. Goods of the request received into the warehouse
// keep it: the refusal is a reference error (547) and nothing is deleted.
class OfferDeleteProcedure
{
public:
    static const QString Name;
    // The constraint the refusal names: a warehouse receipt keeps the shipment it received.
    static const QString ReceiptConstraint;

    // The receipt documents of the warehouse rows (SCM_TOMOVE) whose `keyColumn` is `key`, joined
    // for a message ("без номера" when none carries a number); nullopt when nothing was received.
    static std::optional<QString> receiptDocuments(Data::Database& db, const QString& keyColumn, qint64 key);
    // The same for rows named by several key columns of SCM_TOMOVE (all equal to `keys`).
    static std::optional<QString> receiptDocuments(Data::Database& db, const QStringList& keyColumns,
                                                   const QVariantList& keys);
    // Deletes a document's rows, table by table in the order given (children first, the header
    // last), each by its key column; the number of header rows deleted.
    static int deleteDocumentRows(Data::Database& db, const QList<QPair<QString, QString>>& tableKeys, qint64 key);

    // Makes the procedure callable through Data::ProcedureRegistry.
    static void registerOnce();
    // Registers when needed and calls it; true when a request was deleted, false when there was
    // none with that number (another user deleted it already).
    static bool run(Data::Database& db, qint64 bofId);
};

} // namespace Tarvo::BusOffer
