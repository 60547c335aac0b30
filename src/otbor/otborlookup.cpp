#include "otbor/otborlookup.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Otbor::Lookup {

QString partnerName(const QString& code)
{
    Data::Query q(*Data::Database::main(),
                  QStringLiteral("select name_user from _partner where n_user = :n_user"));
    q.bind(QStringLiteral("n_user"), code, Data::ParamType::String, 8).exec();
    if (q.next() && !q.string(0).isEmpty())
        return q.string(0);
    // A code typed for "contains" names no single counterparty.
    return code;
}

QString currentUserName()
{
    return Shell::TDataBaseConnection::instance().currentUserName();
}

QString currentUserDepartment()
{
    return Shell::TDataBaseConnection::instance().currentUserDepartment();
}

} // namespace Tarvo::Otbor::Lookup
