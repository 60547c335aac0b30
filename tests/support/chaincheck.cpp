#include "support/chaincheck.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "db/placedamounts.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Test {

namespace {

struct Rule
{
    QString name;
    // Every row the statement returns breaks the rule; its columns name the rows.
    QString sql;
};

QList<Rule> rules(Data::Engine engine)
{
    // Quantities are compared in units of 1/10000, as the money type stores them.
    const auto units = [](const QString& e) { return u"round((%1) * 10000)"_s.arg(e); };
    return {
        {u"requests' shares exceed the confirmed line"_s,
         u"select soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, b.s from scm_so_accepted "
         "join (select boa_suo_id, boa_pr_id, boa_soa_deliverydate, sum(boa_amount) as s from scm_bo_accepted "
         "group by boa_suo_id, boa_pr_id, boa_soa_deliverydate) b on b.boa_suo_id = soa_suo_id "
         "and b.boa_pr_id = soa_pr_id and b.boa_soa_deliverydate = soa_deliverydate where %1 > %2"_s.arg(
             units(u"b.s"_s), units(u"soa_amount"_s))},
        {u"shares without their confirmed line"_s,
         u"select boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id from scm_bo_accepted "
         "where not exists (select 1 from scm_so_accepted where soa_suo_id = boa_suo_id "
         "and soa_pr_id = boa_pr_id and soa_deliverydate = boa_soa_deliverydate)"_s},
        {u"shipped exceeds the confirmed line"_s,
         u"select soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, i.s from scm_so_accepted "
         "join (select sdi_suo_id, sdi_pr_id, sdi_soa_deliverydate, sum(sdi_amount) as s from scm_order_invoice "
         "group by sdi_suo_id, sdi_pr_id, sdi_soa_deliverydate) i on i.sdi_suo_id = soa_suo_id "
         "and i.sdi_pr_id = soa_pr_id and i.sdi_soa_deliverydate = soa_deliverydate where %1 > %2"_s.arg(
             units(u"i.s"_s), units(u"soa_amount"_s))},
        {u"placed amounts (ordered + confirmed + invoiced) exceed the request line or are negative"_s,
         u"select bpd_bof_id, bpd_pr_id, bpd_amount, p from (select bpd_bof_id, bpd_pr_id, bpd_amount, %1 as p "
         "from scm_bp_delivery) x where %2 > %3 or p < 0"_s.arg(Data::PlacedAmounts::recomputed(engine),
                                                              units(u"p"_s), units(u"bpd_amount"_s))},
        {u"stored placed amount differs from its stage rows"_s,
         u"select bpd_bof_id, bpd_pr_id, bpd_placed, p from (select bpd_bof_id, bpd_pr_id, bpd_placed, %1 as p "
         "from scm_bp_delivery) x where %2 <> %3"_s.arg(Data::PlacedAmounts::recomputed(engine), units(u"p"_s),
                                                      units(u"bpd_placed"_s))},
        {u"ordered stage row with a non-positive amount"_s,
         u"select bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount from scm_bo_ordered where bpo_amount <= 0"_s},
        {u"confirmed stage row with a non-positive amount"_s,
         u"select boa_bof_id, boa_pr_id, boa_suo_id, boa_soa_deliverydate, boa_amount from scm_bo_accepted "
         "where boa_amount <= 0"_s},
        {u"invoiced stage row with a non-positive amount"_s,
         u"select soi_bof_id, soi_pr_id, soi_suo_id, soi_sde_id, soi_amount from scm_offer_invoice "
         "where soi_amount <= 0"_s},
        {u"confirmed line with a non-positive amount or a negative sum"_s,
         u"select soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum, soa_sum_valut from scm_so_accepted "
         "where soa_amount <= 0 or soa_sum < 0 or soa_sum_valut < 0"_s},
        // What a proforma's split keeps: an invoice row holds its request rows, a line belongs
        // to a proforma of its own order's supplier and currency.
        {u"request-invoice rows exceed their invoice row"_s,
         u"select sdi_sde_id, sdi_sdp_pr_id, sdi_suo_id, sdi_pr_id, sdi_soa_deliverydate, sdi_amount, o.s "
         "from scm_order_invoice join (select soi_sde_id, soi_sdp_pr_id, soi_suo_id, soi_pr_id, soi_soa_deliverydate, "
         "sum(soi_amount) as s from scm_offer_invoice group by soi_sde_id, soi_sdp_pr_id, soi_suo_id, soi_pr_id, "
         "soi_soa_deliverydate) o on o.soi_sde_id = sdi_sde_id and o.soi_sdp_pr_id = sdi_sdp_pr_id "
         "and o.soi_suo_id = sdi_suo_id and o.soi_pr_id = sdi_pr_id and o.soi_soa_deliverydate = sdi_soa_deliverydate "
         "where %1 > %2"_s.arg(units(u"o.s"_s), units(u"sdi_amount"_s))},
        {u"order rows exceed their delivered product"_s,
         u"select sdp_sde_id, sdp_pr_id, sdp_amount, o.s from scm_deliveredProduct join (select sdi_sde_id, "
         "sdi_sdp_pr_id, sum(sdi_amount) as s from scm_order_invoice group by sdi_sde_id, sdi_sdp_pr_id) o "
         "on o.sdi_sde_id = sdp_sde_id and o.sdi_sdp_pr_id = sdp_pr_id where %1 > %2"_s.arg(units(u"o.s"_s),
                                                                                          units(u"sdp_amount"_s))},
        {u"waybill rows of another waybill than their invoice's"_s,
         u"select sdi_sde_id, sdi_swb_id, sde_swb_id from scm_order_invoice join scm_delivery on sde_id = sdi_sde_id "
         "where sdi_swb_id <> sde_swb_id union all select soi_sde_id, soi_swb_id, sde_swb_id from scm_offer_invoice "
         "join scm_delivery on sde_id = soi_sde_id where soi_swb_id <> sde_swb_id"_s},
        {u"invoice row with a non-positive amount"_s,
         u"select sdi_sde_id, sdi_suo_id, sdi_pr_id, sdi_soa_deliverydate, sdi_amount from scm_order_invoice "
         "where sdi_amount <= 0"_s},
        {u"line in a proforma of another supplier or currency"_s,
         u"select soa_suo_id, soa_pr_id, soa_deliverydate, soa_pf_id from scm_so_accepted "
         "join scm_supplier_order on suo_id = soa_suo_id join scm_Proforma on pf_id = soa_pf_id "
         "where pf_supplier <> suo_supplier or pf_cod_valut <> suo_cod_valut"_s},
        // A currency order's line carries both sums or neither: each follows from the other
        // through the quotation.
        {u"currency order's line with only one of its two sums"_s,
         u"select soa_suo_id, soa_pr_id, soa_deliverydate, soa_sum, soa_sum_valut from scm_so_accepted "
         "join scm_supplier_order on suo_id = soa_suo_id where suo_cod_valut <> '' "
         "and ((soa_sum > 0 and soa_sum_valut = 0) or (soa_sum = 0 and soa_sum_valut > 0))"_s},
    };
}

} // namespace

QStringList chainViolations(Data::Database& db)
{
    QStringList out;
    for (const Rule& rule : rules(db.engine())) {
        Data::Query q(db, rule.sql);
        q.exec();
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.columnCount(); ++i)
{
                const QVariant v = q.value(i);
                const QString text = q.isNull(i)                   ? u"null"_s
                                     : v.userType() == qMetaTypeId<Money>() ? v.value<Money>().toString()
                                                                           : v.toString();
                values << u"%1=%2"_s.arg(q.columnName(i), text);
            }
            out << u"%1: %2"_s.arg(rule.name, values.join(u", "_s));
        }
    }
    return out;
}

} // namespace Tarvo::Test
