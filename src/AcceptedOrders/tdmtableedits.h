#pragma once

#include <QString>

namespace Tarvo::AcceptedOrders {

// Statements that more than one document writes the confirmed lines with, so that a line and
// its requests' shares are inserted the same way whoever inserts them.
namespace TdmTableEdits {

// :soa_suo_id, :soa_pr_id, :soa_amount, :soa_sum, :soa_deliverydate, :soa_sum_valut
const QString& insSoAccepted();
// :suo_id, :pr_id, :deliverydate, :bof_id, :boa_amount
const QString& insBoAccepted();
// The same insert of the rows `select` gives (order, product, date, request, quantity, in that
// order): many shares in one statement.
QString insBoAcceptedFrom(const QString& select);

} // namespace TdmTableEdits

} // namespace Tarvo::AcceptedOrders
