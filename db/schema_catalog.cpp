// Reference books, counterparties, warehouse tables and the product catalog.
#include "db/schemasteps.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

void reference(Table& table, const QString& name, const QStringList& columns, const QString& refTable,
               const QStringList& refColumns, RefAction onDelete)
{
    table.foreignKey(name, columns, refTable, refColumns, onDelete);
    const QStringList& pk = table.primaryKeyColumns();
    if (pk.mid(0, columns.size()) == columns)
        return;
    table.index(u"ix_%1_%2"_s.arg(table.name().toLower(), columns.join(u'_').toLower()), columns);
}

void catalog(MigrationContext& ctx)
{
    ctx.createTable(Table(u"VALUTCOD"_s)
                        .string(u"CODVALUT"_s, 8).notNull()
                        .string(u"NAMEVALUT"_s, 120)
                        .string(u"RELCOD"_s, 8)
                        .primaryKey(u"PK_VALUTCOD"_s, {u"CODVALUT"_s}));
    {
        Table t(u"cotirval"_s);
        t.string(u"codvalut"_s, 8).notNull()
            .dateTime(u"datecotir"_s).notNull()
            .floating(u"valcotir"_s).notNull()
            .primaryKey(u"PK_cotirval"_s, {u"codvalut"_s, u"datecotir"_s});
        reference(t, u"FK_cotirval_VALUTCOD"_s, {u"codvalut"_s}, u"VALUTCOD"_s, {u"CODVALUT"_s});
        ctx.createTable(t);
    }

    ctx.createTable(Table(u"_partner"_s)
                        .string(u"N_USER"_s, 8).notNull()
                        .string(u"NAME_USER"_s, 50)
                        .string(u"NAMEP_USER"_s, 110)
                        .string(u"BANK_USER"_s, 100)
                        .string(u"SCT_B_USER"_s, 40)
                        .string(u"COD_B_USER"_s, 20)
                        .string(u"TOWNB_USER"_s, 28)
                        .string(u"PST_B_USER"_s, 12)
                        .string(u"ADRES_USER"_s, 100)
                        .string(u"INDEX_USER"_s, 8)
                        .string(u"INFORM_PAR"_s, 8000)
                        .string(u"SCT_2_USER"_s, 40)
                        .string(u"TEL1_USER"_s, 20)
                        .string(u"TEL2_USER"_s, 20)
                        .string(u"FAX_USER"_s, 20)
                        .integer(u"REGIS_USER"_s)
                        .string(u"EMAIL_USER"_s, 50)
                        .string(u"MY_ORGANIZ"_s, 1)
                        .decimal(u"SKIDKAPRCNT"_s, 19, 4)
                        .string(u"OKONH_USER"_s, 20)
                        .string(u"OKPO_USER"_s, 20)
                        .string(u"PRIMECH"_s, 255)
                        .string(u"KPP"_s, 12)
                        .primaryKey(u"PK__partner"_s, {u"N_USER"_s})
                        .index(u"ix__partner_name"_s, {u"NAME_USER"_s})
                        .index(u"ix__partner_kind"_s, {u"MY_ORGANIZ"_s}));
    {
        Table t(u"scm_partner"_s);
        t.identity(u"par_ID"_s)
            .string(u"par_nuser"_s, 8).notNull()
            .primaryKey(u"PK_scm_partner"_s, {u"par_ID"_s})
            .unique(u"ix_scm_partner_nuser"_s, {u"par_nuser"_s});
        t.foreignKey(u"FK_scm_partner__partner"_s, {u"par_nuser"_s}, u"_partner"_s, {u"N_USER"_s});
        ctx.createTable(t);
    }
    ctx.createTable(Table(u"SCLAD_R"_s)
                        .integer(u"ID_SCLAD"_s).notNull()
                        .string(u"NAME_SCLAD"_s, 50).notNull()
                        .primaryKey(u"PK_SCLAD_R"_s, {u"ID_SCLAD"_s}));
    ctx.createTable(Table(u"scm_values"_s)
                        .string(u"INSIDE_NAME_NASTR"_s, 50).notNull()
                        .string(u"VALUE_NAME_NASTR"_s, 50).notNull()
                        .string(u"COMMENT"_s, 200)
                        .primaryKey(u"PK_scm_values"_s, {u"INSIDE_NAME_NASTR"_s, u"VALUE_NAME_NASTR"_s}));
    ctx.createTable(Table(u"SCM_Library_Urgency"_s)
                        .identity(u"Urgency_ID"_s)
                        .string(u"Name"_s, 20).notNull()
                        .integer(u"Priority"_s).notNull().defaultsTo(u"1"_s)
                        .primaryKey(u"PK_SCM_Library_Urgency"_s, {u"Urgency_ID"_s}));
    ctx.createTable(Table(u"scm_phrases"_s)
                        .identity(u"sph_id"_s)
                        .integer(u"sph_catalog_id"_s).notNull().defaultsTo(u"1"_s)
                        .string(u"sph_phrase"_s, 100).notNull()
                        .primaryKey(u"PK_scm_phrases"_s, {u"sph_id"_s})
                        .index(u"ix_scm_phrases_catalog"_s, {u"sph_catalog_id"_s}));
    ctx.createTable(Table(u"scm_station"_s)
                        .identity(u"sta_id"_s)
                        .string(u"sta_name"_s, 50).notNull()
                        .decimal(u"sta_tax"_s, 19, 4)
                        .string(u"sta_region"_s, 50)
                        .primaryKey(u"PK_scm_station"_s, {u"sta_id"_s})
                        .index(u"ix_scm_station_name"_s, {u"sta_name"_s}));
    {
        Table t(u"scm_departure"_s);
        t.integer(u"scd_sta_id"_s).notNull()
            .integer(u"scd_par_id"_s).notNull()
            .primaryKey(u"PK_scm_departure"_s, {u"scd_sta_id"_s, u"scd_par_id"_s});
        reference(t, u"FK_scm_departure_scm_station"_s, {u"scd_sta_id"_s}, u"scm_station"_s, {u"sta_id"_s},
                  RefAction::Cascade);
        reference(t, u"FK_scm_departure_scm_partner"_s, {u"scd_par_id"_s}, u"scm_partner"_s, {u"par_ID"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }
    ctx.createTable(Table(u"scm_agentinfo"_s)
                        .identity(u"agi_id"_s)
                        .string(u"agi_description"_s, 50).notNull()
                        .primaryKey(u"PK_scm_agentinfo"_s, {u"agi_id"_s}));
    ctx.createTable(Table(u"scm_transportinfo"_s)
                        .identity(u"tri_id"_s)
                        .string(u"tri_description"_s, 20).notNull()
                        .primaryKey(u"PK_scm_transportinfo"_s, {u"tri_id"_s}));
    ctx.createTable(Table(u"scm_pricename"_s)
                        .identity(u"prn_id"_s)
                        .string(u"prn_name"_s, 30).notNull()
                        .primaryKey(u"PK_scm_pricename"_s, {u"prn_id"_s}));
    ctx.createTable(Table(u"crm_manufacture"_s)
                        .identity(u"mn_id"_s)
                        .string(u"mn_name"_s, 50).notNull()
                        .primaryKey(u"PK_crm_manufacture"_s, {u"mn_id"_s}));
    ctx.createTable(Table(u"crm_product_equivalent"_s)
                        .identity(u"pe_id"_s)
                        .string(u"pe_identity"_s, 50)
                        .string(u"pe_doc"_s, 100)
                        .primaryKey(u"PK_crm_product_equivalent"_s, {u"pe_id"_s}));
    ctx.createTable(Table(u"TIP_TOVR"_s)
                        .string(u"SIGNIFIC"_s, 10).notNull()
                        .string(u"TIP_TOVAR"_s, 50)
                        .boolean(u"CHECK_SAVE"_s).defaultsTo(u"false"_s)
                        .boolean(u"SHOW_OSTATOK"_s).defaultsTo(u"false"_s)
                        .primaryKey(u"PK_TIP_TOVR"_s, {u"SIGNIFIC"_s}));
    {
        Table t(u"CS_VALUES"_s);
        t.identity(u"cs_id"_s)
            .string(u"cs_TIP_TOVR"_s, 10).notNull()
            .integer(u"cs_N_FIELD"_s).notNull()
            .string(u"cs_VALUE"_s, 255)
            .primaryKey(u"PK_CS_VALUES"_s, {u"cs_id"_s});
        reference(t, u"FK_CS_VALUES_TIP_TOVR"_s, {u"cs_TIP_TOVR"_s}, u"TIP_TOVR"_s, {u"SIGNIFIC"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }

    {
        Table t(u"crm_productgroups"_s);
        t.identity(u"pg_groupid"_s)
            .string(u"pg_groupname"_s, 30).notNull()
            .integer(u"pg_parent"_s)
            .primaryKey(u"PK_crm_productgroups"_s, {u"pg_groupid"_s});
        reference(t, u"FK_CRM_PRODUCTGROUPS_CRM_PRODUCTGROUPS"_s, {u"pg_parent"_s}, u"crm_productgroups"_s,
                  {u"pg_groupid"_s});
        ctx.createTable(t);
    }
    {
        // Every ancestor of every group, the group itself included.
        Table t(u"crm_groupsrel"_s);
        t.integer(u"groupid"_s).notNull()
            .integer(u"ancestor"_s).notNull()
            .primaryKey(u"PK_CRM_GROUPSREL"_s, {u"groupid"_s, u"ancestor"_s});
        reference(t, u"FK_crm_groupsrel_group"_s, {u"groupid"_s}, u"crm_productgroups"_s, {u"pg_groupid"_s},
                  RefAction::Cascade);
        reference(t, u"FK_crm_groupsrel_ancestor"_s, {u"ancestor"_s}, u"crm_productgroups"_s, {u"pg_groupid"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }
    {
        Table t(u"crm_product"_s);
        t.identity(u"PR_ID"_s)
            .string(u"PR_ARTICUL"_s, 20).notNull()
            .string(u"PR_NAME"_s, 200).notNull()
            .integer(u"PR_GROUPID"_s)
            .integer(u"PR_MN_ID"_s)
            .integer(u"PR_PE_ID"_s)
            .integer(u"PR_TYPE"_s)
            .decimal(u"PR_WEIGHT"_s)
            .decimal(u"PR_VOLUME"_s)
            .decimal(u"PR_DISCOUNT"_s)
            .decimal(u"PR_COEF1"_s)
            .string(u"PR_TIP_TOVR"_s, 10)
            .string(u"PR_DOP1"_s, 100)
            .string(u"PR_DOP2"_s, 100)
            .string(u"PR_DOP3"_s, 100)
            .string(u"PR_DOP1_ARTIC"_s, 100)
            .string(u"PR_OKDP_ARTIC"_s, 20)
            .decimal(u"PR_S100"_s)
            .decimal(u"PR_S50"_s)
            .floating(u"PR_BALL"_s)
            .string(u"PR_EDIN_IZMER"_s, 10)
            .decimal(u"PR_DLINA_ART"_s)
            .decimal(u"PR_SHIRIN_ART"_s)
            .decimal(u"PR_VYSOTA_ART"_s)
            .string(u"PR_RAZM_IZMER"_s, 10)
            .string(u"PR_DOP3_ARTIC"_s, 100)
            .string(u"PR_PRIM"_s, 255)
            .integer(u"PR_ID_main"_s)
            .primaryKey(u"PK_crm_product"_s, {u"PR_ID"_s})
            .unique(u"ix_crm_product"_s, {u"PR_ARTICUL"_s})
            .index(u"ix_crm_product_name"_s, {u"PR_NAME"_s});
        reference(t, u"FK_CRM_PRODUCT_CRM_PRODUCTGROUPS"_s, {u"PR_GROUPID"_s}, u"crm_productgroups"_s,
                  {u"pg_groupid"_s});
        reference(t, u"FK_crm_product_crm_manufacture"_s, {u"PR_MN_ID"_s}, u"crm_manufacture"_s, {u"mn_id"_s},
                  RefAction::SetNull);
        reference(t, u"FK_crm_product_crm_product_equivalent"_s, {u"PR_PE_ID"_s}, u"crm_product_equivalent"_s,
                  {u"pe_id"_s}, RefAction::SetNull);
        reference(t, u"FK_crm_product_TIP_TOVR"_s, {u"PR_TIP_TOVR"_s}, u"TIP_TOVR"_s, {u"SIGNIFIC"_s},
                  RefAction::SetNull);
        reference(t, u"FK_crm_product_main"_s, {u"PR_ID_main"_s}, u"crm_product"_s, {u"PR_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"crm_product_analog"_s);
        t.integer(u"cpa_pr_id"_s).notNull()
            .integer(u"cpa_pr_id_analog"_s).notNull()
            .primaryKey(u"PK_crm_product_analog"_s, {u"cpa_pr_id"_s, u"cpa_pr_id_analog"_s});
        reference(t, u"FK_crm_product_analog_product"_s, {u"cpa_pr_id"_s}, u"crm_product"_s, {u"PR_ID"_s});
        reference(t, u"FK_crm_product_analog_analog"_s, {u"cpa_pr_id_analog"_s}, u"crm_product"_s, {u"PR_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"crm_tvr"_s);
        t.identity(u"tv_id"_s)
            .integer(u"tv_pr_id"_s).notNull()
            .string(u"tv_descr"_s, 255)
            .primaryKey(u"PK_crm_tvr"_s, {u"tv_id"_s});
        reference(t, u"FK_crm_tvr_crm_product"_s, {u"tv_pr_id"_s}, u"crm_product"_s, {u"PR_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"crm_ourprice"_s);
        t.integer(u"op_pr_id"_s).notNull()
            .money(u"ou_price"_s)
            .boolean(u"op_prval"_s).notNull().defaultsTo(u"false"_s)
            .string(u"op_codval"_s, 8)
            .money(u"op_valprice"_s)
            .primaryKey(u"PK_crm_ourprice"_s, {u"op_pr_id"_s});
        reference(t, u"FK_crm_ourprice_crm_product"_s, {u"op_pr_id"_s}, u"crm_product"_s, {u"PR_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"CRM_OURDOPPRICE"_s);
        t.integer(u"ODC_PR_ID"_s).notNull()
            .integer(u"ODC_PRN_ID"_s).notNull()
            .money(u"ODC_PRICE"_s)
            .decimal(u"ODC_RATIO"_s)
            .money(u"ODC_VALPRICE"_s)
            .primaryKey(u"PK_CRM_OURDOPPRICE"_s, {u"ODC_PR_ID"_s, u"ODC_PRN_ID"_s});
        reference(t, u"FK_CRM_OURDOPPRICE_crm_product"_s, {u"ODC_PR_ID"_s}, u"crm_product"_s, {u"PR_ID"_s});
        reference(t, u"FK_CRM_OURDOPPRICE_scm_pricename"_s, {u"ODC_PRN_ID"_s}, u"scm_pricename"_s, {u"prn_id"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_artcmap"_s);
        t.integer(u"sam_pr_id"_s).notNull()
            .integer(u"sam_prv_id"_s).notNull()
            .string(u"sam_artc"_s, 50)
            .string(u"sam_name"_s, 250)
            .smallint(u"sam_deliverydelay"_s).defaultsTo(u"0"_s)
            .smallint(u"sam_chaindelay"_s).defaultsTo(u"0"_s)
            .money(u"sam_minpartia"_s).defaultsTo(u"0"_s)
            .money(u"sam_pieceperpack"_s).defaultsTo(u"0"_s)
            .money(u"sam_price"_s).notNull().defaultsTo(u"0"_s)
            .string(u"sam_codval"_s, 8)
            .decimal(u"sam_available"_s)
            .dateTime(u"sam_updatedate"_s);
        for (int i = 1; i <= 8; ++i)
            t.string(u"sam_extra%1"_s.arg(i), 250);
        t.primaryKey(u"PK_scm_artcmap"_s, {u"sam_pr_id"_s, u"sam_prv_id"_s})
            .index(u"ix_scm_artcmap_artc"_s, {u"sam_prv_id"_s, u"sam_artc"_s});
        reference(t, u"FK_scm_artcmap_crm_product"_s, {u"sam_pr_id"_s}, u"crm_product"_s, {u"PR_ID"_s});
        reference(t, u"FK_scm_artcmap_scm_partner"_s, {u"sam_prv_id"_s}, u"scm_partner"_s, {u"par_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"CRM_FOREIGNPRICE"_s);
        t.integer(u"fp_prn_id"_s).notNull()
            .integer(u"fp_pr_id"_s).notNull()
            .integer(u"fp_par_id"_s).notNull()
            .money(u"fp_price"_s)
            .primaryKey(u"PK_CRM_FOREIGNPRICE"_s, {u"fp_pr_id"_s, u"fp_par_id"_s, u"fp_prn_id"_s});
        reference(t, u"FK_CRM_FOREIGNPRICE_scm_artcmap"_s, {u"fp_pr_id"_s, u"fp_par_id"_s}, u"scm_artcmap"_s,
                  {u"sam_pr_id"_s, u"sam_prv_id"_s});
        reference(t, u"FK_CRM_FOREIGNPRICE_scm_pricename"_s, {u"fp_prn_id"_s}, u"scm_pricename"_s, {u"prn_id"_s});
        ctx.createTable(t);
    }

    // Warehouse accounting: read by the catalog import and the receipts.
    ctx.createTable(Table(u"SCL_ARTC"_s)
                        .string(u"COD_ARTIC"_s, 20).notNull()
                        .integer(u"ID_SCLAD"_s).notNull()
                        .string(u"NAME_ARTIC"_s, 200)
                        .string(u"NGROUP_TVR"_s, 30)
                        .string(u"NGROUP_TV2"_s, 30)
                        .string(u"NGROUP_TV3"_s, 30)
                        .string(u"NGROUP_TV4"_s, 30)
                        .string(u"NGROUP_TV5"_s, 30)
                        .string(u"NGROUP_TV6"_s, 30)
                        .money(u"CENA_ARTIC"_s)
                        .string(u"PRIZN_VALT"_s, 1)
                        .string(u"COD_VALT"_s, 8)
                        .money(u"CENA_VALT"_s)
                        .string(u"DOP1_ARTIC"_s, 100)
                        .string(u"DOP2_ARTIC"_s, 100)
                        .decimal(u"VES_EDINIC"_s)
                        .floating(u"BALL1"_s)
                        .integer(u"PRICE_LIST"_s).defaultsTo(u"0"_s)
                        .primaryKey(u"PK_SCL_ARTC"_s, {u"COD_ARTIC"_s, u"ID_SCLAD"_s})
                        .index(u"ix_scl_artc_sclad"_s, {u"ID_SCLAD"_s})
                        .index(u"ix_scl_artc_name"_s, {u"NAME_ARTIC"_s}));
    ctx.createTable(Table(u"all_artc"_s)
                        .string(u"COD_ARTIC"_s, 20).notNull()
                        .string(u"dop1_artic"_s, 100)
                        .string(u"okdp_artic"_s, 20)
                        .decimal(u"s100"_s)
                        .decimal(u"s50"_s)
                        .floating(u"ball3"_s)
                        .string(u"edin_izmer"_s, 10)
                        .decimal(u"dlina_art"_s)
                        .decimal(u"shirin_art"_s)
                        .decimal(u"vysota_art"_s)
                        .string(u"razm_izmer"_s, 10)
                        .string(u"dop3_artic"_s, 100)
                        .string(u"tip_tovr"_s, 10)
                        .primaryKey(u"PK_all_artc"_s, {u"COD_ARTIC"_s}));
    ctx.createTable(Table(u"scl_pric"_s)
                        .string(u"cod_artic"_s, 20).notNull()
                        .integer(u"id_sclad"_s).notNull()
                        .string(u"name_price"_s, 30).notNull()
                        .decimal(u"coef_price"_s)
                        .money(u"rub_price"_s)
                        .money(u"valt_price"_s)
                        .primaryKey(u"PK_scl_pric"_s, {u"cod_artic"_s, u"id_sclad"_s, u"name_price"_s}));
}

} // namespace Tarvo::Data::SchemaSteps
