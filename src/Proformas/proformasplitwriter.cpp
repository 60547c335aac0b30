#include "Proformas/proformasplitwriter.h"

#include "AcceptedOrders/tdmtableedits.h"
#include "Proformas/tsplitedaccept.h"
#include "Proformas/tdmeditproforma.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/engine/schema.h"
#include "data/engine/temptable.h"
#include "data/modules/tdeffereddatamodule.h"
#include "db/bulkinserter.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

using namespace Data;

namespace {

enum LineKind
{
    SplitLine = 0,
    WholeLine = 1,
    ReleasedLine = 2
};

const QStringList LineColumns{u"suo"_s,  u"pr"_s,       u"dd"_s,       u"new_dd"_s,   u"kind"_s,          u"line_amount"_s,
                              u"kept"_s, u"kept_sum"_s, u"kept_sum_valut"_s, u"rest"_s, u"rest_sum"_s, u"rest_sum_valut"_s};
const QStringList InvoiceColumns{u"suo"_s, u"pr"_s, u"dd"_s, u"sde"_s, u"sdp"_s, u"new_dd"_s, u"delta"_s, u"whole"_s};
const QStringList OfferColumns{u"suo"_s,    u"pr"_s,     u"dd"_s,   u"sde"_s,  u"sdp"_s,
                               u"bof"_s,    u"new_dd"_s, u"gone"_s, u"whole"_s};
const QStringList AcceptedColumns{u"suo"_s, u"pr"_s, u"dd"_s, u"bof"_s, u"new_dd"_s, u"gone"_s, u"whole"_s};

// A scratch table of the connection, emptied by being made anew for each save.
void makeTable(Database& db, const QString& name, const QStringList& columns)
{
    Table t(name);
    for (const QString& c : columns) {
        if (c == u"dd"_s || c == u"new_dd"_s)
            t.dateTime(c);
        else if (c == u"kind"_s || c == u"whole"_s)
            t.integer(c);
        else if (c == u"suo"_s || c == u"pr"_s || c == u"sde"_s || c == u"sdp"_s || c == u"bof"_s)
            t.bigint(c);
        else
            t.money(c);
    }
    createTempTable(db, t);
}

QString lineMatch(const QString& alias)
{
    return u"soa_suo_id = %1.suo and soa_pr_id = %1.pr and soa_deliverydate = %1.dd"_s.arg(alias);
}

} // namespace

ProformaSplitWriter::ProformaSplitWriter(Database& db, const QVariant& pf, qint64 loadedPf)
    : m_db(db), m_pf(pf), m_loadedPf(loadedPf)
{
    makeTable(db, u"tmp_pf_line"_s, LineColumns);
    makeTable(db, u"tmp_pf_invoice"_s, InvoiceColumns);
    makeTable(db, u"tmp_pf_offer"_s, OfferColumns);
    makeTable(db, u"tmp_pf_accepted"_s, AcceptedColumns);
    m_lines = std::make_unique<BulkInserter>(db, u"tmp_pf_line"_s, LineColumns);
    m_invoices = std::make_unique<BulkInserter>(db, u"tmp_pf_invoice"_s, InvoiceColumns);
    m_offers = std::make_unique<BulkInserter>(db, u"tmp_pf_offer"_s, OfferColumns);
    m_accepted = std::make_unique<BulkInserter>(db, u"tmp_pf_accepted"_s, AcceptedColumns);
}

ProformaSplitWriter::~ProformaSplitWriter() = default;

void ProformaSplitWriter::addLine(const TSplittedEntry& e)
{
    const int kind = e.split() ? SplitLine : e.released() ? ReleasedLine : WholeLine;
    const Money keptSum = e.keptSum(e.lineSum), keptValut = e.keptSum(e.lineSumValut);
    m_lines->add({e.suoId, e.prId, e.date, e.date.addDays(1), kind, e.lineAmount.toVariant(), e.kept.toVariant(),
                  keptSum.toVariant(), keptValut.toVariant(), (e.total - e.kept).toVariant(),
                  (e.lineSum - keptSum).toVariant(), (e.lineSumValut - keptValut).toVariant()});
    (kind == SplitLine ? m_splits : kind == WholeLine ? m_whole : m_released) += 1;
}

void ProformaSplitWriter::run(const QString& sql, int expected, bool withPf, bool withLoaded)
{
    if (expected == 0)
        return;
    Query q(m_db, sql);
    if (withPf)
        q.bind(u"pf"_s, m_pf, ParamType::Integer);
    if (withLoaded)
        q.bind(u"loaded"_s, m_loadedPf, ParamType::Integer);
    q.exec();
    if (q.numRowsAffected() != expected)
        throw EDDMSaveError(TdmEditProforma::ChangedElsewhereMessage);
}

void ProformaSplitWriter::claimLines()
{
    m_lines->flush();
    // Still free for a new proforma (or still this one's), with the quantity loaded.
    const QString asLoaded = u" from tmp_pf_line l where l.kind = %1 and %2 and coalesce(soa_pf_id, 0) = :loaded "
                             "and soa_amount = l.line_amount"_s;
    run(u"update scm_so_accepted set soa_pf_id = :pf"_s + asLoaded.arg(WholeLine).arg(lineMatch(u"l"_s)), m_whole,
        true, true);
    run(u"update scm_so_accepted set soa_pf_id = null"_s + asLoaded.arg(ReleasedLine).arg(lineMatch(u"l"_s)),
        m_released, false, true);
}

void ProformaSplitWriter::insertRemainders()
{
    m_lines->flush();
    run(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_amount, soa_sum, soa_deliverydate, soa_sum_valut) "
        "select suo, pr, rest, rest_sum, new_dd, rest_sum_valut from tmp_pf_line where kind = %1"_s.arg(SplitLine),
        m_splits);
}

void ProformaSplitWriter::moveInvoice(qint64 suo, qint64 pr, const QDateTime& date, const QVariant& sde,
                                      const QVariant& sdp, const QDateTime& newDate, Money delta, bool whole)
{
    m_invoices->add({suo, pr, date, sde.toLongLong(), sdp.toLongLong(), newDate, delta.toVariant(), whole ? 1 : 0});
    ++m_invoiceCopies;
    if (whole)
        ++m_invoicesGone;
}

void ProformaSplitWriter::moveOffer(qint64 suo, qint64 pr, const QDateTime& date, const QVariant& sde,
                                    const QVariant& sdp, qint64 bof, const QDateTime& newDate, Money gone, bool whole)
{
    m_offers->add({suo, pr, date, sde.toLongLong(), sdp.toLongLong(), bof, newDate, gone.toVariant(), whole ? 1 : 0});
    ++m_offerCopies;
    if (whole)
        ++m_offersGone;
}

void ProformaSplitWriter::moveAccepted(qint64 suo, qint64 pr, const QDateTime& date, qint64 bof,
                                       const QDateTime& newDate, Money gone, bool whole)
{
    m_accepted->add({suo, pr, date, bof, newDate, gone.toVariant(), whole ? 1 : 0});
    ++m_acceptedCopies;
    if (whole)
        ++m_acceptedGone;
}

void ProformaSplitWriter::writeMoves()
{
    m_invoices->flush();
    m_offers->flush();
    m_accepted->flush();
    const Dialect& d = m_db.dialect();
    // The stored row must hold exactly what goes when it goes, more than that when it stays.
    const QString holds = u"((m.whole = 1 and %1 = m.%2) or (m.whole = 0 and %1 > m.%2))"_s;
    const QString invoiceKey = u"%1sdi_sde_id = m.sde and %1sdi_sdp_pr_id = m.sdp and %1sdi_suo_id = m.suo and "
                               "%1sdi_pr_id = m.pr and %1sdi_soa_deliverydate = m.dd"_s;
    const QString offerKey = u"%1soi_sde_id = m.sde and %1soi_sdp_pr_id = m.sdp and %1soi_suo_id = m.suo and "
                             "%1soi_pr_id = m.pr and %1soi_soa_deliverydate = m.dd and %1soi_bof_id = m.bof"_s;
    const QString acceptedKey = u"boa_suo_id = m.suo and boa_pr_id = m.pr and boa_soa_deliverydate = m.dd and "
                                "boa_bof_id = m.bof"_s;

    // The new invoice rows first, then their request rows, and only then the old rows shrink or
    // go: request rows refer to their invoice row by its whole key, date included. The delivered
    // product's quantity follows in proportion (it may be counted in its own units).
    run(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
        "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) select i.sdi_pr_id, i.sdi_suo_id, m.new_dd, i.sdi_sde_id, "
        "i.sdi_swb_id, m.delta, i.sdi_sdp_pr_id, case when m.whole = 1 then i.sdi_sdp_amount else %1 end "
        "from tmp_pf_invoice m join scm_order_invoice i on %2 where %3"_s.arg(
            d.roundedAmount(u"i.sdi_sdp_amount * m.delta / i.sdi_amount"_s), invoiceKey.arg(u"i."_s),
            holds.arg(u"i.sdi_amount"_s, u"delta"_s)),
        m_invoiceCopies);
    run(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
        "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) select o.soi_pr_id, o.soi_suo_id, m.new_dd, "
        "o.soi_sde_id, o.soi_swb_id, o.soi_bof_id, o.soi_sdp_pr_id, m.gone, case when m.whole = 1 then "
        "o.soi_sdp_amount else %1 end from tmp_pf_offer m join scm_offer_invoice o on %2 where %3"_s.arg(
            d.roundedAmount(u"o.soi_sdp_amount * m.gone / o.soi_amount"_s), offerKey.arg(u"o."_s),
            holds.arg(u"o.soi_amount"_s, u"gone"_s)),
        m_offerCopies);
    run(u"delete from scm_offer_invoice where (soi_sde_id, soi_sdp_pr_id, soi_suo_id, soi_pr_id, "
        "soi_soa_deliverydate, soi_bof_id) in (select sde, sdp, suo, pr, dd, bof from tmp_pf_offer where whole = 1)"_s,
        m_offersGone);
    run(u"update scm_offer_invoice set soi_amount = %1, soi_sdp_amount = soi_sdp_amount - %2 from tmp_pf_offer m "
        "where m.whole = 0 and %3"_s.arg(d.roundedAmount(u"soi_amount - m.gone"_s),
                                        d.roundedAmount(u"soi_sdp_amount * m.gone / soi_amount"_s), offerKey.arg(QString())),
        m_offerCopies - m_offersGone);
    run(u"delete from scm_order_invoice where (sdi_sde_id, sdi_sdp_pr_id, sdi_suo_id, sdi_pr_id, "
        "sdi_soa_deliverydate) in (select sde, sdp, suo, pr, dd from tmp_pf_invoice where whole = 1)"_s,
        m_invoicesGone);
    run(u"update scm_order_invoice set sdi_amount = %1, sdi_sdp_amount = sdi_sdp_amount - %2 from tmp_pf_invoice m "
        "where m.whole = 0 and %3"_s.arg(d.roundedAmount(u"sdi_amount - m.delta"_s),
                                        d.roundedAmount(u"sdi_sdp_amount * m.delta / sdi_amount"_s),
                                        invoiceKey.arg(QString())),
        m_invoiceCopies - m_invoicesGone);

    // Request confirmations of what no invoice carries: each stored row must hold the quantity
    // gone (exactly, when it goes whole).
    run(AcceptedOrders::TdmTableEdits::insBoAcceptedFrom(u"select suo, pr, new_dd, bof, gone from tmp_pf_accepted"_s),
        m_acceptedCopies);
    run(u"update scm_bo_accepted set boa_amount = %1 from tmp_pf_accepted m where m.whole = 0 and %2 and "
        "boa_amount > m.gone"_s.arg(d.roundedAmount(u"boa_amount - m.gone"_s), acceptedKey),
        m_acceptedCopies - m_acceptedGone);
    run(u"delete from scm_bo_accepted where (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
        "in (select suo, pr, dd, bof, gone from tmp_pf_accepted where whole = 1)"_s,
        m_acceptedGone);
}

void ProformaSplitWriter::lowerLines()
{
    // Last: the database keeps shares and shipments within the line at every step.
    run(u"update scm_so_accepted set soa_amount = l.kept, soa_sum = l.kept_sum, soa_sum_valut = l.kept_sum_valut, "
        "soa_pf_id = :pf from tmp_pf_line l where l.kind = %1 and %2 and coalesce(soa_pf_id, 0) = :loaded and "
        "soa_amount = l.line_amount"_s.arg(SplitLine)
            .arg(lineMatch(u"l"_s)),
        m_splits, true, true);
}

} // namespace Tarvo::Proformas
