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

AcceptedOrderList::AcceptedOrderList(Data::Database& db) : KeyRangeList(db, Key)
{
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

Data::TQueryNodesPtr AcceptedOrderList::listStatement(const OfferKeyRange& range) const
{
    return AcceptedOrderListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr AcceptedOrderList::batchEndStatement(const QVariant& after, int orders) const
{
    return AcceptedOrderListStatement::buildBatchEnd(filters(), after, orders);
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
