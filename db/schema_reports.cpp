// Report catalogue, menus and denials; the distribution view of request lines.
#include "db/schemasteps.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

void reports(MigrationContext& ctx)
{
    {
        Table t(u"FR_REPTREE"_s);
        t.integer(u"IDNODE"_s).notNull()
            .string(u"NMNODE"_s, 100).notNull()
            .integer(u"IDUPNODE"_s)
            .integer(u"IDTYPE"_s).notNull().defaultsTo(u"1"_s)
            .primaryKey(u"PK_FR_REPTREE"_s, {u"IDNODE"_s});
        reference(t, u"FK_FR_REPTR_FRRT2UP_FR_REPTR"_s, {u"IDUPNODE"_s}, u"FR_REPTREE"_s, {u"IDNODE"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"FR_REPORTS"_s);
        t.integer(u"IDREPORT"_s).notNull()
            .string(u"NMREPORT"_s, 100).notNull()
            .integer(u"IDNODE"_s)
            .bytes(u"REPDATA"_s)
            .primaryKey(u"PK_FR_REPORTS"_s, {u"IDREPORT"_s});
        reference(t, u"FK_FR_REPOR_FRR2RT_FR_REPTR"_s, {u"IDNODE"_s}, u"FR_REPTREE"_s, {u"IDNODE"_s});
        ctx.createTable(t);
    }
    ctx.createTable(Table(u"FR_CALLPLACE"_s)
                        .integer(u"IDPLACE"_s).notNull()
                        .string(u"NMPLACE"_s, 100).notNull()
                        .primaryKey(u"PK_FR_CALLPLACE"_s, {u"IDPLACE"_s}));
    {
        Table t(u"FR_MENU"_s);
        t.integer(u"IDITEM"_s).notNull()
            .string(u"NMITEM"_s, 100).notNull()
            .integer(u"IDUPITEM"_s)
            .integer(u"IDPLACE"_s).notNull()
            .integer(u"NUMORD"_s).notNull().defaultsTo(u"0"_s)
            .integer(u"IDREPORT"_s)
            .primaryKey(u"PK_FR_MENU"_s, {u"IDITEM"_s});
        reference(t, u"FK_FR_MENU_FRM2UP_FR_MENU"_s, {u"IDUPITEM"_s}, u"FR_MENU"_s, {u"IDITEM"_s});
        reference(t, u"FK_FR_MENU_FRM2REP_FR_REPOR"_s, {u"IDREPORT"_s}, u"FR_REPORTS"_s, {u"IDREPORT"_s});
        reference(t, u"FK_FR_MENU_FRM2PL_FR_CALLP"_s, {u"IDPLACE"_s}, u"FR_CALLPLACE"_s, {u"IDPLACE"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"FR_DENIED"_s);
        t.integer(u"GROUP_ID"_s).notNull()
            .integer(u"IDITEM"_s).notNull()
            .primaryKey(u"PK_FR_DENIED"_s, {u"GROUP_ID"_s, u"IDITEM"_s});
        reference(t, u"FK_FR_DENIED_FR_MENU"_s, {u"IDITEM"_s}, u"FR_MENU"_s, {u"IDITEM"_s}, RefAction::Cascade);
        ctx.createTable(t);
    }

    // The amounts of each request line already placed: ordered, confirmed, shipped.
    ctx.exec(u"create view vBusinessOfferState1 as "
             "select bof_id, pr_id, sum(amount) as amount from ("
             " select bpo_bof_id as bof_id, bpo_pr_id as pr_id, bpo_amount as amount from scm_bo_ordered"
             " union all select boa_bof_id, boa_pr_id, boa_amount from scm_bo_accepted"
             " union all select soi_bof_id, soi_pr_id, soi_amount from scm_offer_invoice"
             ") s group by bof_id, pr_id"_s);
}

} // namespace Tarvo::Data::SchemaSteps
