#include "AcceptedOrders/acceptedorderlist.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

namespace {
const QString Key = u"suo_id"_s;
const QString Description = u"suo_description"_s;
const QString Surcharge = u"suo_plan_surcharge"_s;
} // namespace

AcceptedOrderList::AcceptedOrderList(Data::Database& db) : TUpdatedADODataSet(&db)
{
    createRecordSetProc = [this](TUpdatedADODataSet&) {
        auto statement = AcceptedOrderListStatement::build(database()->dialect(), m_filters, m_range);
        return Data::CommandBuilder::command(*database(), *statement);
    };
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Подтвержденный заказ создается в окне подтверждения заказа"_s);
        cmdUpdateSO();
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Подтверждение заказа удаляется командой \"Удалить\""_s);
    };
}

const QStringList& AcceptedOrderList::editableColumns()
{
    static const QStringList c{Description, Surcharge};
    return c;
}

OfferKeyRange AcceptedOrderList::nextRange(const QVariant& after) const
{
    auto statement = AcceptedOrderListStatement::buildBatchEnd(m_filters, after, m_nextBatch);
    auto q = Data::CommandBuilder::open(*database(), *statement);
    OfferKeyRange r{after, {}};
    if (q->next())
        r.upTo = q->value(0).toLongLong();
    return r;
}

void AcceptedOrderList::prepareFields()
{
    // SQLite gives the totals no declared type: both engines show them as amounts.
    static const QStringList totals{u"soa_amount"_s, u"sdi_amount"_s, u"z5"_s, u"soa_sum"_s, u"soa_sum_valut"_s,
                                    u"soa_sum_pf"_s, u"soa_sum_valut_pf"_s};
    for (int i = 0; i < fieldCount(); ++i) {
        Data::RowSetField& f = field(i);
        f.readOnly = !editableColumns().contains(f.name, Qt::CaseInsensitive);
        if (totals.contains(f.name, Qt::CaseInsensitive))
            f.type = Data::FieldType::Money;
        if (f.name.compare(u"suo_waiting"_s, Qt::CaseInsensitive) == 0) {
            f.type = Data::FieldType::Boolean;
            f.displayFormat = u"Да;Нет"_s;
        }
    }
}

void AcceptedOrderList::reload()
{
    m_nextBatch = m_batchSize;
    m_range = nextRange({});
    m_more = !m_range.upTo.isNull();
    close();
    open();
    prepareFields();
    while (recordCount() < m_firstRows && canFetchMore())
        fetchMore();
    first();
}

void AcceptedOrderList::reload(qint64 keepOrder)
{
    reload();
    if (keepOrder == 0 || !locateOrder(keepOrder))
        first();
}

bool AcceptedOrderList::canFetchMore() const
{
    return m_more && isActive();
}

void AcceptedOrderList::fetchMore()
{
    checkBrowseMode();
    // A batch whose orders all fail the state filter adds nothing: go on until one adds rows.
    while (canFetchMore()) {
        m_nextBatch = qMin(m_nextBatch * 2, m_batchSize * 8);
        m_range = nextRange(m_range.upTo);
        m_more = !m_range.upTo.isNull();
        auto statement = AcceptedOrderListStatement::build(database()->dialect(), m_filters, m_range);
        auto q = Data::CommandBuilder::command(*database(), *statement);
        if (appendFrom(*q) > 0)
            break;
    }
}

bool AcceptedOrderList::locateOrder(qint64 orderId)
{
    const int key = fieldIndex(Key);
    if (key < 0)
        return false;
    while (canFetchMore() && m_range.upTo.toLongLong() < orderId)
        fetchMore();
    for (int i = 0; i < recordCount(); ++i)
        if (const Data::RowSetRow* row = rowAt(i); row && row->values.at(key).toLongLong() == orderId)
            return moveTo(i);
    return false;
}

qint64 AcceptedOrderList::currentOrder() const
{
    return isActive() && !isEmpty() && fieldIndex(Key) >= 0 ? integer(Key) : 0;
}

void AcceptedOrderList::cmdUpdateSO()
{
    const qint64 id = integer(Key);
    const QVariant surcharge = value(Surcharge);
    Data::Query q(*database(),
                  u"update scm_supplier_order set suo_description = ?, suo_plan_surcharge = ? where suo_id = ?"_s);
    q.bindAt(0, value(Description).toString(), Data::ParamType::String);
    q.bindAt(1, surcharge, Data::ParamType::Money);
    q.bindAt(2, id, Data::ParamType::Integer);
    q.exec();
    if (q.numRowsAffected() == 0)
        throw Exception(u"Заказ %1 удален другим пользователем. Изменения не сохранены"_s.arg(id));
    if (m_onWritten)
        m_onWritten();
}

} // namespace Tarvo::AcceptedOrders
