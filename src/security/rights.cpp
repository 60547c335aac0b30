#include "security/rights.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "security/rightscatalog.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Security {

ESecurityException::ESecurityException()
    : Tarvo::Exception(QStringLiteral("У Вас нет доступа к выбранной операции"))
{
}

bool HasRight(int rightId, int userId)
{
    Data::Database* db = Data::Database::main();
    if (!db)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    Data::Query q(*db,
                  QStringLiteral("select 1 from crm_users_security where usc_sc_id = :sc and usc_us_id = :us"));
    q.bind(QStringLiteral("sc"), rightId).bind(QStringLiteral("us"), userId).exec();
    return q.next();
}

bool HasRight(int rightId)
{
    return HasRight(rightId, Shell::TDataBaseConnection::instance().currentUserId());
}

void RequireRight(int rightId)
{
    if (!HasRight(rightId))
        throw ESecurityException();
}

QString MissingRightText(int rightId, const QString& refused)
{
    // A right of a group is named with its group ("Удаление документов — Заявка покупателя").
    const auto description = [](int id) {
        for (const RightsCatalog::Entry& e : RightsCatalog::entries())
            if (e.id == id)
                return std::pair{e.description.trimmed(), e.parent};
        return std::pair{QString::number(id), -1};
    };
    auto [name, parent] = description(rightId);
    if (parent >= 0)
        name = description(parent).first + QStringLiteral(" — ") + name;
    return QStringLiteral("%1: у Вас нет права «%2» (%3).").arg(refused, name).arg(rightId);
}

} // namespace Tarvo::Security
