#include "db/volumegenerator.h"

#include "data/engine/database.h"
#include "data/engine/money.h"
#include "db/bulkinserter.h"
#include "db/demodata.h"
#include "db/plannerstatistics.h"
#include "db/volume_payments.h"
#include "db/volume_pricesupplier.h"
#include "db/volume_proformas.h"
#include "db/volumeforming.h"
#include "db/volumewaybills.h"
#include "core/exception.h"

#include <QDateTime>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

constexpr int Suppliers = 50;
constexpr int OffersPerProduct = 5;
constexpr int PriceKinds = 3;
constexpr int RequestsPerOrder = 5;
constexpr int LinesPerRequest = 10;
constexpr int Buyers = 500;
constexpr int RootGroups = 20;
constexpr int SubGroups = 10;
// One order far larger than the others, as a confirmation editor meets it now and then.
constexpr int BigOrderLines = 2000;
constexpr int BigOrderConfirmed = 1000;
constexpr int UsdRate = 90;
constexpr int ContractsPerSupplier = 2;
constexpr int StagesPerContract = 3;
constexpr int UrgencyKinds = 3;

Money priceOf(qint64 product)
{
    return Money::fromRaw((100 + (product * 37) % 50000) * 1000);
}

Money costOf(qint64 product)
{
    return Money::fromRaw(priceOf(product).raw() * 7 / 10);
}

QDateTime day(int offset)
{
    return QDateTime(DemoData::anchorDate().addDays(offset), QTime(0, 0));
}

} // namespace

VolumeGenerator::VolumeGenerator(Database& db, double scale) : m_db(db)
{
    // Each order holds 50 distinct products of one supplier: the catalog needs 2500 at least.
    m_products = std::max<qint64>(2500, std::llround(200000 * scale));
    m_orders = std::max<qint64>(1, std::llround(20000 * scale));
    m_requests = m_orders * RequestsPerOrder;
}

int VolumeGenerator::bigOrderLines()
{
    return BigOrderLines;
}

qint64 VolumeGenerator::run()
{
    qint64 total = 0;
    const auto done = [&](BulkInserter& b, const QString& name) {
        b.flush();
        total += b.rowCount();
        if (m_progress)
            m_progress(name, b.rowCount());
    };
    // Checked inside the transaction, as the demo fill does: a second loader waits, then is refused.
    Transaction tx(m_db);
    if (!DemoData::isEmpty(m_db))
        throw Exception(u"База данных не пуста: объёмные данные загружаются только в пустую базу"_s);
    m_db.exec(u"insert into SCLAD_R (ID_SCLAD, NAME_SCLAD) values (1, 'Основной склад')"_s);
    m_db.exec(u"insert into CRM_USERS (US_ID, US_LOGIN, US_NAME, US_DEP) values (1, 'Админ', 'Админ', 'Отдел закупок')"_s);
    {
        BulkInserter partner(m_db, u"_partner"_s, {u"N_USER"_s, u"NAME_USER"_s, u"MY_ORGANIZ"_s});
        BulkInserter scm(m_db, u"scm_partner"_s, {u"par_ID"_s, u"par_nuser"_s});
        scm.after(partner);
        for (int i = 1; i <= Suppliers + Buyers; ++i) {
            const bool supplier = i <= Suppliers;
            const QString nuser = (supplier ? u"П%1"_s : u"К%1"_s).arg(i, 5, 10, QChar(u'0'));
            partner.add({nuser, (supplier ? u"Поставщик %1"_s : u"Покупатель %1"_s).arg(i),
                         supplier ? u"Т"_s : u"К"_s});
            scm.add({i, nuser});
        }
        done(partner, u"_partner"_s);
        done(scm, u"scm_partner"_s);
    }
    {
        // The database fills crm_groupsrel from the groups.
        BulkInserter groups(m_db, u"crm_productgroups"_s, {u"pg_groupid"_s, u"pg_groupname"_s, u"pg_parent"_s});
        for (int r = 1; r <= RootGroups; ++r)
            groups.add({r, u"Группа %1"_s.arg(r), QVariant()});
        groups.flush(); // the subgroups refer to their roots
        for (int g = 0; g < RootGroups * SubGroups; ++g) {
            const int id = RootGroups + 1 + g, root = 1 + g / SubGroups;
            groups.add({id, u"Подгруппа %1.%2"_s.arg(root).arg(g % SubGroups + 1), root});
        }
        done(groups, u"crm_productgroups"_s);
    }
    {
        BulkInserter products(m_db, u"crm_product"_s,
                              {u"PR_ID"_s, u"PR_ARTICUL"_s, u"PR_NAME"_s, u"PR_GROUPID"_s, u"PR_EDIN_IZMER"_s});
        BulkInserter prices(m_db, u"crm_ourprice"_s, {u"op_pr_id"_s, u"ou_price"_s, u"op_prval"_s});
        prices.after(products);
        for (qint64 p = 1; p <= m_products; ++p) {
            products.add({p, u"V-%1"_s.arg(p, 7, 10, QChar(u'0')), u"Товар %1"_s.arg(p),
                          RootGroups + 1 + p % (RootGroups * SubGroups), u"шт"_s});
            prices.add({p, priceOf(p).toVariant(), 0});
        }
        done(products, u"crm_product"_s);
        done(prices, u"crm_ourprice"_s);
    }
    {
        BulkInserter offers(m_db, u"scm_artcmap"_s,
                            {u"sam_pr_id"_s, u"sam_prv_id"_s, u"sam_artc"_s, u"sam_deliverydelay"_s, u"sam_minpartia"_s,
                             u"sam_price"_s, u"sam_updatedate"_s});
        BulkInserter kinds(m_db, u"scm_pricename"_s, {u"prn_id"_s, u"prn_name"_s});
        const QStringList kindNames{u"EXW"_s, u"DAP Москва"_s, u"Опт"_s};
        for (int n = 0; n < PriceKinds; ++n)
            kinds.add({n + 1, kindNames.at(n)});
        // Each offer carries one price of the supplier's price list; the kinds take turns.
        BulkInserter prices(m_db, u"CRM_FOREIGNPRICE"_s, {u"fp_prn_id"_s, u"fp_pr_id"_s, u"fp_par_id"_s, u"fp_price"_s});
        prices.after(kinds);
        prices.after(offers);
        const QDateTime updated = day(-5);
        for (qint64 p = 1; p <= m_products; ++p)
            for (int k = 0; k < OffersPerProduct; ++k) {
                const qint64 supplier = 1 + (p + 11 * k) % Suppliers;
                const qint64 cost = costOf(p).raw() * (95 + k * 3) / 100;
                const int kind = int((p + k) % PriceKinds);
                offers.add({p, supplier, u"S%1-%2"_s.arg(supplier).arg(p), int(5 + (p + k) % 25), Money(1).toVariant(),
                            Money::fromRaw(cost).toVariant(), updated});
                prices.add({kind + 1, p, supplier, Money::fromRaw(cost * (100 + 5 * kind) / 100).toVariant()});
            }
        done(kinds, u"scm_pricename"_s);
        done(offers, u"scm_artcmap"_s);
        done(prices, u"CRM_FOREIGNPRICE"_s);
    }
    // Request r belongs to order r / 5; its 10 lines are distinct products of the order's supplier.
    const qint64 perSupplier = m_products / Suppliers;
    const auto productOf = [&](qint64 order, int requestInOrder, int line) {
        // Supplier 1 + o % 50 offers (first of five) every product p with p % 50 == o % 50.
        const qint64 residue = order % Suppliers;
        const qint64 m = (order * RequestsPerOrder * LinesPerRequest + requestInOrder * LinesPerRequest + line) % perSupplier;
        return m * Suppliers + (residue == 0 ? Suppliers : residue);
    };
    const auto amountOf = [](qint64 request, int line) { return Money(int(1 + (request + line) % 20)); };
    // The last request of every third order is placed only in half (a line of 1 not at all),
    // so requests still in work occur beside the fully placed ones.
    const auto placedOf = [&](qint64 order, int requestInOrder, int line) {
        const Money a = amountOf(order * RequestsPerOrder + requestInOrder, line);
        if (order % 3 == 0 && requestInOrder == RequestsPerOrder - 1)
            return Money::fromRaw(a.raw() / 20000 * 10000);
        return a;
    };
    const auto stageOf = [](qint64 order) { return int(order % 10); }; // 0-3 ordered, 4-6 confirmed, 7-9 shipped
    // Confirmed orders of the register's every kind: some in dollars, some lines confirmed in two dated
    // parts (shipped on one invoice, received per part), some confirmed in part with the rest still
    // ordered, some lines outside the proforma, and closed invoices at stage 8.
    const auto inUsd = [](qint64 order) { return order % 11 == 5; };
    const auto valutOf = [&](qint64 order, Money sum) {
        return inUsd(order) ? Money::fromRaw(sum.raw() / UsdRate) : Money();
    };
    const auto partlyConfirmed = [&](qint64 order, int line, Money a) {
        return stageOf(order) >= 4 && stageOf(order) <= 6 && order % 4 == 1 && line == 1 && a >= Money(2);
    };
    const auto confirmedOf = [&](qint64 order, int line, Money a) {
        return partlyConfirmed(order, line, a) ? a - Money(1) : a;
    };
    struct Part
    {
        QDateTime date;
        Money amount;
    };
    const auto partsOf = [&](qint64 order, int line, Money a, const QDateTime& ship) {
        const Money confirmed = confirmedOf(order, line, a);
        if (line % 5 != 0 || confirmed < Money(2))
            return QList<Part>{{ship, confirmed}};
        const Money first(int(confirmed.raw() / 10000 / 2));
        return QList<Part>{{ship, first}, {ship.addDays(7), confirmed - first}};
    };
    const auto proformaOf = [&](qint64 order, int line) {
        if (order % 7 == 0 || (order % 7 == 3 && line % 2 == 1))
            return QVariant();
        return QVariant(order + 1);
    };
    const int span = 720;
    {
        BulkInserter offers(m_db, u"scm_business_offer"_s,
                            {u"bof_id"_s, u"bof_person"_s, u"bof_date"_s, u"bof_cod_valut"_s, u"bof_description"_s,
                             u"bof_user_id"_s, u"bof_dopnomer"_s, u"bof_accepted"_s, u"bof_createdate"_s,
                             u"bof_updatedate"_s});
        for (qint64 r = 0; r < m_requests; ++r) {
            const QDateTime date = day(-span + int(r * span / m_requests));
            offers.add({r + 1, Suppliers + 1 + r % Buyers, date, u""_s, u"Заявка %1"_s.arg(r + 1), 1, r + 1, 1, date,
                        date.addDays(1)});
        }
        done(offers, u"scm_business_offer"_s);
        BulkInserter lines(m_db, u"scm_bp_delivery"_s,
                           {u"bpd_bof_id"_s, u"bpd_pr_id"_s, u"bpd_amount"_s, u"bpd_deliverydate"_s, u"bpd_sum"_s,
                            u"bpd_sum_valut"_s});
        for (qint64 r = 0; r < m_requests; ++r) {
            const QDateTime when = day(-span + int(r * span / m_requests) + 30);
            for (int j = 0; j < LinesPerRequest; ++j) {
                const qint64 p = productOf(r / RequestsPerOrder, int(r % RequestsPerOrder), j);
                const Money a = amountOf(r, j);
                lines.add({r + 1, p, a.toVariant(), when, (priceOf(p) * a).toVariant(), Money().toVariant()});
            }
        }
        done(lines, u"scm_bp_delivery"_s);
    }
    {
        // Urgency kinds, and for every supplier its contracts, each with its stages.
        BulkInserter urgency(m_db, u"SCM_Library_Urgency"_s, {u"Urgency_ID"_s, u"Name"_s, u"Priority"_s});
        const QStringList urgencyNames{u"Срочно"_s, u"Обычно"_s, u"Не срочно"_s};
        for (int u = 0; u < UrgencyKinds; ++u)
            urgency.add({u + 1, urgencyNames.at(u), u + 1});
        done(urgency, u"SCM_Library_Urgency"_s);
        BulkInserter contracts(m_db, u"crm_dogovors"_s,
                               {u"dg_id"_s, u"dg_par_id"_s, u"dg_number"_s, u"dg_dopnumber"_s, u"dg_date"_s});
        BulkInserter stages(m_db, u"crm_stage"_s, {u"st_id"_s, u"st_dg_id"_s, u"st_number"_s});
        stages.after(contracts);
        for (int sup = 1; sup <= Suppliers; ++sup)
            for (int c = 0; c < ContractsPerSupplier; ++c) {
                const int dg = (sup - 1) * ContractsPerSupplier + c + 1;
                contracts.add({dg, sup, u"Д-%1/%2"_s.arg(sup).arg(c + 1), c ? u"доп. %1"_s.arg(c) : QString(),
                               day(-span - 30)});
                for (int k = 0; k < StagesPerContract; ++k)
                    stages.add({(dg - 1) * StagesPerContract + k + 1, dg, QString::number(k + 1)});
            }
        done(contracts, u"crm_dogovors"_s);
        done(stages, u"crm_stage"_s);
    }
    // Every fifth order has no contract, every fourth of the others a contract without stage; a
    // third of the orders are urgent in turn, every thirteenth is marked.
    const auto contractOf = [](qint64 o) {
        const qint64 supplier = 1 + o % Suppliers;
        return o % 5 == 4 ? QVariant() : QVariant((supplier - 1) * ContractsPerSupplier + (o / Suppliers) % 2 + 1);
    };
    const auto stageIdOf = [&](qint64 o) {
        const QVariant dg = contractOf(o);
        return dg.isNull() || o % 4 == 0 ? QVariant()
                                         : QVariant((dg.toLongLong() - 1) * StagesPerContract + o % StagesPerContract + 1);
    };
    const auto urgencyOf = [](qint64 o) { return o % 3 == 0 ? QVariant(1 + (o / 3) % UrgencyKinds) : QVariant(); };
    {
        BulkInserter orders(m_db, u"scm_supplier_order"_s,
                            {u"suo_id"_s, u"suo_supplier"_s, u"suo_date"_s, u"suo_cod_valut"_s, u"suo_accepted"_s,
                             u"suo_description"_s, u"suo_dopnomer"_s, u"suo_id_sclad"_s, u"suo_user_id"_s,
                             u"suo_createdate"_s, u"suo_updatedate"_s, u"suo_waiting"_s, u"Urgency_ID"_s,
                             u"suo_otmetka"_s, u"suo_dg_id"_s, u"suo_stage_id"_s});
        for (qint64 o = 0; o < m_orders; ++o) {
            const QDateTime date = day(-span + int(o * span / m_orders) + 2);
            // The waiting ended with the shipment.
            orders.add({o + 1, 1 + o % Suppliers, date, inUsd(o) ? u"USD"_s : u""_s, int(stageOf(o) >= 4),
                        u"Заказ %1"_s.arg(o + 1), o + 1, 1, 1, date, date.addDays(stageOf(o) >= 4 ? 5 : 1),
                        int(stageOf(o) < 7), urgencyOf(o), int(o % 13 == 0), contractOf(o), stageIdOf(o)});
        }
        orders.add({m_orders + 1, 1, day(-10), u""_s, 1, u"Заказ %1"_s.arg(m_orders + 1), m_orders + 1, 1, 1, day(-10),
                    day(-5), 1, QVariant(), 0, QVariant(), QVariant()});
        done(orders, u"scm_supplier_order"_s);
        BulkInserter proformas(m_db, u"scm_Proforma"_s,
                               {u"pf_id"_s, u"pf_dopnomer"_s, u"pf_supplier"_s, u"pf_sum"_s, u"pf_date"_s,
                                u"pf_cod_valut"_s, u"pf_user_id"_s});
        BulkInserter waybills(m_db, u"scm_waybill"_s,
                              {u"swb_id"_s, u"swb_departure_platform"_s, u"swb_department"_s, u"swb_dopnomer"_s,
                               u"swb_plan_arrival_date"_s, u"swb_arrival_date"_s, u"swb_createdate"_s,
                               u"swb_updatedate"_s});
        BulkInserter invoices(m_db, u"scm_delivery"_s,
                              {u"sde_id"_s, u"sde_swb_id"_s, u"sde_supplier"_s, u"sde_invoice_num"_s,
                               u"sde_invoice_date"_s, u"sde_id_sclad"_s, u"sde_complited"_s, u"sde_createdate"_s,
                               u"sde_updatedate"_s});
        BulkInserter payments(m_db, u"scm_payments"_s,
                              {u"spm_id"_s, u"spm_payer"_s, u"spm_recipient"_s, u"spm_date"_s, u"spm_sum"_s,
                               u"spm_inum"_s, u"spm_snum"_s, u"spm_updatedate"_s});
        BulkInserter plan(m_db, u"scm_payshedule"_s, {u"sps_pf_id"_s, u"sps_date"_s, u"sps_sum"_s, u"sps_updatedate"_s});
        BulkInserter paid(m_db, u"scm_pfpayment"_s, {u"spp_spm_id"_s, u"spp_pf_id"_s, u"spp_sum"_s});
        plan.after(proformas);
        paid.after(proformas);
        paid.after(payments);
        invoices.after(waybills);
        for (qint64 o = 0; o < m_orders; ++o) {
            const int stage = stageOf(o);
            if (stage < 4)
                continue;
            const int when = -span + int(o * span / m_orders) + 7;
            Money sum;
            for (int q = 0; q < RequestsPerOrder; ++q)
                for (int j = 0; j < LinesPerRequest; ++j)
                    sum += costOf(productOf(o, q, j)) * placedOf(o, q, j);
            // A proforma is in its order's currency; the payment is made in roubles.
            const Money due = inUsd(o) ? valutOf(o, sum) : sum;
            proformas.add({o + 1, o + 1, 1 + o % Suppliers, due.toVariant(), day(when), inUsd(o) ? u"USD"_s : u""_s, 1});
            plan.add({o + 1, day(when + 5), due.toVariant(), day(when)});
            payments.add({o + 1, Suppliers + 1, 1 + o % Suppliers, day(when + 5), sum.toVariant(),
                          QString::number(o + 1), u"ПП-%1"_s.arg(o + 1), day(when + 5)});
            paid.add({o + 1, o + 1, due.toVariant()});
            if (stage >= 7) {
                // Shipped on day +16 of the order, received on day +28 (stage 9): arrival the day before.
                const QDateTime shipped = day(when + 9);
                const QVariant arrived = stage == 9 ? QVariant(shipped.addDays(11)) : QVariant(QMetaType::fromType<QDateTime>());
                waybills.add({o + 1, u"Москва-Товарная"_s, shipped, o + 1, shipped.addDays(12), arrived, shipped,
                              stage == 9 ? shipped.addDays(12) : shipped});
                invoices.add({o + 1, o + 1, 1 + o % Suppliers, u"INV-%1"_s.arg(o + 1), shipped, 1, int(stage == 8),
                              shipped, shipped});
            }
        }
        done(proformas, u"scm_Proforma"_s);
        done(waybills, u"scm_waybill"_s);
        done(invoices, u"scm_delivery"_s);
        done(payments, u"scm_payments"_s);
        done(plan, u"scm_payshedule"_s);
        done(paid, u"scm_pfpayment"_s);
    }
    {
        BulkInserter soProducts(m_db, u"scm_so_products"_s,
                                {u"sop_suo_id"_s, u"sop_pr_id"_s, u"sop_deliverydate"_s, u"sop_amount"_s, u"sop_sum"_s,
                                 u"sop_sum_valut"_s});
        const auto each = [&](const std::function<void(qint64 o, qint64 r, qint64 p, Money a, const QDateTime& ship,
                                                       int line)>& f,
                              int fromStage) {
            for (qint64 o = 0; o < m_orders; ++o) {
                if (stageOf(o) < fromStage)
                    continue;
                const QDateTime ship = day(-span + int(o * span / m_orders) + 16);
                for (int q = 0; q < RequestsPerOrder; ++q)
                    for (int j = 0; j < LinesPerRequest; ++j)
                        if (const Money a = placedOf(o, q, j); a != Money())
                            f(o, o * RequestsPerOrder + q, productOf(o, q, j), a, ship, j);
            }
        };
        each([&](qint64 o, qint64, qint64 p, Money a, const QDateTime& ship, int) {
            const Money sum = costOf(p) * a;
            soProducts.add({o + 1, p, ship, a.toVariant(), sum.toVariant(), valutOf(o, sum).toVariant()});
        }, 0);
        done(soProducts, u"scm_so_products"_s);
        BulkInserter ordered(m_db, u"scm_bo_ordered"_s, {u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_suo_id"_s, u"bpo_amount"_s});
        for (qint64 o = 0; o < m_orders; ++o)
            if (stageOf(o) < 4)
                for (int q = 0; q < RequestsPerOrder; ++q)
                    for (int j = 0; j < LinesPerRequest; ++j)
                        if (const Money a = placedOf(o, q, j); a != Money())
                            ordered.add({o * RequestsPerOrder + q + 1, productOf(o, q, j), o + 1, a.toVariant()});
        // The unconfirmed rest of a line confirmed in part stays ordered.
        for (qint64 o = 0; o < m_orders; ++o)
            for (int q = 0; q < RequestsPerOrder; ++q)
                if (const Money a = placedOf(o, q, 1); partlyConfirmed(o, 1, a))
                    ordered.add({o * RequestsPerOrder + q + 1, productOf(o, q, 1), o + 1, (a - confirmedOf(o, 1, a)).toVariant()});
        done(ordered, u"scm_bo_ordered"_s);
        BulkInserter accepted(m_db, u"scm_so_accepted"_s,
                              {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s, u"soa_amount"_s, u"soa_sum"_s,
                               u"soa_sum_valut"_s, u"soa_pf_id"_s});
        each([&](qint64 o, qint64, qint64 p, Money a, const QDateTime& ship, int j) {
            for (const Part& part : partsOf(o, j, a, ship)) {
                const Money sum = costOf(p) * part.amount;
                accepted.add({o + 1, p, part.date, part.amount.toVariant(), sum.toVariant(), valutOf(o, sum).toVariant(),
                              proformaOf(o, j)});
            }
        }, 4);
        done(accepted, u"scm_so_accepted"_s);
        BulkInserter boAccepted(m_db, u"scm_bo_accepted"_s,
                                {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s, u"boa_bof_id"_s,
                                 u"boa_amount"_s});
        for (qint64 o = 0; o < m_orders; ++o) {
            if (stageOf(o) < 4 || stageOf(o) >= 7)
                continue;
            const QDateTime ship = day(-span + int(o * span / m_orders) + 16);
            for (int q = 0; q < RequestsPerOrder; ++q)
                for (int j = 0; j < LinesPerRequest; ++j)
                    if (const Money a = placedOf(o, q, j); a != Money())
                        for (const Part& part : partsOf(o, j, a, ship))
                            boAccepted.add({o + 1, productOf(o, q, j), part.date, o * RequestsPerOrder + q + 1,
                                            part.amount.toVariant()});
        }
        done(boAccepted, u"scm_bo_accepted"_s);
        BulkInserter delivered(m_db, u"scm_deliveredProduct"_s,
                               {u"sdp_swb_id"_s, u"sdp_sde_id"_s, u"sdp_pr_id"_s, u"sdp_amount"_s, u"sdp_amount2"_s,
                                u"sdp_sum"_s, u"sdp_sum_val"_s});
        each([&](qint64 o, qint64, qint64 p, Money a, const QDateTime&, int) {
            delivered.add({o + 1, o + 1, p, a.toVariant(), a.toVariant(), (costOf(p) * a).toVariant(), Money().toVariant()});
        }, 7);
        done(delivered, u"scm_deliveredProduct"_s);
        BulkInserter orderInvoice(m_db, u"scm_order_invoice"_s,
                                  {u"sdi_pr_id"_s, u"sdi_suo_id"_s, u"sdi_soa_deliverydate"_s, u"sdi_sde_id"_s,
                                   u"sdi_swb_id"_s, u"sdi_amount"_s, u"sdi_sdp_pr_id"_s, u"sdi_sdp_amount"_s});
        each([&](qint64 o, qint64, qint64 p, Money a, const QDateTime& ship, int j) {
            for (const Part& part : partsOf(o, j, a, ship))
                orderInvoice.add({p, o + 1, part.date, o + 1, o + 1, part.amount.toVariant(), p, part.amount.toVariant()});
        }, 7);
        done(orderInvoice, u"scm_order_invoice"_s);
        BulkInserter offerInvoice(m_db, u"scm_offer_invoice"_s,
                                  {u"soi_pr_id"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s, u"soi_sde_id"_s,
                                   u"soi_swb_id"_s, u"soi_bof_id"_s, u"soi_sdp_pr_id"_s, u"soi_amount"_s,
                                   u"soi_sdp_amount"_s});
        each([&](qint64 o, qint64 r, qint64 p, Money a, const QDateTime& ship, int j) {
            for (const Part& part : partsOf(o, j, a, ship))
                offerInvoice.add({p, o + 1, part.date, o + 1, o + 1, r + 1, p, part.amount.toVariant(),
                                  part.amount.toVariant()});
        }, 7);
        done(offerInvoice, u"scm_offer_invoice"_s);
        // Orders at stage 9 are received into the warehouse.
        BulkInserter moves(m_db, u"scl_move"_s,
                           {u"recno"_s, u"id_sclad"_s, u"name_predm"_s, u"typdocm_pr"_s, u"numdocm_pr"_s,
                            u"date_predm"_s, u"kolc_predm"_s});
        BulkInserter toMove(m_db, u"SCM_TOMOVE"_s,
                            {u"recno"_s, u"soi_bof_id"_s, u"soi_pr_id"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s,
                             u"soi_swb_id"_s, u"soi_sde_id"_s, u"soi_sdp_pr_id"_s});
        toMove.after(moves);
        qint64 recno = 0;
        each([&](qint64 o, qint64 r, qint64 p, Money a, const QDateTime& ship, int j) {
            if (stageOf(o) != 9)
                return;
            for (const Part& part : partsOf(o, j, a, ship)) {
                ++recno;
                moves.add({recno, 1, u"V-%1"_s.arg(p, 7, 10, QChar(u'0')), u"П"_s, u"ПН-%1"_s.arg(o + 1),
                           ship.addDays(12), part.amount.toVariant()});
                toMove.add({recno, r + 1, p, o + 1, part.date, o + 1, o + 1, p});
            }
        }, 9);
        done(moves, u"scl_move"_s);
        done(toMove, u"SCM_TOMOVE"_s);
    }
    {
        // The big order: 2000 lines, each ordered for five requests; the first half confirmed, the
        // rest still ordered, the order still waiting.
        BulkInserter offers(m_db, u"scm_business_offer"_s,
                            {u"bof_id"_s, u"bof_person"_s, u"bof_date"_s, u"bof_cod_valut"_s, u"bof_description"_s,
                             u"bof_user_id"_s, u"bof_dopnomer"_s, u"bof_accepted"_s, u"bof_createdate"_s,
                             u"bof_updatedate"_s});
        BulkInserter lines(m_db, u"scm_bp_delivery"_s,
                           {u"bpd_bof_id"_s, u"bpd_pr_id"_s, u"bpd_amount"_s, u"bpd_deliverydate"_s, u"bpd_sum"_s,
                            u"bpd_sum_valut"_s});
        BulkInserter soProducts(m_db, u"scm_so_products"_s,
                                {u"sop_suo_id"_s, u"sop_pr_id"_s, u"sop_deliverydate"_s, u"sop_amount"_s, u"sop_sum"_s,
                                 u"sop_sum_valut"_s});
        BulkInserter ordered(m_db, u"scm_bo_ordered"_s, {u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_suo_id"_s, u"bpo_amount"_s});
        BulkInserter accepted(m_db, u"scm_so_accepted"_s,
                              {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s, u"soa_amount"_s, u"soa_sum"_s,
                               u"soa_sum_valut"_s});
        BulkInserter boAccepted(m_db, u"scm_bo_accepted"_s,
                                {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s, u"boa_bof_id"_s,
                                 u"boa_amount"_s});
        lines.after(offers);
        ordered.after(lines);
        ordered.after(soProducts);
        accepted.after(soProducts);
        boAccepted.after(accepted);
        boAccepted.after(lines);
        const qint64 suo = m_orders + 1;
        const QDateTime ship = day(10);
        const auto shareOf = [](int request, int line) { return Money(1 + (request + line) % 4); };
        for (int q = 0; q < RequestsPerOrder; ++q)
            offers.add({m_requests + q + 1, Suppliers + 1 + q, day(-12), u""_s, u"Заявка %1"_s.arg(m_requests + q + 1), 1,
                        m_requests + q + 1, 1, day(-12), day(-11)});
        for (int i = 0; i < BigOrderLines; ++i) {
            const qint64 p = i + 1;
            Money amount;
            for (int q = 0; q < RequestsPerOrder; ++q)
                amount += shareOf(q, i);
            const Money sum = costOf(p) * amount;
            soProducts.add({suo, p, ship, amount.toVariant(), sum.toVariant(), Money().toVariant()});
            if (i < BigOrderConfirmed)
                accepted.add({suo, p, ship, amount.toVariant(), sum.toVariant(), Money().toVariant()});
            for (int q = 0; q < RequestsPerOrder; ++q) {
                const Money share = shareOf(q, i);
                lines.add({m_requests + q + 1, p, share.toVariant(), ship, (priceOf(p) * share).toVariant(),
                           Money().toVariant()});
                if (i < BigOrderConfirmed)
                    boAccepted.add({suo, p, ship, m_requests + q + 1, share.toVariant()});
                else
                    ordered.add({m_requests + q + 1, p, suo, share.toVariant()});
            }
        }
        done(offers, u"scm_business_offer"_s);
        done(lines, u"scm_bp_delivery"_s);
        done(soProducts, u"scm_so_products"_s);
        done(ordered, u"scm_bo_ordered"_s);
        done(accepted, u"scm_so_accepted"_s);
        done(boAccepted, u"scm_bo_accepted"_s);
    }
    total += VolumeProformas::freeStageSixOrders(m_db, m_orders);
    VolumeForming::run(m_db, span, UrgencyKinds);
    total += VolumeWaybills::run(m_db, bigOrder());
    total += VolumePayments::run(m_db);
    total += VolumePriceSupplier::run(m_db, m_priceSupplier);
    for (const auto& [table, key] : QList<QPair<QString, QString>>{
             {u"scm_partner"_s, u"par_ID"_s}, {u"crm_productgroups"_s, u"pg_groupid"_s}, {u"crm_product"_s, u"PR_ID"_s},
             {u"scm_pricename"_s, u"prn_id"_s},
             {u"scm_business_offer"_s, u"bof_id"_s}, {u"scm_supplier_order"_s, u"suo_id"_s},
             {u"scm_Proforma"_s, u"pf_id"_s}, {u"scm_waybill"_s, u"swb_id"_s}, {u"scm_delivery"_s, u"sde_id"_s},
             {u"scm_payments"_s, u"spm_id"_s}, {u"scl_move"_s, u"recno"_s}, {u"CRM_USERS"_s, u"US_ID"_s},
             {u"SCM_Library_Urgency"_s, u"Urgency_ID"_s}, {u"crm_dogovors"_s, u"dg_id"_s}, {u"crm_stage"_s, u"st_id"_s}})
        for (const QString& sql : m_db.dialect().resetIdentity(table, key))
            m_db.exec(sql);
    tx.commit();
    PlannerStatistics::refresh(m_db);
    return total;
}

} // namespace Tarvo::Data
