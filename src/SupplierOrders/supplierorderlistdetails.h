#pragma once

#include <QString>

namespace Tarvo::Data {
class Dialect;
}

namespace Tarvo::SupplierOrders {

// The statements of the supplier-order register's lower part, written once for both engines.
// The lines take the order as ":suo_id"; the tabs take their master's field names (a detail
// dataset fills them from the current master row).
class SupplierOrderListDetails
{
public:
    // "Товары в заказе": the lines with prices (empty for a zero amount), the confirmed totals
    // soa_amount, soa_sum, soa_sum_valut, and `price_differs` (1 when the confirmed price differs
    // from the ordered one at 4 decimals, in the order's currency; empty when either amount is 0).
    static QString lines(const Data::Dialect& dialect);
    // "Неподтв. кол-во по заявкам": the line's scm_bo_ordered rows with the request's customer
    // (:sop_suo_id, :sop_pr_id).
    static QString ordered();
    // "Подтвержденные": the line's confirmed dated parts (:sop_suo_id, :sop_pr_id).
    static QString confirmed();
    // "Подтв количества по заявкам": the part's request shares; boa_amount is what is not shipped
    // yet ("Не отправлено") (:soa_suo_id, :soa_pr_id, :soa_deliverydate).
    static QString confirmedByRequests();
    // "Отправленные": the line's invoice rows with their invoice and waybill (:sop_suo_id, :sop_pr_id).
    static QString shipped();
    // "Отпр количества по заявкам": the invoice row's request shares (:sdi_sde_id, :sdi_sdp_pr_id,
    // :sdi_suo_id, :sdi_pr_id, :sdi_soa_deliverydate).
    static QString shippedByRequests();
};

} // namespace Tarvo::SupplierOrders
