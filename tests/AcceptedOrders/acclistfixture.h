#pragma once

#include "BusOffer/detfixture.h"

namespace Tarvo::Test {

// Confirmed orders made in the tables as the supplier-order and confirmation documents write
// them: orders (in roubles or a currency, waiting or not), their lines, confirmed parts with sums
// and proformas, request shares, and shipments with amounts of their own.
struct AccListFixture : DetFixture
{
    using DetFixture::DetFixture;

    qint64 newOrder(const QString& currency = {}, bool waiting = true, qint64 partner = 0) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_supplier_order (suo_supplier, suo_date, suo_description, suo_cod_valut, "
                           "suo_waiting, suo_user_id) values (?, ?, 'заказ', ?, ?, ?)"),
            QStringLiteral("suo_id"), {partner ? partner : supplier, day(1), currency.isNull() ? QStringLiteral("") : currency, waiting ? 1 : 0, adminId});
    }
    void orderedLine(qint64 suo, qint64 pr, const char* qty, const char* sum = "0", const char* sumValut = "0") const
    {
        db.exec(QStringLiteral("insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount, sop_sum, sop_sum_valut) "
                               "values (?, ?, ?, ?, ?)"),
                {suo, pr, amount(qty), amount(sum), amount(sumValut)});
    }
    void confirm(qint64 suo, qint64 pr, const QDateTime& date, const char* qty, const char* sum = "0",
                 const char* sumValut = "0", qint64 proforma = 0) const
    {
        orderLine(suo, pr);
        db.exec(QStringLiteral("insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, "
                               "soa_sum, soa_sum_valut, soa_pf_id) values (?, ?, ?, ?, ?, ?, ?)"),
                {suo, pr, date, amount(qty), amount(sum), amount(sumValut),
                 proforma ? QVariant(proforma) : QVariant(QMetaType::fromType<qint64>())});
    }
    void share(qint64 bof, qint64 suo, qint64 pr, const QDateTime& date, const char* qty) const
    {
        db.exec(QStringLiteral("insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                               "boa_amount) values (?, ?, ?, ?, ?)"),
                {suo, pr, date, bof, amount(qty)});
    }
    // A proforma covers lines of its own currency only.
    qint64 proforma(const QString& number, const QString& currency = {}) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_Proforma (pf_snomer, pf_dopnomer, pf_supplier, pf_date, pf_cod_valut) "
                           "values (?, 1, ?, ?, ?)"),
            QStringLiteral("pf_id"), {number, supplier, day(5), currency.isNull() ? QStringLiteral("") : currency});
    }
    // Ships `qty` of a confirmed line on the invoice for the request (its share must allow it).
    void ship(qint64 bof, qint64 suo, qint64 pr, const QDateTime& date, qint64 sde, qint64 swb, const char* qty) const
    {
        if (!count(QStringLiteral("select count(*) from scm_deliveredProduct where sdp_sde_id = ? and sdp_pr_id = ?"),
                   {sde, pr}))
            db.exec(QStringLiteral("insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, "
                                   "sdp_amount2) values (?, ?, ?, 1000, 1000)"),
                    {swb, sde, pr});
        db.exec(QStringLiteral("insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, "
                               "sdi_swb_id, sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, date, sde, swb, amount(qty), pr, amount(qty)});
        db.exec(QStringLiteral("insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, "
                               "soi_swb_id, soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, date, sde, swb, bof, pr, amount(qty), amount(qty)});
    }
    // A request for the product with room for `qty`, and its share of a confirmed line.
    qint64 sharedRequest(qint64 suo, qint64 pr, const QDateTime& date, const char* qty) const
    {
        const qint64 bof = request();
        line(bof, pr, "1000");
        share(bof, suo, pr, date, qty);
        return bof;
    }
};

// Counts the change notices of one kind.
struct Notices : Messaging::IChangeReceiver
{
    int heard = 0;
    Messaging::TChangeSubscription subscription;
    explicit Notices(const QUuid& event) : subscription(event, this) {}
    void refresh(const QUuid&, int) override {}
    bool notice(const QUuid&, const QByteArray&) override
    {
        ++heard;
        return false;
    }
};

} // namespace Tarvo::Test
