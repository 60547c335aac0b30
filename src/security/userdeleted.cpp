#include "security/userdeleted.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

namespace Tarvo::Security {

EUserDeleted::EUserDeleted()
    : Exception(QStringLiteral("Пользователь удалён другим администратором. Изменения не сохранены."))
{
}

void EUserDeleted::lockUser(Data::Database& db, int userId)
{
    // An update that changes nothing takes the row lock on the server and counts the row on both
    // engines (SQLite's immediate transaction holds the whole database already).
    Data::Query q(db, QStringLiteral("update CRM_USERS set US_ID = US_ID where US_ID = :id"));
    q.bind(QStringLiteral("id"), userId, Data::ParamType::Integer).exec();
    if (q.numRowsAffected() != 1)
        throw EUserDeleted();
}

} // namespace Tarvo::Security
