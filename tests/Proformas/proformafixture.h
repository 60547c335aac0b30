#pragma once

#include "AcceptedOrders/accfixture.h"
#include "Proformas/tdmeditproforma.h"

namespace Tarvo::Test {

// Confirmed lines with their invoice rows and request parts written as the later documents
// write them, and the rows a proforma's save touches, to compare before and after.
struct ProformaFixture : AccFixture
{
    using AccFixture::AccFixture;

    // A line with its order line, request lines big enough for every share.
    void acceptedLine(qint64 suo, qint64 pr, const QDateTime& date, const char* qty, const char* sum,
                      const char* sumValut = "0") const
    {
        if (!count(QStringLiteral("select count(*) from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"),
                   {suo, pr}))
            orderLine(suo, pr, "1000", "0", date);
        confirmed(suo, pr, date, qty, sum, sumValut);
    }
    qint64 requestFor(qint64 pr) const
    {
        const qint64 bof = request();
        line(bof, pr, "1000");
        return bof;
    }
    void share(qint64 bof, qint64 suo, qint64 pr, const QDateTime& date, const char* qty) const
    {
        db.exec(QStringLiteral("insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                               "boa_amount) values (?, ?, ?, ?, ?)"),
                {suo, pr, date, bof, amount(qty)});
    }
    // An invoice row of the line (the delivered product the same one).
    void invoiceRow(qint64 sde, qint64 swb, qint64 suo, qint64 pr, const QDateTime& date, const char* qty) const
    {
        if (!count(QStringLiteral("select count(*) from scm_deliveredProduct where sdp_sde_id = ? and sdp_pr_id = ?"),
                   {sde, pr}))
            db.exec(QStringLiteral("insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, "
                                   "sdp_amount2) values (?, ?, ?, 1000, 1000)"),
                    {swb, sde, pr});
        db.exec(QStringLiteral("insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, "
                               "sdi_swb_id, sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, date, sde, swb, amount(qty), pr, amount(qty)});
    }
    void invoiceShare(qint64 bof, qint64 sde, qint64 swb, qint64 suo, qint64 pr, const QDateTime& date,
                      const char* qty) const
    {
        db.exec(QStringLiteral("insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, "
                               "soi_swb_id, soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, date, sde, swb, bof, pr, amount(qty), amount(qty)});
    }

    // "date amount sum sum_valut pf" of each line of the product.
    QStringList linesWithPf(qint64 suo, qint64 pr, qint64 pf) const
    {
        Data::Query q(db, QStringLiteral("select soa_deliverydate, soa_amount, soa_sum, soa_sum_valut, soa_pf_id "
                                         "from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? "
                                         "order by soa_deliverydate"));
        q.bindAll({suo, pr}).exec();
        QStringList r;
        while (q.next())
            r << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(q.dateTime(0).toString(QStringLiteral("dd.MM")), q.money(1).toString(), q.money(2).toString(),
                          q.money(3).toString(),
                          q.isNull(4) ? QStringLiteral("free") : q.integer(4) == pf ? QStringLiteral("pf") : QStringLiteral("other"));
        return r;
    }
    // "date bof amount" of the request rows of the product: invoiced (soi) or not (boa).
    QStringList requestRows(qint64 suo, qint64 pr, bool invoiced) const
    {
        Data::Query q(db, invoiced ? QStringLiteral("select soi_soa_deliverydate, soi_bof_id, soi_amount from "
                                                    "scm_offer_invoice where soi_suo_id = ? and soi_pr_id = ? "
                                                    "order by 1, 2")
                                   : QStringLiteral("select boa_soa_deliverydate, boa_bof_id, boa_amount from "
                                                    "scm_bo_accepted where boa_suo_id = ? and boa_pr_id = ? order by 1, 2"));
        q.bindAll({suo, pr}).exec();
        QStringList r;
        while (q.next())
            r << QStringLiteral("%1 %2 %3").arg(q.dateTime(0).toString(QStringLiteral("dd.MM"))).arg(q.integer(1)).arg(
                q.money(2).toString());
        return r;
    }
    QStringList invoiceRows(qint64 suo, qint64 pr) const
    {
        Data::Query q(db, QStringLiteral("select sdi_soa_deliverydate, sdi_sde_id, sdi_amount, sdi_sdp_amount from "
                                         "scm_order_invoice where sdi_suo_id = ? and sdi_pr_id = ? order by 1, 2"));
        q.bindAll({suo, pr}).exec();
        QStringList r;
        while (q.next())
            r << QStringLiteral("%1 %2 %3").arg(q.dateTime(0).toString(QStringLiteral("dd.MM"))).arg(q.money(2).toString(),
                                                                                                 q.money(3).toString());
        return r;
    }
    // Every request's placed amount and every order's confirmed total: a proforma moves neither.
    QStringList totals() const
    {
        QStringList r;
        for (const QString& sql :
             {QStringLiteral("select bpd_bof_id, bpd_pr_id, bpd_placed from scm_bp_delivery order by 1, 2"),
              QStringLiteral("select soa_suo_id, sum(soa_amount), sum(soa_sum), sum(soa_sum_valut) from scm_so_accepted "
                             "group by soa_suo_id order by 1"),
              QStringLiteral("select sdi_sde_id, sum(sdi_amount), sum(sdi_sdp_amount) from scm_order_invoice "
                             "group by sdi_sde_id order by 1")}) {
            Data::Query q(db, sql);
            q.exec();
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.columnCount(); ++i) {
                    const QVariant v = q.value(i);
                    values << (v.userType() == qMetaTypeId<Money>() ? v.value<Money>().toString() : v.toString());
                }
                r << values.join(u' ');
            }
        }
        return r;
    }
    // The part of the product's line at the date (and invoice, null for the free part).
    static bool toPart(Proformas::TdmEditProforma& doc, qint64 pr, const QDateTime& date, const QVariant& sde = {})
    {
        if (!doc.dsProducts.locate({QStringLiteral("pr_id")}, {pr}))
            return false;
        auto& parts = doc.dsProductsOrder;
        for (parts.first(); !parts.eof(); parts.next())
            if (parts.value(QStringLiteral("deliveryDate")).toDateTime() == date &&
                (sde.isValid() ? parts.value(QStringLiteral("sde_id")).toLongLong() == sde.toLongLong()
                               : parts.isNull(QStringLiteral("sde_id"))))
                return true;
        return false;
    }
    static void setPart(Proformas::TdmEditProforma& doc, const char* qty)
    {
        doc.dsProductsOrder.edit();
        try {
            doc.dsProductsOrder.setValue(QStringLiteral("Amount"), amount(qty));
        } catch (...) {
            doc.dsProductsOrder.cancel();
            throw;
        }
        doc.dsProductsOrder.post();
    }
    static void number(Proformas::TdmEditProforma& doc, int n)
    {
        doc.dsHead.first();
        doc.dsHead.edit();
        doc.dsHead.setValue(QStringLiteral("pf_dopnomer"), n);
        doc.dsHead.post();
    }
};

} // namespace Tarvo::Test
