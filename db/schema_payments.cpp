// Payments written before the supplier's currency was required.
#include "db/schemasteps.h"

#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

void paymentCurrencyCodes(MigrationContext& ctx)
{
    Database& db = ctx.db();
    // A null code matches no proforma and no settlement row: roubles are the empty code.
    db.exec(u"update scm_payments set spm_cod_valut2 = '' where spm_cod_valut2 is null"_s);
    db.exec(u"update scm_payments set spm_sum2 = spm_sum where spm_sum2 is null and spm_cod_valut2 = spm_cod_valut"_s);
}

} // namespace Tarvo::Data::SchemaSteps
