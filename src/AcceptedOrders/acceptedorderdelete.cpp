#include "AcceptedOrders/acceptedorderdelete.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/rights.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders::AcceptedOrderDelete {

namespace {

[[noreturn]] void refuse(const QString& reason)
{
    throw Exception(reason + u"\r\n"_s + refusalTail());
}

QStringList column(Data::Database& db, const QString& sql, qint64 orderId)
{
    Data::Query q(db, sql);
    q.bindAt(0, orderId, Data::ParamType::Integer).exec();
    QStringList values;
    while (q.next())
        values << q.string(0).trimmed();
    return values;
}

// Shipped goods keep their order rows, and a proforma its lines: both are refused before
// anything is deleted.
void refuseWhileUsed(Data::Database& db, qint64 orderId)
{
    if (const QStringList waybills = waybillsOf(db, orderId); !waybills.isEmpty())
        refuse(u"Товар заказа %1 отгружен (посылка %2)"_s.arg(orderId).arg(waybills.join(u", "_s)));
    if (const QStringList proformas = proformasOf(db, orderId); !proformas.isEmpty())
        refuse(u"Товар заказа %1 входит в счет поставщика %2"_s.arg(orderId).arg(proformas.join(u", "_s)));
}

void giveBack(Data::Database& db, qint64 orderId)
{
    Data::Query shares(db, u"select boa_pr_id, boa_bof_id, sum(boa_amount) from scm_bo_accepted where boa_suo_id = ? "
                           "group by boa_pr_id, boa_bof_id order by boa_pr_id, boa_bof_id"_s);
    shares.bindAt(0, orderId, Data::ParamType::Integer).exec();
    struct Share
    {
        qint64 product, request;
        QVariant amount;
    };
    QList<Share> list;
    while (shares.next())
        list.append({shares.value(0).toLongLong(), shares.value(1).toLongLong(), shares.value(2)});
    for (const Share& s : list) {
        Data::Query up(db, u"update scm_bo_ordered set bpo_amount = bpo_amount + ? "
                           "where bpo_bof_id = ? and bpo_pr_id = ? and bpo_suo_id = ?"_s);
        up.bindAt(0, s.amount, Data::ParamType::Money)
            .bindAt(1, s.request, Data::ParamType::Integer)
            .bindAt(2, s.product, Data::ParamType::Integer)
            .bindAt(3, orderId, Data::ParamType::Integer)
            .exec();
        if (up.numRowsAffected() > 0)
            continue;
        Data::Query in(db, u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                           "values (?, ?, ?, ?)"_s);
        in.bindAt(0, s.request, Data::ParamType::Integer)
            .bindAt(1, s.product, Data::ParamType::Integer)
            .bindAt(2, orderId, Data::ParamType::Integer)
            .bindAt(3, s.amount, Data::ParamType::Money)
            .exec();
    }
}

} // namespace

QStringList waybillsOf(Data::Database& db, qint64 orderId)
{
    return column(db, u"select distinct sdi_swb_id from scm_order_invoice where sdi_suo_id = ? order by sdi_swb_id"_s,
                  orderId);
}

QStringList proformasOf(Data::Database& db, qint64 orderId)
{
    return column(db,
                  u"select distinct case when coalesce(pf.pf_snomer, '') <> '' then pf.pf_snomer "
                  "else cast(pf.pf_dopnomer as varchar(20)) end from scm_so_accepted a "
                  "join scm_Proforma pf on pf.pf_id = a.soa_pf_id where a.soa_suo_id = ? order by 1"_s,
                  orderId);
}

QString refusalTail()
{
    return u"Удаление подтверждения невозможно"_s;
}

void deleteAcceptedOrder(Data::Database& db, qint64 orderId)
{
    Security::RequireRight(Security::Right::DeleteAcceptedOrder);
    try {
        Data::Transaction t(db);
        // The confirmation editor's save locks the same row first, so a confirmation saved on
        // another workstation waits for the delete (or the delete for it) instead of being lost.
        db.exec(u"update scm_supplier_order set suo_waiting = suo_waiting where suo_id = ?"_s, {orderId});
        refuseWhileUsed(db, orderId);
        const QVariant waiting =
            db.scalar(u"select suo_waiting from scm_supplier_order where suo_id = ?"_s, {orderId});
        if (waiting.isNull())
            throw Exception(u"Заказ %1 удален другим пользователем"_s.arg(orderId));
        if (waiting.toInt() == 1)
            giveBack(db, orderId);
        Data::Query shares(db, u"delete from scm_bo_accepted where boa_suo_id = ?"_s);
        shares.bindAt(0, orderId, Data::ParamType::Integer).exec();
        Data::Query lines(db, u"delete from scm_so_accepted where soa_suo_id = ?"_s);
        lines.bindAt(0, orderId, Data::ParamType::Integer).exec();
        if (lines.numRowsAffected() == 0)
            throw Exception(u"Подтверждение заказа %1 уже удалено другим пользователем"_s.arg(orderId));
        t.commit();
    } catch (const Data::DatabaseError& e) {
        // Goods shipped by another user between the check and the delete keep their rows.
        for (const Data::ProviderError& p : e.errors())
            if (p.nativeError == Data::NativeError::Reference)
                refuse(u"Товар заказа %1 отгружен или включен в счет другим пользователем"_s.arg(orderId));
        throw;
    }
}

void announceChange(const QByteArray& payload)
{
    auto& server = Messaging::TMessageServer::instance();
    for (const QUuid& event : {Messaging::ChangeEvents::AcceptedOrders, Messaging::ChangeEvents::SupplierOrders,
                               Messaging::ChangeEvents::BusinessOffers})
        server.sendChangeNotice(event, payload);
}

} // namespace Tarvo::AcceptedOrders::AcceptedOrderDelete
