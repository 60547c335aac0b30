#include "security/frmenurights.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

namespace Tarvo::Security {

QString FrMenuRights::Entry::stateText() const
{
    return denied ? QStringLiteral("Запрещен") : QStringLiteral("Разрешен");
}

QList<FrMenuRights::Entry> FrMenuRights::list(Data::Database& db, int item)
{
    Data::Query q(
        db, QStringLiteral("select US_ID, US_LOGIN, (select count(*) from FR_DENIED where GROUP_ID = US_ID "
                           "and IDITEM = :item) from CRM_USERS order by US_LOGIN"));
    q.bind(QStringLiteral("item"), item).exec();
    QList<Entry> r;
    while (q.next())
        r << Entry{int(q.integer(0)), q.string(1), q.integer(2) > 0};
    return r;
}

FrMenuRights::Entry FrMenuRights::entry(Data::Database& db, int userId, int item)
{
    Entry e{userId,
            db.scalar(QStringLiteral("select US_LOGIN from CRM_USERS where US_ID = ?"), {userId}).toString(),
            isDenied(db, userId, item)};
    return e;
}

bool FrMenuRights::isDenied(Data::Database& db, int userId, int item)
{
    Data::Query q(db, QStringLiteral("select 1 from FR_DENIED where GROUP_ID = :u and IDITEM = :i"));
    q.bind(QStringLiteral("u"), userId).bind(QStringLiteral("i"), item).exec();
    return q.next();
}

void FrMenuRights::allow(Data::Database& db, int userId, int item)
{
    db.exec(QStringLiteral("delete from FR_DENIED where GROUP_ID = ? and IDITEM = ?"), {userId, item});
}

void FrMenuRights::deny(Data::Database& db, int userId, int item)
{
    db.exec(QStringLiteral("insert into FR_DENIED (GROUP_ID, IDITEM) values (?, ?) "
                           "on conflict (GROUP_ID, IDITEM) do nothing"),
            {userId, item});
}

} // namespace Tarvo::Security
