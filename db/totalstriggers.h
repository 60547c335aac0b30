#pragma once

#include "data/engine/connectionsettings.h"

#include <QStringList>

namespace Tarvo::Data {

// A header column that the database keeps equal to the sum of a line column.
struct TotalsRule
{
    QString header;        // scm_business_offer
    QString headerKey;     // bof_id
    QString lines;         // scm_bp_delivery
    QString linesKey;      // bpd_bof_id
    QStringList sumColumns;  // header columns: bof_sum, bof_sum_valut
    QStringList lineColumns; // line columns summed into them: bpd_sum, bpd_sum_valut
};

// Trigger text per engine: row triggers on SQLite, statement triggers with
// transition tables on PostgreSQL (one update per statement, so bulk loads stay fast).
// Sums are rounded to the 4 decimals of money: on SQLite they are floating point, and a
// total of 0.1 + 0.2 must equal 0.3 when compared.
class TotalsTriggers
{
public:
    static QStringList create(Engine engine, const TotalsRule& rule);
    // Removes what create() made (for a step that replaces the triggers).
    static QStringList drop(Engine engine, const TotalsRule& rule);
};

} // namespace Tarvo::Data
