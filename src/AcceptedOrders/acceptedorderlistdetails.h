#pragma once

#include <QString>

namespace Tarvo::AcceptedOrders {

// The statements of the confirmed-order register's lower part, one text for both engines. The
// order's statements take ":suo_id"; the request distribution takes the current line by its own
// field names (":soa_suo_id", ":soa_pr_id", ":soa_deliverydate"), so a detail dataset fills them.
class AcceptedOrderListDetails
{
public:
    // The order's confirmed lines with the quantity shipped of each (sdi_amount) and their
    // proforma, lines of quantity 0 left out, by article and date.
    static QString acceptedProducts();
    // The requests the current line is divided among, with each request's customer.
    static QString acceptedByOrders();
    // Per confirmed line the invoices and waybills that carry it (row_kind 0), each line followed
    // by its sub-total (row_kind 1, sde_invoice_num "Итого").
    static QString acceptedState();
};

} // namespace Tarvo::AcceptedOrders
