#pragma once

#include "AcceptedOrders/accfixture.h"
#include "WayBills/tdm_waybills.h"

namespace Tarvo::Test {

// Confirmed orders ready to ship: two requests, two orders of one supplier (the first confirmed
// on two dates) and one of another supplier, with the requests' confirmed shares.
struct WayBillFixture : AccFixture
{
    qint64 other = 0; // the second supplier
    qint64 r1 = 0, r2 = 0, a = 0, b = 0;
    qint64 o1 = 0, o2 = 0, o3 = 0;

    explicit WayBillFixture(Data::Database& database) : AccFixture(database)
    {
        other = catalog.partner(QStringLiteral("ДРУГ"), QStringLiteral("ООО Другой"), QStringLiteral("П"));
        r1 = request();
        r2 = request();
        a = product(QStringLiteral("A-1"));
        b = product(QStringLiteral("B-2"));
        for (const qint64 r : {r1, r2}) {
            line(r, a, "20");
            line(r, b, "20");
        }
        // Order 1: A 10 on the 5th (requests 6 and 4) and 5 on the 8th (request 1: 5).
        o1 = order();
        DetFixture::orderLine(o1, a);
        confirmed(o1, a, day(5), "10", "1000");
        confirmed(o1, a, day(8), "5", "500");
        accepted(r1, a, o1, day(5), "6");
        accepted(r2, a, o1, day(5), "4");
        accepted(r1, a, o1, day(8), "5");
        // Order 2, same supplier: B 4 for request 2.
        o2 = order();
        DetFixture::orderLine(o2, b);
        confirmed(o2, b, day(6), "4", "400");
        accepted(r2, b, o2, day(6), "4");
        // Order 3, another supplier: B 3 for request 1.
        o3 = catalog.supplierOrder(other);
        DetFixture::orderLine(o3, b);
        confirmed(o3, b, day(7), "3", "300");
        accepted(r1, b, o3, day(7), "3");
    }

    Money shipped(qint64 bof, qint64 pr, qint64 suo) const
    {
        return sum(QStringLiteral("select sum(soi_amount) from scm_offer_invoice where soi_bof_id = ? and soi_pr_id = ? "
                                  "and soi_suo_id = ?"),
                   {bof, pr, suo});
    }
    Money held(qint64 bof, qint64 pr, qint64 suo) const
    {
        return sum(QStringLiteral("select sum(boa_amount) from scm_bo_accepted where boa_bof_id = ? and boa_pr_id = ? "
                                  "and boa_suo_id = ?"),
                   {bof, pr, suo});
    }
    QStringList placed() const
    {
        Data::Query q(db, QStringLiteral("select bpd_bof_id, bpd_pr_id, bpd_placed from scm_bp_delivery order by 1, 2"));
        q.exec();
        QStringList r;
        while (q.next())
            r << QStringLiteral("%1 %2 %3").arg(q.integer(0)).arg(q.integer(1)).arg(q.money(2).toString());
        return r;
    }
    // Every row of the waybill tables and the chain, to see that a refused step changed nothing.
    QStringList everything() const
    {
        QStringList r = snapshot();
        for (const QString& sql :
             {QStringLiteral("select sdi_sde_id, sdi_suo_id, sdi_pr_id, sdi_soa_deliverydate, sdi_amount "
                             "from scm_order_invoice order by 1, 2, 3, 4"),
              QStringLiteral("select soi_sde_id, soi_suo_id, soi_pr_id, soi_soa_deliverydate, soi_bof_id, soi_amount "
                             "from scm_offer_invoice order by 1, 2, 3, 4, 5"),
              QStringLiteral("select sdp_sde_id, sdp_pr_id, sdp_amount from scm_deliveredProduct order by 1, 2"),
              QStringLiteral("select sde_id, sde_supplier from scm_delivery order by 1"),
              QStringLiteral("select swb_id, swb_weight from scm_waybill order by 1")}) {
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
};

namespace WayBill {

inline Money m(const char* text)
{
    return *Money::parse(QString::fromLatin1(text));
}

// A new waybill with its required header typed.
inline void header(WayBills::Tdm_WayBills& doc)
{
    doc.wayBills.edit();
    doc.wayBills.setValue(QStringLiteral("swb_departure_platform"), QStringLiteral("Брест"));
    doc.wayBills.post();
}

inline void setInvoiceNumber(WayBills::Tdm_WayBills& doc, const QString& number)
{
    doc.deliveryInvoices.edit();
    doc.deliveryInvoices.setValue(QStringLiteral("sde_invoice_num"), number);
    doc.deliveryInvoices.post();
}

inline void set(Data::TRowSet& set, const QString& field, const QVariant& value)
{
    set.edit();
    set.setValue(field, value);
    set.post();
}

} // namespace WayBill

} // namespace Tarvo::Test
