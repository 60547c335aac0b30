#pragma once

#include <QString>

namespace Tarvo::Data {
class Dialect;
}

namespace Tarvo::BusOffer {

// The statements of a request's lower register part, written once for both engines. Every
// statement takes the request as ":bof_id"; the distribution tabs take the current line as
// ":bpd_bof_id" and ":bpd_pr_id" (the lines' own field names, so a detail dataset fills them).
class OfferDetailsQueries
{
public:
    // The lines with prices (empty for a zero amount), `arrived`, `complited_amount` and
    // `bpd_completed` (1 when the completed amount reaches the line's amount) and the amount
    // placed in the stages (`bpd_placed`), by article.
    static QString lines(const Data::Dialect& dialect);
    static QString ordered();
    static QString accepted();
    // Invoices of waybills not arrived yet.
    static QString shipped();
    // One row per stage of every line ("Состояние заявки").
    static QString state(const Data::Dialect& dialect);
    // A line's completed amount uses OfferListStatement::completedAmount, as the header's k5 does.
    // Per invoice row of the request: the received amount ("received") with the row's key columns;
    // every receipt counts on one row, also one that names no confirmation date.
    static QString receivedPerInvoiceRow(const Data::Dialect& dialect);
    // Joins the received amounts `r` to the invoice rows `o`, one row to one row.
    static QString receivedJoin(const Data::Dialect& dialect);
};

} // namespace Tarvo::BusOffer
