#include "WayBills/waybillshares.h"

#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/tdeffereddatamodule.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

const QStringList ShipmentKey::Columns{u"soi_sde_id"_s, u"soi_sdp_pr_id"_s, u"soi_suo_id"_s,
                                       u"soi_pr_id"_s,  u"soi_soa_deliverydate"_s, u"soi_bof_id"_s};
const QString WayBillShares::ReceiptConstraint = u"FK_SCM_TOMOVE_scm_offer_invoice"_s;

void WayBillShares::giveBack(Data::Database& db, qint64 suo, qint64 pr, const QDateTime& date, qint64 bof,
                             Money amount)
{
    if (amount <= Money())
        return;
    // One statement: an update retried as an insert after a key error would doom a PostgreSQL
    // transaction.
    Data::Query q(db, u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                      "boa_amount) values (?, ?, ?, ?, ?) on conflict (boa_suo_id, boa_pr_id, boa_soa_deliverydate, "
                      "boa_bof_id) do update set boa_amount = %1"_s.arg(
                          db.dialect().roundedAmount(u"scm_bo_accepted.boa_amount + excluded.boa_amount"_s)));
    q.bindAll({suo, pr, date, bof, amount.toVariant()}).exec();
}

void WayBillShares::take(Data::Database& db, qint64 suo, qint64 pr, const QDateTime& date, qint64 bof, Money amount)
{
    if (amount <= Money())
        return;
    Data::Query rows(db, u"select boa_suo_id, boa_soa_deliverydate, boa_amount from scm_bo_accepted "
                         "where boa_bof_id = ? and boa_pr_id = ? "
                         "order by case when boa_suo_id = ? and boa_soa_deliverydate = ? then 0 else 1 end, "
                         "boa_suo_id, boa_soa_deliverydate%1"_s.arg(db.dialect().lockRowsClause()));
    rows.bindAll({bof, pr, suo, date}).exec();
    struct Held
    {
        qint64 suo;
        QDateTime date;
        Money amount;
    };
    QList<Held> held;
    Money total;
    while (rows.next()) {
        held << Held{rows.integer(0), rows.dateTime(1), rows.money(2)};
        total += held.last().amount;
    }
    rows.finish();
    if (total < amount)
        throw Data::EDDMSaveError(
            u"Заявка %1, товар %2: подтверждено и не отгружено меньше, чем в посылке"_s.arg(bof).arg(articleOf(db, pr)));
    // Each row is spent once: the own row first, then the others in turn.
    for (const Held& h : held) {
        if (amount <= Money())
            break;
        if (h.amount <= amount) {
            db.exec(u"delete from scm_bo_accepted where boa_suo_id = ? and boa_pr_id = ? and boa_soa_deliverydate = ? "
                    "and boa_bof_id = ?"_s,
                    {h.suo, pr, h.date, bof});
            amount -= h.amount;
        } else {
            db.exec(u"update scm_bo_accepted set boa_amount = %1 where boa_suo_id = ? and boa_pr_id = ? "
                    "and boa_soa_deliverydate = ? and boa_bof_id = ?"_s.arg(
                        db.dialect().roundedAmount(u"boa_amount - ?"_s)),
                    {amount.toVariant(), h.suo, pr, h.date, bof});
            amount = Money();
        }
    }
}

Money WayBillShares::received(Data::Database& db, const ShipmentKey& key)
{
    QStringList where;
    for (const QString& c : ShipmentKey::Columns)
        where << u"t.%1 = ?"_s.arg(c);
    return Money::fromVariant(db.scalar(u"select coalesce(sum(m.kolc_predm), 0) from SCM_TOMOVE t "
                                        "join scl_move m on m.recno = t.recno where %1"_s.arg(where.join(u" and "_s)),
                                        key.values()));
}

QString WayBillShares::articleOf(Data::Database& db, qint64 pr)
{
    const QString a = db.scalar(u"select pr_articul from crm_product where pr_id = ?"_s, {pr}).toString().trimmed();
    return a.isEmpty() ? QString::number(pr) : a;
}

void WayBillShares::refuseReceived(Data::Database& db, const QString& documents)
{
    const QString text = u"Товар принят на склад (приходные накладные %1). Удаление невозможно"_s.arg(documents);
    Data::ProviderError error = Data::ErrorText::foreignKey(true, u"DELETE"_s, ReceiptConstraint, db.databaseName(),
                                                            u"SCM_TOMOVE"_s, u"soi_bof_id"_s);
    throw Data::DatabaseError(text, QString(), {error});
}

} // namespace Tarvo::WayBills
