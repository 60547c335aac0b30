#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/migration.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "support/testdatabase.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

Money money(const char* text)
{
    return *Money::parse(QString::fromLatin1(text));
}

// Every table and column the documents, registers and reports read or write.
const QList<QPair<QString, QStringList>>& expectedTables()
{
    static const QList<QPair<QString, QStringList>> all{
        {u"scm_parametrs"_s, {u"inside_name_nastr"_s, u"value_nastr"_s}},
        {u"SCL_CONFIG"_s, {u"CF_ID"_s, u"CF_TYPE"_s, u"CF_DESCR"_s, u"CF_UST"_s}},
        {u"CRM_USERS"_s, {u"US_ID"_s, u"US_LOGIN"_s, u"US_NAME"_s, u"US_DEP"_s, u"US_POSITION"_s, u"US_DESCR"_s, u"US_EMAILINSIDE"_s, u"US_EMAIL"_s, u"US_PHONEINSIDE"_s, u"US_PHONE"_s, u"US_PHONE_MOB"_s, u"US_ROOMNUM"_s, u"US_DATEBRD"_s, u"US_DATEIN"_s, u"US_DATEOUT"_s, u"US_NOTE"_s, u"US_PWD_MODE"_s, u"US_PWD"_s, u"US_ACTIVE"_s, u"US_NEW_SECUR_ACTIVE"_s}},
        {u"VALUTCOD"_s, {u"CODVALUT"_s, u"NAMEVALUT"_s, u"RELCOD"_s}},
        {u"cotirval"_s, {u"codvalut"_s, u"datecotir"_s, u"valcotir"_s}},
        {u"_partner"_s, {u"N_USER"_s, u"NAME_USER"_s, u"NAMEP_USER"_s, u"BANK_USER"_s, u"SCT_B_USER"_s, u"COD_B_USER"_s, u"TOWNB_USER"_s, u"PST_B_USER"_s, u"ADRES_USER"_s, u"INDEX_USER"_s, u"INFORM_PAR"_s, u"SCT_2_USER"_s, u"TEL1_USER"_s, u"TEL2_USER"_s, u"FAX_USER"_s, u"REGIS_USER"_s, u"EMAIL_USER"_s, u"MY_ORGANIZ"_s, u"SKIDKAPRCNT"_s, u"OKONH_USER"_s, u"OKPO_USER"_s, u"PRIMECH"_s, u"KPP"_s, u"CP_1"_s, u"CP_2"_s, u"DATE1PRT"_s, u"DATE2PRT"_s, u"SALDDEB"_s, u"SALDCRED"_s, u"MARK"_s, u"REALIZ"_s, u"DOLG"_s, u"DOPRG_USER"_s, u"KNTRS_USER"_s, u"DOLGVALUT"_s, u"VALUTA"_s, u"KREDIT"_s, u"DOST_ADRESS"_s}},
        {u"scm_partner"_s, {u"par_ID"_s, u"par_nuser"_s}},
        {u"SCLAD_R"_s, {u"ID_SCLAD"_s, u"NAME_SCLAD"_s}},
        {u"scm_values"_s, {u"INSIDE_NAME_NASTR"_s, u"VALUE_NAME_NASTR"_s, u"COMMENT"_s}},
        {u"SCM_Library_Urgency"_s, {u"Urgency_ID"_s, u"Name"_s, u"Priority"_s}},
        {u"scm_phrases"_s, {u"sph_id"_s, u"sph_catalog_id"_s, u"sph_phrase"_s}},
        {u"scm_station"_s, {u"sta_id"_s, u"sta_name"_s, u"sta_tax"_s, u"sta_region"_s}},
        {u"scm_departure"_s, {u"scd_sta_id"_s, u"scd_par_id"_s}},
        {u"scm_agentinfo"_s, {u"agi_id"_s, u"agi_description"_s}},
        {u"scm_transportinfo"_s, {u"tri_id"_s, u"tri_description"_s}},
        {u"scm_pricename"_s, {u"prn_id"_s, u"prn_name"_s}},
        {u"crm_manufacture"_s, {u"mn_id"_s, u"mn_name"_s}},
        {u"crm_product_equivalent"_s, {u"pe_id"_s, u"pe_identity"_s, u"pe_doc"_s}},
        {u"TIP_TOVR"_s, {u"SIGNIFIC"_s, u"TIP_TOVAR"_s, u"CHECK_SAVE"_s, u"SHOW_OSTATOK"_s}},
        {u"CS_VALUES"_s, {u"cs_id"_s, u"cs_TIP_TOVR"_s, u"cs_N_FIELD"_s, u"cs_VALUE"_s}},
        {u"crm_productgroups"_s, {u"pg_groupid"_s, u"pg_groupname"_s, u"pg_parent"_s}},
        {u"crm_groupsrel"_s, {u"groupid"_s, u"ancestor"_s}},
        {u"crm_product"_s, {u"PR_ID"_s, u"PR_ARTICUL"_s, u"PR_NAME"_s, u"PR_GROUPID"_s, u"PR_MN_ID"_s, u"PR_PE_ID"_s, u"PR_TYPE"_s, u"PR_WEIGHT"_s, u"PR_VOLUME"_s, u"PR_DISCOUNT"_s, u"PR_COEF1"_s, u"PR_TIP_TOVR"_s, u"PR_DOP1"_s, u"PR_DOP2"_s, u"PR_DOP3"_s, u"PR_DOP1_ARTIC"_s, u"PR_OKDP_ARTIC"_s, u"PR_S100"_s, u"PR_S50"_s, u"PR_BALL"_s, u"PR_EDIN_IZMER"_s, u"PR_DLINA_ART"_s, u"PR_SHIRIN_ART"_s, u"PR_VYSOTA_ART"_s, u"PR_RAZM_IZMER"_s, u"PR_DOP3_ARTIC"_s, u"PR_PRIM"_s, u"PR_ID_main"_s}},
        {u"crm_product_analog"_s, {u"cpa_pr_id"_s, u"cpa_pr_id_analog"_s}},
        {u"crm_tvr"_s, {u"tv_id"_s, u"tv_pr_id"_s, u"tv_descr"_s}},
        {u"crm_ourprice"_s, {u"op_pr_id"_s, u"ou_price"_s, u"op_prval"_s, u"op_codval"_s, u"op_valprice"_s}},
        {u"CRM_OURDOPPRICE"_s, {u"ODC_PR_ID"_s, u"ODC_PRN_ID"_s, u"ODC_PRICE"_s, u"ODC_RATIO"_s, u"ODC_VALPRICE"_s}},
        {u"scm_artcmap"_s, {u"sam_pr_id"_s, u"sam_prv_id"_s, u"sam_artc"_s, u"sam_name"_s, u"sam_deliverydelay"_s, u"sam_chaindelay"_s, u"sam_minpartia"_s, u"sam_pieceperpack"_s, u"sam_price"_s, u"sam_codval"_s, u"sam_available"_s, u"sam_updatedate"_s, u"sam_extra1"_s, u"sam_extra2"_s, u"sam_extra3"_s, u"sam_extra4"_s, u"sam_extra5"_s, u"sam_extra6"_s, u"sam_extra7"_s, u"sam_extra8"_s}},
        {u"CRM_FOREIGNPRICE"_s, {u"fp_prn_id"_s, u"fp_pr_id"_s, u"fp_par_id"_s, u"fp_price"_s}},
        {u"SCL_ARTC"_s, {u"COD_ARTIC"_s, u"ID_SCLAD"_s, u"NAME_ARTIC"_s, u"NGROUP_TVR"_s, u"NGROUP_TV2"_s, u"NGROUP_TV3"_s, u"NGROUP_TV4"_s, u"NGROUP_TV5"_s, u"NGROUP_TV6"_s, u"CENA_ARTIC"_s, u"PRIZN_VALT"_s, u"COD_VALT"_s, u"CENA_VALT"_s, u"DOP1_ARTIC"_s, u"DOP2_ARTIC"_s, u"VES_EDINIC"_s, u"BALL1"_s, u"PRICE_LIST"_s}},
        {u"all_artc"_s, {u"COD_ARTIC"_s, u"dop1_artic"_s, u"okdp_artic"_s, u"s100"_s, u"s50"_s, u"ball3"_s, u"edin_izmer"_s, u"dlina_art"_s, u"shirin_art"_s, u"vysota_art"_s, u"razm_izmer"_s, u"dop3_artic"_s, u"tip_tovr"_s}},
        {u"scl_pric"_s, {u"cod_artic"_s, u"id_sclad"_s, u"name_price"_s, u"coef_price"_s, u"rub_price"_s, u"valt_price"_s}},
        {u"CRM_SECURITY"_s, {u"SC_ID"_s, u"SC_DESCR"_s, u"SC_PARENT_ID"_s, u"SC_ALLOWED"_s, u"SC_PARAM_TYPE"_s}},
        {u"CRM_USERS_SECURITY"_s, {u"USC_SC_ID"_s, u"USC_US_ID"_s, u"USC_PARAM"_s}},
        {u"crm_dogovors"_s, {u"dg_id"_s, u"dg_par_id"_s, u"dg_number"_s, u"dg_dopnumber"_s, u"dg_descr"_s, u"dg_date"_s}},
        {u"crm_stage"_s, {u"st_id"_s, u"st_dg_id"_s, u"st_number"_s, u"ST_DESCR"_s}},
        {u"scm_business_offer"_s, {u"bof_id"_s, u"bof_person"_s, u"bof_date"_s, u"bof_createdate"_s, u"bof_updatedate"_s, u"bof_cod_valut"_s, u"bof_sum"_s, u"bof_sum_valut"_s, u"bof_description"_s, u"bof_user_id"_s, u"bof_dopnomer"_s, u"bof_snomer"_s, u"Urgency_ID"_s, u"bof_plan_start"_s, u"bof_plan_end"_s, u"bof_accepted"_s, u"bof_otmetka"_s, u"bof_stage_id"_s, u"bof_schet_num"_s, u"bof_schet_date"_s, u"bof_schet_dop_num"_s}},
        {u"scm_bp_delivery"_s, {u"bpd_bof_id"_s, u"bpd_pr_id"_s, u"bpd_amount"_s, u"bpd_deliverydate"_s, u"bpd_sum"_s, u"bpd_sum_valut"_s, u"bpd_description"_s, u"bpd_placed"_s}},
        {u"scm_supplier_order"_s, {u"suo_id"_s, u"suo_supplier"_s, u"suo_date"_s, u"suo_cod_valut"_s, u"suo_sum"_s, u"suo_sum_valut"_s, u"suo_accepted"_s, u"suo_waiting"_s, u"suo_otmetka"_s, u"suo_description"_s, u"suo_dopnomer"_s, u"suo_snomer"_s, u"Urgency_ID"_s, u"suo_id_sclad"_s, u"suo_dg_id"_s, u"suo_stage_id"_s, u"suo_plan_start"_s, u"suo_plan_end"_s, u"suo_plan_surcharge"_s, u"suo_user_id"_s, u"suo_createdate"_s, u"suo_updatedate"_s}},
        {u"scm_so_products"_s, {u"sop_suo_id"_s, u"sop_pr_id"_s, u"sop_deliverydate"_s, u"sop_amount"_s, u"sop_sum"_s, u"sop_sum_valut"_s, u"sop_ball"_s, u"sop_mark"_s}},
        {u"scm_bo_ordered"_s, {u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_suo_id"_s, u"bpo_amount"_s}},
        {u"scm_Proforma"_s, {u"pf_id"_s, u"pf_snomer"_s, u"pf_dopnomer"_s, u"pf_supplier"_s, u"pf_sum"_s, u"pf_date"_s, u"pf_cod_valut"_s, u"pf_plan_oplat"_s, u"pf_surcharge"_s, u"pf_user_id"_s}},
        {u"scm_so_accepted"_s, {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s, u"soa_amount"_s, u"soa_sum"_s, u"soa_sum_valut"_s, u"soa_pf_id"_s}},
        {u"scm_bo_accepted"_s, {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s, u"boa_bof_id"_s, u"boa_amount"_s}},
        {u"scm_waybill"_s, {u"swb_id"_s, u"swb_departure_platform"_s, u"swb_arrival_platform"_s, u"swb_car_id"_s, u"swb_car_doc_id"_s, u"swb_plan_arrival_date"_s, u"swb_arrival_date"_s, u"swb_delivery_condition"_s, u"swb_transport_tariff"_s, u"swb_department"_s, u"swb_createdate"_s, u"swb_updatedate"_s, u"swb_stepname"_s, u"swb_consignor"_s, u"swb_stepdate"_s, u"swb_dopnomer"_s, u"swb_snomer"_s, u"swb_weight"_s, u"swb_volume"_s}},
        {u"scm_route"_s, {u"srt_id"_s, u"srt_unic"_s, u"srt_transport"_s, u"srt_transporter"_s, u"srt_agent"_s, u"srt_departure"_s, u"srt_arrival"_s, u"srt_departure_date"_s, u"srt_plan_arrival_date"_s, u"srt_arrival_date"_s, u"srt_sum"_s, u"srt_currency"_s, u"srt_weightb"_s, u"srt_user_id"_s}},
        {u"scm_delivery"_s, {u"sde_id"_s, u"sde_swb_id"_s, u"sde_currency"_s, u"sde_createdate"_s, u"sde_updatedate"_s, u"sde_supplier"_s, u"sde_invoice_num"_s, u"sde_invoice_date"_s, u"sde_dg_id"_s, u"sde_stage_id"_s, u"sde_id_sclad"_s, u"sde_complited"_s, u"sde_unic"_s, u"sde_weightb"_s, u"sde_boxes"_s, u"sde_tarif"_s, u"sde_user_id"_s, u"sde_srt_id"_s}},
        {u"scm_routedelivery"_s, {u"srd_srt_id"_s, u"srd_sde_id"_s, u"srd_swb_id"_s}},
        {u"scm_deliveredProduct"_s, {u"sdp_swb_id"_s, u"sdp_sde_id"_s, u"sdp_pr_id"_s, u"sdp_amount"_s, u"sdp_amount2"_s, u"sdp_sum"_s, u"sdp_sum_val"_s, u"sdp_certnum"_s, u"sdp_certdate"_s, u"sdp_certorg"_s, u"sdp_weight"_s, u"sdp_volume"_s}},
        {u"scm_order_invoice"_s, {u"sdi_pr_id"_s, u"sdi_suo_id"_s, u"sdi_soa_deliverydate"_s, u"sdi_sde_id"_s, u"sdi_swb_id"_s, u"sdi_amount"_s, u"sdi_sdp_pr_id"_s, u"sdi_sdp_amount"_s}},
        {u"scm_offer_invoice"_s, {u"soi_pr_id"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s, u"soi_sde_id"_s, u"soi_swb_id"_s, u"soi_bof_id"_s, u"soi_sdp_pr_id"_s, u"soi_amount"_s, u"soi_sdp_amount"_s}},
        {u"scl_move"_s, {u"recno"_s, u"id_sclad"_s, u"name_predm"_s, u"typdocm_pr"_s, u"numdocm_pr"_s, u"date_predm"_s, u"kolc_predm"_s, u"cena_predm"_s, u"n_user"_s, u"stnd_uchet"_s}},
        {u"SCM_TOMOVE"_s, {u"recno"_s, u"soi_bof_id"_s, u"soi_pr_id"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s, u"soi_swb_id"_s, u"soi_sde_id"_s, u"soi_sdp_pr_id"_s}},
        {u"scm_payshedule"_s, {u"sps_pf_id"_s, u"sps_date"_s, u"sps_sum"_s, u"sps_updatedate"_s}},
        {u"scm_payments"_s, {u"spm_id"_s, u"spm_payer"_s, u"spm_recipient"_s, u"spm_date"_s, u"spm_sum"_s, u"spm_cod_valut"_s, u"spm_sum2"_s, u"spm_cod_valut2"_s, u"spm_inum"_s, u"spm_snum"_s, u"spm_nal"_s, u"spm_updatedate"_s, u"spm_user_id"_s, u"spm_unicum_plt"_s}},
        {u"scm_pfpayment"_s, {u"spp_spm_id"_s, u"spp_pf_id"_s, u"spp_sum"_s}},
        {u"SCL_PLAT"_s, {u"UNICUM_PLT"_s, u"NUM_PLT"_s, u"TYPE_PLT"_s, u"DATE_PLT"_s, u"SUM_RUB"_s, u"SUM_VALT"_s, u"COD_VALT"_s, u"NAME_POL"_s, u"OSNOVANIE"_s, u"TEXT_PLT"_s, u"BEZNAL"_s, u"ID_SCLAD"_s, u"MY_ORG"_s, u"SOURCE_PLT"_s, u"DATE_CREATE"_s, u"FAMILY"_s, u"IST_INF"_s, u"ORG_PREDM"_s, u"DOCUMN_POR"_s, u"L_NAME_POR"_s}},
        {u"SCL_ADDP"_s, {u"UNICUM_PLT"_s, u"NAME_PLAT"_s, u"BANK_PLAT"_s, u"TOWN_PLAT"_s, u"COD_B_PLAT"_s, u"SCT_B_PLAT"_s, u"SCT_2_PLAT"_s, u"INN_PLAT"_s, u"KPP_PLAT"_s, u"NAME_POL"_s, u"BANK_POL"_s, u"TOWN_POL"_s, u"COD_B_POL"_s, u"SCT_B_POL"_s, u"SCT_2_POL"_s, u"INN_POL"_s, u"KPP_POL"_s}},
        {u"_reclama"_s, {u"id_reclama"_s, u"signific"_s, u"date_reclama"_s}},
        {u"FR_REPTREE"_s, {u"IDNODE"_s, u"NMNODE"_s, u"IDUPNODE"_s, u"IDTYPE"_s}},
        {u"FR_REPORTS"_s, {u"IDREPORT"_s, u"NMREPORT"_s, u"IDNODE"_s, u"REPDATA"_s}},
        {u"FR_CALLPLACE"_s, {u"IDPLACE"_s, u"NMPLACE"_s}},
        {u"FR_MENU"_s, {u"IDITEM"_s, u"NMITEM"_s, u"IDUPITEM"_s, u"IDPLACE"_s, u"NUMORD"_s, u"IDREPORT"_s}},
        {u"FR_DENIED"_s, {u"GROUP_ID"_s, u"IDITEM"_s}},
    };
    return all;
}

} // namespace

class SchemaTest : public QObject
{
    Q_OBJECT
private:
    // Runs `sql` expecting a refusal; checks the mapped number and constraint name.
    static void expectRefusal(Database& db, const QString& sql, const QVariantList& params, int nativeError,
                              const QString& constraint)
    {
        try {
            db.exec(sql, params);
        } catch (const DatabaseError& e) {
            QCOMPARE(e.nativeError(), nativeError);
            if (!constraint.isEmpty())
                QCOMPARE(e.constraint(), constraint);
            return;
        }
        QFAIL(qPrintable(u"not refused: "_s + sql));
    }

    // A minimal chain: buyer and supplier, two products, request 1 with both products.
    static void seedChain(Database& db)
    {
        db.exec(u"insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('BUY', 'Покупатель', 'К'), "
                "('SUP', 'Поставщик', 'Т')"_s);
        db.exec(u"insert into scm_partner (par_nuser) values ('BUY'), ('SUP')"_s);
        db.exec(u"insert into crm_product (PR_ARTICUL, PR_NAME) values ('A-1', 'Болт'), ('A-2', 'Гайка')"_s);
        db.exec(u"insert into scm_business_offer (bof_person, bof_date, bof_cod_valut) values (1, ?, '')"_s,
                {QDateTime(QDate(2026, 3, 2), QTime(0, 0))});
        db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_sum, bpd_sum_valut) "
                "values (1, 1, 10, 1000, 0), (1, 2, 5, 250.5, 0)"_s);
        db.exec(u"insert into scm_supplier_order (suo_supplier, suo_date, suo_description) values (2, ?, 'Заказ')"_s,
                {QDateTime(QDate(2026, 3, 3), QTime(0, 0))});
        db.exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount, sop_sum, sop_sum_valut) "
                "values (1, 1, 10, 800, 10), (1, 2, 5, 200, 2.5)"_s);
    }

    // Brings an empty database to an earlier level of the schema, as an older program left it.
    static void migrateTo(Database& db, int version)
    {
        Transaction tx(db);
        MigrationContext ctx(db);
        ctx.createTable(Table(u"scm_schema_version"_s).integer(u"version"_s).notNull().string(u"title"_s, 200)
                            .dateTime(u"applied_at"_s).primaryKey(u"PK_scm_schema_version"_s, {u"version"_s}));
        for (const Migration& m : schemaMigrations())
            if (m.version <= version) {
                m.apply(ctx);
                db.exec(u"insert into scm_schema_version (version, title) values (?, ?)"_s, {m.version, m.title});
            }
        tx.commit();
    }

    // Request 1's first line shipped on invoice 1 (2 of 10) and received into the warehouse
    // (receipt 1, "ПН-1"); a second receipt without a request (free stock of the same invoice).
    static void seedReceipt(Database& db)
    {
        seedChain(db);
        const QDateTime ship(QDate(2026, 3, 20), QTime(0, 0));
        db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum) "
                "values (1, 1, ?, 6, 480)"_s, {ship});
        db.exec(u"insert into scm_waybill (swb_departure_platform, swb_department) values ('Москва', ?)"_s, {ship});
        db.exec(u"insert into scm_delivery (sde_swb_id, sde_supplier, sde_invoice_num, sde_invoice_date) "
                "values (1, 2, 'INV-1', ?)"_s, {ship});
        db.exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2, sdp_sum) "
                "values (1, 1, 1, 3, 3, 240)"_s);
        db.exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
                "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (1, 1, ?, 1, 1, 3, 1, 3)"_s, {ship});
        db.exec(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
                "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (1, 1, ?, 1, 1, 1, 1, 2, 2)"_s, {ship});
        for (int n = 1; n <= 2; ++n)
            db.exec(u"insert into scl_move (id_sclad, name_predm, typdocm_pr, numdocm_pr, date_predm, kolc_predm) "
                    "values (1, 'A-1', 'П', ?, ?, ?)"_s, {u"ПН-%1"_s.arg(n), ship.addDays(12), n == 1 ? 2 : 1});
        db.exec(u"insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_swb_id, "
                "soi_sde_id, soi_sdp_pr_id) values (1, 1, 1, 1, ?, 1, 1, 1), (2, null, 1, 1, null, 1, 1, 1)"_s, {ship});
    }

private slots:
    void everyTableAndColumnExists()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        QCOMPARE(expectedTables().size(), 64);
        int total = 0;
        for (const auto& [table, columns] : expectedTables()) {
            QVERIFY2(db.objectExists(table), qPrintable(table));
            // Fails naming the column when one is missing.
            db.exec(u"select %1 from %2 where 1 = 0"_s.arg(columns.join(u", "_s), table));
            // And the list names every column the table has, so it stays the whole schema.
            Query all(db, u"select * from %1 where 1 = 0"_s.arg(table));
            all.exec();
            QStringList extra;
            for (int i = 0; i < all.columnCount(); ++i)
                if (!columns.contains(all.columnName(i), Qt::CaseInsensitive))
                    extra << all.columnName(i);
            QVERIFY2(extra.isEmpty(), qPrintable(table + u": "_s + extra.join(u", "_s)));
            total += all.columnCount();
        }
        QCOMPARE(total, 500);
        QVERIFY(db.objectExists(u"vBusinessOfferState1"_s));
    }

    void yesNoColumnsTakeOneAndZero()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        // Written and compared as the documents' statements do.
        db.exec(u"update scm_business_offer set bof_accepted=1, bof_otmetka=0 where bof_id=1"_s);
        QCOMPARE(db.scalar(u"select count(*) from scm_business_offer where bof_accepted=1 and bof_otmetka=0"_s).toInt(), 1);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order where suo_waiting=1 and suo_accepted=0"_s).toInt(), 1);
        QVERIFY(db.scalar(u"select bof_accepted from scm_business_offer where bof_id=1"_s).toBool());
        db.exec(u"insert into TIP_TOVR (SIGNIFIC, TIP_TOVAR, CHECK_SAVE) values ('ТОВ', 'Товар', 1)"_s);
        QCOMPARE(db.scalar(u"select CHECK_SAVE + 0 from TIP_TOVR"_s).toInt(), 1);
        QVERIFY(db.scalar(u"select SHOW_OSTATOK from TIP_TOVR"_s).toInt() == 0);
        // Only yes or no.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.exec(u"update scm_supplier_order set suo_waiting = 2"_s));
        QCOMPARE(db.scalar(u"select suo_waiting from scm_supplier_order"_s).toInt(), 1);
    }

    // A database of the first release, with rows, upgrades in place.
    void anEarlierDatabaseUpgrades()
    {
        Test::TestDatabase t;
        auto& db = t.db(false);
        migrateTo(db, 5);
        db.exec(u"insert into TIP_TOVR (SIGNIFIC, CHECK_SAVE, SHOW_OSTATOK) values ('А', true, false), ('Б', false, null)"_s);
        db.exec(u"insert into crm_productgroups (pg_groupname) values ('Корень')"_s);
        db.exec(u"insert into crm_productgroups (pg_groupname, pg_parent) values ('Ветвь', 1)"_s);
        db.exec(u"insert into crm_productgroups (pg_groupname, pg_parent) values ('Лист', 2)"_s);
        db.exec(u"insert into crm_groupsrel (groupid, ancestor) values (1, 1), (2, 2), (2, 1), (3, 3)"_s);
        seedChain(db);
        db.exec(u"update scm_business_offer set bof_accepted = true"_s);
        Migrator::apply(db);
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());
        QCOMPARE(db.scalar(u"select count(*) from TIP_TOVR where CHECK_SAVE = 1 and SHOW_OSTATOK = 0"_s).toInt(), 1);
        QVERIFY(db.scalar(u"select SHOW_OSTATOK from TIP_TOVR where SIGNIFIC = 'Б'"_s).isNull());
        QCOMPARE(db.scalar(u"select count(*) from scm_business_offer where bof_accepted = 1 and bof_otmetka = 0"_s).toInt(), 1);
        QCOMPARE(db.scalar(u"select count(*) from scm_supplier_order where suo_waiting = 1"_s).toInt(), 1);
        QCOMPARE(db.scalar(u"select count(*) from crm_groupsrel"_s).toInt(), 3); // (2,1), (3,2), (3,1)
        QCOMPARE(db.scalar(u"select count(*) from crm_groupsrel where groupid = 3 and ancestor in (1, 2)"_s).toInt(), 2);
        db.exec(u"insert into _partner (N_USER, DOLG, VALUTA) values ('ДОЛГ', 10.5, 'USD')"_s);
    }

    // A database of step 10 with receipts gains the reference from a receipt to its shipment:
    // a received shipment can no longer be deleted, and a receipt cannot name a missing one.
    void receiptsReferToTheirShipmentAfterUpgrade()
    {
        Test::TestDatabase t;
        auto& db = t.db(false);
        migrateTo(db, 10);
        seedReceipt(db);
        QCOMPARE(Migrator::apply(db), Migrator::latestVersion() - 10);
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());
        QCOMPARE(db.scalar(u"select count(*) from SCM_TOMOVE"_s).toInt(), 2);
        const QString fk = u"FK_SCM_TOMOVE_scm_offer_invoice"_s;
        expectRefusal(db, u"delete from scm_offer_invoice where soi_bof_id = 1"_s, {}, NativeError::Reference, fk);
        const QDateTime ship(QDate(2026, 3, 20), QTime(0, 0));
        db.exec(u"insert into scl_move (id_sclad, name_predm, typdocm_pr, date_predm, kolc_predm) "
                "values (1, 'A-2', 'П', ?, 1)"_s, {ship});
        expectRefusal(db, u"insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, soi_soa_deliverydate, "
                          "soi_swb_id, soi_sde_id, soi_sdp_pr_id) values (3, 1, 2, 1, ?, 1, 1, 1)"_s,
                      {ship}, NativeError::Reference, fk);
        expectRefusal(db, u"update SCM_TOMOVE set soi_pr_id = 2 where recno = 1"_s, {}, NativeError::Reference, fk);
        // The shipment's amount may still be corrected; a receipt without a request is not checked.
        db.exec(u"update scm_offer_invoice set soi_amount = 2.5, soi_sdp_amount = 2.5 where soi_bof_id = 1"_s);
        db.exec(u"update SCM_TOMOVE set soi_pr_id = 2 where recno = 2"_s);
        // Once the receipt goes, so may the shipment.
        db.exec(u"delete from scl_move where recno = 1"_s);
        QCOMPARE(db.scalar(u"select count(*) from SCM_TOMOVE where recno = 1"_s).toInt(), 0);
        db.exec(u"delete from scm_offer_invoice where soi_bof_id = 1"_s);
    }

    // Receipts whose shipment row an older version deleted do not stop the upgrade: they stay
    // as they were (warehouse documents), and from now on no receipt can name a missing shipment.
    void orphanReceiptsAreKeptAndNewOnesRefused()
    {
        Test::TestDatabase t;
        auto& db = t.db(false);
        migrateTo(db, 10);
        seedReceipt(db);
        db.exec(u"delete from scm_offer_invoice"_s); // as an older line deletion did
        QCOMPARE(Migrator::apply(db), Migrator::latestVersion() - 10);
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());
        QCOMPARE(db.scalar(u"select count(*) from SCM_TOMOVE"_s).toInt(), 2);
        QCOMPARE(db.scalar(u"select count(*) from scl_move"_s).toInt(), 2);
        const QDateTime ship(QDate(2026, 3, 20), QTime(0, 0));
        db.exec(u"insert into scl_move (id_sclad, name_predm, typdocm_pr, date_predm, kolc_predm) "
                "values (1, 'A-2', 'П', ?, 1)"_s, {ship});
        expectRefusal(db, u"insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, soi_soa_deliverydate, "
                          "soi_swb_id, soi_sde_id, soi_sdp_pr_id) values (3, 1, 1, 1, ?, 1, 1, 1)"_s,
                      {ship}, NativeError::Reference, u"FK_SCM_TOMOVE_scm_offer_invoice"_s);
        // Once its shipment is back, the kept receipt is an ordinary one again.
        db.exec(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
                "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (1, 1, ?, 1, 1, 1, 1, 2, 2)"_s,
                {ship});
        expectRefusal(db, u"delete from scm_offer_invoice where soi_bof_id = 1"_s, {}, NativeError::Reference,
                      u"FK_SCM_TOMOVE_scm_offer_invoice"_s);
    }

    // A user added without the new-rights flag takes the rights of later versions; a database of
    // step 11 keeps every stored flag (0 may be an administrator's choice), its users and grants.
    void usersAddedWithoutTheNewRightsFlagTakeNewRights()
    {
        {
            Test::TestDatabase fresh;
            fresh.db().exec(u"insert into CRM_USERS (US_LOGIN) values ('x')"_s);
            QCOMPARE(fresh.db().scalar(u"select US_NEW_SECUR_ACTIVE from CRM_USERS"_s).toInt(), 1);
        }
        Test::TestDatabase t;
        auto& db = t.db(false);
        migrateTo(db, 11);
        db.exec(u"insert into CRM_USERS (US_LOGIN, US_NAME, US_NEW_SECUR_ACTIVE) values ('no', 'Нет', 0), "
                "('yes', 'Да', 1), ('unset', 'Пусто', null)"_s);
        db.exec(u"insert into CRM_USERS (US_LOGIN, US_ACTIVE) values ('older', 0)"_s);
        db.exec(u"insert into CRM_SECURITY (SC_ID, SC_DESCR, SC_PARENT_ID, SC_ALLOWED) values (100012, 'Вход', -1, 1)"_s);
        db.exec(u"insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) select 100012, US_ID from CRM_USERS"_s);
        const auto flags = [&db] {
            QStringList r;
            Query q(db, u"select US_ID, US_LOGIN, US_NAME, US_ACTIVE, US_NEW_SECUR_ACTIVE from CRM_USERS order by US_ID"_s);
            q.exec();
            while (q.next())
                r << u"%1 %2 %3 %4 %5"_s.arg(q.integer(0))
                         .arg(q.string(1), q.string(2), q.isNull(3) ? u"-"_s : q.string(3),
                              q.isNull(4) ? u"-"_s : QString::number(q.integer(4)));
            return r;
        };
        const QStringList before = flags();
        QCOMPARE(before.last(), u"4 older  0 0"_s);
        QCOMPARE(Migrator::apply(db), Migrator::latestVersion() - 11);
        QCOMPARE(Migrator::currentVersion(db), Migrator::latestVersion());
        QCOMPARE(flags(), before);
        db.exec(u"insert into CRM_USERS (US_LOGIN) values ('newer')"_s);
        QCOMPARE(db.scalar(u"select US_NEW_SECUR_ACTIVE from CRM_USERS where US_LOGIN = 'newer'"_s).toInt(), 1);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.exec(u"update CRM_USERS set US_NEW_SECUR_ACTIVE = 2"_s));
        // The grants and the references to the users are as they were.
        QCOMPARE(db.scalar(u"select count(*) from CRM_USERS_SECURITY"_s).toInt(), 4);
        expectRefusal(db, u"insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (100012, 99)"_s, {},
                      NativeError::Reference, u"FK_CRM_USERS_SECURITY_CRM_USERS"_s);
        db.exec(u"delete from CRM_USERS where US_LOGIN = 'no'"_s);
        QCOMPARE(db.scalar(u"select count(*) from CRM_USERS_SECURITY"_s).toInt(), 3);
    }

    // The table must equal the closure of crm_productgroups after any sequence of changes.
    void groupAncestorsFollowTheTree()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        auto closureMatches = [&db] {
            QHash<qint64, qint64> parent;
            Query q(db, u"select pg_groupid, pg_parent from crm_productgroups"_s);
            q.exec();
            while (q.next())
                parent.insert(q.value(0).toLongLong(), q.value(1).isNull() ? 0 : q.value(1).toLongLong());
            QSet<QPair<qint64, qint64>> expected, stored;
            for (auto it = parent.cbegin(); it != parent.cend(); ++it)
                for (qint64 a = it.value(); a != 0; a = parent.value(a))
                    expected.insert({it.key(), a});
            Query r(db, u"select groupid, ancestor from crm_groupsrel"_s);
            r.exec();
            while (r.next())
                stored.insert({r.value(0).toLongLong(), r.value(1).toLongLong()});
            return stored == expected;
        };
        QRandomGenerator random(17);
        QList<qint64> groups;
        for (int step = 0; step < 150; ++step) {
            const int action = groups.size() < 5 ? 0 : random.bounded(3);
            if (action == 0) {
                const QVariant parent = groups.isEmpty() || random.bounded(4) == 0
                                            ? QVariant(QMetaType::fromType<qint64>())
                                            : QVariant(groups.at(random.bounded(groups.size())));
                groups << db.insertReturning(u"insert into crm_productgroups (pg_groupname, pg_parent) values (?, ?)"_s,
                                             u"pg_groupid"_s, {u"Группа %1"_s.arg(step), parent});
            } else if (action == 1) {
                const qint64 g = groups.at(random.bounded(groups.size()));
                const qint64 to = groups.at(random.bounded(groups.size()));
                const bool cycle = to == g || db.scalar(u"select count(*) from crm_groupsrel where groupid = ? and ancestor = ?"_s,
                                                       {to, g}).toInt() > 0;
                try {
                    db.exec(u"update crm_productgroups set pg_parent = ? where pg_groupid = ?"_s,
                            {random.bounded(5) == 0 ? QVariant(QMetaType::fromType<qint64>()) : QVariant(to), g});
                } catch (const DatabaseError& e) {
                    // Under itself or its own descendant: refused with the key the catalog window reads.
                    QVERIFY2(cycle, qPrintable(e.message()));
                    QCOMPARE(e.constraint(), u"PK_CRM_GROUPSREL"_s);
                    QCOMPARE(e.nativeError(), NativeError::Constraint);
                }
            } else {
                // A group with subgroups or products is kept by its references; a leaf goes.
                const qint64 g = groups.at(random.bounded(groups.size()));
                if (db.scalar(u"select count(*) from crm_productgroups where pg_parent = ?"_s, {g}).toInt() == 0) {
                    db.exec(u"delete from crm_productgroups where pg_groupid = ?"_s, {g});
                    groups.removeOne(g);
                }
            }
            QVERIFY2(closureMatches(), qPrintable(u"after step %1"_s.arg(step)));
        }
        // The "subgroups on" query lists each product of a subtree once.
        const qint64 root = db.insertReturning(u"insert into crm_productgroups (pg_groupname) values ('Корень')"_s, u"pg_groupid"_s);
        const qint64 child = db.insertReturning(u"insert into crm_productgroups (pg_groupname, pg_parent) values ('Ветвь', ?)"_s,
                                                u"pg_groupid"_s, {root});
        db.exec(u"insert into crm_product (PR_ARTICUL, PR_NAME, PR_GROUPID) values ('R-1', 'Корневой', ?), ('C-1', 'Ветка', ?)"_s,
                {root, child});
        QCOMPARE(db.scalar(u"select count(*) from (select PR_ID from crm_product where PR_GROUPID = ? union all "
                           "select PR_ID from crm_product join crm_groupsrel on groupid = PR_GROUPID where ancestor = ?) x"_s,
                           {root, root}).toInt(), 2);
    }

    // The placed amount of each request line follows every change of the stage rows.
    void placedAmountsFollowTheStages()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        for (int o = 2; o <= 4; ++o) {
            db.exec(u"insert into scm_supplier_order (suo_supplier, suo_date, suo_description) values (2, ?, 'Заказ')"_s,
                    {QDateTime(QDate(2026, 3, o), QTime(0, 0))});
            db.exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount) values (?, 1, 10), (?, 2, 10)"_s,
                    {o, o});
        }
        const QString mismatches = u"select count(*) from scm_bp_delivery where bpd_placed <> %1"_s.arg(
            db.dialect().roundedAmount(u"coalesce((select sum(bpo_amount) from scm_bo_ordered "
                                       "where bpo_bof_id = bpd_bof_id and bpo_pr_id = bpd_pr_id), 0)"_s));
        // Several rows in one statement, as bulk loads write them.
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                "select 1, sop_pr_id, sop_suo_id, 0.1 from scm_so_products where sop_suo_id > 1"_s);
        QCOMPARE(db.scalar(mismatches).toInt(), 0);
        QCOMPARE(Money::fromVariant(db.scalar(u"select amount from vBusinessOfferState1 where bof_id = 1 and pr_id = 2"_s)),
                 money("0.3"));
        QRandomGenerator random(9);
        for (int step = 0; step < 40; ++step) {
            const int suo = 2 + random.bounded(3), pr = 1 + random.bounded(2);
            switch (random.bounded(3)) {
            case 0:
                db.exec(u"delete from scm_bo_ordered where bpo_suo_id = ? and bpo_pr_id = ?"_s, {suo, pr});
                break;
            case 1:
                db.exec(u"update scm_bo_ordered set bpo_amount = bpo_amount + 0.1 where bpo_suo_id >= ?"_s, {suo});
                break;
            default:
                if (db.scalar(u"select count(*) from scm_bo_ordered where bpo_suo_id = ? and bpo_pr_id = ?"_s, {suo, pr}).toInt() == 0)
                    db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (1, ?, ?, 0.2)"_s,
                            {pr, suo});
            }
            QVERIFY2(db.scalar(mismatches).toInt() == 0, qPrintable(u"after step %1"_s.arg(step)));
        }
    }

    // Decimal sums compared in SQL give the exact answer on both engines.
    void amountsCompareExactly()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        const QString open = u"select count(*) from scm_bp_delivery left join vBusinessOfferState1 v "
                             "on v.bof_id = bpd_bof_id and v.pr_id = bpd_pr_id where bpd_bof_id = 1 and bpd_pr_id = 1 "
                             "and bpd_amount - coalesce(v.amount, 0) > 0"_s;
        // 0.1 + 0.2 placed of 0.3 requested leaves nothing open.
        db.exec(u"update scm_bp_delivery set bpd_amount = 0.3 where bpd_pr_id = 1"_s);
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (1, 1, 1, 0.1)"_s);
        const QDateTime ship(QDate(2026, 3, 20), QTime(0, 0));
        db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum) "
                "values (1, 1, ?, 0.2, 0)"_s, {ship});
        db.exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
                "values (1, 1, ?, 1, 0.2)"_s, {ship});
        QCOMPARE(db.scalar(open).toInt(), 0);
        // The request's state from its totals: placed in full on the register.
        const Dialect& dialect = db.dialect();
        const QString k1 = u"(select sum(bpd_amount) from scm_bp_delivery where bpd_bof_id = 1 and bpd_pr_id = 1)"_s;
        const QString placed = u"(select sum(bpo_amount) from scm_bo_ordered where bpo_bof_id = 1) + "
                               "(select sum(boa_amount) from scm_bo_accepted where boa_bof_id = 1)"_s;
        // The register's filters "in work" (k1 > k2 + k3 + k4) and "placed" (k1 = k2 + k3 + k4): exactly
        // the second matches.
        QCOMPARE(db.scalar(u"select case when %1 > %2 then 1 else 0 end + case when %1 = %2 then 2 else 0 end"_s.arg(
                               dialect.roundedAmount(k1), dialect.roundedAmount(placed)))
                     .toInt(),
                 2);
        QCOMPARE(db.scalar(u"select count(*) from vBusinessOfferState1 v join scm_bp_delivery on bpd_bof_id = v.bof_id "
                           "and bpd_pr_id = v.pr_id where v.amount = bpd_amount"_s).toInt(), 1);
        // Rouble amounts split in kopecks into 50–200 parts sum back to the whole.
        const Dialect& d = db.dialect();
        db.exec(u"create temporary table split_part (whole integer not null, part numeric(19,4) not null)"_s);
        QRandomGenerator random(16);
        const int wholes = 60;
        for (int w = 0; w < wholes; ++w) {
            const qint64 kopecks = 5000 + random.bounded(10000000);
            const int parts = 50 + random.bounded(151);
            qint64 left = kopecks;
            QStringList values;
            for (int p = 0; p < parts; ++p) {
                const qint64 k = p == parts - 1 ? left : random.bounded(qint64(1), std::max<qint64>(2, left / (parts - p) * 2));
                left -= k;
                values << u"(%1, %2)"_s.arg(w).arg(Money::fromRaw(k * 100).toString());
            }
            db.exec(u"insert into split_part (whole, part) values "_s + values.join(u", "_s));
            db.exec(u"insert into split_part (whole, part) values (%1, %2)"_s.arg(w + 1000).arg(
                Money::fromRaw(kopecks * 100).toString()));
        }
        QCOMPARE(db.scalar(u"select count(*) from (select whole, %1 as total from split_part where whole < 1000 "
                           "group by whole) s join split_part w on w.whole = s.whole + 1000 where s.total = %2"_s
                               .arg(d.roundedAmount(u"sum(part)"_s), d.roundedAmount(u"w.part"_s)))
                     .toInt(),
                 wholes);
    }

    void refusalsCarryTheNamesEditorsRecognise()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        // A product occurs once in a request.
        expectRefusal(db, u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount) values (1, 1, 3)"_s, {},
                      NativeError::Constraint, u"PK_scm_bp_delivery"_s);
        expectRefusal(db, u"insert into crm_product (PR_ARTICUL, PR_NAME) values ('A-1', 'Дубль')"_s, {},
                      NativeError::UniqueIndex, u"ix_crm_product"_s);
        expectRefusal(db, u"insert into crm_product (PR_ARTICUL) values ('A-9')"_s, {}, NativeError::NotNull, {});
        // A named price needs the supplier's offer of the product.
        db.exec(u"insert into scm_pricename (prn_name) values ('Опт')"_s);
        expectRefusal(db, u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) values (1, 1, 2, 5)"_s,
                      {}, NativeError::Reference, u"FK_CRM_FOREIGNPRICE_scm_artcmap"_s);
        db.exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_artc, sam_price) values (1, 2, 'S-1', 4)"_s);
        db.exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) values (1, 1, 2, 5)"_s);
        expectRefusal(db, u"delete from scm_artcmap where sam_pr_id = 1"_s, {}, NativeError::Reference,
                      u"FK_CRM_FOREIGNPRICE_scm_artcmap"_s);
        // A distributed request line cannot be deleted.
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (1, 1, 1, 4)"_s);
        expectRefusal(db, u"delete from scm_bp_delivery where bpd_bof_id = 1 and bpd_pr_id = 1"_s, {},
                      NativeError::Reference, u"FK_scm_bo_ordered_scm_bp_delivery"_s);
        db.exec(u"delete from scm_bp_delivery where bpd_bof_id = 1 and bpd_pr_id = 2"_s);
        // Nor can the request itself, though its lines follow it otherwise.
        try {
            db.exec(u"delete from scm_business_offer where bof_id = 1"_s);
            QFAIL("a request with distributed lines was deleted");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.nativeError(), NativeError::Reference);
        }
        QCOMPARE(db.scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = 1"_s).toLongLong(), 1);
        db.exec(u"insert into scm_business_offer (bof_person, bof_date) values (1, ?)"_s,
                {QDateTime(QDate(2026, 3, 5), QTime(0, 0))});
        db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount) values (2, 2, 1)"_s);
        db.exec(u"delete from scm_business_offer where bof_id = 2"_s);
        QCOMPARE(db.scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = 2"_s).toLongLong(), 0);
        // Group tree and report catalogue names.
        db.exec(u"insert into crm_productgroups (pg_groupname) values ('Крепёж')"_s);
        db.exec(u"update crm_product set PR_GROUPID = 1 where PR_ID = 1"_s);
        expectRefusal(db, u"delete from crm_productgroups where pg_groupid = 1"_s, {}, NativeError::Reference,
                      u"FK_CRM_PRODUCT_CRM_PRODUCTGROUPS"_s);
        // Keys clear of the folder and reports the schema seeds.
        db.exec(u"insert into FR_REPTREE (IDNODE, NMNODE) values (101, 'Отчёты')"_s);
        db.exec(u"insert into FR_REPORTS (IDREPORT, NMREPORT, IDNODE) values (101, 'Остатки', 101)"_s);
        expectRefusal(db, u"delete from FR_REPTREE where IDNODE = 101"_s, {}, NativeError::Reference,
                      u"FK_FR_REPOR_FRR2RT_FR_REPTR"_s);
        // One quotation per currency and date.
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар США')"_s);
        const QDateTime day(QDate(2026, 3, 2), QTime(0, 0));
        db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 91.5)"_s, {day});
        expectRefusal(db, u"insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 92)"_s, {day},
                      NativeError::Constraint, u"PK_cotirval"_s);
    }

    void headerTotalsFollowTheLines()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        auto offer = [&](const char* col) { return Money::fromVariant(db.scalar(u"select %1 from scm_business_offer where bof_id = 1"_s.arg(QLatin1String(col)))); };
        auto order = [&](const char* col) { return Money::fromVariant(db.scalar(u"select %1 from scm_supplier_order where suo_id = 1"_s.arg(QLatin1String(col)))); };
        QCOMPARE(offer("bof_sum"), money("1250.5"));
        QCOMPARE(order("suo_sum"), money("1000"));
        QCOMPARE(order("suo_sum_valut"), money("12.5"));
        db.exec(u"update scm_bp_delivery set bpd_sum = 100, bpd_sum_valut = 1.25 where bpd_pr_id = 2"_s);
        QCOMPARE(offer("bof_sum"), money("1100"));
        QCOMPARE(offer("bof_sum_valut"), money("1.25"));
        db.exec(u"delete from scm_so_products where sop_pr_id = 1"_s);
        QCOMPARE(order("suo_sum"), money("200"));
        // Compared in SQL, a total of 0.1 + 0.2 is 0.3 on both engines.
        db.exec(u"update scm_bp_delivery set bpd_sum = 0.1 where bpd_pr_id = 1"_s);
        db.exec(u"update scm_bp_delivery set bpd_sum = 0.2 where bpd_pr_id = 2"_s);
        QCOMPARE(db.scalar(u"select count(*) from scm_business_offer where bof_sum = 0.3"_s).toInt(), 1);
        db.exec(u"delete from scm_bp_delivery where bpd_bof_id = 1"_s);
        QCOMPARE(offer("bof_sum"), money("0"));
        QCOMPARE(offer("bof_sum_valut"), money("0"));
    }

    void distributionViewGivesOpenAmounts()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        seedChain(db);
        const QDateTime ship(QDate(2026, 3, 20), QTime(0, 0));
        // Product 1: 10 requested, 3 ordered, 4 confirmed, 2 shipped → 1 open.
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (1, 1, 1, 3)"_s);
        db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum) "
                "values (1, 1, ?, 6, 480)"_s, {ship});
        db.exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
                "values (1, 1, ?, 1, 4)"_s, {ship});
        db.exec(u"insert into scm_waybill (swb_departure_platform, swb_department) values ('Москва', ?)"_s, {ship});
        db.exec(u"insert into scm_delivery (sde_swb_id, sde_supplier, sde_invoice_num, sde_invoice_date) "
                "values (1, 2, 'INV-1', ?)"_s, {ship});
        db.exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2, sdp_sum) "
                "values (1, 1, 1, 2, 2, 160)"_s);
        db.exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
                "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (1, 1, ?, 1, 1, 2, 1, 2)"_s, {ship});
        db.exec(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
                "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (1, 1, ?, 1, 1, 1, 1, 2, 2)"_s, {ship});
        Query q(db, u"select bpd_pr_id, bpd_amount - coalesce(v.amount, 0) from scm_bp_delivery "
                    "left join vBusinessOfferState1 v on v.bof_id = bpd_bof_id and v.pr_id = bpd_pr_id "
                    "where bpd_bof_id = 1 order by bpd_pr_id"_s);
        q.exec();
        QVERIFY(q.next());
        QCOMPARE(Money::fromVariant(q.value(1)), money("1"));
        QVERIFY(q.next());
        QCOMPARE(Money::fromVariant(q.value(1)), money("5"));
        QVERIFY(!q.next());
    }
};

QTEST_GUILESS_MAIN(SchemaTest)
#include "tst_schema.moc"
