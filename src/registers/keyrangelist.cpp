#include "registers/keyrangelist.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Registers {

KeyRangeList::KeyRangeList(Data::Database& db, const QString& keyColumn)
    : TUpdatedADODataSet(&db), m_key(keyColumn)
{
    createRecordSetProc = [this](TUpdatedADODataSet&) {
        return Data::CommandBuilder::command(*database(), *listStatement(m_range));
    };
}

KeyRange KeyRangeList::nextRange(const QVariant& after) const
{
    auto q = Data::CommandBuilder::open(*database(), *batchEndStatement(after, m_nextBatch));
    KeyRange r{after, {}};
    if (q->next())
        r.upTo = q->value(0).toLongLong();
    return r;
}

void KeyRangeList::reload()
{
    m_nextBatch = m_batchSize;
    m_range = nextRange({});
    m_more = !m_range.upTo.isNull();
    m_counted = -1;
    close();
    open();
    prepareFields();
    if (m_more) {
        if (auto count = countStatement()) {
            auto q = Data::CommandBuilder::open(*database(), *count);
            if (q->next())
                m_counted = q->value(0).toInt();
        }
    }
    while (recordCount() < m_firstRows && canFetchMore())
        fetchMore();
    first();
}

void KeyRangeList::reload(qint64 keep)
{
    reload();
    if (keep == 0 || !locateKey(keep))
        first();
}

bool KeyRangeList::canFetchMore() const
{
    return m_more && isActive();
}

void KeyRangeList::fetchMore()
{
    checkBrowseMode();
    // A batch whose documents all fail the filters adds nothing: go on until one adds rows.
    while (canFetchMore()) {
        m_nextBatch = qMin(m_nextBatch * 2, m_batchSize * 8);
        m_range = nextRange(m_range.upTo);
        m_more = !m_range.upTo.isNull();
        auto q = Data::CommandBuilder::command(*database(), *listStatement(m_range));
        if (appendFrom(*q) > 0)
            break;
    }
}

int KeyRangeList::expectedUnreadRows() const
{
    // Worked out from the rows held, as it is asked also while a batch is being appended.
    if (!canFetchMore() || m_counted < 0)
        return -1;
    return qMax(0, m_counted - recordCount());
}

bool KeyRangeList::locateKey(qint64 key)
{
    const int column = fieldIndex(m_key);
    if (column < 0)
        return false;
    while (canFetchMore() && m_range.upTo.toLongLong() < key)
        fetchMore();
    // The rows are in key order unless sorted or filtered in memory: a plain scan finds it either way.
    for (int i = 0; i < recordCount(); ++i)
        if (const Data::RowSetRow* row = rowAt(i); row && row->values.at(column).toLongLong() == key)
            return moveTo(i);
    return false;
}

qint64 KeyRangeList::currentKey() const
{
    return isActive() && !isEmpty() && fieldIndex(m_key) >= 0 ? integer(m_key) : 0;
}

void KeyRangeList::toggle(const QString& column)
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

void KeyRangeList::writeChangedFlags(const QString& table, const QStringList& flags, const QString& goneText)
{
    const qint64 id = integer(m_key);
    for (const QString& column : flags) {
        const int now = value(column).toInt() == 1 ? 1 : 0;
        if (now == (originalValue(column).toInt() == 1 ? 1 : 0))
            continue;
        Data::Query q(*database(), u"update %1 set %2 = ? where %3 = ?"_s.arg(table, column, m_key));
        q.bindAll({now, id});
        q.exec();
        if (q.numRowsAffected() == 0)
            throw Exception(goneText.arg(id));
    }
    Data::Query back(*database(), u"select %1 from %2 where %3 = ?"_s.arg(flags.join(u", "_s), table, m_key));
    back.bindAll({id});
    back.exec();
    if (!back.next())
        throw Exception(goneText.arg(id));
    for (int i = 0; i < flags.size(); ++i)
        forceValue(fieldIndexOrThrow(flags.at(i)), back.value(i).toInt());
}

void KeyRangeList::showAsFlag(const QString& column, const QString& words)
{
    if (const int i = fieldIndex(column); i >= 0) {
        field(i).type = Data::FieldType::Boolean;
        field(i).displayFormat = words;
    }
}

} // namespace Tarvo::Registers
