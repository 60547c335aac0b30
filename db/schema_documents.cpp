// Rights, contracts and the document chain: requests, supplier orders and their
// stages, proformas, waybills with invoices, warehouse receipts, payments.
#include "db/schemasteps.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

namespace {

const QString PrId = u"PR_ID"_s;
const QString Product = u"crm_product"_s;

} // namespace

void documents(MigrationContext& ctx)
{
    ctx.createTable(Table(u"CRM_SECURITY"_s)
                        .integer(u"SC_ID"_s).notNull()
                        .string(u"SC_DESCR"_s, 255)
                        .integer(u"SC_PARENT_ID"_s).notNull().defaultsTo(u"-1"_s)
                        .integer(u"SC_ALLOWED"_s).defaultsTo(u"1"_s)
                        .integer(u"SC_PARAM_TYPE"_s)
                        .primaryKey(u"PK_CRM_SECURITY"_s, {u"SC_ID"_s})
                        .index(u"ix_crm_security_parent"_s, {u"SC_PARENT_ID"_s}));
    {
        Table t(u"CRM_USERS_SECURITY"_s);
        t.integer(u"USC_SC_ID"_s).notNull()
            .integer(u"USC_US_ID"_s).notNull()
            .string(u"USC_PARAM"_s, 255)
            .primaryKey(u"PK_CRM_USERS_SECURITY"_s, {u"USC_SC_ID"_s, u"USC_US_ID"_s});
        reference(t, u"FK_CRM_USERS_SECURITY_CRM_SECURITY"_s, {u"USC_SC_ID"_s}, u"CRM_SECURITY"_s, {u"SC_ID"_s},
                  RefAction::Cascade);
        reference(t, u"FK_CRM_USERS_SECURITY_CRM_USERS"_s, {u"USC_US_ID"_s}, u"CRM_USERS"_s, {u"US_ID"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }
    {
        Table t(u"crm_dogovors"_s);
        t.identity(u"dg_id"_s)
            .integer(u"dg_par_id"_s).notNull()
            .string(u"dg_number"_s, 30).notNull()
            .string(u"dg_dopnumber"_s, 30)
            .string(u"dg_descr"_s, 100)
            .dateTime(u"dg_date"_s)
            .primaryKey(u"PK_crm_dogovors"_s, {u"dg_id"_s});
        reference(t, u"FK_crm_dogovors_scm_partner"_s, {u"dg_par_id"_s}, u"scm_partner"_s, {u"par_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"crm_stage"_s);
        t.identity(u"st_id"_s)
            .integer(u"st_dg_id"_s).notNull()
            .string(u"st_number"_s, 30).notNull()
            .string(u"ST_DESCR"_s, 100)
            .primaryKey(u"PK_crm_stage"_s, {u"st_id"_s});
        reference(t, u"FK_crm_stage_crm_dogovors"_s, {u"st_dg_id"_s}, u"crm_dogovors"_s, {u"dg_id"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }

    // Buyer requests.
    {
        Table t(u"scm_business_offer"_s);
        t.identity(u"bof_id"_s)
            .integer(u"bof_person"_s).notNull()
            .dateTime(u"bof_date"_s).notNull()
            .dateTime(u"bof_createdate"_s).defaultsToNow()
            .dateTime(u"bof_updatedate"_s).defaultsToNow()
            .string(u"bof_cod_valut"_s, 8).notNull().defaultsTo(u"''"_s)
            .money(u"bof_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"bof_sum_valut"_s).notNull().defaultsTo(u"0"_s)
            .string(u"bof_description"_s, 100)
            .integer(u"bof_user_id"_s)
            .integer(u"bof_dopnomer"_s)
            .string(u"bof_snomer"_s, 20)
            .integer(u"Urgency_ID"_s)
            .dateTime(u"bof_plan_start"_s)
            .dateTime(u"bof_plan_end"_s)
            .boolean(u"bof_accepted"_s).notNull().defaultsTo(u"false"_s)
            .boolean(u"bof_otmetka"_s).notNull().defaultsTo(u"false"_s)
            .integer(u"bof_stage_id"_s)
            .string(u"bof_schet_num"_s, 20)
            .dateTime(u"bof_schet_date"_s)
            .string(u"bof_schet_dop_num"_s, 20)
            .primaryKey(u"PK_scm_business_offer"_s, {u"bof_id"_s})
            .index(u"ix_scm_business_offer_date"_s, {u"bof_date"_s});
        reference(t, u"FK_scm_business_offer_scm_partner"_s, {u"bof_person"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_business_offer_CRM_USERS"_s, {u"bof_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        reference(t, u"FK_scm_business_offer_SCM_Library_Urgency"_s, {u"Urgency_ID"_s}, u"SCM_Library_Urgency"_s,
                  {u"Urgency_ID"_s}, RefAction::SetNull);
        reference(t, u"FK_scm_business_offer_crm_stage"_s, {u"bof_stage_id"_s}, u"crm_stage"_s, {u"st_id"_s},
                  RefAction::SetNull);
        ctx.createTable(t);
    }
    {
        Table t(u"scm_bp_delivery"_s);
        t.integer(u"bpd_bof_id"_s).notNull()
            .integer(u"bpd_pr_id"_s).notNull()
            .decimal(u"bpd_amount"_s).notNull().defaultsTo(u"1"_s)
            .dateTime(u"bpd_deliverydate"_s)
            .money(u"bpd_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"bpd_sum_valut"_s).notNull().defaultsTo(u"0"_s)
            .string(u"bpd_description"_s, 50)
            .primaryKey(u"PK_scm_bp_delivery"_s, {u"bpd_bof_id"_s, u"bpd_pr_id"_s});
        reference(t, u"FK_scm_bp_delivery_scm_business_offer"_s, {u"bpd_bof_id"_s}, u"scm_business_offer"_s,
                  {u"bof_id"_s}, RefAction::Cascade);
        reference(t, u"FK_scm_bp_delivery_crm_product"_s, {u"bpd_pr_id"_s}, Product, {PrId});
        ctx.createTable(t);
    }

    // Supplier orders.
    {
        Table t(u"scm_supplier_order"_s);
        t.identity(u"suo_id"_s)
            .integer(u"suo_supplier"_s).notNull()
            .dateTime(u"suo_date"_s).notNull()
            .string(u"suo_cod_valut"_s, 8).notNull().defaultsTo(u"''"_s)
            .money(u"suo_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"suo_sum_valut"_s).notNull().defaultsTo(u"0"_s)
            .boolean(u"suo_accepted"_s).notNull().defaultsTo(u"false"_s)
            .boolean(u"suo_waiting"_s).notNull().defaultsTo(u"true"_s)
            .boolean(u"suo_otmetka"_s).notNull().defaultsTo(u"false"_s)
            .string(u"suo_description"_s, 100).notNull()
            .integer(u"suo_dopnomer"_s)
            .string(u"suo_snomer"_s, 20)
            .integer(u"Urgency_ID"_s)
            .integer(u"suo_id_sclad"_s)
            .integer(u"suo_dg_id"_s)
            .integer(u"suo_stage_id"_s)
            .dateTime(u"suo_plan_start"_s)
            .dateTime(u"suo_plan_end"_s)
            .money(u"suo_plan_surcharge"_s)
            .integer(u"suo_user_id"_s)
            .dateTime(u"suo_createdate"_s).defaultsToNow()
            .dateTime(u"suo_updatedate"_s).defaultsToNow()
            .primaryKey(u"PK_scm_supplier_order"_s, {u"suo_id"_s})
            .index(u"ix_scm_supplier_order_date"_s, {u"suo_date"_s});
        reference(t, u"FK_scm_supplier_order_scm_partner"_s, {u"suo_supplier"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_supplier_order_CRM_USERS"_s, {u"suo_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        reference(t, u"FK_scm_supplier_order_SCM_Library_Urgency"_s, {u"Urgency_ID"_s}, u"SCM_Library_Urgency"_s,
                  {u"Urgency_ID"_s}, RefAction::SetNull);
        reference(t, u"FK_scm_supplier_order_SCLAD_R"_s, {u"suo_id_sclad"_s}, u"SCLAD_R"_s, {u"ID_SCLAD"_s});
        reference(t, u"FK_scm_supplier_order_crm_dogovors"_s, {u"suo_dg_id"_s}, u"crm_dogovors"_s, {u"dg_id"_s});
        reference(t, u"FK_scm_supplier_order_crm_stage"_s, {u"suo_stage_id"_s}, u"crm_stage"_s, {u"st_id"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_so_products"_s);
        t.integer(u"sop_suo_id"_s).notNull()
            .integer(u"sop_pr_id"_s).notNull()
            .dateTime(u"sop_deliverydate"_s)
            .decimal(u"sop_amount"_s).notNull().defaultsTo(u"1"_s)
            .money(u"sop_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"sop_sum_valut"_s).notNull().defaultsTo(u"0"_s)
            .floating(u"sop_ball"_s).defaultsTo(u"0"_s)
            .string(u"sop_mark"_s, 100)
            .primaryKey(u"PK_scm_so_products"_s, {u"sop_suo_id"_s, u"sop_pr_id"_s});
        reference(t, u"FK_scm_so_products_scm_supplier_order"_s, {u"sop_suo_id"_s}, u"scm_supplier_order"_s,
                  {u"suo_id"_s}, RefAction::Cascade);
        reference(t, u"FK_scm_so_products_crm_product"_s, {u"sop_pr_id"_s}, Product, {PrId});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_bo_ordered"_s);
        t.integer(u"bpo_bof_id"_s).notNull()
            .integer(u"bpo_pr_id"_s).notNull()
            .integer(u"bpo_suo_id"_s).notNull()
            .decimal(u"bpo_amount"_s).notNull()
            .primaryKey(u"PK_scm_bo_ordered"_s, {u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_suo_id"_s});
        reference(t, u"FK_scm_bo_ordered_scm_bp_delivery"_s, {u"bpo_bof_id"_s, u"bpo_pr_id"_s}, u"scm_bp_delivery"_s,
                  {u"bpd_bof_id"_s, u"bpd_pr_id"_s});
        reference(t, u"FK_scm_bo_ordered_scm_so_products"_s, {u"bpo_suo_id"_s, u"bpo_pr_id"_s}, u"scm_so_products"_s,
                  {u"sop_suo_id"_s, u"sop_pr_id"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_Proforma"_s);
        t.identity(u"pf_id"_s)
            .string(u"pf_snomer"_s, 20)
            .integer(u"pf_dopnomer"_s).notNull()
            .integer(u"pf_supplier"_s).notNull()
            .money(u"pf_sum"_s).notNull().defaultsTo(u"0"_s)
            .dateTime(u"pf_date"_s).notNull()
            .string(u"pf_cod_valut"_s, 8).notNull().defaultsTo(u"''"_s)
            .string(u"pf_plan_oplat"_s, 100)
            .money(u"pf_surcharge"_s).notNull().defaultsTo(u"0"_s)
            .integer(u"pf_user_id"_s)
            .primaryKey(u"PK_scm_Proforma"_s, {u"pf_id"_s})
            .index(u"ix_scm_proforma_date"_s, {u"pf_date"_s});
        reference(t, u"FK_scm_Proforma_scm_partner"_s, {u"pf_supplier"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_Proforma_CRM_USERS"_s, {u"pf_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_so_accepted"_s);
        t.integer(u"soa_suo_id"_s).notNull()
            .integer(u"soa_pr_id"_s).notNull()
            .dateTime(u"soa_deliverydate"_s).notNull()
            .decimal(u"soa_amount"_s).notNull()
            .money(u"soa_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"soa_sum_valut"_s).notNull().defaultsTo(u"0"_s)
            .integer(u"soa_pf_id"_s)
            .primaryKey(u"PK_scm_so_accepted"_s, {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s});
        reference(t, u"FK_scm_so_accepted_scm_so_products"_s, {u"soa_suo_id"_s, u"soa_pr_id"_s}, u"scm_so_products"_s,
                  {u"sop_suo_id"_s, u"sop_pr_id"_s});
        reference(t, u"FK_scm_so_accepted_scm_Proforma"_s, {u"soa_pf_id"_s}, u"scm_Proforma"_s, {u"pf_id"_s},
                  RefAction::SetNull);
        ctx.createTable(t);
    }
    {
        Table t(u"scm_bo_accepted"_s);
        t.integer(u"boa_suo_id"_s).notNull()
            .integer(u"boa_pr_id"_s).notNull()
            .dateTime(u"boa_soa_deliverydate"_s).notNull()
            .integer(u"boa_bof_id"_s).notNull()
            .decimal(u"boa_amount"_s).notNull()
            .primaryKey(u"PK_scm_bo_accepted"_s,
                        {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s, u"boa_bof_id"_s});
        reference(t, u"FK_scm_bo_accepted_scm_so_accepted"_s,
                  {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s}, u"scm_so_accepted"_s,
                  {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s});
        reference(t, u"FK_scm_bo_accepted_scm_bp_delivery"_s, {u"boa_bof_id"_s, u"boa_pr_id"_s}, u"scm_bp_delivery"_s,
                  {u"bpd_bof_id"_s, u"bpd_pr_id"_s});
        ctx.createTable(t);
    }

    // Delivery: waybills, transports, supplier invoices and their goods.
    {
        Table t(u"scm_waybill"_s);
        t.identity(u"swb_id"_s)
            .string(u"swb_departure_platform"_s, 30).notNull()
            .string(u"swb_arrival_platform"_s, 30)
            .string(u"swb_car_id"_s, 10)
            .string(u"swb_car_doc_id"_s, 10)
            .dateTime(u"swb_plan_arrival_date"_s)
            .dateTime(u"swb_arrival_date"_s)
            .string(u"swb_delivery_condition"_s, 5)
            .money(u"swb_transport_tariff"_s)
            .dateTime(u"swb_department"_s).notNull()
            .dateTime(u"swb_createdate"_s).defaultsToNow()
            .dateTime(u"swb_updatedate"_s).defaultsToNow()
            .string(u"swb_stepname"_s, 50)
            .string(u"swb_consignor"_s, 50)
            .dateTime(u"swb_stepdate"_s)
            .integer(u"swb_dopnomer"_s)
            .string(u"swb_snomer"_s, 20)
            .decimal(u"swb_weight"_s)
            .decimal(u"swb_volume"_s)
            .primaryKey(u"PK_scm_waybill"_s, {u"swb_id"_s})
            .index(u"ix_scm_waybill_department"_s, {u"swb_department"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_route"_s);
        t.identity(u"srt_id"_s)
            .string(u"srt_unic"_s, 20)
            .string(u"srt_transport"_s, 20)
            .integer(u"srt_transporter"_s).notNull()
            .string(u"srt_agent"_s, 50)
            .string(u"srt_departure"_s, 30)
            .string(u"srt_arrival"_s, 30)
            .dateTime(u"srt_departure_date"_s)
            .dateTime(u"srt_plan_arrival_date"_s)
            .dateTime(u"srt_arrival_date"_s)
            .money(u"srt_sum"_s)
            .string(u"srt_currency"_s, 8)
            .floating(u"srt_weightb"_s)
            .integer(u"srt_user_id"_s)
            .primaryKey(u"PK_scm_route"_s, {u"srt_id"_s})
            .index(u"ix_scm_route_departure_date"_s, {u"srt_departure_date"_s});
        reference(t, u"FK_scm_route_scm_partner"_s, {u"srt_transporter"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_route_CRM_USERS"_s, {u"srt_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_delivery"_s);
        t.identity(u"sde_id"_s)
            .integer(u"sde_swb_id"_s).notNull()
            .string(u"sde_currency"_s, 8).notNull().defaultsTo(u"''"_s)
            .dateTime(u"sde_createdate"_s).defaultsToNow()
            .dateTime(u"sde_updatedate"_s).defaultsToNow()
            .integer(u"sde_supplier"_s).notNull()
            .string(u"sde_invoice_num"_s, 30).notNull()
            .dateTime(u"sde_invoice_date"_s).notNull()
            .integer(u"sde_dg_id"_s)
            .integer(u"sde_stage_id"_s)
            .integer(u"sde_id_sclad"_s)
            .integer(u"sde_complited"_s).notNull().defaultsTo(u"0"_s)
            .string(u"sde_unic"_s, 30)
            .decimal(u"sde_weightb"_s)
            .integer(u"sde_boxes"_s)
            .money(u"sde_tarif"_s)
            .integer(u"sde_user_id"_s)
            .integer(u"sde_srt_id"_s)
            .primaryKey(u"PK_scm_delivery"_s, {u"sde_id"_s})
            .index(u"ix_scm_delivery_invoice_date"_s, {u"sde_invoice_date"_s});
        reference(t, u"FK_scm_delivery_scm_waybill"_s, {u"sde_swb_id"_s}, u"scm_waybill"_s, {u"swb_id"_s});
        reference(t, u"FK_scm_delivery_scm_partner"_s, {u"sde_supplier"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_delivery_crm_dogovors"_s, {u"sde_dg_id"_s}, u"crm_dogovors"_s, {u"dg_id"_s});
        reference(t, u"FK_scm_delivery_crm_stage"_s, {u"sde_stage_id"_s}, u"crm_stage"_s, {u"st_id"_s});
        reference(t, u"FK_scm_delivery_SCLAD_R"_s, {u"sde_id_sclad"_s}, u"SCLAD_R"_s, {u"ID_SCLAD"_s});
        reference(t, u"FK_scm_delivery_CRM_USERS"_s, {u"sde_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        reference(t, u"FK_scm_delivery_scm_route"_s, {u"sde_srt_id"_s}, u"scm_route"_s, {u"srt_id"_s},
                  RefAction::SetNull);
        ctx.createTable(t);
    }
    {
        Table t(u"scm_routedelivery"_s);
        t.integer(u"srd_srt_id"_s).notNull()
            .integer(u"srd_sde_id"_s).notNull()
            .integer(u"srd_swb_id"_s)
            .primaryKey(u"PK_scm_routedelivery"_s, {u"srd_srt_id"_s, u"srd_sde_id"_s});
        reference(t, u"FK_scm_routedelivery_scm_route"_s, {u"srd_srt_id"_s}, u"scm_route"_s, {u"srt_id"_s},
                  RefAction::Cascade);
        reference(t, u"FK_scm_routedelivery_scm_delivery"_s, {u"srd_sde_id"_s}, u"scm_delivery"_s, {u"sde_id"_s});
        reference(t, u"FK_scm_routedelivery_scm_waybill"_s, {u"srd_swb_id"_s}, u"scm_waybill"_s, {u"swb_id"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_deliveredProduct"_s);
        t.integer(u"sdp_swb_id"_s).notNull()
            .integer(u"sdp_sde_id"_s).notNull()
            .integer(u"sdp_pr_id"_s).notNull()
            .decimal(u"sdp_amount"_s).notNull()
            .decimal(u"sdp_amount2"_s).notNull()
            .money(u"sdp_sum"_s).notNull().defaultsTo(u"0"_s)
            .money(u"sdp_sum_val"_s).notNull().defaultsTo(u"0"_s)
            .string(u"sdp_certnum"_s, 30)
            .dateTime(u"sdp_certdate"_s)
            .string(u"sdp_certorg"_s, 100)
            .decimal(u"sdp_weight"_s)
            .decimal(u"sdp_volume"_s)
            .primaryKey(u"PK_scm_deliveredProduct"_s, {u"sdp_sde_id"_s, u"sdp_pr_id"_s});
        reference(t, u"FK_scm_deliveredProduct_scm_delivery"_s, {u"sdp_sde_id"_s}, u"scm_delivery"_s,
                  {u"sde_id"_s}, RefAction::Cascade);
        reference(t, u"FK_scm_deliveredProduct_scm_waybill"_s, {u"sdp_swb_id"_s}, u"scm_waybill"_s, {u"swb_id"_s});
        reference(t, u"FK_scm_deliveredProduct_crm_product"_s, {u"sdp_pr_id"_s}, Product, {PrId});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_order_invoice"_s);
        t.integer(u"sdi_pr_id"_s).notNull()
            .integer(u"sdi_suo_id"_s).notNull()
            .dateTime(u"sdi_soa_deliverydate"_s).notNull()
            .integer(u"sdi_sde_id"_s).notNull()
            .integer(u"sdi_swb_id"_s).notNull()
            .decimal(u"sdi_amount"_s).notNull()
            .integer(u"sdi_sdp_pr_id"_s).notNull()
            .decimal(u"sdi_sdp_amount"_s)
            .primaryKey(u"PK_scm_order_invoice"_s, {u"sdi_sde_id"_s, u"sdi_sdp_pr_id"_s, u"sdi_suo_id"_s,
                                                   u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s});
        reference(t, u"FK_scm_order_invoice_scm_so_accepted"_s,
                  {u"sdi_suo_id"_s, u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s}, u"scm_so_accepted"_s,
                  {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s});
        reference(t, u"FK_scm_order_invoice_scm_deliveredProduct"_s, {u"sdi_sde_id"_s, u"sdi_sdp_pr_id"_s},
                  u"scm_deliveredProduct"_s, {u"sdp_sde_id"_s, u"sdp_pr_id"_s});
        reference(t, u"FK_scm_order_invoice_scm_waybill"_s, {u"sdi_swb_id"_s}, u"scm_waybill"_s, {u"swb_id"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_offer_invoice"_s);
        t.integer(u"soi_pr_id"_s).notNull()
            .integer(u"soi_suo_id"_s).notNull()
            .dateTime(u"soi_soa_deliverydate"_s).notNull()
            .integer(u"soi_sde_id"_s).notNull()
            .integer(u"soi_swb_id"_s).notNull()
            .integer(u"soi_bof_id"_s).notNull()
            .integer(u"soi_sdp_pr_id"_s).notNull()
            .decimal(u"soi_amount"_s).notNull()
            .decimal(u"soi_sdp_amount"_s)
            .primaryKey(u"PK_scm_offer_invoice"_s, {u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s,
                                                   u"soi_pr_id"_s, u"soi_soa_deliverydate"_s, u"soi_bof_id"_s});
        reference(t, u"FK_scm_offer_invoice_scm_order_invoice"_s,
                  {u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s, u"soi_pr_id"_s, u"soi_soa_deliverydate"_s},
                  u"scm_order_invoice"_s,
                  {u"sdi_sde_id"_s, u"sdi_sdp_pr_id"_s, u"sdi_suo_id"_s, u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s});
        reference(t, u"FK_scm_offer_invoice_scm_bp_delivery"_s, {u"soi_bof_id"_s, u"soi_pr_id"_s},
                  u"scm_bp_delivery"_s, {u"bpd_bof_id"_s, u"bpd_pr_id"_s});
        reference(t, u"FK_scm_offer_invoice_scm_waybill"_s, {u"soi_swb_id"_s}, u"scm_waybill"_s, {u"swb_id"_s});
        ctx.createTable(t);
    }

    // Warehouse receipts: the movement journal and its link to the chain.
    {
        Table t(u"scl_move"_s);
        t.identity(u"recno"_s)
            .integer(u"id_sclad"_s).notNull()
            .string(u"name_predm"_s, 20).notNull()
            .string(u"typdocm_pr"_s, 1).notNull()
            .string(u"numdocm_pr"_s, 20)
            .dateTime(u"date_predm"_s).notNull()
            .decimal(u"kolc_predm"_s).notNull()
            .money(u"cena_predm"_s)
            .string(u"n_user"_s, 8)
            .integer(u"stnd_uchet"_s).defaultsTo(u"0"_s)
            .primaryKey(u"PK_scl_move"_s, {u"recno"_s})
            .index(u"ix_scl_move_article_date"_s, {u"name_predm"_s, u"date_predm"_s})
            .index(u"ix_scl_move_date"_s, {u"date_predm"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"SCM_TOMOVE"_s);
        t.integer(u"recno"_s).notNull()
            .integer(u"soi_bof_id"_s)
            .integer(u"soi_pr_id"_s).notNull()
            .integer(u"soi_suo_id"_s).notNull()
            .dateTime(u"soi_soa_deliverydate"_s)
            .integer(u"soi_swb_id"_s)
            .integer(u"soi_sde_id"_s).notNull()
            .integer(u"soi_sdp_pr_id"_s).notNull()
            .primaryKey(u"PK_SCM_TOMOVE"_s, {u"recno"_s})
            .index(u"ix_scm_tomove_invoice"_s, {u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s})
            .index(u"ix_scm_tomove_offer"_s, {u"soi_bof_id"_s, u"soi_pr_id"_s});
        reference(t, u"FK_SCM_TOMOVE_scl_move"_s, {u"recno"_s}, u"scl_move"_s, {u"recno"_s}, RefAction::Cascade);
        t.foreignKey(u"FK_SCM_TOMOVE_scm_deliveredProduct"_s, {u"soi_sde_id"_s, u"soi_sdp_pr_id"_s},
                     u"scm_deliveredProduct"_s, {u"sdp_sde_id"_s, u"sdp_pr_id"_s});
        ctx.createTable(t);
    }

    // Payments.
    {
        Table t(u"scm_payshedule"_s);
        t.integer(u"sps_pf_id"_s).notNull()
            .dateTime(u"sps_date"_s).notNull()
            .money(u"sps_sum"_s).notNull()
            .dateTime(u"sps_updatedate"_s).defaultsToNow()
            .primaryKey(u"PK_scm_payshedule"_s, {u"sps_pf_id"_s, u"sps_date"_s});
        reference(t, u"FK_scm_payshedule_scm_Proforma"_s, {u"sps_pf_id"_s}, u"scm_Proforma"_s, {u"pf_id"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }
    {
        Table t(u"scm_payments"_s);
        t.identity(u"spm_id"_s)
            .integer(u"spm_payer"_s).notNull()
            .integer(u"spm_recipient"_s).notNull()
            .dateTime(u"spm_date"_s).notNull()
            .money(u"spm_sum"_s).notNull()
            .string(u"spm_cod_valut"_s, 8).notNull().defaultsTo(u"''"_s)
            .money(u"spm_sum2"_s)
            .string(u"spm_cod_valut2"_s, 8)
            .string(u"spm_inum"_s, 20).notNull()
            .string(u"spm_snum"_s, 20).notNull()
            .boolean(u"spm_nal"_s).notNull().defaultsTo(u"false"_s)
            .dateTime(u"spm_updatedate"_s).defaultsToNow()
            .integer(u"spm_user_id"_s)
            .integer(u"spm_unicum_plt"_s)
            .primaryKey(u"PK_scm_payments"_s, {u"spm_id"_s})
            .index(u"ix_scm_payments_date"_s, {u"spm_date"_s});
        reference(t, u"FK_scm_payments_payer"_s, {u"spm_payer"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_payments_recipient"_s, {u"spm_recipient"_s}, u"scm_partner"_s, {u"par_ID"_s});
        reference(t, u"FK_scm_payments_CRM_USERS"_s, {u"spm_user_id"_s}, u"CRM_USERS"_s, {u"US_ID"_s});
        ctx.createTable(t);
    }
    {
        Table t(u"scm_pfpayment"_s);
        t.integer(u"spp_spm_id"_s).notNull()
            .integer(u"spp_pf_id"_s).notNull()
            .money(u"spp_sum"_s).notNull()
            .primaryKey(u"PK_scm_pfpayment"_s, {u"spp_spm_id"_s, u"spp_pf_id"_s});
        reference(t, u"FK_scm_pfpayment_scm_payments"_s, {u"spp_spm_id"_s}, u"scm_payments"_s, {u"spm_id"_s},
                  RefAction::Cascade);
        reference(t, u"FK_scm_pfpayment_scm_Proforma"_s, {u"spp_pf_id"_s}, u"scm_Proforma"_s, {u"pf_id"_s});
        ctx.createTable(t);
    }
    // Warehouse accounting payment (export target) and its bank details.
    ctx.createTable(Table(u"SCL_PLAT"_s)
                        .integer(u"UNICUM_PLT"_s).notNull()
                        .string(u"NUM_PLT"_s, 20)
                        .integer(u"TYPE_PLT"_s).defaultsTo(u"0"_s)
                        .dateTime(u"DATE_PLT"_s)
                        .money(u"SUM_RUB"_s)
                        .money(u"SUM_VALT"_s)
                        .string(u"COD_VALT"_s, 8)
                        .string(u"NAME_POL"_s, 110)
                        .string(u"OSNOVANIE"_s, 255)
                        .string(u"TEXT_PLT"_s, 255)
                        .boolean(u"BEZNAL"_s).defaultsTo(u"true"_s)
                        .integer(u"ID_SCLAD"_s)
                        .string(u"MY_ORG"_s, 8)
                        .string(u"SOURCE_PLT"_s, 20)
                        .dateTime(u"DATE_CREATE"_s).defaultsToNow()
                        .string(u"FAMILY"_s, 20)
                        .primaryKey(u"PK_SCL_PLAT"_s, {u"UNICUM_PLT"_s})
                        .index(u"ix_scl_plat_date"_s, {u"DATE_PLT"_s}));
    {
        Table t(u"SCL_ADDP"_s);
        t.integer(u"UNICUM_PLT"_s).notNull()
            .string(u"NAME_PLAT"_s, 110)
            .string(u"BANK_PLAT"_s, 100)
            .string(u"TOWN_PLAT"_s, 28)
            .string(u"COD_B_PLAT"_s, 20)
            .string(u"SCT_B_PLAT"_s, 40)
            .string(u"SCT_2_PLAT"_s, 40)
            .string(u"INN_PLAT"_s, 12)
            .string(u"KPP_PLAT"_s, 12)
            .string(u"NAME_POL"_s, 110)
            .string(u"BANK_POL"_s, 100)
            .string(u"TOWN_POL"_s, 28)
            .string(u"COD_B_POL"_s, 20)
            .string(u"SCT_B_POL"_s, 40)
            .string(u"SCT_2_POL"_s, 40)
            .string(u"INN_POL"_s, 12)
            .string(u"KPP_POL"_s, 12)
            .primaryKey(u"PK_SCL_ADDP"_s, {u"UNICUM_PLT"_s});
        reference(t, u"FK_SCL_ADDP_SCL_PLAT"_s, {u"UNICUM_PLT"_s}, u"SCL_PLAT"_s, {u"UNICUM_PLT"_s},
                  RefAction::Cascade);
        ctx.createTable(t);
    }
    ctx.createTable(Table(u"_reclama"_s)
                        .identity(u"id_reclama"_s)
                        .string(u"signific"_s, 50).notNull()
                        .dateTime(u"date_reclama"_s).defaultsToNow()
                        .primaryKey(u"PK__reclama"_s, {u"id_reclama"_s}));
}

} // namespace Tarvo::Data::SchemaSteps
