#pragma once

#include "data/engine/money.h"

#include <QDateTime>
#include <QVariant>
#include <memory>

namespace Tarvo::Data {
class BulkInserter;
class Database;
} // namespace Tarvo::Data

namespace Tarvo::Proformas {

struct TSplittedEntry;

// The writes of one proforma save, set by set: the lines, invoice rows and request rows the save
// changes are gathered into temporary tables, and each kind of write then runs once over all of
// them, in the save's order (remainder lines, the rows moved to them, only then the kept lines
// lowered). A write must change exactly the rows gathered for it, each still as loaded; anything
// else means another workstation changed them, and the save is refused.
class ProformaSplitWriter
{
public:
    // `pf` the proforma the lines go to; `loadedPf` the one they belonged to when read (0: free).
    ProformaSplitWriter(Data::Database& db, const QVariant& pf, qint64 loadedPf);
    ~ProformaSplitWriter();
    ProformaSplitWriter(const ProformaSplitWriter&) = delete;
    ProformaSplitWriter& operator=(const ProformaSplitWriter&) = delete;

    // A touched line: kept whole, released, or split (its remainder a day later).
    void addLine(const TSplittedEntry& e);
    // Lines kept whole go to the proforma, released ones are freed, both as loaded.
    void claimLines();
    // Every split line's remainder at the next day, in one statement. A taken date fails it
    // (the caller runs it under a savepoint and then tries line by line).
    void insertRemainders();

    // The removed quantity of an invoice row moves to the remainder's date; `whole` when the row
    // goes entirely (it must then hold exactly `delta`, else more than it).
    void moveInvoice(qint64 suo, qint64 pr, const QDateTime& date, const QVariant& sde, const QVariant& sdp,
                     const QDateTime& newDate, Money delta, bool whole);
    // A request-invoice row of that invoice row, the same way.
    void moveOffer(qint64 suo, qint64 pr, const QDateTime& date, const QVariant& sde, const QVariant& sdp, qint64 bof,
                   const QDateTime& newDate, Money gone, bool whole);
    // A request confirmation of the line's uninvoiced quantity.
    void moveAccepted(qint64 suo, qint64 pr, const QDateTime& date, qint64 bof, const QDateTime& newDate, Money gone,
                      bool whole);
    // Runs the gathered moves: new rows first, then the old ones shrink or go.
    void writeMoves();
    // Lowers the split lines to what they keep and gives them to the proforma.
    void lowerLines();

private:
    void run(const QString& sql, int expected, bool withPf = false, bool withLoaded = false);

    Data::Database& m_db;
    QVariant m_pf;
    qint64 m_loadedPf;
    std::unique_ptr<Data::BulkInserter> m_lines, m_invoices, m_offers, m_accepted;
    int m_whole = 0, m_released = 0, m_splits = 0;
    int m_invoiceCopies = 0, m_invoicesGone = 0, m_offerCopies = 0, m_offersGone = 0;
    int m_acceptedCopies = 0, m_acceptedGone = 0;
};

} // namespace Tarvo::Proformas
