#pragma once

#include "data/engine/money.h"

#include <QDateTime>
#include <QString>

namespace Tarvo::Data {
class Database;
class DatabaseError;
} // namespace Tarvo::Data

namespace Tarvo::BusOffer {

// The stages a request line is distributed over.
enum class OfferStage
{
    Ordered,  // scm_bo_ordered: in a supplier order
    Accepted, // scm_bo_accepted: confirmed by the supplier
    Shipped   // scm_offer_invoice: on a supplier's invoice
};

// One distribution row of a request line, by its key.
struct StageRow
{
    qint64 bofId = 0;
    qint64 prId = 0;
    qint64 suoId = 0;
    QDateTime confirmedDate; // confirmed and shipped rows
    qint64 sdeId = 0;        // shipped rows: the supplier's invoice
    qint64 swbId = 0;        // shipped rows: the waybill; 0 takes the invoice's waybill
    qint64 sdpPrId = 0;      // shipped rows: the invoiced product; 0 is the line's product
    Money amount;
};

// The hand edits of a request's distribution and the deletion of a request line. Each change
// needs the administrator's editing right (asked of the server every time), is one transaction,
// turns the database's refusals into Russian messages and announces the change to the open
// registers.
class OfferDetailsWriter
{
public:
    static const QString LastLineMessage;
    static const QString ConfirmDeleteLine;

    explicit OfferDetailsWriter(Data::Database& db);

    // Whether the current user may edit the distribution and delete lines.
    bool canEdit() const;

    void insert(OfferStage stage, const StageRow& row);
    // `original` is the row as read; a changed key moves the amount to the new key.
    void update(OfferStage stage, const StageRow& original, const StageRow& row);
    void remove(OfferStage stage, const StageRow& row);

    int lineCount(qint64 bofId) const;
    // Deletes the line with its whole distribution (invoices, confirmations, orders) in one
    // transaction. The only line of a request is refused (LastLineMessage).
    void deleteLine(qint64 bofId, qint64 prId);

private:
    void requireEdit() const;
    void insertRow(OfferStage stage, StageRow row);
    void deleteRow(OfferStage stage, const StageRow& row);
    void updateAmount(OfferStage stage, const StageRow& row);
    bool exists(OfferStage stage, const StageRow& row) const;
    [[noreturn]] void refuse(OfferStage stage, const StageRow& row, const Data::DatabaseError& error,
                             bool deleting) const;
    void announce() const;

    Data::Database& m_db;
};

} // namespace Tarvo::BusOffer
