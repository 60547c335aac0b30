#include "SupplierOrders/supplierorderlist.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/money.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

namespace {
const QString Accepted = u"suo_accepted"_s;
const QString Marked = u"suo_otmetka"_s;
const QString Waiting = u"suo_waiting"_s;
} // namespace

SupplierOrderList::SupplierOrderList(Data::Database& db) : KeyRangeList(db, u"suo_id"_s)
{
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Новый заказ создается в окне заказа"_s);
        writeChangedFlags(u"scm_supplier_order"_s, {Accepted, Waiting, Marked},
                          u"Заказ %1 удален другим пользователем"_s);
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Заказ удаляется командой \"Удалить\""_s);
    };
}

Data::TQueryNodesPtr SupplierOrderList::listStatement(const Registers::KeyRange& range) const
{
    return SupplierOrderListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr SupplierOrderList::batchEndStatement(const QVariant& after, int orders) const
{
    return SupplierOrderListStatement::buildBatchEnd(filters(), after, orders);
}

Data::TQueryNodesPtr SupplierOrderList::countStatement() const
{
    return SupplierOrderListStatement::buildCount(filters());
}

void SupplierOrderList::prepareFields()
{
    showAsFlag(Accepted, u"Да;Нет"_s);
    showAsFlag(Waiting, u"Да;Нет"_s);
    showAsFlag(Marked, u"Отмечен;"_s);
    // SQLite gives the totals no declared type: both engines show them as amounts.
    for (const QString& name : {u"sop_amount"_s, u"soa_amount_accepted"_s, u"z5"_s, u"sop_sum"_s,
                                u"soa_sum_accepted"_s, u"soa_sum_valut_accepted"_s})
        if (const int i = fieldIndex(name); i >= 0)
            field(i).type = Data::FieldType::Money;
    for (int i = 0; i < fieldCount(); ++i)
        field(i).readOnly = true;
}

void SupplierOrderList::toggleAccepted()
{
    toggle(Accepted);
}

void SupplierOrderList::toggleMarked()
{
    toggle(Marked);
}

bool SupplierOrderList::isWaiting() const
{
    return isActive() && !isEmpty() && value(Waiting).toInt() == 1;
}

void SupplierOrderList::setWaiting(bool waiting)
{
    if (!isActive() || isEmpty() || isWaiting() == waiting)
        return;
    toggle(Waiting);
}

bool SupplierOrderList::confirmedDiffers(const Data::TRowSet& rows, const Data::RowSetRow& row)
{
    const auto at = [&](const QString& f) {
        const int i = rows.fieldIndex(f);
        return i < 0 ? QVariant() : row.values.at(i);
    };
    if (at(u"soa_amount_accepted"_s).isNull())
        return false;
    const auto rounded = [&](const QString& f) { return Money::fromVariant(at(f)).rounded(2); };
    return rounded(u"soa_amount_accepted"_s) != rounded(u"sop_amount"_s) ||
           rounded(u"soa_sum_accepted"_s) != rounded(u"sop_sum"_s);
}

} // namespace Tarvo::SupplierOrders
