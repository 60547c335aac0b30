#include "AcceptedOrders/tdmaccshed.h"

#include "AcceptedOrders/tdmtableedits.h"

#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/rowset/rowsethelpers.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"

#include <QCryptographicHash>
#include <QHash>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

using namespace Data;

const QString TdmAccShed::DuplicateLineMessage = u"Товар с такой датой заказа уже существует"_s;
const QString TdmAccShed::RuleViolationSuffix = u"Нарушение ограничения в выделенном товаре"_s;
const QString TdmAccShed::ShippedDateMessage = u"Заявка уже отправилась. Дату корректировать нельзя"_s;
const QString TdmAccShed::DeleteRefusedSuffix = u"Удаление подтверждения невозможно"_s;

namespace {

const QStringList ProductFields{u"pr_name"_s, u"pr_articul"_s, u"pr_dop1"_s, u"pr_dop2"_s, u"pr_dop3"_s};

// Confirmed dates are whole days: a second part of the same day is the same key.
QDateTime wholeDay(const QDateTime& d)
{
    return d.isValid() ? QDateTime(d.date(), QTime(0, 0)) : d;
}

QString dateText(const QDateTime& d)
{
    return d.toString(u"dd.MM.yyyy"_s);
}

// A sum worked out once from the exact factors, rounded to four decimals at the end.
QVariant roundedSum(double value)
{
    return Money::fromDouble(value).toVariant();
}

} // namespace

// A confirmed line as the write passes need it: where it is stored and where it goes.
struct TdmAccShed::Line
{
    qint64 pr = 0;
    QDateTime storedDate; // the key in the database (the loaded date)
    QDateTime date;       // the key after this save
    UpdateStatus status = UpdateStatus::Unchanged;
    bool save = true;
    QString articul;
};

TdmAccShed::TdmAccShed(Database* db, QObject* parent) : TDefferedDataModule(db, parent)
{
    soAccepted.addField(u"pr_name"_s, FieldType::String, 200);
    soAccepted.addField(u"pr_articul"_s, FieldType::String, 20);
    soAccepted.addField(u"soa_amount"_s, FieldType::Money);
    soAccepted.addField(u"soa_deliverydate"_s, FieldType::DateTime);
    soAccepted.addField(u"soa_sum"_s, FieldType::Money);
    soAccepted.addField(u"soa_sum_valut"_s, FieldType::Money);
    soAccepted.addField(u"soa_id_link"_s, FieldType::Integer);
    soAccepted.addField(u"soa_pr_id"_s, FieldType::Integer);
    // Kept unrounded: a sum is the price times the quantity rounded once.
    soAccepted.addField(u"price"_s, FieldType::Float);
    soAccepted.addField(u"pr_dop1"_s, FieldType::String, 100);
    soAccepted.addField(u"pr_dop2"_s, FieldType::String, 100);
    soAccepted.addField(u"pr_dop3"_s, FieldType::String, 100);
    soAccepted.addField(u"merged"_s, FieldType::Boolean);
    soAccepted.addField(u"Ratio"_s, FieldType::Float);
    soAccepted.addField(u"suo_cod_valut"_s, FieldType::String, 8);
    soAccepted.addField(u"SaveRecord"_s, FieldType::Boolean);
    soAccepted.addCalculatedField(u"IsValuted"_s, FieldType::Boolean, [](const TRowSet& r) {
        return QVariant(!r.string(u"suo_cod_valut"_s).trimmed().isEmpty());
    });
    const QList<QPair<QString, QString>> captions{
        {u"pr_name"_s, u"Название"_s},      {u"pr_articul"_s, u"Артикул"_s},
        {u"soa_amount"_s, u"Кол-во"_s},      {u"soa_deliverydate"_s, u"Дата отгрузки"_s},
        {u"soa_sum"_s, u"Сумма"_s},          {u"soa_sum_valut"_s, u"Вал. сумма"_s},
        {u"price"_s, u"Цена"_s},             {u"Ratio"_s, u"Котировка"_s},
        {u"suo_cod_valut"_s, u"Валюта"_s},   {u"SaveRecord"_s, u"Сохранять"_s}};
    for (const auto& [name, caption] : captions)
        soAccepted.field(soAccepted.fieldIndex(name)).displayLabel = caption;
    for (const QString& f : ProductFields + QStringList{u"soa_deliverydate"_s, u"soa_sum"_s, u"soa_sum_valut"_s,
                                                        u"soa_id_link"_s, u"soa_pr_id"_s, u"merged"_s,
                                                        u"suo_cod_valut"_s, u"SaveRecord"_s})
        soAccepted.field(soAccepted.fieldIndex(f)).readOnly = true;
    soAccepted.field(soAccepted.fieldIndex(u"price"_s)).displayFormat = u"4"_s;

    boAccepted.addField(u"boa_bof_id"_s, FieldType::Integer);
    boAccepted.addField(u"boa_amount"_s, FieldType::Money);
    boAccepted.addField(u"boa_id_link"_s, FieldType::Integer);
    boAccepted.field(0).displayLabel = u"Заявка"_s;
    boAccepted.field(1).displayLabel = u"Кол-во"_s;
    boAccepted.field(2).readOnly = true;
    boAccepted.setMaster(&soAccepted, {u"soa_id_link"_s}, {u"boa_id_link"_s});
    boAccepted.setSort(u"boa_bof_id"_s);

    soAccepted.onNewRecord = [this](TRowSet& r) {
        // Lines come only from loading and duplicating.
        if (!m_internalInsert)
            throw Abort();
        r.forceValue(r.fieldIndex(u"soa_id_link"_s), nextTempId());
        r.forceValue(r.fieldIndex(u"merged"_s), m_loadingRest);
        r.forceValue(r.fieldIndex(u"SaveRecord"_s), true);
    };
    soAccepted.validate = [this](TRowSet& r, int field, const QVariant& value) {
        const QString& name = r.field(field).name;
        if (!m_loading && (name == u"soa_amount"_s || name == u"price"_s || name == u"Ratio"_s))
            return !value.isNull() && (name == u"soa_amount"_s ? Money::fromVariant(value) > Money()
                                                                : value.toDouble() > 0);
        return true;
    };
    soAccepted.onFieldChange = [this](TRowSet&, int field) {
        if (!m_loading)
            recalculate(field);
    };
    soAccepted.beforePost = [this](TRowSet& r) {
        if (!m_loading)
            trimDistribution(r);
    };
    soAccepted.beforeDelete = [this](TRowSet& r) {
        RowSetHelpers::discardRows(boAccepted, u"boa_id_link=%1"_s.arg(r.integer(u"soa_id_link"_s)));
    };
    boAccepted.onNewRecord = [this](TRowSet&) {
        if (soAccepted.isEmpty())
            throw Abort();
    };
    boAccepted.validate = [](TRowSet& r, int field, const QVariant& value) {
        return r.field(field).name != u"boa_amount"_s || Money::fromVariant(value) > Money();
    };
    boAccepted.beforePost = [this](TRowSet& r) {
        if (!m_loading)
            checkRequestRow(r);
    };
    const auto touched = [this](TRowSet&) {
        if (!m_loading)
            setModified(true);
    };
    soAccepted.afterPost = soAccepted.afterDelete = boAccepted.afterPost = boAccepted.afterDelete = touched;
}

void TdmAccShed::loadOrder(int suoId)
{
    if (m_suoId)
        throw Exception(u"Уже загружен заказ %1"_s.arg(suoId));
    Database& db = database();
    Query head(db, u"select suo_waiting from scm_supplier_order where suo_id = :suo_id"_s);
    head.bind(u"suo_id"_s, suoId).exec();
    if (!head.next())
        throw Exception(u"Заказ поставщику № %1 не найден"_s.arg(suoId));
    const bool waiting = head.integer(0) == 1;
    Query q(db, u"select soa_pr_id, soa_amount, soa_sum, soa_deliverydate, soa_sum_valut, boa_bof_id, boa_amount, "
                "pr_articul, pr_name, suo_waiting, pr_dop1, pr_dop2, pr_dop3, suo_cod_valut "
                "from scm_so_accepted join scm_supplier_order on suo_id = soa_suo_id "
                "join crm_product on soa_pr_id = pr_id "
                "left join scm_bo_accepted on boa_pr_id = soa_pr_id and boa_suo_id = soa_suo_id "
                "and boa_soa_deliverydate = soa_deliverydate "
                "where soa_suo_id = :suo_id order by soa_pr_id, soa_deliverydate, boa_bof_id"_s);
    q.bind(u"suo_id"_s, suoId).exec();
    m_suoId = suoId;
    m_notWaiting = !waiting;
    appendLines(q, false);
    RowSetHelpers::acceptDataSetChanges(soAccepted);
    RowSetHelpers::acceptDataSetChanges(boAccepted);
    soAccepted.setSort(u"pr_articul, soa_deliverydate"_s);
    soAccepted.first();
    m_loadedState = storedState();
    setModified(false);
}

void TdmAccShed::loadRest()
{
    if (!m_suoId)
        throw Exception(u"Внутренняя ошибка: заказ для подтверждения не загружен"_s);
    const Dialect& d = database().dialect();
    const QString rest = u"(sop_amount - coalesce(c.a, 0))"_s;
    // Multiplied first and rounded once; "* 1.0" keeps SQLite from dividing whole numbers as integers.
    Query q(database(),
            u"select sop_pr_id as soa_pr_id, %1 as soa_amount, %2 as soa_sum, %3 as soa_sum_valut, "
            "sop_deliverydate as soa_deliverydate, suo_cod_valut, pr_articul, pr_name, pr_dop1, pr_dop2, pr_dop3, "
            "bpo_bof_id as boa_bof_id, bpo_amount as boa_amount "
            "from scm_so_products join scm_supplier_order on suo_id = sop_suo_id join crm_product on pr_id = sop_pr_id "
            "left join (select soa_pr_id as c_pr, sum(soa_amount) as a from scm_so_accepted "
            "where soa_suo_id = :suo_id group by soa_pr_id) c on c.c_pr = sop_pr_id "
            "left join scm_bo_ordered on bpo_suo_id = sop_suo_id and bpo_pr_id = sop_pr_id "
            "where sop_suo_id = :suo_id and round(sop_amount * 10000) > round(coalesce(c.a, 0) * 10000) "
            "order by sop_pr_id, bpo_bof_id"_s.arg(d.roundedAmount(rest),
                                                  d.roundedAmount(u"sop_sum * %1 / (sop_amount * 1.0)"_s.arg(rest)),
                                                  d.roundedAmount(u"sop_sum_valut * %1 / (sop_amount * 1.0)"_s.arg(rest))));
    q.bind(u"suo_id"_s, m_suoId).exec();
    const int before = soAccepted.recordCount();
    m_loadingRest = true;
    try {
        appendLines(q, true);
    } catch (...) {
        m_loadingRest = false;
        throw;
    }
    m_loadingRest = false;
    if (soAccepted.recordCount() != before)
        setModified(true);
}

void TdmAccShed::appendLines(Query& query, bool rest)
{
    TRowSet source;
    source.loadFrom(query);
    // Products whose line is not written yet are not loaded twice.
    QSet<qint64> pending;
    if (rest) {
        auto lines = soAccepted.clone();
        lines->setPendingOnly(true);
        for (lines->first(); !lines->eof(); lines->next())
            if (lines->updateStatus() == UpdateStatus::Inserted)
                pending.insert(lines->integer(u"soa_pr_id"_s));
    }
    soAccepted.checkBrowseMode();
    boAccepted.checkBrowseMode();
    const QList<int> productFields = [&] {
        QList<int> r;
        for (const QString& f : ProductFields + QStringList{u"soa_pr_id"_s, u"soa_deliverydate"_s, u"soa_sum"_s,
                                                            u"soa_sum_valut"_s, u"suo_cod_valut"_s})
            r << soAccepted.fieldIndex(f);
        return r;
    }();
    for (int f : productFields)
        soAccepted.field(f).readOnly = false;
    // Sorted once at the end, not on every row appended.
    const QString lineSort = soAccepted.sort(), requestSort = boAccepted.sort();
    soAccepted.setSort({});
    boAccepted.setSort({});
    m_loading = m_internalInsert = true;
    const auto restore = [&] {
        for (int f : productFields)
            soAccepted.field(f).readOnly = true;
        m_loading = m_internalInsert = false;
        soAccepted.setSort(lineSort);
        boAccepted.setSort(requestSort);
        boAccepted.setMaster(&soAccepted, {u"soa_id_link"_s}, {u"boa_id_link"_s});
    };
    // The request rows are linked to their line by hand while loading: following the line set's
    // cursor would rebuild the request view for every line.
    boAccepted.clearMaster();
    const int linkField = boAccepted.fieldIndex(u"boa_id_link"_s);
    const int bofField = boAccepted.fieldIndex(u"boa_bof_id"_s);
    const int shareField = boAccepted.fieldIndex(u"boa_amount"_s);
    try {
        qint64 pr = -1;
        QDateTime date;
        bool skipping = false;
        QVariant link;
        Money amount, placed;
        for (source.first(); !source.eof(); source.next()) {
            const qint64 rowPr = source.integer(u"soa_pr_id"_s);
            const QDateTime rowDate = source.value(u"soa_deliverydate"_s).toDateTime();
            if (rowPr != pr || rowDate != date) {
                pr = rowPr;
                date = rowDate;
                skipping = pending.contains(pr);
                if (skipping)
                    continue;
                RowSetHelpers::copyRecordsetRow(source, soAccepted);
                soAccepted.edit();
                if (rest)
                    soAccepted.forceValue(soAccepted.fieldIndex(u"soa_deliverydate"_s),
                                          wholeDay(rowDate.isValid() ? rowDate : QDateTime::currentDateTime()));
                derivePriceAndRatio();
                soAccepted.post();
                link = soAccepted.value(u"soa_id_link"_s);
                amount = soAccepted.money(u"soa_amount"_s);
                placed = Money();
            }
            if (skipping || source.isNull(u"boa_bof_id"_s))
                continue;
            Money share = source.money(u"boa_amount"_s);
            // A rest line lowered after its requests were ordered keeps them in request order up
            // to its quantity.
            if (rest) {
                if (placed >= amount)
                    continue;
                share = qMin(share, amount - placed);
                placed += share;
            }
            boAccepted.insert();
            boAccepted.forceValue(linkField, link);
            boAccepted.forceValue(bofField, source.value(u"boa_bof_id"_s));
            boAccepted.forceValue(shareField, share.toVariant());
            boAccepted.post();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TdmAccShed::derivePriceAndRatio()
{
    const double amount = soAccepted.money(u"soa_amount"_s).toDouble();
    const double sum = soAccepted.money(u"soa_sum"_s).toDouble();
    const double valut = soAccepted.money(u"soa_sum_valut"_s).toDouble();
    const bool valuted = !soAccepted.string(u"suo_cod_valut"_s).trimmed().isEmpty();
    soAccepted.forceValue(soAccepted.fieldIndex(u"price"_s), amount == 0 ? 0.0 : (valuted ? valut : sum) / amount);
    const double ratio = valut == 0 ? 0.0 : sum / valut;
    soAccepted.forceValue(soAccepted.fieldIndex(u"Ratio"_s), ratio == 0 ? 1.0 : ratio);
}

void TdmAccShed::recalculate(int field)
{
    const QString& name = soAccepted.field(field).name;
    if (m_inRecalc || (name != u"soa_amount"_s && name != u"price"_s && name != u"Ratio"_s) ||
        soAccepted.isNull(u"Ratio"_s))
        return;
    m_inRecalc = true;
    const double amount = soAccepted.money(u"soa_amount"_s).toDouble();
    const double price = soAccepted.value(u"price"_s).toDouble();
    const double ratio = soAccepted.value(u"Ratio"_s).toDouble();
    const double base = price * amount;
    if (soAccepted.value(u"IsValuted"_s).toBool() ||
        !soAccepted.string(u"suo_cod_valut"_s).trimmed().isEmpty()) {
        soAccepted.forceValue(soAccepted.fieldIndex(u"soa_sum_valut"_s), roundedSum(base));
        soAccepted.forceValue(soAccepted.fieldIndex(u"soa_sum"_s), roundedSum(base * ratio));
    } else {
        soAccepted.forceValue(soAccepted.fieldIndex(u"soa_sum"_s), roundedSum(base));
        soAccepted.forceValue(soAccepted.fieldIndex(u"soa_sum_valut"_s), roundedSum(base / ratio));
    }
    m_inRecalc = false;
}

void TdmAccShed::trimDistribution(TRowSet& line)
{
    const Money amount = line.money(u"soa_amount"_s);
    auto rows = boAccepted.clone();
    rows->setFilter(u"boa_id_link=%1"_s.arg(line.integer(u"soa_id_link"_s)));
    rows->setSort(u"boa_bof_id"_s);
    QList<QPair<TRowSet::Bookmark, Money>> shares;
    for (rows->first(); !rows->eof(); rows->next())
        shares << qMakePair(rows->bookmark(), rows->money(u"boa_amount"_s));
    Money total;
    for (const auto& [mark, share] : shares) {
        if (!rows->gotoBookmark(mark))
            continue;
        if (total == amount) {
            rows->remove();
        } else if (share > amount - total) {
            rows->edit();
            rows->forceValue(rows->fieldIndex(u"boa_amount"_s), (amount - total).toVariant());
            rows->post();
            total = amount;
        } else {
            total += share;
        }
    }
}

void TdmAccShed::checkRequestRow(TRowSet& row)
{
    const qint64 bof = row.integer(u"boa_bof_id"_s);
    const QString articul = soAccepted.string(u"pr_articul"_s);
    if (row.isNull(u"boa_bof_id"_s) || bof <= 0)
        throw Exception(u"Укажите номер заявки"_s);
    if (row.isNull(u"boa_amount"_s))
        throw Exception(u"Укажите количество по заявке %1"_s.arg(bof));
    auto others = boAccepted.clone();
    others->setFilter(u"boa_id_link=%1"_s.arg(row.integer(u"boa_id_link"_s)));
    const TRowSet::Bookmark self = row.state() == RowSetState::Insert ? 0 : row.bookmark();
    for (others->first(); !others->eof(); others->next())
        if (others->integer(u"boa_bof_id"_s) == bof && (self == 0 || others->bookmark() != self))
            throw Exception(u"Заявка %1 уже есть в распределении товара %2"_s.arg(bof).arg(articul));
    if (database()
            .scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                    {bof, soAccepted.integer(u"soa_pr_id"_s)})
            .toLongLong() == 0)
        throw Exception(u"В заявке %1 нет товара %2"_s.arg(bof).arg(articul));
}

bool TdmAccShed::currentIsMerged() const
{
    return !soAccepted.isEmpty() && soAccepted.value(u"merged"_s).toBool();
}

void TdmAccShed::duplicateLine()
{
    if (soAccepted.isEmpty())
        return;
    soAccepted.checkBrowseMode();
    QVariantList values;
    const QStringList copied = ProductFields + QStringList{u"soa_amount"_s, u"soa_sum"_s, u"soa_sum_valut"_s,
                                                           u"soa_pr_id"_s, u"soa_deliverydate"_s, u"price"_s,
                                                           u"Ratio"_s, u"suo_cod_valut"_s};
    for (const QString& f : copied)
        values << soAccepted.value(f);
    m_internalInsert = m_loading = true;
    try {
        soAccepted.insert();
        for (int i = 0; i < copied.size(); ++i)
            soAccepted.forceValue(soAccepted.fieldIndex(copied[i]), values[i]);
        soAccepted.post();
    } catch (...) {
        m_internalInsert = m_loading = false;
        throw;
    }
    m_internalInsert = m_loading = false;
    setModified(true);
}

void TdmAccShed::setLineDate(const QDate& date, bool allMerged)
{
    if (soAccepted.isEmpty() || !date.isValid())
        return;
    const QVariant day = QDateTime(date, QTime(0, 0));
    const int f = soAccepted.fieldIndex(u"soa_deliverydate"_s);
    const auto set = [&](TRowSet& r) {
        r.edit();
        r.forceValue(f, day);
        r.post();
    };
    if (!allMerged) {
        set(soAccepted);
        return;
    }
    soAccepted.checkBrowseMode();
    const auto here = soAccepted.bookmark();
    auto all = soAccepted.clone();
    all->setFilter(u"merged=true"_s);
    QList<TRowSet::Bookmark> marks;
    for (all->first(); !all->eof(); all->next())
        marks << all->bookmark();
    for (const auto b : marks)
        if (soAccepted.gotoBookmark(b))
            set(soAccepted);
    soAccepted.gotoBookmark(here);
}

void TdmAccShed::toggleSaveRecord()
{
    if (soAccepted.isEmpty() || soAccepted.updateStatus() != UpdateStatus::Inserted)
        return;
    const bool save = soAccepted.value(u"SaveRecord"_s).toBool();
    soAccepted.edit();
    soAccepted.forceValue(soAccepted.fieldIndex(u"SaveRecord"_s), !save);
    soAccepted.post();
}

void TdmAccShed::setSaveRecordForAll(bool save)
{
    soAccepted.checkBrowseMode();
    const auto here = soAccepted.bookmark();
    auto pending = soAccepted.clone();
    pending->setPendingOnly(true);
    QList<TRowSet::Bookmark> marks;
    for (pending->first(); !pending->eof(); pending->next())
        if (pending->updateStatus() == UpdateStatus::Inserted)
            marks << pending->bookmark();
    for (const auto b : marks) {
        if (!soAccepted.gotoBookmark(b))
            continue;
        soAccepted.edit();
        soAccepted.forceValue(soAccepted.fieldIndex(u"SaveRecord"_s), save);
        soAccepted.post();
    }
    soAccepted.gotoBookmark(here);
}

QString TdmAccShed::refusalFor(qint64 prId, const QDateTime& date) const
{
    Database& db = database();
    Query shipped(db, u"select sdi_swb_id, pr_articul from scm_order_invoice join crm_product on pr_id = sdi_pr_id "
                      "where sdi_suo_id = :suo_id and sdi_pr_id = :pr_id and sdi_soa_deliverydate = :date "
                      "order by sdi_swb_id"_s);
    shipped.bind(u"suo_id"_s, m_suoId).bind(u"pr_id"_s, prId).bind(u"date"_s, date).exec();
    if (shipped.next())
        return u"Товар %1 на %2 отгружен в посылке № %3\r\n%4"_s.arg(shipped.string(1), dateText(date))
            .arg(shipped.integer(0))
            .arg(DeleteRefusedSuffix);
    Query proforma(db, u"select pf_id, pf_snomer, pr_articul from scm_so_accepted join scm_Proforma on pf_id = soa_pf_id "
                       "join crm_product on pr_id = soa_pr_id where soa_suo_id = :suo_id and soa_pr_id = :pr_id "
                       "and soa_deliverydate = :date"_s);
    proforma.bind(u"suo_id"_s, m_suoId).bind(u"pr_id"_s, prId).bind(u"date"_s, date).exec();
    if (proforma.next()) {
        const QString number = proforma.string(1).trimmed();
        return u"Товар %1 на %2 входит в проформу № %3\r\n%4"_s.arg(
            proforma.string(2), dateText(date), number.isEmpty() ? proforma.string(0) : number, DeleteRefusedSuffix);
    }
    return {};
}

QString TdmAccShed::deletionRefusal() const
{
    if (soAccepted.isEmpty() || soAccepted.updateStatus() == UpdateStatus::Inserted)
        return {};
    return refusalFor(soAccepted.integer(u"soa_pr_id"_s), soAccepted.originalValue(u"soa_deliverydate"_s).toDateTime());
}

QByteArray TdmAccShed::storedState() const
{
    Database& db = database();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const auto add = [&](const QString& sql) {
        Query q(db, sql);
        q.bind(u"suo_id"_s, m_suoId).exec();
        while (q.next()) {
            for (int i = 0; i < q.columnCount(); ++i) {
                const QVariant v = q.value(i);
                hash.addData((v.userType() == qMetaTypeId<QDateTime>() ? Query::dateTimeText(v.toDateTime())
                              : v.userType() == qMetaTypeId<Money>()    ? v.value<Money>().toString()
                                                                        : v.toString())
                                 .toUtf8());
                hash.addData("|");
            }
            hash.addData("\n");
        }
    };
    add(u"select suo_waiting from scm_supplier_order where suo_id = :suo_id"_s);
    add(u"select soa_pr_id, soa_deliverydate, soa_amount, soa_sum, soa_sum_valut from scm_so_accepted "
        "where soa_suo_id = :suo_id order by soa_pr_id, soa_deliverydate"_s);
    add(u"select boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount from scm_bo_accepted "
        "where boa_suo_id = :suo_id order by boa_pr_id, boa_soa_deliverydate, boa_bof_id"_s);
    return hash.result();
}

bool TdmAccShed::saveDocument(bool stopWaiting)
{
    // The answer belongs to this one save, whatever becomes of it.
    m_stopWaiting = stopWaiting && !m_notWaiting;
    if (m_stopWaiting)
        setModified(true);
    bool saved = false;
    try {
        saved = save();
    } catch (...) {
        m_stopWaiting = false;
        throw;
    }
    if (saved && m_stopWaiting)
        m_notWaiting = true;
    m_stopWaiting = false;
    if (saved) {
        auto& server = Messaging::TMessageServer::instance();
        server.sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
        server.sendChangeNotice(Messaging::ChangeEvents::SupplierOrders);
        server.sendChangeNotice(Messaging::ChangeEvents::BusinessOffers);
    }
    return saved;
}

void TdmAccShed::postEdits()
{
    soAccepted.checkBrowseMode();
    boAccepted.checkBrowseMode();
}

void TdmAccShed::refreshAfterSave()
{
    m_loadedState = storedState();
}

void TdmAccShed::mapWriteError(const DatabaseError& e, qint64 prId, const QDateTime& date)
{
    if (e.nativeError() == NativeError::Constraint && e.constraint().compare(u"PK_scm_so_accepted"_s, Qt::CaseInsensitive) == 0)
        throw EDDMSaveError(DuplicateLineMessage);
    if (e.nativeError() == NativeError::General) {
        soAccepted.checkBrowseMode();
        soAccepted.locate({u"soa_pr_id"_s, u"soa_deliverydate"_s}, {prId, date});
        throw EDDMSaveError(e.message() + u"\r\n"_s + RuleViolationSuffix);
    }
    throw e;
}

void TdmAccShed::writeChanges()
{
    Database& db = database();
    const Dialect& dialect = db.dialect();
    // Another workstation's save of this order would be taken twice from the ordered quantities.
    db.exec(u"update scm_supplier_order set suo_waiting = suo_waiting where suo_id = ?"_s, {m_suoId});
    if (storedState() != m_loadedState)
        throw EDDMSaveError(
            u"Подтверждение заказа %1 изменено другим пользователем. Откройте его заново"_s.arg(m_suoId));

    QHash<qint64, Line> lines;
    {
        auto all = soAccepted.clone();
        for (all->first(); !all->eof(); all->next()) {
            Line l;
            l.pr = all->integer(u"soa_pr_id"_s);
            l.status = all->updateStatus();
            l.date = wholeDay(all->value(u"soa_deliverydate"_s).toDateTime());
            l.storedDate = l.status == UpdateStatus::Inserted ? l.date
                                                               : all->originalValue(u"soa_deliverydate"_s).toDateTime();
            l.save = all->value(u"SaveRecord"_s).toBool();
            l.articul = all->string(u"pr_articul"_s);
            lines.insert(all->integer(u"soa_id_link"_s), l);
        }
    }

    Query giveBack(db, u"update scm_bo_ordered set bpo_amount = %1 where bpo_bof_id = :bpo_bof_id "
                       "and bpo_suo_id = :bpo_suo_id and bpo_pr_id = :bpo_pr_id and exists (select 1 from "
                       "scm_supplier_order where suo_id = :bpo_suo_id and suo_waiting = 1)"_s.arg(
                           dialect.roundedAmount(u"bpo_amount + :bpo_amount"_s)));
    Query giveBackNew(db, u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                          "select :bpo_bof_id, :bpo_pr_id, :bpo_suo_id, :bpo_amount from scm_supplier_order "
                          "where suo_id = :bpo_suo_id and suo_waiting = 1"_s);
    const auto incOrdered = [&](qint64 bof, qint64 pr, Money amount) {
        if (amount <= Money())
            return;
        for (Query* q : {&giveBack, &giveBackNew}) {
            q->bind(u"bpo_amount"_s, amount.toVariant()).bind(u"bpo_bof_id"_s, bof).bind(u"bpo_suo_id"_s, m_suoId)
                .bind(u"bpo_pr_id"_s, pr)
                .exec();
            if (q->numRowsAffected() > 0)
                return;
        }
    };
    Query ordered(db, u"select bpo_amount, bpo_suo_id from scm_bo_ordered where bpo_bof_id = :bof_id "
                      "and bpo_pr_id = :pr_id order by case when bpo_suo_id = :suo_id then 0 else 1 end, bpo_suo_id"_s);
    Query lowerOrdered(db, u"update scm_bo_ordered set bpo_amount = %1 where bpo_bof_id = :bof and bpo_pr_id = :pr "
                           "and bpo_suo_id = :suo"_s.arg(dialect.roundedAmount(u"bpo_amount - :amount"_s)));
    Query dropOrdered(db, u"delete from scm_bo_ordered where bpo_bof_id = :bof and bpo_pr_id = :pr and bpo_suo_id = :suo"_s);
    Query placed(db, u"select bpd_amount, bpd_placed from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s);
    // Moves what the request still counts as ordered (this order first, then the others by
    // number) into the confirmation. A share beyond that must still fit in the request's line.
    const auto takeOrdered = [&](qint64 bof, qint64 pr, Money amount, const QString& articul) {
        if (amount <= Money())
            return;
        ordered.bind(u"bof_id"_s, bof).bind(u"pr_id"_s, pr).bind(u"suo_id"_s, m_suoId).exec();
        QList<QPair<Money, qint64>> rows;
        while (ordered.next())
            rows << qMakePair(ordered.money(0), ordered.integer(1));
        ordered.finish();
        for (const auto& [held, suo] : rows) {
            if (amount <= Money())
                break;
            if (held > amount) {
                lowerOrdered.bind(u"amount"_s, amount.toVariant()).bind(u"bof"_s, bof).bind(u"pr"_s, pr)
                    .bind(u"suo"_s, suo).exec();
                amount = Money();
            } else {
                dropOrdered.bind(u"bof"_s, bof).bind(u"pr"_s, pr).bind(u"suo"_s, suo).exec();
                amount -= held;
            }
        }
        if (amount <= Money())
            return;
        placed.bindAll({bof, pr}).exec();
        const Money need = placed.next() ? placed.money(0) : Money();
        const Money taken = placed.money(1);
        placed.finish();
        if (taken > need)
            throw EDDMSaveError(u"Товар %1 по заявке %2: заявке нужно %3, а с этим распределением ей пришлось бы "
                                "%4. Уменьшите количество по заявке"_s
                                    .arg(articul)
                                    .arg(bof)
                                    .arg(Catalog::MoneyFormats::quantityText(need),
                                         Catalog::MoneyFormats::quantityText(taken)));
    };
    const auto requireRow = [](Query& q, const QString& what) {
        if (q.numRowsAffected() != 1)
            throw EDDMSaveError(u"%1 не найдено в базе данных: его тем временем изменил другой пользователь. "
                                "Откройте подтверждение заново"_s.arg(what));
    };
    Query delBo(db, u"delete from scm_bo_accepted where boa_pr_id = :pr_id and boa_suo_id = :suo_id "
                    "and boa_bof_id = :bof_id and boa_soa_deliverydate = :deliverydate"_s);
    Query updBo(db, u"update scm_bo_accepted set boa_soa_deliverydate = :new_deliverydate, boa_amount = :boa_amount "
                    "where boa_pr_id = :pr_id and boa_suo_id = :suo_id and boa_bof_id = :bof_id "
                    "and boa_soa_deliverydate = :old_deliverydate"_s);
    Query insBo(db, TdmTableEdits::insBoAccepted());

    auto requests = boAccepted.clone();
    requests->setPendingOnly(true);
    const auto lineOf = [&](TRowSet& r) -> const Line* {
        const auto it = lines.constFind(r.value(u"boa_id_link"_s).toLongLong());
        return it == lines.constEnd() ? nullptr : &*it;
    };

    // 1. Removals and decreases of shares, at the lines' stored dates.
    for (requests->first(); !requests->eof(); requests->next()) {
        const Line* l = lineOf(*requests);
        const UpdateStatus st = requests->updateStatus();
        if (!l || !l->save || l->status == UpdateStatus::Inserted || st == UpdateStatus::Inserted)
            continue;
        const qint64 oldBof = requests->originalValue(u"boa_bof_id"_s).toLongLong();
        const Money oldAmount = Money::fromVariant(requests->originalValue(u"boa_amount"_s));
        const Money amount = requests->money(u"boa_amount"_s);
        try {
            if (st == UpdateStatus::Deleted || oldBof != requests->integer(u"boa_bof_id"_s)) {
                delBo.bind(u"pr_id"_s, l->pr).bind(u"suo_id"_s, m_suoId).bind(u"bof_id"_s, oldBof)
                    .bind(u"deliverydate"_s, l->storedDate).exec();
                requireRow(delBo, u"Распределение товара %1 по заявке %2"_s.arg(l->articul).arg(oldBof));
                incOrdered(oldBof, l->pr, oldAmount);
            } else if (amount < oldAmount) {
                updBo.bind(u"new_deliverydate"_s, l->storedDate).bind(u"boa_amount"_s, amount.toVariant())
                    .bind(u"pr_id"_s, l->pr).bind(u"suo_id"_s, m_suoId).bind(u"bof_id"_s, oldBof)
                    .bind(u"old_deliverydate"_s, l->storedDate).exec();
                requireRow(updBo, u"Распределение товара %1 по заявке %2"_s.arg(l->articul).arg(oldBof));
                incOrdered(oldBof, l->pr, oldAmount - amount);
            }
        } catch (const DatabaseError& e) {
            mapWriteError(e, l->pr, l->date);
        }
    }

    // 2. The lines.
    Query sumAccepted(db, u"select boa_bof_id, sum(boa_amount) from scm_bo_accepted where boa_pr_id = :pr_id "
                          "and boa_soa_deliverydate = :deliverydate and boa_suo_id = :suo_id group by boa_bof_id"_s);
    Query delSoBo(db, u"delete from scm_bo_accepted where boa_pr_id = :pr_id and boa_suo_id = :suo_id "
                      "and boa_soa_deliverydate = :deliverydate"_s);
    Query delSo(db, u"delete from scm_so_accepted where soa_pr_id = :pr_id and soa_suo_id = :suo_id "
                    "and soa_deliverydate = :deliverydate"_s);
    Query insSo(db, TdmTableEdits::insSoAccepted());
    Query updSo(db, u"update scm_so_accepted set soa_amount = :soa_amount, soa_sum = :soa_sum, "
                    "soa_deliverydate = :new_deliverydate, soa_sum_valut = :soa_sum_valut where soa_suo_id = :suo_id "
                    "and soa_pr_id = :pr_id and soa_deliverydate = :old_deliverydate"_s);
    auto pendingLines = soAccepted.clone();
    pendingLines->setPendingOnly(true);
    for (pendingLines->first(); !pendingLines->eof(); pendingLines->next()) {
        const Line& l = lines[pendingLines->integer(u"soa_id_link"_s)];
        const UpdateStatus st = pendingLines->updateStatus();
        try {
            if (st == UpdateStatus::Deleted) {
                const qint64 pr = pendingLines->originalValue(u"soa_pr_id"_s).toLongLong();
                const QDateTime stored = pendingLines->originalValue(u"soa_deliverydate"_s).toDateTime();
                if (const QString refusal = refusalFor(pr, stored); !refusal.isEmpty())
                    throw EDDMSaveError(refusal);
                sumAccepted.bind(u"pr_id"_s, pr).bind(u"deliverydate"_s, stored).bind(u"suo_id"_s, m_suoId).exec();
                QList<QPair<qint64, Money>> sums;
                while (sumAccepted.next())
                    sums << qMakePair(sumAccepted.integer(0), sumAccepted.money(1));
                sumAccepted.finish();
                for (const auto& [bof, amount] : sums)
                    incOrdered(bof, pr, amount);
                for (Query* q : {&delSoBo, &delSo})
                    q->bind(u"pr_id"_s, pr).bind(u"suo_id"_s, m_suoId).bind(u"deliverydate"_s, stored).exec();
                requireRow(delSo, u"Подтверждение товара %1 на %2"_s.arg(l.articul, dateText(stored)));
            } else if (st == UpdateStatus::Inserted) {
                if (!l.save)
                    continue;
                insSo.bind(u"soa_suo_id"_s, m_suoId).bind(u"soa_pr_id"_s, l.pr)
                    .bind(u"soa_amount"_s, pendingLines->money(u"soa_amount"_s).toVariant())
                    .bind(u"soa_sum"_s, pendingLines->money(u"soa_sum"_s).toVariant())
                    .bind(u"soa_deliverydate"_s, l.date)
                    .bind(u"soa_sum_valut"_s, pendingLines->money(u"soa_sum_valut"_s).toVariant())
                    .exec();
            } else if (st == UpdateStatus::Modified) {
                if (l.date != l.storedDate) {
                    if (refusalFor(l.pr, l.storedDate).contains(u"посылке"_s))
                        throw EDDMSaveError(ShippedDateMessage);
                    try {
                        const QVariantList key{m_suoId, l.pr};
                        Query shares(db, u"select boa_bof_id, boa_amount from scm_bo_accepted where boa_suo_id = ? "
                                         "and boa_pr_id = ? and boa_soa_deliverydate = ?"_s);
                        shares.bindAll(key + QVariantList{l.storedDate}).exec();
                        QList<QPair<qint64, QVariant>> kept;
                        while (shares.next())
                            kept << qMakePair(shares.integer(0), shares.value(1));
                        shares.finish();
                        // Copied at 0 and raised again, so that the line's rules hold at every step.
                        db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, "
                                "soa_sum, soa_sum_valut, soa_pf_id) select soa_suo_id, soa_pr_id, ?, 0, soa_sum, "
                                "soa_sum_valut, soa_pf_id from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? "
                                "and soa_deliverydate = ?"_s,
                                QVariantList{l.date} + key + QVariantList{l.storedDate});
                        db.exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                                "boa_amount) select boa_suo_id, boa_pr_id, ?, boa_bof_id, 0 from scm_bo_accepted "
                                "where boa_suo_id = ? and boa_pr_id = ? and boa_soa_deliverydate = ?"_s,
                                QVariantList{l.date} + key + QVariantList{l.storedDate});
                        db.exec(u"delete from scm_bo_accepted where boa_suo_id = ? and boa_pr_id = ? "
                                "and boa_soa_deliverydate = ?"_s,
                                key + QVariantList{l.storedDate});
                        db.exec(u"update scm_so_accepted set soa_amount = (select o.soa_amount from scm_so_accepted o "
                                "where o.soa_suo_id = ? and o.soa_pr_id = ? and o.soa_deliverydate = ?) "
                                "where soa_suo_id = ? and soa_pr_id = ? and soa_deliverydate = ?"_s,
                                key + QVariantList{l.storedDate} + key + QVariantList{l.date});
                        db.exec(u"delete from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? "
                                "and soa_deliverydate = ?"_s,
                                key + QVariantList{l.storedDate});
                        for (const auto& [bof, amount] : kept)
                            db.exec(u"update scm_bo_accepted set boa_amount = ? where boa_suo_id = ? and boa_pr_id = ? "
                                    "and boa_soa_deliverydate = ? and boa_bof_id = ?"_s,
                                    QVariantList{amount} + key + QVariantList{l.date, bof});
                    } catch (const DatabaseError& e) {
                        if (e.nativeError() == NativeError::Reference)
                            throw EDDMSaveError(ShippedDateMessage);
                        throw;
                    }
                }
                updSo.bind(u"soa_amount"_s, pendingLines->money(u"soa_amount"_s).toVariant())
                    .bind(u"soa_sum"_s, pendingLines->money(u"soa_sum"_s).toVariant())
                    .bind(u"new_deliverydate"_s, l.date)
                    .bind(u"soa_sum_valut"_s, pendingLines->money(u"soa_sum_valut"_s).toVariant())
                    .bind(u"suo_id"_s, m_suoId).bind(u"pr_id"_s, l.pr).bind(u"old_deliverydate"_s, l.date)
                    .exec();
                requireRow(updSo, u"Подтверждение товара %1 на %2"_s.arg(l.articul, dateText(l.storedDate)));
            }
        } catch (const DatabaseError& e) {
            mapWriteError(e, l.pr, l.date);
        }
    }

    // 3. Additions and increases of shares, at the lines' new dates.
    for (requests->first(); !requests->eof(); requests->next()) {
        const Line* l = lineOf(*requests);
        const UpdateStatus st = requests->updateStatus();
        if (!l || !l->save || st == UpdateStatus::Deleted || st == UpdateStatus::Unchanged)
            continue;
        const qint64 bof = requests->integer(u"boa_bof_id"_s);
        const Money amount = requests->money(u"boa_amount"_s);
        const qint64 oldBof = requests->originalValue(u"boa_bof_id"_s).toLongLong();
        const Money oldAmount = Money::fromVariant(requests->originalValue(u"boa_amount"_s));
        try {
            if (st == UpdateStatus::Inserted || l->status == UpdateStatus::Inserted || oldBof != bof) {
                insBo.bind(u"suo_id"_s, m_suoId).bind(u"pr_id"_s, l->pr).bind(u"deliverydate"_s, l->date)
                    .bind(u"bof_id"_s, bof).bind(u"boa_amount"_s, amount.toVariant()).exec();
                takeOrdered(bof, l->pr, amount, l->articul);
            } else if (amount > oldAmount) {
                updBo.bind(u"new_deliverydate"_s, l->date).bind(u"boa_amount"_s, amount.toVariant())
                    .bind(u"pr_id"_s, l->pr).bind(u"suo_id"_s, m_suoId).bind(u"bof_id"_s, bof)
                    .bind(u"old_deliverydate"_s, l->date).exec();
                requireRow(updBo, u"Распределение товара %1 по заявке %2"_s.arg(l->articul).arg(bof));
                takeOrdered(bof, l->pr, amount - oldAmount, l->articul);
            }
        } catch (const DatabaseError& e) {
            mapWriteError(e, l->pr, l->date);
        }
    }

    // 4. The waiting ends last: this save still gave back.
    if (m_stopWaiting)
        db.exec(u"update scm_supplier_order set suo_waiting = 0 where suo_id = %1"_s.arg(m_suoId));
}

void TdmAccShed::acceptChanges()
{
    // Lines not marked for saving stay new, with their requests, until the editor closes.
    QSet<qint64> unsaved;
    QList<TRowSet::Bookmark> written;
    {
        auto pending = soAccepted.clone();
        pending->setPendingOnly(true);
        for (pending->first(); !pending->eof(); pending->next()) {
            if (pending->updateStatus() == UpdateStatus::Inserted && !pending->value(u"SaveRecord"_s).toBool())
                unsaved.insert(pending->integer(u"soa_id_link"_s));
            else
                written << pending->bookmark();
        }
    }
    if (unsaved.isEmpty()) {
        RowSetHelpers::acceptDataSetChanges(soAccepted);
        RowSetHelpers::acceptDataSetChanges(boAccepted);
    } else {
        const auto acceptRows = [](TRowSet& set, const QList<TRowSet::Bookmark>& marks) {
            auto c = set.clone();
            c->setPendingOnly(true);
            for (const auto b : marks)
                if (c->gotoBookmark(b))
                    c->acceptCurrent();
        };
        acceptRows(soAccepted, written);
        QList<TRowSet::Bookmark> shares;
        auto pending = boAccepted.clone();
        pending->setPendingOnly(true);
        for (pending->first(); !pending->eof(); pending->next())
            if (!unsaved.contains(pending->integer(u"boa_id_link"_s)))
                shares << pending->bookmark();
        acceptRows(boAccepted, shares);
    }
    TDefferedDataModule::acceptChanges();
}

} // namespace Tarvo::AcceptedOrders
