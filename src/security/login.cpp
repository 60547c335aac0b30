#include "security/login.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "security/passwordhash.h"
#include "security/rights.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Security {

QStringList Login::logins(Data::Database& db)
{
    Data::Query q(
        db, QStringLiteral("select US_LOGIN from CRM_USERS u where exists (select 1 from CRM_USERS_SECURITY "
                           "where USC_SC_ID = :sc and USC_US_ID = u.US_ID) order by US_NAME, US_ID"));
    q.bind(QStringLiteral("sc"), Right::Login).exec();
    QStringList r;
    while (q.next())
        r << q.string(0);
    return r;
}

UserIdentity Login::check(Data::Database& db, const QString& login, const QString& password)
{
    Data::Query q(
        db, QStringLiteral("select US_ID, US_NAME, US_DEP, US_PWD from CRM_USERS where US_LOGIN = :login"));
    q.bind(QStringLiteral("login"), login, Data::ParamType::String, 20).exec();
    if (!q.next())
        throw ELoginRefused(QStringLiteral("Неправильное имя пользователя"));
    UserIdentity user;
    user.id = int(q.integer(0));
    user.name = q.string(1);
    user.department = q.string(2);
    user.login = login;
    const QByteArray stored = q.value(3).toByteArray();
    q.finish();
    if (!PasswordHash::matches(stored, password))
        throw ELoginRefused(QStringLiteral("Неправильный пароль"));
    Data::Query right(
        db, QStringLiteral("select 1 from CRM_USERS_SECURITY where USC_SC_ID = :sc and USC_US_ID = :us"));
    right.bind(QStringLiteral("sc"), Right::Login).bind(QStringLiteral("us"), user.id).exec();
    if (!right.next())
        throw ELoginRefused(QStringLiteral("У Вас нет доступа к цепочке поставок"));
    if (!PasswordHash::isHash(stored))
        setPassword(db, user.id, password);
    return user;
}

void Login::makeCurrent(const UserIdentity& user)
{
    Shell::TDataBaseConnection::instance().setCurrentUser(user.id, user.name, user.login, user.department);
}

void Login::setPassword(Data::Database& db, int userId, const QString& password)
{
    Data::Query q(db, QStringLiteral("update CRM_USERS set US_PWD = :pwd where US_ID = :id"));
    q.bind(QStringLiteral("pwd"), PasswordHash::hash(password), Data::ParamType::Bytes)
        .bind(QStringLiteral("id"), userId, Data::ParamType::Integer)
        .exec();
}

bool Login::passwordMatches(Data::Database& db, int userId, const QString& password)
{
    Data::Query q(db, QStringLiteral("select US_PWD from CRM_USERS where US_ID = :id"));
    q.bind(QStringLiteral("id"), userId, Data::ParamType::Integer).exec();
    return q.next() && PasswordHash::matches(q.value(0).toByteArray(), password);
}

} // namespace Tarvo::Security
