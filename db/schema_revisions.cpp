// Changes to the schema after its first release, as steps of their own so that
// databases created by an earlier version upgrade in place.
#include "db/acceptedlimits.h"
#include "db/groupancestors.h"
#include "db/placedamounts.h"
#include "db/schemasteps.h"

#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "core/exception.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

void partnerAndExportColumns(MigrationContext& ctx)
{
    // Filled by the warehouse database; the counterparty list and the settlement report read them.
    Table partner(u"_partner"_s);
    partner.string(u"CP_1"_s, 50)
        .string(u"CP_2"_s, 50)
        .dateTime(u"DATE1PRT"_s)
        .dateTime(u"DATE2PRT"_s)
        .money(u"SALDDEB"_s)
        .money(u"SALDCRED"_s)
        .string(u"MARK"_s, 1)
        .money(u"REALIZ"_s)
        .money(u"DOLG"_s)
        .string(u"DOPRG_USER"_s, 20)
        .string(u"KNTRS_USER"_s, 50)
        .money(u"DOLGVALUT"_s)
        .string(u"VALUTA"_s, 8)
        .money(u"KREDIT"_s)
        .string(u"DOST_ADRESS"_s, 255);
    // What the payment export writes beside the warehouse and our organisation.
    Table plat(u"SCL_PLAT"_s);
    plat.string(u"IST_INF"_s, 20)
        .string(u"ORG_PREDM"_s, 8)
        .string(u"DOCUMN_POR"_s, 255)
        .string(u"L_NAME_POR"_s, 110);
    for (const Table* t : {&partner, &plat})
        for (const Column& c : t->columns())
            ctx.addColumn(t->name(), c);
}

void yesNoColumns(MigrationContext& ctx)
{
    // Yes/no columns hold 1 and 0 on both engines (PostgreSQL's boolean refuses "= 1"):
    // a new integer column takes the values, then replaces the old one under its name.
    struct YesNo
    {
        QString table, column;
        bool notNull;
        int byDefault;
    };
    const QList<YesNo> all{
        {u"CRM_USERS"_s, u"US_ACTIVE"_s, false, 1},
        {u"CRM_USERS"_s, u"US_NEW_SECUR_ACTIVE"_s, false, 0},
        {u"TIP_TOVR"_s, u"CHECK_SAVE"_s, false, 0},
        {u"TIP_TOVR"_s, u"SHOW_OSTATOK"_s, false, 0},
        {u"crm_ourprice"_s, u"op_prval"_s, true, 0},
        {u"scm_business_offer"_s, u"bof_accepted"_s, true, 0},
        {u"scm_business_offer"_s, u"bof_otmetka"_s, true, 0},
        {u"scm_supplier_order"_s, u"suo_accepted"_s, true, 0},
        {u"scm_supplier_order"_s, u"suo_waiting"_s, true, 1},
        {u"scm_supplier_order"_s, u"suo_otmetka"_s, true, 0},
        {u"scm_payments"_s, u"spm_nal"_s, true, 0},
        {u"SCL_PLAT"_s, u"BEZNAL"_s, false, 1},
    };
    for (const YesNo& c : all) {
        const QString temp = c.column + u"_yn"_s;
        ctx.exec(
            u"alter table %1 add column %2 smallint%3 default %4 constraint %5 check (%2 in (0, 1))"_s.arg(
                c.table, temp, c.notNull ? u" not null"_s : QString(), QString::number(c.byDefault),
                Dialect::quoted(u"CK_%1_%2"_s.arg(c.table, c.column))));
        ctx.exec(u"update %1 set %2 = case when %3 is null then %4 when %3 then 1 else 0 end"_s.arg(
            c.table, temp, c.column, c.notNull ? QString::number(c.byDefault) : u"null"_s));
        ctx.exec(u"alter table %1 drop column %2"_s.arg(c.table, c.column));
        ctx.exec(u"alter table %1 rename column %2 to %3"_s.arg(c.table, temp, c.column));
    }
}

void groupAncestors(MigrationContext& ctx)
{
    for (const QString& sql : GroupAncestors::rebuild())
        ctx.exec(sql);
    for (const QString& sql : GroupAncestors::triggers(ctx.db().engine()))
        ctx.exec(sql);
}

void offerStateView(MigrationContext& ctx)
{
    // The placed amount is kept on the request line: the view reads it by the line's key
    // (SQLite cannot push a join condition into a grouped union, so it summed every stage
    // row for each query), and a whole-register query is one scan.
    const Engine engine = ctx.db().engine();
    ctx.addColumn(
        u"scm_bp_delivery"_s,
        Table(u"scm_bp_delivery"_s).money(u"bpd_placed"_s).notNull().defaultsTo(u"0"_s).columns().first());
    ctx.exec(u"update scm_bp_delivery set bpd_placed = %1"_s.arg(PlacedAmounts::recomputed(engine)));
    for (const QString& sql : PlacedAmounts::triggers(engine))
        ctx.exec(sql);
    ctx.exec(u"drop view vBusinessOfferState1"_s);
    ctx.exec(u"create view vBusinessOfferState1 as "
             "select bpd_bof_id as bof_id, bpd_pr_id as pr_id, bpd_placed as amount from scm_bp_delivery"_s);
}

namespace {

// The key of scm_offer_invoice, the same names on SCM_TOMOVE.
const QStringList OfferInvoiceKey{u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s,
                                  u"soi_pr_id"_s,  u"soi_soa_deliverydate"_s, u"soi_bof_id"_s};

// Receipts whose shipment row an older version deleted (its line deletion removed the shipment
// and left the receipt). They are warehouse documents: kept as they are, neither deleted nor
// unlinked, and the reference checks every write from now on.
bool hasOrphanReceipts(MigrationContext& ctx)
{
    QStringList joined, complete;
    for (const QString& c : OfferInvoiceKey) {
        joined << u"o.%1 = t.%1"_s.arg(c);
        complete << u"t.%1 is not null"_s.arg(c);
    }
    return ctx.db()
               .scalar(u"select count(*) from SCM_TOMOVE t where %1 and not exists "
                       "(select 1 from scm_offer_invoice o where %2)"_s.arg(complete.join(u" and "_s),
                                                                            joined.join(u" and "_s)))
               .toLongLong() > 0;
}

} // namespace

void receiptReference(MigrationContext& ctx)
{
    const bool orphans = hasOrphanReceipts(ctx);
    // The index serves the reference check of every shipment row deleted; it starts with the
    // columns of the index it replaces.
    ctx.exec(u"drop index %1"_s.arg(Dialect::quoted(u"ix_scm_tomove_invoice"_s)));
    ctx.createIndex(u"SCM_TOMOVE"_s, Index{u"ix_scm_tomove_offer_invoice"_s, OfferInvoiceKey, false});
    ctx.addForeignKey(u"SCM_TOMOVE"_s, ForeignKey{u"FK_SCM_TOMOVE_scm_offer_invoice"_s, OfferInvoiceKey,
                                                  u"scm_offer_invoice"_s, OfferInvoiceKey, RefAction::NoAction},
                      !orphans);
}

void newRightsByDefault(MigrationContext& ctx)
{
    // A user added by other means than the card (the demo company, an import) takes the rights of a
    // later version too. Only the default changes: a stored 0 may be an administrator's choice.
    // SQLite cannot alter a default, so the column is made again under its name, check included,
    // the stored values carried over.
    const QString table = u"CRM_USERS"_s, column = u"US_NEW_SECUR_ACTIVE"_s, kept = column + u"_kept"_s;
    ctx.exec(u"alter table %1 add column %2 smallint"_s.arg(table, kept));
    ctx.exec(u"update %1 set %2 = %3"_s.arg(table, kept, column));
    ctx.exec(u"alter table %1 drop column %2"_s.arg(table, column));
    ctx.exec(u"alter table %1 add column %2 smallint default 1 constraint %3 check (%2 in (0, 1))"_s.arg(
        table, column, Dialect::quoted(u"CK_%1_%2"_s.arg(table, column))));
    ctx.exec(u"update %1 set %2 = %3"_s.arg(table, column, kept));
    ctx.exec(u"alter table %1 drop column %2"_s.arg(table, kept));
}

void acceptedLimits(MigrationContext& ctx)
{
    // Rows already stored are left as they are; every later write is checked.
    for (const QString& sql : AcceptedLimits::triggers(ctx.db().engine()))
        ctx.exec(sql);
}

} // namespace Tarvo::Data::SchemaSteps
