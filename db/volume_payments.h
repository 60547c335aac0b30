#pragma once

#include <QtGlobal>

namespace Tarvo::Data {

class Database;

// The volume data's payment plans and payments, as the payment windows write them.
namespace VolumePayments {

// Replaces the generated plans and payments (after the quotations are in): our organisation
// ("Я") pays; 2–3 instalments per proforma summing exactly (every
// third by percentages); payments in roubles with the supplier's sum and currency over 1–3
// proformas of one supplier, some proformas paid twice or in part, some payments with a free
// rest, every fourth in cash, every second exported (SCL_PLAT, SCL_ADDP when non-cash).
// Returns the rows written.
qint64 run(Database& db);

} // namespace VolumePayments

} // namespace Tarvo::Data
