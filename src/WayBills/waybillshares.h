#pragma once

#include "data/engine/money.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::WayBills {

// The key of a shipped request row (`scm_offer_invoice`), as warehouse receipts name it too.
struct ShipmentKey
{
    qint64 sde = 0;
    qint64 sdpPr = 0;
    qint64 suo = 0;
    qint64 pr = 0;
    QDateTime date;
    qint64 bof = 0;

    static const QStringList Columns; // soi_… in the order of values()
    QVariantList values() const { return {sde, sdpPr, suo, pr, date, bof}; }
};

// What shipping moves in the requests' confirmed, not yet shipped quantities
// (`scm_bo_accepted`), and what the warehouse received of a shipment.
class WayBillShares
{
public:
    // Adds `amount` to the request's row of that confirmed line, creating it when missing.
    static void giveBack(Data::Database& db, qint64 suo, qint64 pr, const QDateTime& date, qint64 bof, Money amount);
    // Takes `amount` from the request's rows of the product: the row of this confirmed line first,
    // then the others. Less held than asked refuses before anything is written; the rows are
    // locked, so two workstations cannot take one quantity twice.
    static void take(Data::Database& db, qint64 suo, qint64 pr, const QDateTime& date, qint64 bof, Money amount);
    // Received into the warehouse of one shipped request row.
    static Money received(Data::Database& db, const ShipmentKey& key);
    static QString articleOf(Data::Database& db, qint64 pr);

    // "Товар принят на склад (приходные накладные …). Удаление невозможно" as a reference refusal
    // (547 on the receipts' constraint), so that callers classify it as the engines' own.
    [[noreturn]] static void refuseReceived(Data::Database& db, const QString& documents);
    static const QString ReceiptConstraint;
};

} // namespace Tarvo::WayBills
