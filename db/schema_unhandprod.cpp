// Articles of supplier price lists put aside for later matching ("Разбор прайс-листов").
#include "db/schemasteps.h"

#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

void unhandledProducts(MigrationContext& ctx)
{
    {
        Table t(u"scm_unhand_prod"_s);
        t.identity(u"uhp_id"_s)
            .integer(u"uhp_par_id"_s).notNull()
            .string(u"uhp_artc"_s, 50).notNull()
            .string(u"uhp_name"_s, 250)
            .money(u"uhp_price"_s).notNull().defaultsTo(u"0"_s)
            .string(u"uhp_codval"_s, 8)
            .smallint(u"uhp_deliverydelay"_s)
            .money(u"uhp_minpartia"_s)
            .money(u"uhp_pieceperpack"_s)
            .smallint(u"uhp_chaindelay"_s);
        for (int i = 1; i <= 8; ++i)
            t.string(u"uhp_extra%1"_s.arg(i), 250);
        t.dateTime(u"uhp_date"_s)
            .integer(u"uhp_us_id"_s)
            .primaryKey(u"PK_scm_unhand_prod"_s, {u"uhp_id"_s})
            .unique(u"ix_scm_unhand_prod_artc"_s, {u"uhp_par_id"_s, u"uhp_artc"_s});
        reference(t, u"FK_scm_unhand_prod_scm_partner"_s, {u"uhp_par_id"_s}, u"scm_partner"_s, {u"par_ID"_s},
                  RefAction::Cascade);
        reference(t, u"FK_scm_unhand_prod_CRM_USERS"_s, {u"uhp_us_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s},
                  RefAction::SetNull);
        ctx.createTable(t);
    }
    {
        Table t(u"scm_unhand_price"_s);
        t.integer(u"uhn_uhp_id"_s).notNull()
            .integer(u"uhn_prn_id"_s).notNull()
            .money(u"uhn_price"_s)
            .primaryKey(u"PK_scm_unhand_price"_s, {u"uhn_uhp_id"_s, u"uhn_prn_id"_s});
        reference(t, u"FK_scm_unhand_price_scm_unhand_prod"_s, {u"uhn_uhp_id"_s}, u"scm_unhand_prod"_s,
                  {u"uhp_id"_s}, RefAction::Cascade);
        reference(t, u"FK_scm_unhand_price_scm_pricename"_s, {u"uhn_prn_id"_s}, u"scm_pricename"_s,
                  {u"prn_id"_s});
        ctx.createTable(t);
    }
}

} // namespace Tarvo::Data::SchemaSteps
