#include "Proformas/tdmeditproforma.h"

#include "AcceptedOrders/tdmtableedits.h"
#include "Proformas/proformasplitwriter.h"
#include "Proformas/tsplitedaccept.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/servererror.h"
#include "data/rowset/rowsethelpers.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/currentuser.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

using namespace Data;
using AcceptedOrders::TdmTableEdits::insSoAccepted;

const QString TdmEditProforma::ChangedElsewhereMessage =
    u"Строки счета изменены другим пользователем. Закройте счет и откройте его снова"_s;
const QString TdmEditProforma::CurrencyMismatchMessage = u"не совпадают валюты выбранных заказов"_s;
const QString TdmEditProforma::SupplierMismatchMessage = u"не совпадают поставщики выбранных заказов"_s;
const QString TdmEditProforma::NothingToInvoiceMessage = u"Нет товаров для счета"_s;
const QString TdmEditProforma::GrowBeyondLoadedMessage = u"Нельзя увеличить количество больше загруженного"_s;
const QString TdmEditProforma::InvalidAmountMessage = u"Недопустимое значение количества"_s;
const QString TdmEditProforma::NumberMissingMessage = u"Не заполнен номер счета"_s;
const QString TdmEditProforma::LinkedPaymentsMessage = u"Счет связан с платежами\r\nУдаление не возможно"_s;
const QString TdmEditProforma::DeleteFailedMessage = u"При удалении произошла ошибка"_s;

namespace {

// How far a remainder line may move on before the save gives up.
constexpr int MaxRemainderDays = 366;

QString partKey(const QVariant& pr, const QVariant& suo, const QDateTime& date, const QVariant& sde,
                const QVariant& sdp)
{
    return u"%1|%2|%3|%4|%5"_s.arg(pr.toLongLong())
        .arg(suo.toLongLong())
        .arg(Query::dateTimeText(date), sde.isNull() ? QString() : sde.toString(),
             sdp.isNull() ? QString() : sdp.toString());
}

// The parts of the lines the condition picks: each invoice row, then what no invoice carries.
QString partsStatement(const Dialect& d, const QString& lineCondition)
{
    const QString invoiced = u"coalesce((select sum(i.sdi_amount) from scm_order_invoice i where i.sdi_suo_id = "
                             "soa_suo_id and i.sdi_pr_id = soa_pr_id and i.sdi_soa_deliverydate = soa_deliverydate), 0)"_s;
    const QString common = u"soa_pr_id as pr_id, pr_articul, pr_name, soa_suo_id as suo_id, soa_deliverydate, "_s;
    const QString tail = u", soa_amount, soa_sum, soa_sum_valut, suo_cod_valut, suo_supplier "
                         "from scm_so_accepted join scm_supplier_order on suo_id = soa_suo_id "
                         "join crm_product on pr_id = soa_pr_id "_s;
    return u"select %1 sdi_amount as part_amount, sdi_sde_id as sde_id, sdi_swb_id as swb_id, "
           "sdi_sdp_pr_id as sdp_pr_id%2"
           "join scm_order_invoice on sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id "
           "and sdi_soa_deliverydate = soa_deliverydate where %3 and sdi_amount > 0 "
           "union all select %1 %4 as part_amount, cast(null as integer) as sde_id, cast(null as integer) as swb_id, "
           "cast(null as integer) as sdp_pr_id%2where %3 and round((soa_amount - %5) * 10000) > 0 "
           "order by pr_articul, pr_id, suo_id, soa_deliverydate, sde_id, sdp_pr_id"_s.arg(
               common, tail, lineCondition, d.roundedAmount(u"soa_amount - "_s + invoiced), invoiced);
}

QString requestsStatement(const QString& lineCondition)
{
    // Request-invoice rows are reached through their invoice rows: both keys lead with the line.
    const QString people = u"join scm_business_offer on bof_id = %1_bof_id left join scm_partner on par_id = bof_person "_s;
    return u"select soi_pr_id as pr_id, soi_suo_id as suo_id, soi_soa_deliverydate as soa_deliverydate, "
           "soi_sde_id as sde_id, soi_swb_id as swb_id, soi_sdp_pr_id as sdp_pr_id, soi_bof_id as bof_id, "
           "soi_amount as amount, par_nuser as bof_person, bof_plan_start from scm_so_accepted "
           "join scm_order_invoice on sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id "
           "and sdi_soa_deliverydate = soa_deliverydate "
           "join scm_offer_invoice on soi_sde_id = sdi_sde_id and soi_sdp_pr_id = sdi_sdp_pr_id "
           "and soi_suo_id = sdi_suo_id and soi_pr_id = sdi_pr_id and soi_soa_deliverydate = sdi_soa_deliverydate "
           "%1 where %3 "
           "union all select boa_pr_id as pr_id, boa_suo_id as suo_id, boa_soa_deliverydate as soa_deliverydate, "
           "cast(null as integer) as sde_id, cast(null as integer) as swb_id, cast(null as integer) as sdp_pr_id, "
           "boa_bof_id as bof_id, boa_amount as amount, par_nuser as bof_person, bof_plan_start "
           "from scm_so_accepted join scm_bo_accepted on boa_suo_id = soa_suo_id and boa_pr_id = soa_pr_id "
           "and boa_soa_deliverydate = soa_deliverydate %2 where %3 order by bof_id"_s.arg(people.arg(u"soi"_s),
                                                                                        people.arg(u"boa"_s),
                                                                                        lineCondition);
}

const QString FreeLines = u"soa_suo_id = :suo_id and soa_pf_id is null"_s;
const QString ProformaLines = u"soa_pf_id = :pf_id"_s;

double perUnit(Money sum, Money amount)
{
    return amount > Money() ? sum.toDouble() / amount.toDouble() : 0.0;
}

} // namespace

TdmEditProforma::TdmEditProforma(Database* db, QObject* parent) : TDefferedDataModule(db, parent)
{
    const auto caption = [](TRowSet& set, const QString& name, const QString& text) {
        set.field(set.fieldIndex(name)).displayLabel = text;
    };
    dsHead.addField(u"pf_id"_s, FieldType::Integer);
    dsHead.addField(u"pf_snomer"_s, FieldType::String, 20);
    dsHead.addField(u"pf_dopnomer"_s, FieldType::Integer);
    dsHead.addField(u"pf_supplier"_s, FieldType::Integer);
    dsHead.addField(u"pf_sum"_s, FieldType::Money);
    dsHead.addField(u"pf_date"_s, FieldType::DateTime);
    dsHead.addField(u"pf_cod_valut"_s, FieldType::String, 8);
    dsHead.addField(u"pf_plan_oplat"_s, FieldType::String, 100);
    dsHead.addField(u"supplier_name"_s, FieldType::String, 200);
    dsHead.addField(u"pf_surcharge"_s, FieldType::Money);
    for (const auto& [f, t] : QList<QPair<QString, QString>>{{u"pf_id"_s, u"Уникальный номер"_s},
                                                             {u"pf_snomer"_s, u"Доп номер"_s},
                                                             {u"pf_dopnomer"_s, u"Номер"_s},
                                                             {u"pf_sum"_s, u"Сумма"_s},
                                                             {u"pf_date"_s, u"Дата"_s},
                                                             {u"pf_cod_valut"_s, u"Валюта"_s},
                                                             {u"pf_plan_oplat"_s, u"План оплат"_s},
                                                             {u"supplier_name"_s, u"Поставщик"_s},
                                                             {u"pf_surcharge"_s, u"Доп.расходы"_s}})
        caption(dsHead, f, t);
    for (const QString& f : {u"pf_id"_s, u"pf_supplier"_s, u"pf_cod_valut"_s, u"supplier_name"_s})
        dsHead.field(dsHead.fieldIndex(f)).readOnly = true;
    dsHead.onFieldChange = [this](TRowSet& r, int field) {
        if (r.field(field).name != u"pf_supplier"_s)
            return;
        const QVariant name = database().scalar(u"select name_user from scm_partner left join _partner "
                                                "on par_nuser = n_user where par_id = ?"_s,
                                                {r.value(field)});
        r.forceValue(r.fieldIndex(u"supplier_name"_s), name);
    };

    dsProducts.addField(u"pr_id"_s, FieldType::Integer);
    dsProducts.addField(u"pr_articul"_s, FieldType::String, 20);
    dsProducts.addField(u"pr_name"_s, FieldType::String, 200);
    dsProducts.addField(u"amount"_s, FieldType::Money);
    dsProducts.addField(u"price"_s, FieldType::Float);
    dsProducts.addField(u"parts_sum"_s, FieldType::Money);
    // The sum of the parts at their own prices, not the rounded price times the amount.
    dsProducts.addCalculatedField(u"sum"_s, FieldType::Money,
                                  [](const TRowSet& r) { return r.money(u"parts_sum"_s).toVariant(); });
    caption(dsProducts, u"pr_articul"_s, u"Артикул"_s);
    caption(dsProducts, u"pr_name"_s, u"Наименование"_s);
    caption(dsProducts, u"amount"_s, u"Кол-во"_s);
    caption(dsProducts, u"price"_s, u"Цена"_s);
    caption(dsProducts, u"sum"_s, u"Сумма"_s);
    for (const QString& f : {u"pr_id"_s, u"pr_articul"_s, u"pr_name"_s, u"price"_s, u"parts_sum"_s})
        dsProducts.field(dsProducts.fieldIndex(f)).readOnly = true;
    dsProducts.field(dsProducts.fieldIndex(u"price"_s)).displayFormat = u"4"_s;

    dsProductsOrder.addField(u"part_id"_s, FieldType::Integer);
    dsProductsOrder.addField(u"pr_articul"_s, FieldType::String, 20);
    dsProductsOrder.addField(u"suo_id"_s, FieldType::Integer);
    dsProductsOrder.addField(u"deliveryDate"_s, FieldType::DateTime);
    dsProductsOrder.addField(u"Amount"_s, FieldType::Money);
    dsProductsOrder.addField(u"sde_id"_s, FieldType::Integer);
    dsProductsOrder.addField(u"LoadedAmount"_s, FieldType::Money);
    dsProductsOrder.addField(u"swb_id"_s, FieldType::Integer);
    dsProductsOrder.addField(u"sdp_pr_id"_s, FieldType::Integer);
    dsProductsOrder.addField(u"price"_s, FieldType::Float);
    dsProductsOrder.addField(u"val_price"_s, FieldType::Float);
    dsProductsOrder.addField(u"pr_id"_s, FieldType::Integer);
    m_productAmountField = dsProducts.fieldIndexOrThrow(u"amount"_s);
    m_productSumField = dsProducts.fieldIndexOrThrow(u"parts_sum"_s);
    m_productPriceField = dsProducts.fieldIndexOrThrow(u"price"_s);
    m_partAmountField = dsProductsOrder.fieldIndexOrThrow(u"Amount"_s);
    caption(dsProductsOrder, u"pr_articul"_s, u"Артикул"_s);
    caption(dsProductsOrder, u"suo_id"_s, u"№ заказа"_s);
    caption(dsProductsOrder, u"deliveryDate"_s, u"Дата отгр"_s);
    caption(dsProductsOrder, u"Amount"_s, u"Кол-во"_s);
    caption(dsProductsOrder, u"sde_id"_s, u"Инвойс"_s);
    caption(dsProductsOrder, u"swb_id"_s, u"Посылка"_s);
    for (int i = 0; i < dsProductsOrder.fieldCount(); ++i)
        dsProductsOrder.field(i).readOnly = dsProductsOrder.field(i).name != u"Amount"_s;

    dsProductsOffer.addField(u"part_id"_s, FieldType::Integer);
    dsProductsOffer.addField(u"bof_id"_s, FieldType::Integer);
    dsProductsOffer.addField(u"amount"_s, FieldType::Money);
    dsProductsOffer.addField(u"bof_person"_s, FieldType::String, 20);
    dsProductsOffer.addField(u"bof_plan_start"_s, FieldType::DateTime);
    dsProductsOffer.addField(u"sde_id"_s, FieldType::Integer);
    dsProductsOffer.addField(u"suo_id"_s, FieldType::Integer);
    dsProductsOffer.addField(u"soa_deliverydate"_s, FieldType::DateTime);
    dsProductsOffer.addField(u"swb_id"_s, FieldType::Integer);
    dsProductsOffer.addField(u"pr_id"_s, FieldType::Integer);
    caption(dsProductsOffer, u"bof_id"_s, u"Заявка"_s);
    caption(dsProductsOffer, u"amount"_s, u"Кол-во"_s);
    caption(dsProductsOffer, u"bof_person"_s, u"Кому"_s);
    caption(dsProductsOffer, u"bof_plan_start"_s, u"Период"_s);
    for (int i = 0; i < dsProductsOffer.fieldCount(); ++i)
        dsProductsOffer.field(i).readOnly = true;

    dsProductsOrder.setMaster(&dsProducts, {u"pr_id"_s}, {u"pr_id"_s});
    dsProductsOffer.setMaster(&dsProductsOrder, {u"part_id"_s}, {u"part_id"_s});

    dsProducts.onNewRecord = dsProductsOrder.onNewRecord = [this](TRowSet&) {
        // Products and parts come only from loading.
        if (!m_loading)
            throw Abort();
    };
    dsProductsOffer.onNewRecord = dsProducts.onNewRecord;

    dsProductsOrder.validate = [this](TRowSet& r, int field, const QVariant& value) {
        if (m_loading || m_walking || r.field(field).name != u"Amount"_s)
            return true;
        if (value.isNull() || Money::fromVariant(value) <= Money())
            throw Exception(InvalidAmountMessage);
        const Money amount = Money::fromVariant(value);
        if (amount > r.money(u"LoadedAmount"_s))
            throw Exception(GrowBeyondLoadedMessage);
        checkPartChange(r, amount);
        return true;
    };
    dsProductsOrder.afterPost = [this](TRowSet& r) {
        if (m_loading)
            return;
        const int link = int(r.integer(u"part_id"_s));
        m_current.insert(link, r.money(u"Amount"_s));
        rebuildRequests(link, r.money(u"Amount"_s));
        if (!m_walking)
            recalcProduct(r.integer(u"pr_id"_s));
        setModified(true);
    };
    dsProductsOrder.beforeDelete = [this](TRowSet& r) {
        if (m_loading)
            return;
        // A deleted part keeps nothing: its request parts go with it.
        checkPartChange(r, Money());
        dropPart(int(r.integer(u"part_id"_s)));
    };
    dsProductsOrder.afterDelete = [this](TRowSet&) {
        if (m_loading)
            return;
        if (!m_walking)
            recalcProduct(dsProducts.integer(u"pr_id"_s));
        setModified(true);
    };

    dsProducts.validate = [this](TRowSet& r, int field, const QVariant& value) {
        if (m_loading || m_walking || r.field(field).name != u"amount"_s)
            return true;
        if (value.isNull() || Money::fromVariant(value) < Money())
            throw Exception(InvalidAmountMessage);
        // The parts can only shrink, so the product can hold no more than they hold now.
        Money held;
        for (int link : m_partsOf.value(r.integer(u"pr_id"_s)))
            held += m_current.value(link);
        if (Money::fromVariant(value) > held)
            throw Exception(GrowBeyondLoadedMessage);
        return true;
    };
    dsProducts.beforePost = [this](TRowSet&) {
        if (!m_loading && !m_walking)
            walkProduct();
    };
    dsProducts.beforeDelete = [this](TRowSet& r) {
        if (m_loading)
            return;
        auto parts = dsProductsOrder.clone();
        parts->setFilter(u"pr_id=%1"_s.arg(r.integer(u"pr_id"_s)));
        for (parts->first(); !parts->eof(); parts->next())
            checkPartChange(*parts, Money());
        for (parts->first(); !parts->eof(); parts->next())
            dropPart(int(parts->integer(u"part_id"_s)));
        RowSetHelpers::discardRows(dsProductsOrder, u"pr_id=%1"_s.arg(r.integer(u"pr_id"_s)));
    };
    dsProducts.afterDelete = dsHead.afterPost = [this](TRowSet&) {
        if (!m_loading)
            setModified(true);
    };
}

TdmEditProforma::~TdmEditProforma() = default;

bool TdmEditProforma::valuted() const
{
    return !dsHead.string(u"pf_cod_valut"_s).trimmed().isEmpty();
}

void TdmEditProforma::clearDocument()
{
    for (TRowSet* s : {&dsProductsOffer, &dsProductsOrder, &dsProducts, &dsHead})
        s->cancel();
    for (TRowSet* s : {&dsProductsOffer, &dsProductsOrder, &dsProducts, &dsHead})
        s->clearRows();
    m_parts.clear();
    m_order.clear();
    m_current.clear();
    m_partsOf.clear();
    m_offerMarks.clear();
    m_productRows.clear();
    m_received.clear();
}

void TdmEditProforma::loadFromOrders(const QList<qint64>& orderIds)
{
    Database& db = database();
    // Every order is checked before anything is loaded.
    QVariant currency, supplier;
    for (qint64 suo : orderIds) {
        Query q(db, u"select suo_cod_valut, suo_supplier from scm_supplier_order where suo_id = ?"_s);
        q.bindAll({suo}).exec();
        if (!q.next())
            throw Exception(u"Заказ поставщику № %1 не найден"_s.arg(suo));
        const QString cur = q.value(0).toString().trimmed();
        if (currency.isValid() && currency.toString() != cur)
            throw Exception(CurrencyMismatchMessage);
        if (supplier.isValid() && supplier.toLongLong() != q.integer(1))
            throw Exception(SupplierMismatchMessage);
        currency = cur;
        supplier = q.integer(1);
    }
    if (orderIds.isEmpty())
        throw Exception(NothingToInvoiceMessage);

    m_loading = true;
    try {
        clearDocument();
        m_pfId = 0;
        dsHead.insert();
        dsHead.forceValue(dsHead.fieldIndex(u"pf_date"_s), QDateTime(QDate::currentDate(), QTime(0, 0)));
        dsHead.forceValue(dsHead.fieldIndex(u"pf_cod_valut"_s), currency);
        dsHead.forceValue(dsHead.fieldIndex(u"pf_sum"_s), Money().toVariant());
        dsHead.forceValue(dsHead.fieldIndex(u"pf_surcharge"_s), Money().toVariant());
        dsHead.forceValue(dsHead.fieldIndex(u"pf_supplier"_s), supplier);
        dsHead.forceValue(dsHead.fieldIndex(u"supplier_name"_s),
                          db.scalar(u"select name_user from scm_partner left join _partner on par_nuser = n_user "
                                    "where par_id = ?"_s,
                                    {supplier}));
        dsHead.post();
        const Dialect& d = db.dialect();
        Query parts(db, partsStatement(d, FreeLines)), requests(db, requestsStatement(FreeLines));
        QVariantList keys;
        for (qint64 suo : orderIds)
            keys << suo;
        loadParts(parts, requests, u"suo_id"_s, keys);
    } catch (...) {
        m_loading = false;
        clearDocument();
        throw;
    }
    m_loading = false;
    if (dsProductsOrder.clone()->isEmpty()) {
        clearDocument();
        throw Exception(NothingToInvoiceMessage);
    }
    for (TRowSet* s : {&dsHead, &dsProducts, &dsProductsOrder, &dsProductsOffer})
        RowSetHelpers::acceptDataSetChanges(*s);
    dsProducts.first();
    // A new proforma counts as changed: saving it untouched takes every line whole.
    setModified(true);
}

void TdmEditProforma::loadProforma(qint64 pfId)
{
    Database& db = database();
    Query head(db, u"select * from scm_proforma where pf_id = :pf_id"_s);
    head.bind(u"pf_id"_s, pfId).exec();
    if (!head.next())
        throw Exception(u"Счет %1 не найден: его удалил другой пользователь"_s.arg(pfId));
    m_loading = true;
    try {
        clearDocument();
        dsHead.insert();
        for (const QString& f : {u"pf_id"_s, u"pf_snomer"_s, u"pf_dopnomer"_s, u"pf_supplier"_s, u"pf_sum"_s,
                                 u"pf_date"_s, u"pf_cod_valut"_s, u"pf_plan_oplat"_s, u"pf_surcharge"_s})
            dsHead.forceValue(dsHead.fieldIndex(f), head.value(f));
        dsHead.forceValue(dsHead.fieldIndex(u"supplier_name"_s),
                          db.scalar(u"select name_user from scm_partner left join _partner on par_nuser = n_user "
                                    "where par_id = ?"_s,
                                    {head.value(u"pf_supplier"_s)}));
        head.finish();
        dsHead.post();
        Query parts(db, partsStatement(db.dialect(), ProformaLines)), requests(db, requestsStatement(ProformaLines));
        loadParts(parts, requests, u"pf_id"_s, {pfId});
    } catch (...) {
        m_loading = false;
        clearDocument();
        throw;
    }
    m_loading = false;
    m_pfId = pfId;
    for (TRowSet* s : {&dsHead, &dsProducts, &dsProductsOrder, &dsProductsOffer})
        RowSetHelpers::acceptDataSetChanges(*s);
    dsProducts.first();
    setModified(false);
}

void TdmEditProforma::loadParts(Query& partsQuery, Query& requestsQuery, const QString& param,
                                const QVariantList& keys)
{
    // Into an empty document: every key's rows are read first and the document's rows appended in
    // one go per set (rows inserted one by one would each rebuild the sets' views and tell every
    // listener).
    TRowSet parts, requests;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        partsQuery.bind(param, keys.at(i));
        requestsQuery.bind(param, keys.at(i));
        if (i == 0) {
            parts.loadFrom(partsQuery);
            requests.loadFrom(requestsQuery);
        } else {
            parts.appendFrom(partsQuery);
            requests.appendFrom(requestsQuery);
        }
    }

    QHash<QString, int> byKey;
    QList<qint64> newProducts;
    QHash<qint64, QVariant> productNames;
    QList<QVariantList> partRows;
    for (parts.first(); !parts.eof(); parts.next()) {
        LoadedPart p;
        p.link = nextTempId();
        p.pr = parts.integer(u"pr_id"_s);
        p.suo = parts.integer(u"suo_id"_s);
        p.date = parts.value(u"soa_deliverydate"_s).toDateTime();
        p.sde = parts.value(u"sde_id"_s);
        p.swb = parts.value(u"swb_id"_s);
        p.sdp = parts.value(u"sdp_pr_id"_s);
        p.loaded = parts.money(u"part_amount"_s);
        p.lineAmount = parts.money(u"soa_amount"_s);
        p.lineSum = parts.money(u"soa_sum"_s);
        p.lineSumValut = parts.money(u"soa_sum_valut"_s);
        p.articul = parts.string(u"pr_articul"_s);
        if (p.loaded <= Money() || p.lineAmount <= Money())
            continue;
        if (!productNames.contains(p.pr)) {
            newProducts << p.pr;
            productNames.insert(p.pr, parts.value(u"pr_name"_s));
        }
        // In the fields' order: part_id, pr_articul, suo_id, deliveryDate, Amount, sde_id,
        // LoadedAmount, swb_id, sdp_pr_id, price, val_price, pr_id.
        partRows << QVariantList{p.link,
                                 p.articul,
                                 p.suo,
                                 p.date,
                                 p.loaded.toVariant(),
                                 p.sde,
                                 p.loaded.toVariant(),
                                 p.swb,
                                 p.sdp,
                                 perUnit(p.lineSum, p.lineAmount),
                                 perUnit(p.lineSumValut, p.lineAmount),
                                 p.pr};
        byKey.insert(partKey(p.pr, p.suo, p.date, p.sde, p.sdp), p.link);
        m_order << p.link;
        m_current.insert(p.link, p.loaded);
        m_partsOf[p.pr] << p.link;
        m_parts.insert(p.link, p);
    }
    QSet<qint64> orders;
    for (const int link : std::as_const(byKey))
        orders.insert(m_parts.value(link).suo);
    m_received.unite(receivedRows(orders));
    for (requests.first(); !requests.eof(); requests.next()) {
        const auto it = byKey.constFind(partKey(requests.value(u"pr_id"_s), requests.value(u"suo_id"_s),
                                                requests.value(u"soa_deliverydate"_s).toDateTime(),
                                                requests.value(u"sde_id"_s), requests.value(u"sdp_pr_id"_s)));
        if (it == byKey.constEnd() || requests.money(u"amount"_s) <= Money())
            continue;
        m_parts[*it].requests << LoadedRequest{requests.integer(u"bof_id"_s), requests.money(u"amount"_s),
                                               requests.string(u"bof_person"_s),
                                               requests.value(u"bof_plan_start"_s)};
    }
    // The request parts of the new parts, in the parts' order; their bookmarks follow one
    // another from the first appended.
    QList<QVariantList> offerRows;
    QList<QPair<int, int>> offersOf; // part, how many request parts
    for (const QVariantList& row : std::as_const(partRows)) {
        const int link = row.first().toInt();
        const LoadedPart& p = m_parts[link];
        int n = 0;
        for (const auto& [r, keep] : requestCut(p, p.loaded)) {
            if (keep <= Money())
                continue;
            offerRows << offerRow(p, r, keep);
            ++n;
        }
        offersOf << qMakePair(link, n);
    }
    // Products new to the document, with the amount and sum of their parts.
    QList<QVariantList> productRows;
    for (const qint64 pr : std::as_const(newProducts)) {
        Money amount, sum;
        productTotals(pr, amount, sum);
        productRows << QVariantList{pr,
                                    m_parts.value(m_partsOf.value(pr).first()).articul,
                                    productNames.value(pr),
                                    amount.toVariant(),
                                    perUnit(sum, amount),
                                    sum.toVariant()};
    }

    // Linked by hand while loading: following the cursors would rebuild the views for every row.
    dsProductsOrder.clearMaster();
    dsProductsOffer.clearMaster();
    const auto relink = [this] {
        dsProductsOrder.setMaster(&dsProducts, {u"pr_id"_s}, {u"pr_id"_s});
        dsProductsOffer.setMaster(&dsProductsOrder, {u"part_id"_s}, {u"part_id"_s});
    };
    const auto firstMark = [](const TRowSet& set, qsizetype appended) {
        return set.lastRow()->bookmark - TRowSet::Bookmark(appended - 1);
    };
    try {
        if (!productRows.isEmpty()) {
            const qsizetype n = productRows.size();
            dsProducts.appendLoadedRows(std::move(productRows));
            TRowSet::Bookmark mark = firstMark(dsProducts, n);
            for (const qint64 pr : std::as_const(newProducts))
                m_productRows.insert(pr, mark++);
        }
        dsProductsOrder.appendLoadedRows(std::move(partRows));
        if (!offerRows.isEmpty()) {
            const qsizetype n = offerRows.size();
            dsProductsOffer.appendLoadedRows(std::move(offerRows));
            TRowSet::Bookmark mark = firstMark(dsProductsOffer, n);
            for (const auto& [link, count] : std::as_const(offersOf)) {
                QList<TRowSet::Bookmark>& marks = m_offerMarks[link];
                for (int i = 0; i < count; ++i)
                    marks << mark++;
            }
        }
    } catch (...) {
        relink();
        throw;
    }
    relink();
}

QList<QPair<TdmEditProforma::LoadedRequest, Money>> TdmEditProforma::requestCut(const LoadedPart& p,
                                                                               Money amount) const
{
    // The loaded request parts in order, each up to what is left of the part's quantity.
    QList<QPair<LoadedRequest, Money>> out;
    Money rest = amount;
    for (const LoadedRequest& r : p.requests) {
        const Money keep = qMin(r.amount, qMax(rest, Money()));
        rest -= keep;
        out << qMakePair(r, keep);
    }
    return out;
}

QVariantList TdmEditProforma::offerRow(const LoadedPart& p, const LoadedRequest& r, Money keep)
{
    // In the fields' order: part_id, bof_id, amount, bof_person, bof_plan_start, sde_id, suo_id,
    // soa_deliverydate, swb_id, pr_id.
    return {p.link, r.bof, keep.toVariant(), r.person, r.planStart, p.sde, p.suo, p.date, p.swb, p.pr};
}

void TdmEditProforma::rebuildRequests(int link, Money amount)
{
    const auto it = m_parts.constFind(link);
    if (it == m_parts.constEnd())
        return;
    const LoadedPart& p = *it;
    // Replaced where they stand: the part need not be the current row, and neither a cursor nor
    // a notice per row is spent on them.
    QList<QVariantList> rows;
    for (const auto& [r, keep] : requestCut(p, amount))
        if (keep > Money())
            rows << offerRow(p, r, keep);
    const qsizetype count = rows.size();
    // The old marks stay until the replacement is made: a refused one leaves the old rows, still known.
    TRowSet::Bookmark mark = dsProductsOffer.replaceRows(m_offerMarks.value(link), std::move(rows));
    QList<TRowSet::Bookmark>& marks = m_offerMarks[link];
    marks.clear();
    for (qsizetype i = 0; i < count; ++i)
        marks << mark++;
}

void TdmEditProforma::recalcProduct(qint64 prId)
{
    Money amount, sum;
    productTotals(prId, amount, sum);
    // Where it stands, not through the set's cursor: the product set may be leaving its row
    // right now (a part posted as its master moves on), and its own handlers would walk the
    // parts again.
    const QList<QPair<int, QVariant>> values{{m_productAmountField, amount.toVariant()},
                                             {m_productSumField, sum.toVariant()},
                                             {m_productPriceField, perUnit(sum, amount)}};
    const auto mark = m_productRows.constFind(prId);
    if (mark != m_productRows.constEnd()) {
        dsProducts.setRowValues(*mark, values);
        return;
    }
    auto product = dsProducts.clone();
    if (product->locate({u"pr_id"_s}, {prId}))
        dsProducts.setRowValues(product->bookmark(), values);
}

void TdmEditProforma::walkProduct()
{
    const qint64 pr = dsProducts.integer(u"pr_id"_s);
    const Money wanted = dsProducts.money(u"amount"_s);
    const Money held = Money::fromVariant(dsProducts.originalValue(u"amount"_s));
    if (dsProducts.updateStatus() == UpdateStatus::Unchanged && wanted == held)
        return;
    // Parts are walked in order, each up to what is left; checked first, so that a refusal
    // changes none of them.
    struct Step
    {
        TRowSet::Bookmark mark;
        Money amount;
    };
    QList<Step> steps;
    // One cursor for the whole walk: the parts need not be the part set's current rows.
    auto parts = dsProductsOrder.clone();
    parts->setFilter(u"pr_id=%1"_s.arg(pr));
    Money rest = wanted;
    for (parts->first(); !parts->eof(); parts->next()) {
        const Money now = Money::fromVariant(parts->value(m_partAmountField));
        const Money next = qMin(now, rest);
        rest -= next;
        if (next != now) {
            checkPartChange(*parts, next);
            steps << Step{parts->bookmark(), next};
        }
    }
    m_walking = true;
    try {
        for (const Step& s : steps) {
            if (!parts->gotoBookmark(s.mark))
                continue;
            const int link = int(parts->integer(u"part_id"_s));
            if (s.amount <= Money()) {
                dropPart(link);
                parts->remove();
            } else {
                dsProductsOrder.setRowValues(s.mark, {{m_partAmountField, s.amount.toVariant()}});
                m_current.insert(link, s.amount);
                rebuildRequests(link, s.amount);
            }
        }
    } catch (...) {
        m_walking = false;
        throw;
    }
    m_walking = false;
    // The product holds what its parts hold, at their own prices.
    Money amount, sum;
    productTotals(pr, amount, sum);
    dsProducts.forceValue(m_productAmountField, amount.toVariant());
    dsProducts.forceValue(m_productSumField, sum.toVariant());
    dsProducts.forceValue(m_productPriceField, perUnit(sum, amount));
    setModified(true);
}

namespace {

QString receivedKey(const QVariant& sde, const QVariant& sdp, qint64 suo, qint64 pr, const QVariant& date)
{
    return u"%1|%2|%3|%4|%5"_s.arg(sde.toLongLong())
        .arg(sdp.toLongLong())
        .arg(suo)
        .arg(pr)
        .arg(date.isNull() ? QString() : Query::dateTimeText(Query::parseDateTime(date)));
}

} // namespace

QSet<QString> TdmEditProforma::receivedRows(const QSet<qint64>& orders) const
{
    // Through the order's invoice rows: receipts are found by their invoice row's key.
    Query q(database(), u"select t.soi_sde_id, t.soi_sdp_pr_id, t.soi_pr_id, t.soi_soa_deliverydate "
                        "from scm_order_invoice join SCM_TOMOVE t on t.soi_sde_id = sdi_sde_id and "
                        "t.soi_sdp_pr_id = sdi_sdp_pr_id and t.soi_suo_id = sdi_suo_id and t.soi_pr_id = sdi_pr_id "
                        "where sdi_suo_id = ?"_s);
    QSet<QString> out;
    for (const qint64 suo : orders) {
        q.bindAll({suo}).exec();
        while (q.next())
            out.insert(receivedKey(q.value(0), q.value(1), suo, q.integer(2), q.value(3)));
    }
    return out;
}

QString TdmEditProforma::receivedRefusal(const LoadedPart& p, const QSet<QString>& received) const
{
    if (!p.invoiced() || received.isEmpty())
        return {};
    // A receipt without a line date counts for every date of the line.
    if (!received.contains(receivedKey(p.sde, p.sdp, p.suo, p.pr, p.date)) &&
        !received.contains(receivedKey(p.sde, p.sdp, p.suo, p.pr, QVariant())))
        return {};
    const QString number =
        database().scalar(u"select sde_invoice_num from scm_delivery where sde_id = ?"_s, {p.sde}).toString();
    return u"Товар инвойса %1 уже принят на склад: количество изменить нельзя"_s.arg(number.isEmpty() ? p.sde.toString()
                                                                                                       : number);
}

void TdmEditProforma::checkPartChange(const TRowSet& part, Money newAmount) const
{
    if (newAmount >= part.money(u"LoadedAmount"_s))
        return;
    const auto it = m_parts.constFind(int(part.integer(u"part_id"_s)));
    if (it != m_parts.constEnd())
        if (const QString refusal = receivedRefusal(*it, m_received); !refusal.isEmpty())
            throw Exception(refusal);
}

void TdmEditProforma::sumFromProducts()
{
    dsProducts.checkBrowseMode();
    Money total;
    auto products = dsProducts.clone();
    for (products->first(); !products->eof(); products->next())
        total += products->money(u"sum"_s);
    dsHead.first();
    dsHead.edit();
    dsHead.setValue(u"pf_sum"_s, total.toVariant());
    dsHead.post();
}

bool TdmEditProforma::saveDocument()
{
    const bool saved = save();
    if (saved)
        Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
    return saved;
}

void TdmEditProforma::postEdits()
{
    dsProductsOffer.checkBrowseMode();
    dsProductsOrder.checkBrowseMode();
    dsProducts.checkBrowseMode();
    dsHead.checkBrowseMode();
}

void TdmEditProforma::refreshAfterSave()
{
    // Read back as stored: the kept lines keep their dates, the remainders are no longer here.
    loadProforma(m_pfId);
}

void TdmEditProforma::acceptChanges()
{
    m_pfId = m_writtenPfId;
    for (TRowSet* s : {&dsHead, &dsProducts, &dsProductsOrder, &dsProductsOffer})
        RowSetHelpers::acceptDataSetChanges(*s);
    TDefferedDataModule::acceptChanges();
}

QHash<int, Money> TdmEditProforma::currentAmounts() const
{
    return m_current;
}

void TdmEditProforma::productTotals(qint64 prId, Money& amount, Money& sum) const
{
    const bool inCurrency = valuted();
    amount = sum = Money();
    for (int link : m_partsOf.value(prId)) {
        const auto it = m_current.constFind(link);
        if (it == m_current.constEnd())
            continue;
        const LoadedPart& p = m_parts[link];
        TSplittedEntry share;
        share.kept = *it;
        share.lineAmount = p.lineAmount;
        amount += share.kept;
        sum += share.keptSum(inCurrency ? p.lineSumValut : p.lineSum);
    }
}

void TdmEditProforma::dropRequests(int link)
{
    // By their bookmarks: a filter over every request part for each edit made long documents slow.
    dsProductsOffer.replaceRows(m_offerMarks.take(link), {});
}

void TdmEditProforma::dropPart(int link)
{
    dropRequests(link);
    m_current.remove(link);
}

void TdmEditProforma::writeHeader()
{
    Database& db = database();
    dsHead.first();
    if (dsHead.isNull(u"pf_dopnomer"_s))
        throw EDDMSaveError(NumberMissingMessage);
    const QVariantList values{dsHead.value(u"pf_snomer"_s),     dsHead.value(u"pf_dopnomer"_s),
                              dsHead.value(u"pf_supplier"_s),   dsHead.money(u"pf_sum"_s).toVariant(),
                              dsHead.value(u"pf_date"_s),       dsHead.string(u"pf_cod_valut"_s),
                              dsHead.value(u"pf_plan_oplat"_s), dsHead.money(u"pf_surcharge"_s).toVariant()};
    if (isNew()) {
        const int user = Security::CurrentUserId();
        m_writtenPfId = db.insertReturning(
            u"insert into scm_Proforma (pf_snomer, pf_dopnomer, pf_supplier, pf_sum, pf_date, pf_cod_valut, "
            "pf_plan_oplat, pf_surcharge, pf_user_id) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
            u"pf_id"_s, values + QVariantList{user > 0 ? QVariant(user) : QVariant(QMetaType::fromType<int>())});
    } else {
        m_writtenPfId = m_pfId;
        Query upd(db, u"update scm_Proforma set pf_snomer = ?, pf_dopnomer = ?, pf_supplier = ?, pf_sum = ?, "
                      "pf_date = ?, pf_cod_valut = ?, pf_plan_oplat = ?, pf_surcharge = ? where pf_id = ?"_s);
        upd.bindAll(values + QVariantList{m_pfId}).exec();
        if (upd.numRowsAffected() != 1)
            throw EDDMSaveError(u"Счет %1 удален другим пользователем. Изменения не сохранены"_s.arg(m_pfId));
    }
}

void TdmEditProforma::writeChanges()
{
    const QHash<int, Money> current = currentAmounts();
    // Each touched line's entry counts all its parts: loaded against current (a part no longer
    // listed keeps nothing). Every line of a new proforma counts.
    QSet<QString> touchedLines;
    const auto lineKey = [](const LoadedPart& p) {
        return u"%1|%2|%3"_s.arg(p.suo).arg(p.pr).arg(Query::dateTimeText(p.date));
    };
    for (int link : std::as_const(m_order)) {
        const LoadedPart& p = m_parts[link];
        if (isNew() || current.value(link) != p.loaded)
            touchedLines.insert(lineKey(p));
    }
    TSplitedAccept split;
    QHash<QString, QList<const LoadedPart*>> partsOfLine;
    for (int link : std::as_const(m_order)) {
        const LoadedPart& p = m_parts[link];
        if (!touchedLines.contains(lineKey(p)))
            continue;
        TSplittedEntry& e = split.add(p.suo, p.pr, p.date, p.loaded, current.value(link));
        e.lineAmount = p.lineAmount;
        e.lineSum = p.lineSum;
        e.lineSumValut = p.lineSumValut;
        e.articul = p.articul;
        partsOfLine[lineKey(p)] << &p;
    }

    writeHeader();
    // Read again inside the transaction: goods may have been received since the document was read.
    QSet<qint64> cutOrders;
    for (const TSplittedEntry& e : split.entries())
        if (e.split())
            cutOrders.insert(e.suoId);
    const QSet<QString> received = receivedRows(cutOrders);
    ProformaSplitWriter writer(database(), m_writtenPfId, m_pfId);
    // Lines kept whole or released are claimed as they are; a split line is claimed by the
    // statement that lowers it, which checks it is still as loaded the same way.
    QList<TSplittedEntry*> splits;
    for (TSplittedEntry& e : split.entries()) {
        writer.addLine(e);
        if (e.split())
            splits << &e;
    }
    writer.claimLines();
    const auto partsOf = [&](const TSplittedEntry& e) -> const QList<const LoadedPart*>& {
        return partsOfLine[u"%1|%2|%3"_s.arg(e.suoId).arg(e.prId).arg(Query::dateTimeText(e.date))];
    };
    for (const TSplittedEntry* e : std::as_const(splits))
        // Goods received against an invoice row tie it to its line's date.
        for (const LoadedPart* p : partsOf(*e))
            if (current.value(p->link) < p->loaded)
                if (const QString refusal = receivedRefusal(*p, received); !refusal.isEmpty())
                    throw EDDMSaveError(refusal);
    insertRemainders(writer, splits);
    for (TSplittedEntry* e : std::as_const(splits))
        moveRows(writer, *e, partsOf(*e), current);
    writer.writeMoves();
    writer.lowerLines();
}

void TdmEditProforma::insertRemainders(ProformaSplitWriter& writer, const QList<TSplittedEntry*>& splits)
{
    // Usually every remainder's next day is free: all are inserted by one statement under one
    // savepoint, and only when a date is taken does each line look for its own under savepoints
    // of its own.
    {
        Savepoint sp(database());
        try {
            writer.insertRemainders();
            sp.release();
            for (TSplittedEntry* e : splits)
                e->newDate = e->date.addDays(1);
            return;
        } catch (const DatabaseError& err) {
            if (!remainderDateTaken(err))
                throw;
        }
    }
    Query insLine(database(), insSoAccepted());
    for (TSplittedEntry* e : splits)
        insertRemainder(insLine, *e);
}

bool TdmEditProforma::remainderDateTaken(const DatabaseError& err)
{
    const ServerErrorInfo info = ServerError::classify(err.errors());
    return info.kind == ServerErrorKind::PrimaryKey &&
           err.constraint().compare(u"PK_scm_so_accepted"_s, Qt::CaseInsensitive) == 0;
}

void TdmEditProforma::insertRemainderAt(Query& insLine, TSplittedEntry& e, const QDateTime& date)
{
    const Money rest = e.total - e.kept;
    const Money restSum = e.lineSum - e.keptSum(e.lineSum);
    const Money restSumValut = e.lineSumValut - e.keptSum(e.lineSumValut);
    insLine.bind(u"soa_suo_id"_s, e.suoId)
        .bind(u"soa_pr_id"_s, e.prId)
        .bind(u"soa_amount"_s, rest.toVariant())
        .bind(u"soa_sum"_s, restSum.toVariant())
        .bind(u"soa_deliverydate"_s, date)
        .bind(u"soa_sum_valut"_s, restSumValut.toVariant())
        .exec();
    e.newDate = date;
}

void TdmEditProforma::insertRemainder(Query& insLine, TSplittedEntry& e)
{
    Database& db = database();
    for (int days = 1; days <= MaxRemainderDays; ++days) {
        try {
            // A taken date fails the statement; only the savepoint keeps the transaction alive.
            Savepoint sp(db);
            insertRemainderAt(insLine, e, e.date.addDays(days));
            sp.release();
            return;
        } catch (const DatabaseError& err) {
            if (!remainderDateTaken(err))
                throw;
        }
    }
    throw EDDMSaveError(u"Заказ %1, товар %2: нет свободной даты для остатка строки в течение %3 дней после %4"_s
                            .arg(e.suoId)
                            .arg(e.articul)
                            .arg(MaxRemainderDays)
                            .arg(e.date.toString(u"dd.MM.yyyy"_s)));
}

void TdmEditProforma::moveRows(ProformaSplitWriter& writer, const TSplittedEntry& e,
                               const QList<const LoadedPart*>& parts, const QHash<int, Money>& current)
{
    // The removed quantity of each part moves to the remainder's date: its invoice row (whole
    // when the part keeps nothing) and the request rows its current quantity no longer covers.
    for (const LoadedPart* p : parts) {
        const Money now = current.value(p->link);
        if (now >= p->loaded)
            continue;
        if (p->invoiced())
            writer.moveInvoice(p->suo, p->pr, p->date, p->sde, p->sdp, e.newDate, p->loaded - now, now <= Money());
        for (const auto& [r, keep] : requestCut(*p, now)) {
            const Money gone = r.amount - keep;
            if (gone <= Money())
                continue;
            if (p->invoiced())
                writer.moveOffer(p->suo, p->pr, p->date, p->sde, p->sdp, r.bof, e.newDate, gone, keep <= Money());
            else
                writer.moveAccepted(p->suo, p->pr, p->date, r.bof, e.newDate, gone, keep <= Money());
        }
    }
}

void TdmEditProforma::cmdDeletePf(Database& db, qint64 pfId)
{
    Transaction t(db);
    try {
        db.exec(u"update scm_so_accepted set soa_pf_id = null where soa_pf_id = ?"_s, {pfId});
        db.exec(u"delete from scm_payshedule where sps_pf_id = ?"_s, {pfId});
        RowCountCheck::exec(db, u"delete from scm_Proforma where pf_id = ?"_s, {pfId},
                            u"Счет %1 удален другим пользователем"_s.arg(pfId));
        t.commit();
    } catch (const DatabaseError& e) {
        const ServerErrorInfo info = ServerError::classify(e.errors());
        if (info.kind == ServerErrorKind::Reference)
            throw Exception(LinkedPaymentsMessage);
        if (info.kind != ServerErrorKind::Unclassified)
            throw Exception(DeleteFailedMessage);
        throw;
    }
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
}

} // namespace Tarvo::Proformas
