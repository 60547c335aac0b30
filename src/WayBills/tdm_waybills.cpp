#include "WayBills/tdm_waybills.h"

#include "BusOffer/offerdeleteprocedure.h"
#include "WayBills/waybillprocedures.h"
#include "WayBills/waybillshares.h"
#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "data/engine/resultreader.h"
#include "data/rowset/rowsethelpers.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/currentuser.h"

#include <QSet>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

using namespace Data;

const QString Tdm_WayBills::NoGoodsMessage = u"Нет товаров! Сохранение невозможно!"_s;
const QString Tdm_WayBills::ChangedElsewhereMessage = u"Посылка изменена другим пользователем. Откройте ее заново"_s;
const QString Tdm_WayBills::SavedMessage = u"Посылка сохранена"_s;

namespace {

const QString BadQuantity = u"Недопустимое значение количества"_s;
const QString BadDate = u"Неверное значение даты"_s;

struct FieldDef
{
    QString name;
    FieldType type;
    int size = 0;
    QString label;
    bool required = false;
};

void define(TRowSet& set, const QList<FieldDef>& defs)
{
    for (const FieldDef& d : defs) {
        set.addField(d.name, d.type, d.size);
        if (!d.label.isEmpty())
            set.field(set.fieldIndex(d.name)).displayLabel = d.label;
    }
}

void label(TRowSet& set, const QString& field, const QString& text)
{
    set.field(set.fieldIndexOrThrow(field)).displayLabel = text;
}

// Fields the user does not type: keys, links and what the server or the module fills.
void readOnly(TRowSet& set, std::initializer_list<QString> fields)
{
    for (const QString& f : fields)
        set.field(set.fieldIndexOrThrow(f)).readOnly = true;
}

QDateTime today()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0));
}

QString lineKey(qint64 suo, qint64 pr, const QDateTime& date)
{
    return u"%1|%2|%3"_s.arg(suo).arg(pr).arg(date.toString(Qt::ISODate));
}

QString shareKey(qint64 suo, qint64 pr, const QDateTime& date, qint64 bof)
{
    return lineKey(suo, pr, date) + u"|"_s + QString::number(bof);
}

QString currencyOf(const QVariant& v)
{
    return v.toString().trimmed();
}

// The row set's values from procedure rows, by column name (calculated fields left empty), for
// `link` to fill the provisional keys; appended together.
template <typename Link> void appendRows(TRowSet& set, const ProcedureRows& rows, Link&& link)
{
    QList<int> columns;
    columns.reserve(set.fieldCount());
    for (int i = 0; i < set.fieldCount(); ++i)
        columns << (set.field(i).isCalculated() ? -1 : rows.column(set.field(i).name));
    QList<QVariantList> loaded;
    loaded.reserve(rows.rows.size());
    for (const QVariantList& src : rows.rows) {
        QVariantList values;
        values.reserve(columns.size());
        for (const int c : columns)
            values << (c >= 0 ? src.at(c) : QVariant());
        if (link(values, src))
            loaded << std::move(values);
    }
    set.appendLoadedRows(std::move(loaded));
}

// A result set read straight into the row set, by column name (calculated fields left out);
// `link` fills the provisional keys from the row read, or leaves the row out.
int readInto(TRowSet& set, ResultReader& result, const TRowSet::ResultRowHandler& link)
{
    QList<int> fields;
    fields.reserve(result.columns().size());
    for (const ResultColumn& c : result.columns()) {
        const int f = set.fieldIndex(c.name);
        fields << (f >= 0 && !set.field(f).isCalculated() ? f : -1);
    }
    return set.appendResult(result, fields, link);
}

// An order row of a waybill as its request rows name it.
struct OrderRowKey
{
    qint64 sde, sdp, suo, pr, date;
    bool operator==(const OrderRowKey&) const = default;
};

size_t qHash(const OrderRowKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.sde, k.sdp, k.suo, k.pr, k.date);
}

// Wall-clock milliseconds of a date column; an empty date is one key of its own.
qint64 dateKey(const QVariant& v)
{
    const QDateTime d = Query::parseDateTime(v);
    return d.isValid() ? RowValues::wallClockMsecs(d.date(), d.time()) : std::numeric_limits<qint64>::min();
}

// A query's rows as plain values.
QList<QVariantList> readRows(Query& q)
{
    q.exec();
    QList<QVariantList> rows;
    const int n = q.columnCount();
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << q.value(i);
        rows << std::move(row);
    }
    return rows;
}

// The rows of a row set matching a filter, deleted ones too, with their status.
template <typename F> void forEachRow(const TRowSet& set, const QString& filter, F&& f)
{
    auto c = set.clone();
    c->setFilter(filter);
    for (c->first(); !c->eof(); c->next())
        f(*c);
    c->setPendingOnly(true);
    for (c->first(); !c->eof(); c->next())
        if (c->updateStatus() == UpdateStatus::Deleted)
            f(*c);
}

Money storedAmount(const TRowSet& r, const QString& field)
{
    return r.updateStatus() == UpdateStatus::Inserted ? Money() : Money::fromVariant(r.originalValue(field));
}

Money currentAmount(const TRowSet& r, const QString& field)
{
    return r.updateStatus() == UpdateStatus::Deleted ? Money() : r.money(field);
}

} // namespace

Tdm_WayBills::Tdm_WayBills(Database* db, QObject* parent) : TDefferedDataModule(db, parent)
{
    defineFields();
}

void Tdm_WayBills::defineFields()
{
    const auto S = FieldType::String;
    const auto I = FieldType::Integer;
    const auto M = FieldType::Money;
    const auto D = FieldType::DateTime;
    define(wayBills, {{u"swb_id"_s, I, 0, {}},
                      {u"swb_departure_platform"_s, S, 30, u"Станция отправления"_s, true},
                      {u"swb_arrival_platform"_s, S, 30, u"Станция прибытия"_s},
                      {u"swb_car_id"_s, S, 10, u"Номер вагона"_s},
                      {u"swb_car_doc_id"_s, S, 10, u"Номер ж.д накладной"_s},
                      {u"swb_plan_arrival_date"_s, D, 0, u"Планируемая дата прибытия"_s},
                      {u"swb_arrival_date"_s, D, 0, u"Дата прибытия"_s},
                      {u"swb_delivery_condition"_s, S, 5, u"Условия доставки"_s},
                      {u"swb_transport_tariff"_s, M, 0, u"Тариф"_s},
                      {u"swb_department"_s, D, 0, u"Дата отправления"_s, true},
                      {u"swb_createdate"_s, D, 0, {}},
                      {u"swb_updatedate"_s, D, 0, {}},
                      {u"swb_stepname"_s, S, 50, u"Этап"_s},
                      {u"swb_consignor"_s, S, 50, u"Грузоотправитель"_s},
                      {u"swb_stepdate"_s, D, 0, u"Дата этапа"_s},
                      {u"swb_dopnomer"_s, I, 0, u"Доп. №"_s},
                      {u"swb_snomer"_s, S, 20, u"Допномер"_s},
                      {u"swb_weight"_s, M, 0, u"Вес посылки (нетто)"_s},
                      {u"swb_volume"_s, M, 0, u"Объем посылки"_s},
                      {u"swb_id_link"_s, I, 0, {}}});
    readOnly(wayBills, {u"swb_id"_s, u"swb_weight"_s, u"swb_volume"_s, u"swb_id_link"_s, u"swb_createdate"_s,
                        u"swb_updatedate"_s});

    suppliers.addField(u"par_id"_s, I);
    suppliers.addField(u"name_user"_s, S, 50);
    sclads.addField(u"ID_SCLAD"_s, I);
    sclads.addField(u"NAME_SCLAD"_s, S, 50);

    define(deliveryInvoices, {{u"sde_id"_s, I, 0, {}},
                              {u"sde_swb_id"_s, I, 0, {}},
                              {u"sde_supplier"_s, I, 0, u"Поставщик"_s, true},
                              {u"sde_invoice_num"_s, S, 30, u"№ счета поставщика"_s, true},
                              {u"sde_complited"_s, I, 0, u"Закрыт"_s},
                              {u"sde_invoice_date"_s, D, 0, u"Дата счета"_s, true},
                              {u"sde_currency"_s, S, 8, u"Валюта"_s},
                              {u"sde_dg_id"_s, I, 0, u"№ договора"_s},
                              {u"sde_id_sclad"_s, I, 0, u"Склад"_s},
                              {u"sde_stage_id"_s, I, 0, u"Этап"_s},
                              {u"sde_unic"_s, S, 30, u"№ инвойса"_s},
                              {u"sde_weightb"_s, M, 0, u"Вес брутто"_s},
                              {u"sde_boxes"_s, I, 0, u"Кол-во мест"_s},
                              {u"sde_tarif"_s, M, 0, u"Тариф"_s},
                              {u"sde_user_id"_s, I, 0, {}},
                              {u"sde_createdate"_s, D, 0, {}},
                              {u"sde_updatedate"_s, D, 0, {}},
                              {u"swb_id_link"_s, I, 0, {}},
                              {u"sde_id_link"_s, I, 0, {}}});
    deliveryInvoices.addLookupField(u"supplier_name"_s, S, u"sde_supplier"_s, suppliers, u"par_id"_s, u"name_user"_s);
    deliveryInvoices.addLookupField(u"sclad_name"_s, S, u"sde_id_sclad"_s, sclads, u"ID_SCLAD"_s, u"NAME_SCLAD"_s);
    label(deliveryInvoices, u"supplier_name"_s, u"Поставщик"_s);
    label(deliveryInvoices, u"sclad_name"_s, u"Склад"_s);
    readOnly(deliveryInvoices, {u"sde_id"_s, u"sde_swb_id"_s, u"sde_user_id"_s, u"sde_createdate"_s,
                                u"sde_updatedate"_s, u"swb_id_link"_s, u"sde_id_link"_s, u"sde_currency"_s});

    define(deliveredProduct, {{u"pr_name"_s, S, 200, u"Название"_s},
                              {u"pr_articul"_s, S, 20, u"Артикул"_s},
                              {u"sam_artc"_s, S, 50, u"Арт. поставщика"_s},
                              {u"pr_dop1"_s, S, 100, {}},
                              {u"pr_dop2"_s, S, 100, {}},
                              {u"pr_dop3"_s, S, 100, {}},
                              {u"sdp_amount"_s, M, 0, u"Кол-во"_s, true},
                              {u"sdp_sum"_s, M, 0, u"Сумма"_s, true},
                              {u"sdp_sum_val"_s, M, 0, u"Вал сумма"_s, true},
                              {u"sdp_amount2"_s, M, 0, u"План кол-во"_s, true},
                              {u"sdp_certnum"_s, S, 30, u"Ном серт"_s},
                              {u"sdp_certdate"_s, D, 0, u"Дата серт"_s},
                              {u"sdp_certorg"_s, S, 100, u"Выдан"_s},
                              {u"sdp_weight"_s, M, 0, u"Вес единицы"_s},
                              {u"sdp_volume"_s, M, 0, u"Объем единицы"_s},
                              {u"sdp_pr_id"_s, I, 0, {}},
                              {u"sdp_sde_id"_s, I, 0, {}},
                              {u"sdp_swb_id"_s, I, 0, {}},
                              {u"sde_id_link"_s, I, 0, {}},
                              {u"swb_id_link"_s, I, 0, {}}});
    const int amount = deliveredProduct.fieldIndex(u"sdp_amount"_s),
              weight = deliveredProduct.fieldIndex(u"sdp_weight"_s),
              volume = deliveredProduct.fieldIndex(u"sdp_volume"_s);
    deliveredProduct.addCalculatedField(u"total_weight"_s, M, [=](const TRowSet& r) {
        return (Money::fromVariant(r.value(weight)) * Money::fromVariant(r.value(amount))).toVariant();
    });
    deliveredProduct.addCalculatedField(u"total_volume"_s, M, [=](const TRowSet& r) {
        return (Money::fromVariant(r.value(volume)) * Money::fromVariant(r.value(amount))).toVariant();
    });
    label(deliveredProduct, u"total_weight"_s, u"Общий вес"_s);
    label(deliveredProduct, u"total_volume"_s, u"Общий объем"_s);
    readOnly(deliveredProduct, {u"pr_name"_s, u"pr_articul"_s, u"sam_artc"_s, u"pr_dop1"_s, u"pr_dop2"_s,
                                u"pr_dop3"_s, u"sdp_pr_id"_s, u"sdp_sde_id"_s, u"sdp_swb_id"_s, u"sde_id_link"_s,
                                u"swb_id_link"_s});

    define(orderInvoice, {{u"sdi_suo_id"_s, I, 0, u"Заказ"_s},
                          {u"sdi_soa_deliverydate"_s, D, 0, u"Дата подтверждения"_s},
                          {u"sdi_amount"_s, M, 0, u"Кол-во"_s},
                          {u"sdi_pr_id"_s, I, 0, {}},
                          {u"suo_cod_valut"_s, S, 8, u"Валюта"_s},
                          {u"sde_id_link"_s, I, 0, {}},
                          {u"order_invoice_link"_s, I, 0, {}}});
    readOnly(orderInvoice, {u"sdi_suo_id"_s, u"sdi_soa_deliverydate"_s, u"sdi_pr_id"_s, u"suo_cod_valut"_s,
                            u"sde_id_link"_s, u"order_invoice_link"_s});

    define(offerInvoice, {{u"soi_bof_id"_s, I, 0, u"Заявка"_s},
                          {u"soi_amount"_s, M, 0, u"Кол-во"_s},
                          {u"received"_s, M, 0, u"Принято"_s},
                          {u"soi_pr_id"_s, I, 0, {}},
                          {u"soi_suo_id"_s, I, 0, {}},
                          {u"soi_soa_deliverydate"_s, D, 0, {}},
                          {u"sde_id_link"_s, I, 0, {}},
                          {u"order_invoice_link"_s, I, 0, {}}});
    readOnly(offerInvoice, {u"received"_s, u"soi_pr_id"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s,
                            u"sde_id_link"_s, u"order_invoice_link"_s});

    linkMasters(true);

    // Provisional keys and the values a new row takes from its parents.
    wayBills.onNewRecord = [this](TRowSet& r) { r.forceValue(u"swb_id_link"_s, nextTempId()); };
    deliveryInvoices.onNewRecord = [this](TRowSet& r) {
        if (wayBills.isEmpty())
            throw Exception(u"Сначала создайте посылку"_s);
        r.forceValue(u"sde_id_link"_s, nextTempId());
        r.forceValue(u"sde_complited"_s, 0);
        r.forceValue(u"sde_currency"_s, QString());
        r.forceValue(u"sde_invoice_date"_s, today());
    };
    deliveredProduct.onNewRecord = [this](TRowSet& r) {
        if (deliveryInvoices.isEmpty())
            throw Exception(u"Сначала добавьте инвойс поставщика"_s);
        r.forceValue(u"swb_id_link"_s, wayBills.value(u"swb_id_link"_s));
    };
    orderInvoice.onNewRecord = [this](TRowSet& r) {
        if (deliveredProduct.isEmpty())
            throw Abort();
        r.forceValue(u"order_invoice_link"_s, nextTempId());
    };
    offerInvoice.onNewRecord = [this](TRowSet& r) {
        if (orderInvoice.isEmpty())
            throw Abort();
        r.forceValue(u"soi_pr_id"_s, orderInvoice.value(u"sdi_pr_id"_s));
        r.forceValue(u"soi_suo_id"_s, orderInvoice.value(u"sdi_suo_id"_s));
        r.forceValue(u"soi_soa_deliverydate"_s, orderInvoice.value(u"sdi_soa_deliverydate"_s));
        r.forceValue(u"sde_id_link"_s, orderInvoice.value(u"sde_id_link"_s));
        r.forceValue(u"received"_s, Money().toVariant());
    };

    wayBills.validate = [this](TRowSet& r, int field, const QVariant& value) {
        const QString& n = r.field(field).name;
        if (!m_loading && (n == u"swb_plan_arrival_date"_s || n == u"swb_stepdate"_s) &&
            (value.isNull() || !value.toDateTime().isValid()))
            throw Exception(BadDate);
        if (!m_loading && n == u"swb_transport_tariff"_s && !value.isNull() && Money::fromVariant(value) < Money())
            throw Exception(BadQuantity);
        return true;
    };
    deliveredProduct.validate = [this](TRowSet& r, int field, const QVariant& value) {
        const QString& n = r.field(field).name;
        if (!m_loading && n.startsWith(u"sdp_"_s) && r.field(field).type == FieldType::Money && !value.isNull() &&
            Money::fromVariant(value) < Money())
            throw Exception(BadQuantity);
        return true;
    };
    deliveredProduct.onFieldChange = [this](TRowSet& r, int field) {
        if (!m_loading && r.field(field).name == u"sdp_amount"_s)
            r.setValue(u"sdp_amount2"_s, r.value(field));
    };
    orderInvoice.validate = [this](TRowSet& r, int field, const QVariant& value) {
        if (!m_loading && r.field(field).name == u"sdi_amount"_s && (value.isNull() || Money::fromVariant(value) < Money()))
            throw Exception(BadQuantity);
        return true;
    };
    offerInvoice.validate = [this](TRowSet& r, int field, const QVariant& value) {
        const QString& n = r.field(field).name;
        if (m_loading)
            return true;
        if (n == u"soi_amount"_s) {
            if (value.isNull() || Money::fromVariant(value) < Money())
                throw Exception(BadQuantity);
            const Money received = r.money(u"received"_s);
            if (Money::fromVariant(value) < received)
                throw Exception(u"Заявка %1: на склад принято %2, количество не может быть меньше"_s
                                    .arg(r.integer(u"soi_bof_id"_s))
                                    .arg(Catalog::MoneyFormats::quantityText(received)));
        }
        if (n == u"soi_bof_id"_s && r.money(u"received"_s) > Money())
            throw Exception(u"Товар принят на склад: заявку строки изменить нельзя"_s);
        return true;
    };

    deliveredProduct.beforePost = [this](TRowSet& r) {
        if (!m_loading)
            cutOrderRows(r);
    };
    orderInvoice.beforePost = [this](TRowSet& r) {
        if (!m_loading)
            cutRequestRows(r);
    };
    offerInvoice.beforePost = [this](TRowSet& r) {
        if (m_loading || orderInvoice.isEmpty())
            return;
        Money total = r.money(u"soi_amount"_s);
        auto others = offerInvoice.clone();
        others->setFilter(u"order_invoice_link=%1"_s.arg(r.integer(u"order_invoice_link"_s)));
        const auto own = r.state() == RowSetState::Edit ? r.bookmark() : TRowSet::Bookmark(0);
        for (others->first(); !others->eof(); others->next())
            if (!own || others->bookmark() != own)
                total += others->money(u"soi_amount"_s);
        const Money line = orderInvoice.money(u"sdi_amount"_s);
        if (total > line)
            throw Exception(u"Заявкам распределено %1, больше количества по заказу %2"_s.arg(
                Catalog::MoneyFormats::quantityText(total), Catalog::MoneyFormats::quantityText(line)));
    };

    deliveryInvoices.beforeDelete = [this](TRowSet& r) {
        const qint64 link = r.integer(u"sde_id_link"_s);
        const QString f = u"sde_id_link=%1"_s.arg(link);
        refuseIfReceived(f);
        rememberDiscarded(f, f);
        RowSetHelpers::discardRows(offerInvoice, f);
        RowSetHelpers::discardRows(orderInvoice, f);
        RowSetHelpers::discardRows(deliveredProduct, f);
    };
    deliveredProduct.beforeDelete = [this](TRowSet& r) {
        const qint64 link = r.integer(u"sde_id_link"_s), pr = r.integer(u"sdp_pr_id"_s);
        const QString requests = u"sde_id_link=%1 and soi_pr_id=%2"_s.arg(link).arg(pr);
        const QString orders = u"sde_id_link=%1 and sdi_pr_id=%2"_s.arg(link).arg(pr);
        refuseIfReceived(requests);
        rememberDiscarded(orders, requests);
        RowSetHelpers::discardRows(offerInvoice, requests);
        RowSetHelpers::discardRows(orderInvoice, orders);
    };
    orderInvoice.beforeDelete = [this](TRowSet& r) {
        const QString f = u"order_invoice_link=%1"_s.arg(r.integer(u"order_invoice_link"_s));
        refuseIfReceived(f);
        rememberDiscarded(u"order_invoice_link=-1"_s, f);
        RowSetHelpers::discardRows(offerInvoice, f);
    };
    offerInvoice.beforeDelete = [this](TRowSet& r) {
        refuseIfReceived(u"order_invoice_link=%1 and soi_bof_id=%2"_s.arg(r.integer(u"order_invoice_link"_s))
                             .arg(r.integer(u"soi_bof_id"_s)));
    };

    const auto touched = [this](TRowSet&) {
        if (!m_loading)
            setModified(true);
    };
    const auto weighed = [this](TRowSet&) {
        if (m_loading)
            return;
        recalcWeight();
        setModified(true);
    };
    wayBills.afterPost = deliveryInvoices.afterPost = deliveryInvoices.afterDelete = touched;
    orderInvoice.afterPost = orderInvoice.afterDelete = offerInvoice.afterPost = offerInvoice.afterDelete = touched;
    deliveredProduct.afterPost = deliveredProduct.afterDelete = weighed;
}

void Tdm_WayBills::linkMasters(bool on)
{
    if (!on) {
        for (TRowSet* s : {&offerInvoice, &orderInvoice, &deliveredProduct, &deliveryInvoices})
            s->clearMaster();
        return;
    }
    deliveryInvoices.setMaster(&wayBills, {u"swb_id_link"_s}, {u"swb_id_link"_s});
    deliveredProduct.setMaster(&deliveryInvoices, {u"sde_id_link"_s}, {u"sde_id_link"_s});
    orderInvoice.setMaster(&deliveredProduct, {u"sde_id_link"_s, u"sdp_pr_id"_s}, {u"sde_id_link"_s, u"sdi_pr_id"_s});
    offerInvoice.setMaster(&orderInvoice, {u"order_invoice_link"_s}, {u"order_invoice_link"_s});
}

void Tdm_WayBills::loadLookups()
{
    Database& db = database();
    if (suppliers.isEmpty()) {
        Query q(db, u"select par_ID as par_id, NAME_USER as name_user from scm_partner "
                    "join _partner on par_nuser = N_USER order by NAME_USER"_s);
        suppliers.appendLoadedRows(readRows(q));
    }
    if (sclads.isEmpty()) {
        Query q(db, u"select ID_SCLAD, NAME_SCLAD from SCLAD_R order by NAME_SCLAD"_s);
        sclads.appendLoadedRows(readRows(q));
    }
}

void Tdm_WayBills::loadWayBill(int swbId)
{
    WayBillProcedures::registerOnce();
    loadLookups();
    bool cleared = false;
    const auto clearAll = [this] {
        for (TRowSet* s : {&offerInvoice, &orderInvoice, &deliveredProduct, &deliveryInvoices, &wayBills})
            s->clearRows();
        m_discardedLines.clear();
        m_discardedShares.clear();
    };
    m_loading = true;
    const auto done = qScopeGuard([this] {
        linkMasters(true);
        m_loading = false;
    });
    const int swbLink = nextTempId();
    QHash<qint64, int> invoiceLinks;
    const auto invoiceLink = [&](const QVariant& sde, const QString& what) {
        const auto it = invoiceLinks.constFind(sde.toLongLong());
        if (it == invoiceLinks.constEnd())
            throw Exception(u"Внутренняя ошибка: %1 посылки %2 ссылается на отсутствующий инвойс %3"_s.arg(what)
                                .arg(swbId)
                                .arg(sde.toLongLong()));
        return *it;
    };
    QSet<std::pair<qint64, qint64>> productKeys;
    QHash<OrderRowKey, int> orderLinks;
    try {
        // The sets of scm_loadWayBill read straight into the row sets; the waybill's own row first
        // as values, so that a waybill that is gone leaves the open one as it was.
        WayBillProcedures::readWayBill(database(), swbId, [&](int set, Query& q) -> int {
            if (set == 0) {
                ProcedureRows head;
                head.rows = readRows(q);
                for (int i = 0; i < q.columnCount(); ++i)
                    head.columns << q.columnName(i);
                if (head.rows.isEmpty())
                    return 0;
                // Appended without their masters: following the parents' cursors row by row costs
                // the most.
                linkMasters(false);
                clearAll();
                cleared = true;
                const int wbLink = wayBills.fieldIndex(u"swb_id_link"_s);
                appendRows(wayBills, head, [&](QVariantList& v, const QVariantList&) {
                    v[wbLink] = swbLink;
                    return true;
                });
                return int(head.rows.size());
            }
            const auto result = ResultReader::open(q);
            const QVector<ResultColumn>& columns = result->columns();
            const auto column = [&](const QString& name) {
                for (int i = 0; i < columns.size(); ++i)
                    if (columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                        return i;
                throw Exception(u"Внутренняя ошибка: в наборе %1 посылки нет столбца %2"_s.arg(set).arg(name));
            };
            switch (set) {
            case 1: {
                const int sdeCol = column(u"sde_id"_s);
                const int invWbLink = deliveryInvoices.fieldIndex(u"swb_id_link"_s),
                          invLink = deliveryInvoices.fieldIndex(u"sde_id_link"_s);
                return readInto(deliveryInvoices, *result, [&](const RowValues& src, RowValues::Builder& v) {
                    const int link = nextTempId();
                    invoiceLinks.insert(src.at(sdeCol).toLongLong(), link);
                    v.setInt64(invWbLink, swbLink);
                    v.setInt64(invLink, link);
                    return true;
                });
            }
            case 2: {
                const int sdpSde = column(u"sdp_sde_id"_s), sdpPr = column(u"sdp_pr_id"_s);
                const int prInvLink = deliveredProduct.fieldIndex(u"sde_id_link"_s),
                          prWbLink = deliveredProduct.fieldIndex(u"swb_id_link"_s);
                return readInto(deliveredProduct, *result, [&](const RowValues& src, RowValues::Builder& v) {
                    const QVariant sde = src.at(sdpSde);
                    v.setInt64(prInvLink, invoiceLink(sde, u"товар"_s));
                    v.setInt64(prWbLink, swbLink);
                    productKeys.insert({sde.toLongLong(), src.at(sdpPr).toLongLong()});
                    return true;
                });
            }
            case 3: {
                const int oSde = column(u"sdi_sde_id"_s), oSdp = column(u"sdi_sdp_pr_id"_s),
                          oSuo = column(u"sdi_suo_id"_s), oPr = column(u"sdi_pr_id"_s),
                          oDate = column(u"sdi_soa_deliverydate"_s);
                const int ordInvLink = orderInvoice.fieldIndex(u"sde_id_link"_s),
                          ordLink = orderInvoice.fieldIndex(u"order_invoice_link"_s);
                return readInto(orderInvoice, *result, [&](const RowValues& src, RowValues::Builder& v) {
                    const qint64 sde = src.at(oSde).toLongLong(), sdp = src.at(oSdp).toLongLong();
                    if (!productKeys.contains({sde, sdp}))
                        throw Exception(
                            u"Внутренняя ошибка: строка заказа %1 посылки %2 ссылается на отсутствующий товар"_s
                                .arg(src.at(oSuo).toLongLong())
                                .arg(swbId));
                    const int link = nextTempId();
                    orderLinks.insert(
                        {sde, sdp, src.at(oSuo).toLongLong(), src.at(oPr).toLongLong(), dateKey(src.at(oDate))}, link);
                    v.setInt64(ordInvLink, invoiceLink(src.at(oSde), u"строка заказа"_s));
                    v.setInt64(ordLink, link);
                    return true;
                });
            }
            case 4: {
                const int rSde = column(u"soi_sde_id"_s), rSdp = column(u"soi_sdp_pr_id"_s),
                          rSuo = column(u"soi_suo_id"_s), rPr = column(u"soi_pr_id"_s),
                          rDate = column(u"soi_soa_deliverydate"_s), rBof = column(u"soi_bof_id"_s);
                const int reqOrdLink = offerInvoice.fieldIndex(u"order_invoice_link"_s),
                          reqInvLink = offerInvoice.fieldIndex(u"sde_id_link"_s);
                return readInto(offerInvoice, *result, [&](const RowValues& src, RowValues::Builder& v) {
                    if (src.isNull(rBof))
                        return false;
                    const auto it = orderLinks.constFind({src.at(rSde).toLongLong(), src.at(rSdp).toLongLong(),
                                                          src.at(rSuo).toLongLong(), src.at(rPr).toLongLong(),
                                                          dateKey(src.at(rDate))});
                    if (it == orderLinks.constEnd())
                        throw Exception(
                            u"Внутренняя ошибка: строка заявки %1 посылки %2 не относится ни к одной строке заказа"_s
                                .arg(src.at(rBof).toLongLong())
                                .arg(swbId));
                    v.setInt64(reqOrdLink, *it);
                    v.setInt64(reqInvLink, invoiceLink(src.at(rSde), u"строка заявки"_s));
                    return true;
                });
            }
            default:
                throw Exception(u"Внутренняя ошибка: лишний набор %1 в загрузке посылки"_s.arg(set));
            }
        });
    } catch (...) {
        // A load that failed half-way leaves no half a waybill that could be saved.
        if (cleared) {
            clearAll();
            m_swbId = 0;
        }
        throw;
    }
    m_swbId = swbId;
    linkMasters(true);
    wayBills.first();
    deliveryInvoices.first();
    setModified(false);
}

void Tdm_WayBills::newWayBill()
{
    loadLookups();
    m_loading = true;
    {
        const auto done = qScopeGuard([this] { m_loading = false; });
        for (TRowSet* s : {&offerInvoice, &orderInvoice, &deliveredProduct, &deliveryInvoices, &wayBills})
            s->clearRows();
        m_discardedLines.clear();
        m_discardedShares.clear();
        m_swbId = 0;
        const qint64 next = database().scalar(u"select coalesce(max(swb_dopnomer), 0) + 1 from scm_waybill"_s).toLongLong();
        wayBills.insert();
        wayBills.setValue(u"swb_plan_arrival_date"_s, today());
        wayBills.setValue(u"swb_department"_s, today());
        wayBills.setValue(u"swb_stepdate"_s, today());
        wayBills.setValue(u"swb_transport_tariff"_s, Money().toVariant());
        wayBills.forceValue(u"swb_weight"_s, Money().toVariant());
        wayBills.forceValue(u"swb_volume"_s, Money().toVariant());
        wayBills.setValue(u"swb_dopnomer"_s, next);
        wayBills.post();
    }
    setModified(false);
}

void Tdm_WayBills::copyIntoNew()
{
    if (!isOpen())
        throw Exception(u"Нет посылки для копирования"_s);
    wayBills.checkBrowseMode();
    QVariantMap kept;
    for (const QString& f : {u"swb_departure_platform"_s, u"swb_arrival_platform"_s, u"swb_consignor"_s,
                             u"swb_delivery_condition"_s, u"swb_transport_tariff"_s})
        kept.insert(f, wayBills.value(f));
    newWayBill();
    wayBills.edit();
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        wayBills.setValue(it.key(), it.value());
    wayBills.post();
}

void Tdm_WayBills::addInvoice()
{
    if (!isOpen())
        throw Exception(u"Нет посылки"_s);
    postEdits();
    deliveryInvoices.insert();
    deliveryInvoices.post();
}

void Tdm_WayBills::fillInvoiceFromOrder(const QVariantList& head, const QStringList& columns)
{
    const auto col = [&](const QString& n) { return head.value(columns.indexOf(n)); };
    deliveryInvoices.edit();
    deliveryInvoices.setValue(u"sde_supplier"_s, col(u"suo_supplier"_s));
    deliveryInvoices.forceValue(u"sde_currency"_s, currencyOf(col(u"suo_cod_valut"_s)));
    deliveryInvoices.setValue(u"sde_dg_id"_s, col(u"suo_dg_id"_s));
    deliveryInvoices.setValue(u"sde_stage_id"_s, col(u"suo_stage_id"_s));
    deliveryInvoices.setValue(u"sde_id_sclad"_s, col(u"suo_id_sclad"_s));
    deliveryInvoices.post();
}

Money Tdm_WayBills::editorRest(qint64 suo, qint64 pr, const QDateTime& date) const
{
    // The server counts what is stored; this waybill's unsaved rows replace its stored ones.
    Money delta = m_discardedLines.value(lineKey(suo, pr, date));
    forEachRow(orderInvoice, u"sdi_suo_id=%1 and sdi_pr_id=%2"_s.arg(suo).arg(pr), [&](const TRowSet& r) {
        const QDateTime d = r.updateStatus() == UpdateStatus::Inserted
                                ? r.value(u"sdi_soa_deliverydate"_s).toDateTime()
                                : r.originalValue(u"sdi_soa_deliverydate"_s).toDateTime();
        if (d == date)
            delta += storedAmount(r, u"sdi_amount"_s) - currentAmount(r, u"sdi_amount"_s);
    });
    return delta;
}

Money Tdm_WayBills::editorShare(qint64 suo, qint64 pr, const QDateTime& date, qint64 bof) const
{
    Money delta = m_discardedShares.value(shareKey(suo, pr, date, bof));
    forEachRow(offerInvoice, u"soi_suo_id=%1 and soi_pr_id=%2"_s.arg(suo).arg(pr), [&](const TRowSet& r) {
        if (r.value(u"soi_soa_deliverydate"_s).toDateTime() != date)
            return;
        if (r.updateStatus() != UpdateStatus::Inserted && r.originalValue(u"soi_bof_id"_s).toLongLong() == bof)
            delta += storedAmount(r, u"soi_amount"_s);
        if (r.updateStatus() != UpdateStatus::Deleted && r.integer(u"soi_bof_id"_s) == bof)
            delta -= r.money(u"soi_amount"_s);
    });
    return delta;
}

void Tdm_WayBills::addOrder(int suoId)
{
    if (!isOpen())
        newWayBill();
    postEdits();
    WayBillProcedures::registerOnce();
    const ProcedureResult r =
        ProcedureRegistry::instance().call(database(), WayBillProcedures::LoadOrder, {{u"suo_id"_s, suoId}});
    const ProcedureRows lines = r.resultSet(0);
    const ProcedureRows head = r.resultSet(1);
    const QVariantList order = head.rows.value(0);
    const auto col = [&](const QVariantList& row, const QString& n) { return row.value(lines.column(n)); };

    struct Share
    {
        qint64 bof;
        Money amount;
    };
    struct Line
    {
        qint64 pr;
        QDateTime date;
        Money rest, sum, sumValut;
        QVariantList first;
        QList<Share> shares;
    };
    QList<Line> wanted;
    for (const QVariantList& row : lines.rows) {
        const qint64 pr = col(row, u"soa_pr_id"_s).toLongLong();
        const QDateTime date = Query::parseDateTime(col(row, u"soa_deliverydate"_s));
        if (wanted.isEmpty() || wanted.last().pr != pr || wanted.last().date != date) {
            const Money serverRest = Money::fromVariant(col(row, u"soa_amount"_s));
            const Money rest = serverRest + editorRest(suoId, pr, date);
            if (rest <= Money()) {
                wanted << Line{pr, date, Money(), Money(), Money(), row, {}};
                continue;
            }
            // Sums pro rata of what is left here, from the server's rest and sums.
            const auto share = [&](const QString& f) {
                const Money s = Money::fromVariant(col(row, f));
                return rest == serverRest || serverRest <= Money()
                           ? s
                           : Money::fromDouble(s.toDouble() * rest.toDouble() / serverRest.toDouble());
            };
            wanted << Line{pr, date, rest, share(u"soa_sum"_s), share(u"soa_sum_valut"_s), row, {}};
        }
        if (!col(row, u"bof_id"_s).isNull() && wanted.last().rest > Money()) {
            const qint64 bof = col(row, u"bof_id"_s).toLongLong();
            const Money held = Money::fromVariant(col(row, u"boa_amount"_s)) + editorShare(suoId, pr, date, bof);
            if (held > Money())
                wanted.last().shares << Share{bof, held};
        }
    }
    wanted.removeIf([](const Line& l) { return l.rest <= Money(); });
    if (wanted.isEmpty())
        throw Exception(u"Заказ %1 уже распределен по посылкам"_s.arg(suoId));

    const auto hcol = [&](const QString& n) { return order.value(head.column(n)); };
    if (deliveryInvoices.isEmpty()) {
        deliveryInvoices.insert();
        deliveryInvoices.post();
        fillInvoiceFromOrder(order, head.columns);
    } else if (deliveryInvoices.isNull(u"sde_supplier"_s)) {
        fillInvoiceFromOrder(order, head.columns);
    } else {
        if (deliveryInvoices.integer(u"sde_supplier"_s) != hcol(u"suo_supplier"_s).toLongLong())
            throw Exception(u"Поставщики не совпадают"_s);
        if (currencyOf(deliveryInvoices.value(u"sde_currency"_s)) != currencyOf(hcol(u"suo_cod_valut"_s)))
            throw Exception(u"Валюта заказа не совпадает с валютой инвойса"_s);
    }

    for (const Line& l : wanted) {
        if (deliveredProduct.locate({u"sdp_pr_id"_s}, {l.pr})) {
            deliveredProduct.edit();
            deliveredProduct.setValue(u"sdp_amount"_s, (deliveredProduct.money(u"sdp_amount"_s) + l.rest).toVariant());
            deliveredProduct.setValue(u"sdp_sum"_s, (deliveredProduct.money(u"sdp_sum"_s) + l.sum).toVariant());
            deliveredProduct.setValue(u"sdp_sum_val"_s, (deliveredProduct.money(u"sdp_sum_val"_s) + l.sumValut).toVariant());
        } else {
            deliveredProduct.insert();
            deliveredProduct.forceValue(u"sdp_pr_id"_s, l.pr);
            for (const QString& f : {u"pr_name"_s, u"pr_articul"_s, u"pr_dop1"_s, u"pr_dop2"_s, u"pr_dop3"_s, u"sam_artc"_s})
                deliveredProduct.forceValue(f, col(l.first, f));
            deliveredProduct.setValue(u"sdp_amount"_s, l.rest.toVariant());
            deliveredProduct.setValue(u"sdp_sum"_s, l.sum.toVariant());
            deliveredProduct.setValue(u"sdp_sum_val"_s, l.sumValut.toVariant());
        }
        deliveredProduct.post();
        if (orderInvoice.locate({u"sdi_suo_id"_s, u"sdi_soa_deliverydate"_s}, {suoId, l.date})) {
            orderInvoice.edit();
            orderInvoice.setValue(u"sdi_amount"_s, (orderInvoice.money(u"sdi_amount"_s) + l.rest).toVariant());
        } else {
            orderInvoice.insert();
            orderInvoice.forceValue(u"sdi_suo_id"_s, suoId);
            orderInvoice.forceValue(u"sdi_soa_deliverydate"_s, l.date);
            orderInvoice.forceValue(u"suo_cod_valut"_s, currencyOf(hcol(u"suo_cod_valut"_s)));
            orderInvoice.setValue(u"sdi_amount"_s, l.rest.toVariant());
        }
        orderInvoice.post();
        Money left = l.rest;
        for (const Share& s : l.shares) {
            if (left <= Money())
                break;
            const Money amount = qMin(s.amount, left);
            if (offerInvoice.locate({u"soi_bof_id"_s}, {s.bof})) {
                offerInvoice.edit();
                offerInvoice.setValue(u"soi_amount"_s, (offerInvoice.money(u"soi_amount"_s) + amount).toVariant());
            } else {
                offerInvoice.insert();
                offerInvoice.setValue(u"soi_bof_id"_s, s.bof);
                offerInvoice.setValue(u"soi_amount"_s, amount.toVariant());
            }
            offerInvoice.post();
            left -= amount;
        }
    }
    deliveredProduct.first();
    setModified(true);
}

void Tdm_WayBills::addProduct(qint64 prId, Money amount)
{
    if (deliveryInvoices.isEmpty())
        throw Exception(u"Сначала добавьте инвойс поставщика"_s);
    postEdits();
    if (amount < Money())
        throw Exception(BadQuantity);
    auto existing = deliveredProduct.clone();
    existing->setFilter(u"sde_id_link=%1 and sdp_pr_id=%2"_s.arg(deliveryInvoices.integer(u"sde_id_link"_s)).arg(prId));
    if (!existing->isEmpty())
        throw Exception(u"Этот товар уже выбран в документ"_s);
    const QVariant supplier = deliveryInvoices.value(u"sde_supplier"_s);
    Query q(database(), u"select pr_name, pr_articul, pr_dop1, pr_dop2, pr_dop3, coalesce(a1.sam_artc, a2.sam_artc) "
                        "from crm_product left join scm_artcmap a1 on a1.sam_pr_id = pr_id_main and a1.sam_prv_id = ? "
                        "left join scm_artcmap a2 on a2.sam_pr_id = pr_id and a2.sam_prv_id = ? where pr_id = ?"_s);
    q.bindAll({supplier, supplier, prId}).exec();
    if (!q.next())
        throw Exception(u"Товар %1 не найден"_s.arg(prId));
    deliveredProduct.insert();
    deliveredProduct.forceValue(u"sdp_pr_id"_s, prId);
    const QStringList names{u"pr_name"_s, u"pr_articul"_s, u"pr_dop1"_s, u"pr_dop2"_s, u"pr_dop3"_s, u"sam_artc"_s};
    for (int i = 0; i < names.size(); ++i)
        deliveredProduct.forceValue(names[i], q.value(i));
    deliveredProduct.setValue(u"sdp_amount"_s, amount.toVariant());
    deliveredProduct.setValue(u"sdp_sum"_s, Money().toVariant());
    deliveredProduct.setValue(u"sdp_sum_val"_s, Money().toVariant());
    deliveredProduct.post();
}

void Tdm_WayBills::deleteInvoice()
{
    postEdits();
    if (!deliveryInvoices.isEmpty())
        deliveryInvoices.remove();
}

void Tdm_WayBills::deleteProduct()
{
    postEdits();
    if (!deliveredProduct.isEmpty())
        deliveredProduct.remove();
}

void Tdm_WayBills::deleteOrderRow()
{
    postEdits();
    if (!orderInvoice.isEmpty())
        orderInvoice.remove();
}

void Tdm_WayBills::deleteRequestRow()
{
    postEdits();
    if (!offerInvoice.isEmpty())
        offerInvoice.remove();
}

void Tdm_WayBills::refuseIfReceived(const QString& requestFilter) const
{
    Money received;
    auto c = offerInvoice.clone();
    c->setFilter(requestFilter);
    for (c->first(); !c->eof(); c->next())
        received += c->money(u"received"_s);
    if (received <= Money())
        return;
    throw Exception(u"Товар принят на склад (принято %1). Удаление невозможно"_s.arg(
        Catalog::MoneyFormats::quantityText(received)));
}

void Tdm_WayBills::rememberDiscarded(const QString& orderFilter, const QString& requestFilter)
{
    // Only the rows still shown are discarded; deleted ones stay pending and are counted as such.
    auto o = orderInvoice.clone();
    o->setFilter(orderFilter);
    for (o->first(); !o->eof(); o->next())
        if (o->updateStatus() != UpdateStatus::Inserted)
            m_discardedLines[lineKey(o->integer(u"sdi_suo_id"_s), o->integer(u"sdi_pr_id"_s),
                                     o->originalValue(u"sdi_soa_deliverydate"_s).toDateTime())] +=
                Money::fromVariant(o->originalValue(u"sdi_amount"_s));
    auto s = offerInvoice.clone();
    s->setFilter(requestFilter);
    for (s->first(); !s->eof(); s->next())
        if (s->updateStatus() != UpdateStatus::Inserted)
            m_discardedShares[shareKey(s->integer(u"soi_suo_id"_s), s->integer(u"soi_pr_id"_s),
                                       s->value(u"soi_soa_deliverydate"_s).toDateTime(),
                                       s->originalValue(u"soi_bof_id"_s).toLongLong())] +=
                Money::fromVariant(s->originalValue(u"soi_amount"_s));
}

void Tdm_WayBills::cutOrderRows(TRowSet& product)
{
    // Order rows beyond the product's quantity are cut in their order; those reached with
    // nothing left go.
    Money left = product.money(u"sdp_amount"_s);
    auto rows = orderInvoice.clone();
    rows->setFilter(u"sde_id_link=%1 and sdi_pr_id=%2"_s.arg(product.integer(u"sde_id_link"_s))
                        .arg(product.integer(u"sdp_pr_id"_s)));
    QList<TRowSet::Bookmark> marks;
    for (rows->first(); !rows->eof(); rows->next())
        marks << rows->bookmark();
    for (const auto mark : marks) {
        if (!rows->gotoBookmark(mark))
            continue;
        const Money amount = rows->money(u"sdi_amount"_s);
        if (amount <= left) {
            left -= amount;
            continue;
        }
        if (left > Money()) {
            rows->edit();
            rows->setValue(u"sdi_amount"_s, left.toVariant());
            cutRequestRows(*rows);
            rows->post();
            left = Money();
        } else {
            const QString f = u"order_invoice_link=%1"_s.arg(rows->integer(u"order_invoice_link"_s));
            refuseIfReceived(f);
            rememberDiscarded(u"order_invoice_link=-1"_s, f);
            RowSetHelpers::discardRows(offerInvoice, f);
            rows->remove();
        }
    }
}

void Tdm_WayBills::cutRequestRows(TRowSet& orderRow)
{
    Money left = orderRow.money(u"sdi_amount"_s);
    auto rows = offerInvoice.clone();
    rows->setFilter(u"order_invoice_link=%1"_s.arg(orderRow.integer(u"order_invoice_link"_s)));
    QList<TRowSet::Bookmark> marks;
    for (rows->first(); !rows->eof(); rows->next())
        marks << rows->bookmark();
    for (const auto mark : marks) {
        if (!rows->gotoBookmark(mark))
            continue;
        const Money amount = rows->money(u"soi_amount"_s);
        if (amount <= left) {
            left -= amount;
            continue;
        }
        const Money received = rows->money(u"received"_s);
        if (left < received)
            throw Exception(u"Заявка %1: на склад принято %2, количество не может быть меньше"_s
                                .arg(rows->integer(u"soi_bof_id"_s))
                                .arg(Catalog::MoneyFormats::quantityText(received)));
        if (left > Money()) {
            rows->edit();
            rows->setValue(u"soi_amount"_s, left.toVariant());
            rows->post();
            left = Money();
        } else {
            rows->remove();
        }
    }
}

void Tdm_WayBills::recalcWeight()
{
    if (wayBills.isEmpty())
        return;
    Money weight, volume;
    auto all = deliveredProduct.clone();
    for (all->first(); !all->eof(); all->next()) {
        weight += all->money(u"total_weight"_s);
        volume += all->money(u"total_volume"_s);
    }
    const bool browsing = wayBills.state() == RowSetState::Browse;
    if (browsing)
        wayBills.edit();
    wayBills.forceValue(u"swb_weight"_s, weight.toVariant());
    wayBills.forceValue(u"swb_volume"_s, volume.toVariant());
    if (browsing)
        wayBills.post();
}

bool Tdm_WayBills::fullyReceived() const
{
    bool any = false;
    auto all = offerInvoice.clone();
    for (all->first(); !all->eof(); all->next()) {
        any = true;
        if (all->money(u"received"_s) < all->money(u"soi_amount"_s))
            return false;
    }
    return any && !deliveredProduct.clone()->isEmpty();
}

void Tdm_WayBills::postEdits()
{
    for (TRowSet* s : {&offerInvoice, &orderInvoice, &deliveredProduct, &deliveryInvoices, &wayBills})
        s->checkBrowseMode();
}

void Tdm_WayBills::checkRequired()
{
    const auto require = [](const TRowSet& set, const QStringList& fields) {
        for (const QString& f : fields)
            if (set.value(f).isNull() || (set.field(set.fieldIndex(f)).type == FieldType::String &&
                                          set.string(f).trimmed().isEmpty()))
                throw EDDMSaveError(u"Поле %1 должно иметь значение"_s.arg(set.field(set.fieldIndex(f)).caption()));
    };
    if (wayBills.isEmpty())
        throw EDDMSaveError(NoGoodsMessage);
    require(wayBills, {u"swb_departure_platform"_s, u"swb_department"_s});
    auto invoices = deliveryInvoices.clone();
    auto products = deliveredProduct.clone();
    for (invoices->first(); !invoices->eof(); invoices->next()) {
        require(*invoices, {u"sde_supplier"_s, u"sde_invoice_num"_s, u"sde_invoice_date"_s});
        products->setFilter(u"sde_id_link=%1"_s.arg(invoices->integer(u"sde_id_link"_s)));
        if (products->isEmpty())
            throw EDDMSaveError(NoGoodsMessage);
        for (products->first(); !products->eof(); products->next())
            require(*products, {u"sdp_amount"_s, u"sdp_sum"_s, u"sdp_sum_val"_s, u"sdp_amount2"_s});
    }
    if (invoices->isEmpty())
        throw EDDMSaveError(NoGoodsMessage);
}

bool Tdm_WayBills::saveDocument()
{
    const bool saved = save();
    if (saved) {
        auto& server = Messaging::TMessageServer::instance();
        server.sendChangeNotice(Messaging::ChangeEvents::Waybills);
        server.sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
        server.sendChangeNotice(Messaging::ChangeEvents::SupplierOrders);
        server.sendChangeNotice(Messaging::ChangeEvents::BusinessOffers);
    }
    return saved;
}

void Tdm_WayBills::mapWriteError(const DatabaseError& e, qint64 sdeLink, qint64 pr)
{
    // The database's own rules (a line shipped beyond its confirmation) and the receipts' refusal
    // are the user's to read, with the product they concern selected.
    if (e.nativeError() == NativeError::General || e.nativeError() == NativeError::Reference) {
        if (sdeLink && deliveryInvoices.locate({u"sde_id_link"_s}, {sdeLink}) && pr)
            deliveredProduct.locate({u"sdp_pr_id"_s}, {pr});
        throw EDDMSaveError(e.message());
    }
    throw e;
}

void Tdm_WayBills::writeChanges()
{
    checkRequired();
    Database& db = database();
    const QDateTime stamp = saveTime();
    const auto requireOne = [](const Query& q) {
        if (q.numRowsAffected() == 0)
            throw EDDMSaveError(ChangedElsewhereMessage);
    };
    const auto exec = [&](const QString& sql, const QVariantList& params) {
        Query q(db, sql);
        q.bindAll(params).exec();
        requireOne(q);
    };
    const auto call = [&](const QString& name, const QVariantMap& params) {
        WayBillProcedures::registerOnce();
        const ProcedureResult r = ProcedureRegistry::instance().call(db, name, params);
        if (r.outputs.value(u"deleted"_s).toInt() == 0)
            throw EDDMSaveError(ChangedElsewhereMessage);
    };

    // The waybill first: its update locks the row, so saves of one waybill queue up.
    wayBills.first();
    const QStringList headColumns{u"swb_departure_platform"_s, u"swb_arrival_platform"_s, u"swb_car_id"_s,
                                  u"swb_car_doc_id"_s,         u"swb_plan_arrival_date"_s, u"swb_arrival_date"_s,
                                  u"swb_delivery_condition"_s, u"swb_transport_tariff"_s,  u"swb_department"_s,
                                  u"swb_stepname"_s,           u"swb_consignor"_s,         u"swb_stepdate"_s,
                                  u"swb_dopnomer"_s,           u"swb_snomer"_s};
    QVariantList headValues;
    for (const QString& c : headColumns)
        headValues << wayBills.value(c);
    qint64 swb = m_swbId;
    if (!swb) {
        QStringList marks(headColumns.size() + 2, u"?"_s);
        swb = db.insertReturning(u"insert into scm_waybill (%1, swb_createdate, swb_updatedate) values (%2)"_s.arg(
                                     headColumns.join(u", "_s), marks.join(u", "_s)),
                                 u"swb_id"_s, headValues + QVariantList{stamp, stamp});
    } else {
        QStringList sets;
        for (const QString& c : headColumns)
            sets << c + u" = ?"_s;
        exec(u"update scm_waybill set %1, swb_updatedate = ? where swb_id = ?"_s.arg(sets.join(u", "_s)),
             headValues + QVariantList{stamp, swb});
    }
    m_savedId = int(swb);

    // Invoice keys by provisional key, deleted ones too.
    QHash<qint64, qint64> invoiceIds;
    forEachRow(deliveryInvoices, {}, [&](const TRowSet& r) {
        if (r.updateStatus() != UpdateStatus::Inserted)
            invoiceIds.insert(r.integer(u"sde_id_link"_s), r.originalValue(u"sde_id"_s).toLongLong());
    });

    qint64 errLink = 0, errPr = 0;
    try {
        // 1. Deletions, children first: a request row deleted before its parent goes back once.
        {
            auto requests = offerInvoice.clone();
            requests->setPendingOnly(true);
            for (requests->first(); !requests->eof(); requests->next()) {
                const UpdateStatus st = requests->updateStatus();
                const bool moved = st == UpdateStatus::Modified &&
                                   requests->originalValue(u"soi_bof_id"_s) != requests->value(u"soi_bof_id"_s);
                const Money oldAmount = storedAmount(*requests, u"soi_amount"_s);
                const Money amount = currentAmount(*requests, u"soi_amount"_s);
                if (st == UpdateStatus::Inserted || (st == UpdateStatus::Modified && !moved && amount >= oldAmount))
                    continue;
                errLink = requests->integer(u"sde_id_link"_s);
                errPr = requests->integer(u"soi_pr_id"_s);
                const ShipmentKey key{invoiceIds.value(errLink), errPr, requests->integer(u"soi_suo_id"_s), errPr,
                                      requests->value(u"soi_soa_deliverydate"_s).toDateTime(),
                                      requests->originalValue(u"soi_bof_id"_s).toLongLong()};
                const Money received = WayBillShares::received(db, key);
                if (st == UpdateStatus::Deleted || moved) {
                    if (received > Money()) {
                        const auto docs = BusOffer::OfferDeleteProcedure::receiptDocuments(db, ShipmentKey::Columns,
                                                                                           key.values());
                        WayBillShares::refuseReceived(db, docs.value_or(u"без номера"_s));
                    }
                    QStringList where;
                    for (const QString& c : ShipmentKey::Columns)
                        where << c + u" = ?"_s;
                    exec(u"delete from scm_offer_invoice where %1"_s.arg(where.join(u" and "_s)), key.values());
                    WayBillShares::giveBack(db, key.suo, key.pr, key.date, key.bof, oldAmount);
                } else {
                    if (amount < received)
                        throw EDDMSaveError(u"Заявка %1: на склад принято %2, количество не может быть меньше"_s
                                                .arg(key.bof)
                                                .arg(Catalog::MoneyFormats::quantityText(received)));
                    QStringList where;
                    for (const QString& c : ShipmentKey::Columns)
                        where << c + u" = ?"_s;
                    exec(u"update scm_offer_invoice set soi_amount = ?, soi_sdp_amount = ? where %1"_s.arg(
                             where.join(u" and "_s)),
                         QVariantList{amount.toVariant(), amount.toVariant()} + key.values());
                    WayBillShares::giveBack(db, key.suo, key.pr, key.date, key.bof, oldAmount - amount);
                }
            }
        }
        {
            auto orders = orderInvoice.clone();
            orders->setPendingOnly(true);
            for (orders->first(); !orders->eof(); orders->next()) {
                if (orders->updateStatus() != UpdateStatus::Deleted)
                    continue;
                errLink = orders->integer(u"sde_id_link"_s);
                errPr = orders->integer(u"sdi_pr_id"_s);
                call(WayBillProcedures::DeleteOrderRow,
                     {{u"sde_id"_s, invoiceIds.value(errLink)},
                      {u"sdp_pr_id"_s, errPr},
                      {u"suo_id"_s, orders->originalValue(u"sdi_suo_id"_s)},
                      {u"pr_id"_s, errPr},
                      {u"deliverydate"_s, orders->originalValue(u"sdi_soa_deliverydate"_s)}});
            }
        }
        {
            auto products = deliveredProduct.clone();
            products->setPendingOnly(true);
            for (products->first(); !products->eof(); products->next()) {
                if (products->updateStatus() != UpdateStatus::Deleted)
                    continue;
                errLink = products->integer(u"sde_id_link"_s);
                errPr = products->integer(u"sdp_pr_id"_s);
                call(WayBillProcedures::DeleteProduct, {{u"sde_id"_s, invoiceIds.value(errLink)}, {u"pr_id"_s, errPr}});
            }
        }
        {
            auto invoices = deliveryInvoices.clone();
            invoices->setPendingOnly(true);
            for (invoices->first(); !invoices->eof(); invoices->next()) {
                if (invoices->updateStatus() != UpdateStatus::Deleted)
                    continue;
                errLink = 0;
                call(WayBillProcedures::DeleteInvoice, {{u"sde_id"_s, invoiceIds.value(invoices->integer(u"sde_id_link"_s))}});
            }
        }

        // 2. Invoices.
        const QStringList invoiceColumns{u"sde_currency"_s, u"sde_supplier"_s, u"sde_invoice_num"_s,
                                         u"sde_invoice_date"_s, u"sde_dg_id"_s, u"sde_stage_id"_s,
                                         u"sde_id_sclad"_s, u"sde_complited"_s, u"sde_unic"_s,
                                         u"sde_weightb"_s, u"sde_boxes"_s, u"sde_tarif"_s};
        {
            auto invoices = deliveryInvoices.clone();
            invoices->setPendingOnly(true);
            for (invoices->first(); !invoices->eof(); invoices->next()) {
                const UpdateStatus st = invoices->updateStatus();
                QVariantList values;
                for (const QString& c : invoiceColumns)
                    values << (c == u"sde_complited"_s ? QVariant(invoices->value(c).toInt() ? 1 : 0)
                                                        : invoices->value(c));
                if (st == UpdateStatus::Inserted) {
                    QStringList marks(invoiceColumns.size() + 4, u"?"_s);
                    const qint64 id = db.insertReturning(
                        u"insert into scm_delivery (%1, sde_swb_id, sde_user_id, sde_createdate, sde_updatedate) "
                        "values (%2)"_s.arg(invoiceColumns.join(u", "_s), marks.join(u", "_s)),
                        u"sde_id"_s,
                        values + QVariantList{swb, Security::CurrentUserId() ? QVariant(Security::CurrentUserId())
                                                                              : QVariant(QMetaType::fromType<int>()),
                                              stamp, stamp});
                    invoiceIds.insert(invoices->integer(u"sde_id_link"_s), id);
                } else if (st == UpdateStatus::Modified) {
                    QStringList sets;
                    for (const QString& c : invoiceColumns)
                        sets << c + u" = ?"_s;
                    exec(u"update scm_delivery set %1, sde_updatedate = ? where sde_id = ?"_s.arg(sets.join(u", "_s)),
                         values + QVariantList{stamp, invoiceIds.value(invoices->integer(u"sde_id_link"_s))});
                }
            }
        }

        // 3. Delivered products, with their unit weight and volume.
        const QStringList productColumns{u"sdp_amount"_s, u"sdp_amount2"_s, u"sdp_sum"_s, u"sdp_sum_val"_s,
                                         u"sdp_certnum"_s, u"sdp_certdate"_s, u"sdp_certorg"_s,
                                         u"sdp_weight"_s, u"sdp_volume"_s};
        {
            auto products = deliveredProduct.clone();
            products->setPendingOnly(true);
            for (products->first(); !products->eof(); products->next()) {
                const UpdateStatus st = products->updateStatus();
                if (st == UpdateStatus::Deleted)
                    continue;
                errLink = products->integer(u"sde_id_link"_s);
                errPr = products->integer(u"sdp_pr_id"_s);
                QVariantList values;
                for (const QString& c : productColumns)
                    values << products->value(c);
                const qint64 sde = invoiceIds.value(errLink);
                if (st == UpdateStatus::Inserted) {
                    QStringList marks(productColumns.size() + 3, u"?"_s);
                    exec(u"insert into scm_deliveredProduct (%1, sdp_swb_id, sdp_sde_id, sdp_pr_id) values (%2)"_s.arg(
                             productColumns.join(u", "_s), marks.join(u", "_s)),
                         values + QVariantList{swb, sde, errPr});
                } else {
                    QStringList sets;
                    for (const QString& c : productColumns)
                        sets << c + u" = ?"_s;
                    exec(u"update scm_deliveredProduct set %1 where sdp_sde_id = ? and sdp_pr_id = ? and sdp_swb_id = ?"_s
                             .arg(sets.join(u", "_s)),
                         values + QVariantList{sde, errPr, swb});
                }
            }
        }

        // 4. Order rows: decreases before increases, so that a line's shipped total never passes
        // its confirmation on the way.
        const QString orderWhere = u"sdi_sde_id = ? and sdi_sdp_pr_id = ? and sdi_suo_id = ? and sdi_pr_id = ? "
                                   "and sdi_soa_deliverydate = ?"_s;
        for (const bool increases : {false, true}) {
            auto orders = orderInvoice.clone();
            orders->setPendingOnly(true);
            for (orders->first(); !orders->eof(); orders->next()) {
                const UpdateStatus st = orders->updateStatus();
                if (st == UpdateStatus::Deleted)
                    continue;
                errLink = orders->integer(u"sde_id_link"_s);
                errPr = orders->integer(u"sdi_pr_id"_s);
                const qint64 sde = invoiceIds.value(errLink);
                const Money amount = orders->money(u"sdi_amount"_s);
                const QVariantList key{sde, errPr, orders->integer(u"sdi_suo_id"_s), errPr,
                                       orders->value(u"sdi_soa_deliverydate"_s)};
                if (st == UpdateStatus::Inserted) {
                    if (!increases)
                        continue;
                    exec(u"insert into scm_order_invoice (sdi_sde_id, sdi_sdp_pr_id, sdi_suo_id, sdi_pr_id, "
                         "sdi_soa_deliverydate, sdi_swb_id, sdi_amount, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                         key + QVariantList{swb, amount.toVariant(), amount.toVariant()});
                } else if ((amount > storedAmount(*orders, u"sdi_amount"_s)) == increases) {
                    exec(u"update scm_order_invoice set sdi_amount = ?, sdi_sdp_amount = ? where %1"_s.arg(orderWhere),
                         QVariantList{amount.toVariant(), amount.toVariant()} + key);
                }
            }
        }

        // 5. Request rows added or raised take from the requests' confirmed, not yet shipped rows.
        {
            auto requests = offerInvoice.clone();
            requests->setPendingOnly(true);
            for (requests->first(); !requests->eof(); requests->next()) {
                const UpdateStatus st = requests->updateStatus();
                if (st == UpdateStatus::Deleted || st == UpdateStatus::Unchanged)
                    continue;
                const bool moved = st == UpdateStatus::Modified &&
                                   requests->originalValue(u"soi_bof_id"_s) != requests->value(u"soi_bof_id"_s);
                const Money amount = requests->money(u"soi_amount"_s);
                const Money oldAmount = storedAmount(*requests, u"soi_amount"_s);
                errLink = requests->integer(u"sde_id_link"_s);
                errPr = requests->integer(u"soi_pr_id"_s);
                const ShipmentKey key{invoiceIds.value(errLink), errPr, requests->integer(u"soi_suo_id"_s), errPr,
                                      requests->value(u"soi_soa_deliverydate"_s).toDateTime(),
                                      requests->integer(u"soi_bof_id"_s)};
                if (st == UpdateStatus::Inserted || moved) {
                    WayBillShares::take(db, key.suo, key.pr, key.date, key.bof, amount);
                    exec(u"insert into scm_offer_invoice (soi_sde_id, soi_sdp_pr_id, soi_suo_id, soi_pr_id, "
                         "soi_soa_deliverydate, soi_bof_id, soi_swb_id, soi_amount, soi_sdp_amount) "
                         "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                         key.values() + QVariantList{swb, amount.toVariant(), amount.toVariant()});
                } else if (amount > oldAmount) {
                    WayBillShares::take(db, key.suo, key.pr, key.date, key.bof, amount - oldAmount);
                    QStringList where;
                    for (const QString& c : ShipmentKey::Columns)
                        where << c + u" = ?"_s;
                    exec(u"update scm_offer_invoice set soi_amount = ?, soi_sdp_amount = ? where %1"_s.arg(
                             where.join(u" and "_s)),
                         QVariantList{amount.toVariant(), amount.toVariant()} + key.values());
                }
            }
        }
    } catch (const DatabaseError& e) {
        mapWriteError(e, errLink, errPr);
    }

    // The waybill's weight and volume are its products' as stored.
    exec(u"update scm_waybill set swb_weight = (select %1 from scm_deliveredProduct where sdp_swb_id = ?), "
         "swb_volume = (select %2 from scm_deliveredProduct where sdp_swb_id = ?) where swb_id = ?"_s.arg(
             db.dialect().roundedAmount(u"coalesce(sum(coalesce(sdp_weight, 0) * sdp_amount), 0)"_s),
             db.dialect().roundedAmount(u"coalesce(sum(coalesce(sdp_volume, 0) * sdp_amount), 0)"_s)),
         {swb, swb, swb});
}

void Tdm_WayBills::acceptChanges()
{
    for (TRowSet* s : {&wayBills, &deliveryInvoices, &deliveredProduct, &orderInvoice, &offerInvoice})
        RowSetHelpers::acceptDataSetChanges(*s);
    m_swbId = m_savedId;
    m_discardedLines.clear();
    m_discardedShares.clear();
    TDefferedDataModule::acceptChanges();
}

void Tdm_WayBills::refreshAfterSave()
{
    // Keys the server gave and what the warehouse received are read back; the current invoice
    // and product stay.
    const QVariant invoice = deliveryInvoices.isEmpty() ? QVariant() : deliveryInvoices.value(u"sde_invoice_num"_s);
    const QVariant product = deliveredProduct.isEmpty() ? QVariant() : deliveredProduct.value(u"sdp_pr_id"_s);
    loadWayBill(m_swbId);
    if (!invoice.isNull() && deliveryInvoices.locate({u"sde_invoice_num"_s}, {invoice}) && !product.isNull())
        deliveredProduct.locate({u"sdp_pr_id"_s}, {product});
}

} // namespace Tarvo::WayBills
