#include "SupplierOrders/supplierordercommands.h"

#include "SupplierOrders/supplierorderdeleteprocedure.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/money.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/rights.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders::SupplierOrderCommands {

QString deliveredRefusal()
{
    return u"Товар доставлен. Существуют приходные накладные\r\n"_s +
           SupplierOrderDeleteProcedure::refusalTail();
}

void deleteOrder(Data::Database& db, qint64 suoId)
{
    Security::RequireRight(Security::Right::DeleteSupplierOrder);
    SupplierOrderDeleteProcedure::registerOnce();
    try {
        Data::Transaction t(db);
        const Data::ProcedureResult r = Data::ProcedureRegistry::instance().call(
            db, SupplierOrderDeleteProcedure::Name, {{u"suo_id"_s, suoId}});
        if (r.outputs.value(u"deleted"_s).toInt() == 0)
            throw Exception(u"Заказ %1 уже удален другим пользователем"_s.arg(suoId));
        t.commit();
    } catch (const Data::DatabaseError& e) {
        for (const Data::ProviderError& p : e.errors())
            if (p.nativeError == Data::NativeError::Reference)
                throw Exception(deliveredRefusal());
        throw;
    }
}

void reduceToConfirmed(Data::Database& db, qint64 suoId, qint64 productId)
{
    Data::Transaction t(db);
    // Read inside the transaction, after locking the line: a confirmation saved meanwhile counts.
    db.exec(u"update scm_so_products set sop_amount = sop_amount where sop_suo_id = ? and sop_pr_id = ?"_s,
            {suoId, productId});
    Data::Query line(db, u"select sop_amount, sop_sum, sop_sum_valut, "
                         "(select coalesce(sum(soa_amount), 0) from scm_so_accepted "
                         "where soa_suo_id = sop_suo_id and soa_pr_id = sop_pr_id) "
                         "from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s);
    line.bindAll({suoId, productId});
    line.exec();
    if (!line.next())
        throw Exception(u"Товар заказа %1 удален другим пользователем. Количество не изменено"_s.arg(suoId));
    const Money amount = Money::fromVariant(line.value(0));
    const Money sum = Money::fromVariant(line.value(1));
    const Money sumValut = Money::fromVariant(line.value(2));
    const Money confirmed = Money::fromVariant(line.value(3));

    Data::Query ordered(db, u"delete from scm_bo_ordered where bpo_suo_id = ? and bpo_pr_id = ?"_s);
    ordered.bindAll({suoId, productId});
    ordered.exec();
    if (confirmed.isZero()) {
        Data::Query del(db, u"delete from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"_s);
        del.bindAll({suoId, productId});
        del.exec();
        if (del.numRowsAffected() == 0)
            throw Exception(
                u"Товар заказа %1 удален другим пользователем. Количество не изменено"_s.arg(suoId));
    } else {
        // The price stays: both sums shrink with the amount.
        const auto scaled = [&](Money s) {
            return amount.isZero() ? s : (s * confirmed / amount).rounded(2);
        };
        Data::Query up(db, u"update scm_so_products set sop_amount = ?, sop_sum = ?, sop_sum_valut = ? "
                           "where sop_suo_id = ? and sop_pr_id = ?"_s);
        up.bindAt(0, confirmed.toVariant(), Data::ParamType::Money)
            .bindAt(1, scaled(sum).toVariant(), Data::ParamType::Money)
            .bindAt(2, scaled(sumValut).toVariant(), Data::ParamType::Money)
            .bindAt(3, suoId, Data::ParamType::Integer)
            .bindAt(4, productId, Data::ParamType::Integer)
            .exec();
        if (up.numRowsAffected() == 0)
            throw Exception(
                u"Товар заказа %1 удален другим пользователем. Количество не изменено"_s.arg(suoId));
    }
    t.commit();
}

void announceChange(const QByteArray& payload)
{
    auto& server = Messaging::TMessageServer::instance();
    for (const QUuid& event :
         {Messaging::ChangeEvents::SupplierOrders, Messaging::ChangeEvents::BusinessOffers})
        server.sendChangeNotice(event, payload);
}

} // namespace Tarvo::SupplierOrders::SupplierOrderCommands
