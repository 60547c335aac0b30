#pragma once

#include "data/engine/connectionsettings.h"

#include <QStringList>

namespace Tarvo::Data {

// scm_bp_delivery.bpd_placed: the amount of each request line already placed in
// orders, confirmations and invoices (scm_bo_ordered, scm_bo_accepted,
// scm_offer_invoice), kept by triggers on the three stage tables so that
// vBusinessOfferState1 reads it from the line: one key lookup per request, one scan
// for the whole register, on both engines.
class PlacedAmounts
{
public:
    // Trigger text for the engine: row triggers on SQLite, statement triggers with
    // transition tables on PostgreSQL (bulk loads cost one update per statement).
    static QStringList triggers(Engine engine);
    // The placed amount of the line `bpd` recomputed from the stage tables.
    static QString recomputed(Engine engine);
};

} // namespace Tarvo::Data
