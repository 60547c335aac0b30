#include "BusOffer/offerlist.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"


using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {
const QString Accepted = u"bof_accepted"_s;
const QString Marked = u"bof_otmetka"_s;
} // namespace

OfferList::OfferList(Data::Database& db) : TUpdatedADODataSet(&db)
{
    createRecordSetProc = [this](TUpdatedADODataSet&) {
        auto statement = OfferListStatement::build(database()->dialect(), m_filters, m_range);
        return Data::CommandBuilder::command(*database(), *statement);
    };
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Новая заявка создается в окне заявки"_s);
        writeFlags();
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Заявка удаляется командой \"Удалить\""_s);
    };
}

OfferKeyRange OfferList::nextRange(const QVariant& after) const
{
    auto statement = OfferListStatement::buildBatchEnd(m_filters, after, m_nextBatch);
    auto q = Data::CommandBuilder::open(*database(), *statement);
    OfferKeyRange r{after, {}};
    if (q->next())
        r.upTo = q->value(0).toLongLong();
    return r;
}

void OfferList::reload()
{
    m_nextBatch = m_batchSize;
    m_range = nextRange({});
    m_more = !m_range.upTo.isNull();
    m_counted = -1;
    close();
    open();
    showFlags();
    if (m_more) {
        if (auto count = OfferListStatement::buildCount(m_filters)) {
            auto q = Data::CommandBuilder::open(*database(), *count);
            if (q->next())
                m_counted = q->value(0).toInt();
        }
    }
    while (recordCount() < m_firstRows && canFetchMore())
        fetchMore();
    first();
}

void OfferList::showFlags()
{
    // SQLite gives the flags as numbers: both engines show them as words.
    for (const auto& [column, words] : {std::pair{Accepted, u"Да;Нет"_s}, std::pair{Marked, u"Отмечен;"_s}})
        if (const int i = fieldIndex(column); i >= 0) {
            field(i).type = Data::FieldType::Boolean;
            field(i).displayFormat = words;
        }
}

void OfferList::reload(qint64 keepOffer)
{
    reload();
    if (keepOffer == 0 || !locateOffer(keepOffer))
        first();
}

bool OfferList::canFetchMore() const
{
    return m_more && isActive();
}

void OfferList::fetchMore()
{
    checkBrowseMode();
    // A batch whose requests all fail the filters adds nothing: go on until one adds rows.
    while (canFetchMore()) {
        m_nextBatch = qMin(m_nextBatch * 2, m_batchSize * 8);
        m_range = nextRange(m_range.upTo);
        m_more = !m_range.upTo.isNull();
        auto statement = OfferListStatement::build(database()->dialect(), m_filters, m_range);
        auto q = Data::CommandBuilder::command(*database(), *statement);
        if (appendFrom(*q) > 0)
            break;
    }
}

int OfferList::expectedUnreadRows() const
{
    // Worked out from the rows held, as it is asked also while a batch is being appended.
    if (!canFetchMore() || m_counted < 0)
        return -1;
    return qMax(0, m_counted - recordCount());
}

bool OfferList::locateOffer(qint64 offerId)
{
    const int key = fieldIndex(u"bof_id"_s);
    if (key < 0)
        return false;
    while (canFetchMore() && m_range.upTo.toLongLong() < offerId)
        fetchMore();
    // The rows are in key order unless sorted or filtered in memory: a plain scan finds it either way.
    for (int i = 0; i < recordCount(); ++i)
        if (const Data::RowSetRow* row = rowAt(i); row && row->values.at(key).toLongLong() == offerId)
            return moveTo(i);
    return false;
}

qint64 OfferList::currentOffer() const
{
    return isActive() && !isEmpty() && fieldIndex(u"bof_id"_s) >= 0 ? integer(u"bof_id"_s) : 0;
}

void OfferList::toggleAccepted()
{
    toggle(Accepted);
}

void OfferList::toggleMarked()
{
    toggle(Marked);
}

void OfferList::toggle(const QString& column)
{
    if (!isActive() || isEmpty())
        return;
    checkBrowseMode();
    edit();
    try {
        forceValue(fieldIndexOrThrow(column), value(column).toInt() == 1 ? 0 : 1);
        post();
    } catch (...) {
        cancel();
        throw;
    }
}

void OfferList::writeFlags()
{
    const qint64 id = integer(u"bof_id"_s);
    for (const QString& column : {Accepted, Marked}) {
        const int now = value(column).toInt() == 1 ? 1 : 0;
        if (now == (originalValue(column).toInt() == 1 ? 1 : 0))
            continue;
        Data::Query q(*database(), u"update scm_business_offer set %1 = ? where bof_id = ?"_s.arg(column));
        q.bindAll({now, id});
        q.exec();
    }
    Data::Query back(*database(), u"select bof_accepted, bof_otmetka from scm_business_offer where bof_id = ?"_s);
    back.bindAll({id});
    back.exec();
    if (!back.next())
        throw Exception(u"Заявка %1 удалена другим пользователем"_s.arg(id));
    forceValue(fieldIndexOrThrow(Accepted), back.value(0).toInt());
    forceValue(fieldIndexOrThrow(Marked), back.value(1).toInt());
}

} // namespace Tarvo::BusOffer
