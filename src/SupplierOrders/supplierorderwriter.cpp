#include "SupplierOrders/supplierorderwriter.h"

#include "SupplierOrders/supplierorderwarehouse.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/currentuser.h"

#include <QDate>
#include <QHash>
#include <map>

using namespace Qt::StringLiterals;

namespace Tarvo::SupplierOrders {

namespace {
QVariant nullInteger()
{
    return QVariant(QMetaType::fromType<qint64>());
}
} // namespace

QString SupplierOrderWriter::staleMessage(qint64 requestId, const QString& article)
{
    return u"Заявка %1, товар %2: количество уже заказано другим пользователем. Заказы не сохранены"_s.arg(
        QString::number(requestId), article);
}

QList<qint64> SupplierOrderWriter::save(Data::Database& db, const PreparedOrders& prepared)
{
    if (prepared.isEmpty())
        return {};

    // What the run takes of each request line, in key order so that the first shortfall named is
    // the same on every engine.
    std::map<RequestLineKey, Money> taken;
    for (const PreparedLink& l : prepared.links)
        taken[{l.requestId, l.productId}] += l.amount;
    QHash<qint64, QString> articles;
    for (const PreparedLine& l : prepared.lines)
        articles.insert(l.productId, l.article);

    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    const QDateTime tomorrow(QDate::currentDate().addDays(1), QTime(0, 0));
    const int user = Security::CurrentUserId();
    const QString now = db.dialect().currentTime();

    Data::Transaction t(db);
    QList<RequestLineKey> keys;
    for (const auto& [key, amount] : taken)
        keys << key;
    const QHash<RequestLineKey, Money> open = OpenRequestAmounts::lockAndRead(db, keys);
    for (const auto& [key, amount] : taken)
        if (open.value(key) < amount)
            throw Exception(staleMessage(key.first, articles.value(key.second)));

    QList<qint64> ids;
    const QString order = u"insert into scm_supplier_order (suo_date, suo_supplier, suo_cod_valut, suo_createdate, "
                          "suo_updatedate, suo_description, Urgency_ID, suo_id_sclad, suo_user_id, suo_accepted, "
                          "suo_waiting, suo_dopnomer) values (?, ?, ?, %1, %1, '', ?, ?, ?, 0, 1, ?)"_s.arg(now);
    for (const PreparedOrder& o : prepared.orders) {
        const QVariant max = db.scalar(u"select max(suo_dopnomer) from scm_supplier_order"_s);
        const qint64 dopnomer = max.isNull() ? 1 : max.toLongLong() + 1;
        const QVariant warehouse = SupplierOrderWarehouse::defaultFor(db, int(o.supplierId));
        const QVariantList params{today,
                                  o.supplierId,
                                  o.currency,
                                  o.urgencyId.isNull() ? nullInteger() : o.urgencyId,
                                  warehouse.isNull() ? nullInteger() : warehouse,
                                  user > 0 ? QVariant(qint64(user)) : nullInteger(),
                                  dopnomer};
        ids << db.insertReturning(order, u"suo_id"_s, params);
    }

    Data::Query line(db, u"insert into scm_so_products (sop_pr_id, sop_deliverydate, sop_amount, sop_sum, sop_suo_id, "
                         "sop_sum_valut) values (?, ?, ?, ?, ?, ?)"_s);
    for (const PreparedLine& l : prepared.lines) {
        line.bindAt(0, l.productId, Data::ParamType::Integer)
            .bindAt(1, tomorrow, Data::ParamType::DateTime)
            .bindAt(2, l.amount.toVariant(), Data::ParamType::Money)
            .bindAt(3, l.sum().toVariant(), Data::ParamType::Money)
            .bindAt(4, ids.at(l.orderLink), Data::ParamType::Integer)
            .bindAt(5, l.sumValut().toVariant(), Data::ParamType::Money)
            .exec();
    }
    Data::Query link(db, u"insert into scm_bo_ordered (bpo_amount, bpo_bof_id, bpo_suo_id, bpo_pr_id) "
                         "values (?, ?, ?, ?)"_s);
    for (const PreparedLink& l : prepared.links) {
        link.bindAt(0, l.amount.toVariant(), Data::ParamType::Money)
            .bindAt(1, l.requestId, Data::ParamType::Integer)
            .bindAt(2, ids.at(l.orderLink), Data::ParamType::Integer)
            .bindAt(3, l.productId, Data::ParamType::Integer)
            .exec();
    }
    t.commit();

    auto& server = Messaging::TMessageServer::instance();
    server.sendChangeNotice(Messaging::ChangeEvents::SupplierOrders);
    server.sendChangeNotice(Messaging::ChangeEvents::BusinessOffers);
    return ids;
}

} // namespace Tarvo::SupplierOrders
