// The schema's numbered steps. A step, once released, is never changed: later
// changes come as new steps.
#include "data/engine/migration.h"
#include "db/schemasteps.h"
#include "db/totalstriggers.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"

namespace Tarvo::Data {

namespace {

void m0001_settings(MigrationContext& ctx)
{
    ctx.createTable(Table(QStringLiteral("scm_parametrs"))
                        .string(QStringLiteral("inside_name_nastr"), 50)
                        .notNull()
                        .string(QStringLiteral("value_nastr"), 200)
                        .primaryKey(QStringLiteral("PK_scm_parametrs"), {QStringLiteral("inside_name_nastr")}));
    ctx.createTable(Table(QStringLiteral("SCL_CONFIG"))
                        .identity(QStringLiteral("CF_ID"))
                        .integer(QStringLiteral("CF_TYPE"))
                        .notNull()
                        .string(QStringLiteral("CF_DESCR"), 100)
                        .notNull()
                        .bytes(QStringLiteral("CF_UST"))
                        .primaryKey(QStringLiteral("PK_SCL_CONFIG"), {QStringLiteral("CF_ID")})
                        .unique(QStringLiteral("ix_scl_config_descr"), {QStringLiteral("CF_TYPE"), QStringLiteral("CF_DESCR")}));
    ctx.createTable(Table(QStringLiteral("CRM_USERS"))
                        .identity(QStringLiteral("US_ID"))
                        .string(QStringLiteral("US_LOGIN"), 20)
                        .notNull()
                        .string(QStringLiteral("US_NAME"), 60)
                        .string(QStringLiteral("US_DEP"), 60)
                        .string(QStringLiteral("US_POSITION"), 60)
                        .string(QStringLiteral("US_DESCR"), 60)
                        .string(QStringLiteral("US_EMAILINSIDE"), 60)
                        .string(QStringLiteral("US_EMAIL"), 60)
                        .string(QStringLiteral("US_PHONEINSIDE"), 10)
                        .string(QStringLiteral("US_PHONE"), 20)
                        .string(QStringLiteral("US_PHONE_MOB"), 20)
                        .string(QStringLiteral("US_ROOMNUM"), 10)
                        .dateTime(QStringLiteral("US_DATEBRD"))
                        .dateTime(QStringLiteral("US_DATEIN"))
                        .dateTime(QStringLiteral("US_DATEOUT"))
                        .string(QStringLiteral("US_NOTE"), 60)
                        .integer(QStringLiteral("US_PWD_MODE"))
                        .defaultsTo(QStringLiteral("0"))
                        .bytes(QStringLiteral("US_PWD"), 250)
                        .boolean(QStringLiteral("US_ACTIVE"))
                        .defaultsTo(QStringLiteral("true"))
                        .boolean(QStringLiteral("US_NEW_SECUR_ACTIVE"))
                        .defaultsTo(QStringLiteral("false"))
                        .primaryKey(QStringLiteral("PK_CRM_USERS"), {QStringLiteral("US_ID")})
                        .unique(QStringLiteral("ix_crm_users_login"), {QStringLiteral("US_LOGIN")}));
}

const QList<TotalsRule>& totalsRules()
{
    static const QList<TotalsRule> rules{
        {QStringLiteral("scm_business_offer"), QStringLiteral("bof_id"), QStringLiteral("scm_bp_delivery"),
         QStringLiteral("bpd_bof_id"), {QStringLiteral("bof_sum"), QStringLiteral("bof_sum_valut")},
         {QStringLiteral("bpd_sum"), QStringLiteral("bpd_sum_valut")}},
        {QStringLiteral("scm_supplier_order"), QStringLiteral("suo_id"), QStringLiteral("scm_so_products"),
         QStringLiteral("sop_suo_id"), {QStringLiteral("suo_sum"), QStringLiteral("suo_sum_valut")},
         {QStringLiteral("sop_sum"), QStringLiteral("sop_sum_valut")}},
    };
    return rules;
}

void m0005_documentTotals(MigrationContext& ctx)
{
    for (const TotalsRule& rule : totalsRules())
        for (const QString& sql : TotalsTriggers::create(ctx.db().engine(), rule))
            ctx.exec(sql);
}

// Totals rounded to 4 decimals (floating sums on SQLite) in databases made before.
void m0010_roundedTotals(MigrationContext& ctx)
{
    for (const TotalsRule& rule : totalsRules()) {
        for (const QString& sql : TotalsTriggers::drop(ctx.db().engine(), rule))
            ctx.exec(sql);
        for (const QString& sql : TotalsTriggers::create(ctx.db().engine(), rule))
            ctx.exec(sql);
        QStringList sets;
        for (const QString& c : rule.sumColumns)
            sets << QStringLiteral("%1 = %2").arg(c, ctx.db().dialect().roundedAmount(c));
        ctx.exec(QStringLiteral("update %1 set %2").arg(rule.header, sets.join(QStringLiteral(", "))));
    }
}

// The header totals follow only the lines' keys and sums, not every column a stage trigger
// updates on the lines.
void m0014_totalsOnSums(MigrationContext& ctx)
{
    for (const TotalsRule& rule : totalsRules()) {
        for (const QString& sql : TotalsTriggers::drop(ctx.db().engine(), rule))
            ctx.exec(sql);
        for (const QString& sql : TotalsTriggers::create(ctx.db().engine(), rule))
            ctx.exec(sql);
    }
}

// A supplier's assortment read in product order, a batch at a time (the order's product picker).
void m0015_assortmentBySupplierAndProduct(MigrationContext& ctx)
{
    ctx.createIndex(QStringLiteral("scm_artcmap"),
                    Index{QStringLiteral("ix_scm_artcmap_prv_pr"),
                          {QStringLiteral("sam_prv_id"), QStringLiteral("sam_pr_id")}, false});
}

} // namespace

const QList<Migration>& schemaMigrations()
{
    static const QList<Migration> all{
        {1, QStringLiteral("Параметры программы, настройки и пользователи"), m0001_settings},
        {2, QStringLiteral("Справочники, контрагенты, склад и каталог товаров"), SchemaSteps::catalog},
        {3, QStringLiteral("Права, договоры, документы цепочки и платежи"), SchemaSteps::documents},
        {4, QStringLiteral("Отчёты и представление распределения заявок"), SchemaSteps::reports},
        {5, QStringLiteral("Итоги заявок и заказов из строк"), m0005_documentTotals},
        {6, QStringLiteral("Колонки контрагентов склада и выгрузки платежей"), SchemaSteps::partnerAndExportColumns},
        {7, QStringLiteral("Признаки да/нет как 1 и 0"), SchemaSteps::yesNoColumns},
        {8, QStringLiteral("Предки групп товаров поддерживает база данных"), SchemaSteps::groupAncestors},
        {9, QStringLiteral("Распределённое количество в строках заявок"), SchemaSteps::offerStateView},
        {10, QStringLiteral("Итоги заявок и заказов с округлением до 4 знаков"), m0010_roundedTotals},
        {11, QStringLiteral("Приходы склада ссылаются на отгрузки заявок"), SchemaSteps::receiptReference},
        {12, QStringLiteral("Новые права доступа по умолчанию получают и новые сотрудники"),
         SchemaSteps::newRightsByDefault},
        {13, QStringLiteral("Подтверждённые строки заказов покрывают распределение по заявкам и отгрузки"),
         SchemaSteps::acceptedLimits},
        {14, QStringLiteral("Итоги заявок и заказов пересчитываются только при изменении сумм строк"),
         m0014_totalsOnSums},
        {15, QStringLiteral("Ассортимент поставщика по порядку товаров"), m0015_assortmentBySupplierAndProduct},
        {16, QStringLiteral("Места вызова отчетов и поставляемые отчеты"), SchemaSteps::reportPlaces},
        {17, QStringLiteral("Валюта поставщика в платежах: рубли вместо пустого значения"),
         SchemaSteps::paymentCurrencyCodes},
        {18, QStringLiteral("Отложенные артикулы прайс-листов поставщиков"), SchemaSteps::unhandledProducts},
    };
    return all;
}

} // namespace Tarvo::Data
