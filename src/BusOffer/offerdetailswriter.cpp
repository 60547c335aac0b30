#include "BusOffer/offerdetailswriter.h"

#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/rights.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {

// A stage table: its key columns, the amount columns (all set to the amount) and, for inserts,
// the further columns.
struct StageTable
{
    QString table;
    QStringList keys;
    QStringList amounts;
    QStringList extra;
};

const StageTable& tableOf(OfferStage stage)
{
    static const StageTable ordered{u"scm_bo_ordered"_s, {u"bpo_bof_id"_s, u"bpo_suo_id"_s, u"bpo_pr_id"_s},
                                    {u"bpo_amount"_s}, {}};
    static const StageTable accepted{
        u"scm_bo_accepted"_s,
        {u"boa_pr_id"_s, u"boa_suo_id"_s, u"boa_bof_id"_s, u"boa_soa_deliverydate"_s},
        {u"boa_amount"_s},
        {}};
    static const StageTable shipped{u"scm_offer_invoice"_s,
                                    {u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s, u"soi_pr_id"_s,
                                     u"soi_soa_deliverydate"_s, u"soi_bof_id"_s},
                                    {u"soi_amount"_s, u"soi_sdp_amount"_s},
                                    {u"soi_swb_id"_s}};
    switch (stage) {
    case OfferStage::Ordered:
        return ordered;
    case OfferStage::Accepted:
        return accepted;
    case OfferStage::Shipped:
        break;
    }
    return shipped;
}

QVariantList keyValues(OfferStage stage, const StageRow& r)
{
    switch (stage) {
    case OfferStage::Ordered:
        return {r.bofId, r.suoId, r.prId};
    case OfferStage::Accepted:
        return {r.prId, r.suoId, r.bofId, r.confirmedDate};
    case OfferStage::Shipped:
        break;
    }
    return {r.sdeId, r.sdpPrId ? r.sdpPrId : r.prId, r.suoId, r.prId, r.confirmedDate, r.bofId};
}

QString whereKey(const StageTable& t)
{
    QStringList parts;
    for (const QString& k : t.keys)
        parts << k + u" = ?"_s;
    return parts.join(u" and "_s);
}

bool sameKey(OfferStage stage, const StageRow& a, const StageRow& b)
{
    return keyValues(stage, a) == keyValues(stage, b);
}

QString dateText(const QDateTime& d)
{
    return d.isValid() ? d.toString(u"dd.MM.yyyy"_s) : u"(не задана)"_s;
}

} // namespace

const QString OfferDetailsWriter::LastLineMessage = u"Это последний товар. Удалите саму заявку"_s;
const QString OfferDetailsWriter::ConfirmDeleteLine = u"Удалить товар из заявки?"_s;

OfferDetailsWriter::OfferDetailsWriter(Data::Database& db) : m_db(db) {}

bool OfferDetailsWriter::canEdit() const
{
    return Security::HasRight(Security::Right::AdminEditing);
}

void OfferDetailsWriter::requireEdit() const
{
    Security::RequireRight(Security::Right::AdminEditing);
}

void OfferDetailsWriter::announce() const
{
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::BusinessOffers);
}

void OfferDetailsWriter::insert(OfferStage stage, const StageRow& row)
{
    requireEdit();
    {
        Data::Transaction tr(m_db);
        insertRow(stage, row);
        tr.commit();
    }
    announce();
}

void OfferDetailsWriter::update(OfferStage stage, const StageRow& original, const StageRow& row)
{
    requireEdit();
    {
        Data::Transaction tr(m_db);
        if (!exists(stage, original))
            throw Exception(u"Строку распределения тем временем удалил другой пользователь. "
                            "Обновите данные (F5)"_s);
        if (sameKey(stage, original, row)) {
            updateAmount(stage, row);
        } else {
            deleteRow(stage, original);
            insertRow(stage, row);
        }
        tr.commit();
    }
    announce();
}

void OfferDetailsWriter::remove(OfferStage stage, const StageRow& row)
{
    requireEdit();
    {
        Data::Transaction tr(m_db);
        deleteRow(stage, row);
        tr.commit();
    }
    announce();
}

bool OfferDetailsWriter::exists(OfferStage stage, const StageRow& row) const
{
    const StageTable& t = tableOf(stage);
    return m_db.scalar(u"select count(*) from %1 where %2"_s.arg(t.table, whereKey(t)), keyValues(stage, row))
               .toLongLong() > 0;
}

void OfferDetailsWriter::insertRow(OfferStage stage, StageRow row)
{
    if (row.amount <= Money())
        throw Exception(u"Количество должно быть больше нуля"_s);
    if (!row.suoId)
        throw Exception(u"Укажите номер заказа поставщику"_s);
    if (stage != OfferStage::Ordered && !row.confirmedDate.isValid())
        throw Exception(u"Укажите дату подтверждения заказа поставщиком"_s);
    const StageTable& t = tableOf(stage);
    QVariantList values = keyValues(stage, row);
    if (stage == OfferStage::Shipped) {
        if (!row.sdeId)
            throw Exception(u"Укажите код счета поставщика"_s);
        if (!row.swbId) {
            const QVariant waybill =
                m_db.scalar(u"select sde_swb_id from scm_delivery where sde_id = ?"_s, {row.sdeId});
            if (waybill.isNull())
                throw Exception(u"Счет поставщика с кодом %1 не найден"_s.arg(row.sdeId));
            row.swbId = waybill.toLongLong();
        }
        values << row.swbId;
    }
    for (int i = 0; i < t.amounts.size(); ++i)
        values << row.amount.toVariant();
    const QStringList columns = t.keys + t.extra + t.amounts;
    const QString marks = QStringList(columns.size(), u"?"_s).join(u", "_s);
    try {
        m_db.exec(u"insert into %1 (%2) values (%3)"_s.arg(t.table, columns.join(u", "_s), marks), values);
    } catch (const Data::DatabaseError& e) {
        refuse(stage, row, e, false);
    }
}

void OfferDetailsWriter::updateAmount(OfferStage stage, const StageRow& row)
{
    if (row.amount <= Money())
        throw Exception(u"Количество должно быть больше нуля"_s);
    const StageTable& t = tableOf(stage);
    QStringList sets;
    QVariantList values;
    for (const QString& a : t.amounts) {
        sets << a + u" = ?"_s;
        values << row.amount.toVariant();
    }
    values << keyValues(stage, row);
    try {
        m_db.exec(u"update %1 set %2 where %3"_s.arg(t.table, sets.join(u", "_s), whereKey(t)), values);
    } catch (const Data::DatabaseError& e) {
        refuse(stage, row, e, false);
    }
}

void OfferDetailsWriter::deleteRow(OfferStage stage, const StageRow& row)
{
    const StageTable& t = tableOf(stage);
    try {
        m_db.exec(u"delete from %1 where %2"_s.arg(t.table, whereKey(t)), keyValues(stage, row));
    } catch (const Data::DatabaseError& e) {
        refuse(stage, row, e, true);
    }
}

void OfferDetailsWriter::refuse(OfferStage stage, const StageRow& row, const Data::DatabaseError& error,
                                bool deleting) const
{
    const QString order = QString::number(row.suoId);
    if (deleting && error.nativeError() == Data::NativeError::Reference)
        throw Exception(u"Товар по этой строке уже принят на склад. Удаление невозможно"_s);
    if (error.nativeError() == Data::NativeError::Constraint) {
        switch (stage) {
        case OfferStage::Ordered:
            throw Exception(u"Товар уже распределен в заказ поставщику № %1. Измените количество в той строке"_s
                                .arg(order));
        case OfferStage::Accepted:
            throw Exception(u"Подтверждение заказа поставщику № %1 на %2 уже есть в распределении. "
                            "Измените количество в той строке"_s.arg(order, dateText(row.confirmedDate)));
        case OfferStage::Shipped:
            throw Exception(u"Товар уже есть в счете поставщика (код %1) по заказу № %2. "
                            "Измените количество в той строке"_s.arg(row.sdeId).arg(order));
        }
    }
    if (error.nativeError() == Data::NativeError::Reference) {
        if (error.constraint().contains(u"bp_delivery"_s, Qt::CaseInsensitive))
            throw Exception(u"Товара нет в заявке № %1"_s.arg(row.bofId));
        switch (stage) {
        case OfferStage::Ordered:
            throw Exception(u"В заказе поставщику № %1 нет этого товара. Строка не записана"_s.arg(order));
        case OfferStage::Accepted:
            throw Exception(u"Заказ поставщику № %1 не подтвержден по этому товару на %2. Строка не записана"_s
                                .arg(order, dateText(row.confirmedDate)));
        case OfferStage::Shipped:
            throw Exception(u"В счете поставщика (код %1) нет этого товара по заказу № %2 с подтверждением на %3. "
                            "Строка не записана"_s.arg(row.sdeId).arg(order, dateText(row.confirmedDate)));
        }
    }
    throw error;
}

int OfferDetailsWriter::lineCount(qint64 bofId) const
{
    return m_db.scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {bofId}).toInt();
}

void OfferDetailsWriter::deleteLine(qint64 bofId, qint64 prId)
{
    requireEdit();
    {
        Data::Transaction tr(m_db);
        if (lineCount(bofId) <= 1)
            throw Exception(LastLineMessage);
        try {
            m_db.exec(u"delete from scm_offer_invoice where soi_pr_id = ? and soi_bof_id = ?"_s, {prId, bofId});
            m_db.exec(u"delete from scm_bo_accepted where boa_pr_id = ? and boa_bof_id = ?"_s, {prId, bofId});
            m_db.exec(u"delete from scm_bo_ordered where bpo_pr_id = ? and bpo_bof_id = ?"_s, {prId, bofId});
            m_db.exec(u"delete from scm_bp_delivery where bpd_pr_id = ? and bpd_bof_id = ?"_s, {prId, bofId});
        } catch (const Data::DatabaseError& e) {
            if (e.nativeError() == Data::NativeError::Reference)
                throw Exception(u"Товар доставлен. Существуют приходные накладные\r\n"
                                "Удаление товара невозможно"_s);
            throw;
        }
        tr.commit();
    }
    announce();
}

} // namespace Tarvo::BusOffer
