#include "security/tdmusers.h"

#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "security/login.h"
#include "security/passwordhash.h"
#include "security/userdeleted.h"

namespace Tarvo::Security {

namespace {

// The columns a card writes, in the order of the insert and update statements (no password).
const QStringList& cardColumns()
{
    static const QStringList all{QStringLiteral("US_LOGIN"),
                                 QStringLiteral("US_DESCR"),
                                 QStringLiteral("US_PWD_MODE"),
                                 QStringLiteral("US_ACTIVE"),
                                 QStringLiteral("US_NEW_SECUR_ACTIVE"),
                                 QStringLiteral("US_NAME"),
                                 QStringLiteral("US_EMAILINSIDE"),
                                 QStringLiteral("US_EMAIL"),
                                 QStringLiteral("US_PHONEINSIDE"),
                                 QStringLiteral("US_PHONE"),
                                 QStringLiteral("US_PHONE_MOB"),
                                 QStringLiteral("US_ROOMNUM"),
                                 QStringLiteral("US_POSITION"),
                                 QStringLiteral("US_DEP"),
                                 QStringLiteral("US_DATEBRD"),
                                 QStringLiteral("US_DATEIN"),
                                 QStringLiteral("US_DATEOUT"),
                                 QStringLiteral("US_NOTE")};
    return all;
}

QVariantList cardValues(const Data::TRowSet& ds)
{
    QVariantList values;
    for (const QString& c : cardColumns())
        values << ds.value(c);
    return values;
}

QStringList distinct(Data::Database& db, const QString& column)
{
    Data::Query q(
        db, QStringLiteral("select distinct %1 from CRM_USERS where %1 is not null and %1 <> '' order by 1")
                .arg(column));
    q.exec();
    QStringList r;
    while (q.next())
        r << q.string(0);
    return r;
}

// The refusals of the user table in words; any other failure passes on as it is.
[[noreturn]] void rethrowInWords(const Data::DatabaseError& e, const Data::TRowSet& ds)
{
    const int code = e.nativeError();
    if ((code == Data::NativeError::UniqueIndex || code == Data::NativeError::Constraint) &&
        e.constraint().compare(QLatin1String("ix_crm_users_login"), Qt::CaseInsensitive) == 0)
        throw Exception(QStringLiteral("Сотрудник с логином «%1» уже существует")
                            .arg(ds.string(QStringLiteral("US_LOGIN")).trimmed()));
    if (code == Data::NativeError::Reference)
        throw Exception(QStringLiteral("Сотрудника нельзя удалить: он указан в документах"));
    throw e;
}

} // namespace

TdmUsers::TdmUsers(Data::Database& db) : m_db(db), m_users(&db)
{
    m_users.setSql(QStringLiteral("select * from CRM_USERS order by US_NAME"));
    m_users.onNewRecord = [](Data::TRowSet& ds) {
        ds.setValue(QStringLiteral("US_PWD_MODE"), 0);
        ds.setValue(QStringLiteral("US_ACTIVE"), true);
        ds.setValue(QStringLiteral("US_NEW_SECUR_ACTIVE"), true);
    };
    m_users.onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        ds.state() == Data::RowSetState::Insert ? insertRow(ds) : updateRow(ds);
    };
    m_users.onInternalDelete = [this](Data::TUpdatedADODataSet& ds) { deleteRow(ds); };
    m_users.open();
    if (m_users.isEmpty()) {
        createFirstUser(m_db);
        reread();
    }
    refreshLookups();
}

void TdmUsers::reread()
{
    const QVariant current = m_users.isEmpty() ? QVariant() : m_users.value(QStringLiteral("US_ID"));
    m_users.close();
    m_users.open();
    if (!current.isNull())
        m_users.locate({QStringLiteral("US_ID")}, {current});
}

int TdmUsers::createFirstUser(Data::Database& db)
{
    const QString login = QString::fromUtf8(FirstUser);
    Data::Transaction tx(db);
    if (db.scalar(QStringLiteral("select count(*) from CRM_USERS")).toLongLong() > 0)
        return -1;
    // Two workstations starting together on an empty table both get here: the second one's insert
    // waits for the first one's row and then skips it.
    Data::Query insert(db, QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME, US_PWD, US_PWD_MODE, "
                                          "US_ACTIVE, US_NEW_SECUR_ACTIVE) values (:login, :name, :pwd, 0, "
                                          ":yes, :yes) on conflict (US_LOGIN) do nothing"));
    insert.bind(QStringLiteral("login"), login, Data::ParamType::String, 20)
        .bind(QStringLiteral("name"), login, Data::ParamType::String, 60)
        .bind(QStringLiteral("pwd"), PasswordHash::hash(QString()), Data::ParamType::Bytes)
        .bind(QStringLiteral("yes"), true, Data::ParamType::Boolean)
        .exec();
    if (insert.numRowsAffected() != 1)
        return -1;
    const int id =
        db.scalar(QStringLiteral("select US_ID from CRM_USERS where US_LOGIN = ?"), {login}).toInt();
    Data::Query grant(db, QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) "
                                         "select SC_ID, :id from CRM_SECURITY"));
    grant.bind(QStringLiteral("id"), id, Data::ParamType::Integer).exec();
    tx.commit();
    return id;
}

void TdmUsers::refreshLookups()
{
    m_departments = distinct(m_db, QStringLiteral("US_DEP"));
    m_positions = distinct(m_db, QStringLiteral("US_POSITION"));
}

int TdmUsers::currentUserId() const
{
    return m_users.isEmpty() ? 0 : int(m_users.integer(QStringLiteral("US_ID")));
}

bool TdmUsers::passwordMatches(const QString& password) const
{
    return Login::passwordMatches(m_db, currentUserId(), password);
}

void TdmUsers::setPassword(const QString& password)
{
    const QByteArray hash = PasswordHash::hash(password);
    Data::Query q(m_db, QStringLiteral("update CRM_USERS set US_PWD = :pwd where US_ID = :id"));
    q.bind(QStringLiteral("pwd"), hash, Data::ParamType::Bytes)
        .bind(QStringLiteral("id"), currentUserId(), Data::ParamType::Integer)
        .exec();
    if (q.numRowsAffected() != 1)
        throw EUserDeleted();
}

void TdmUsers::insertRow(Data::TUpdatedADODataSet& ds)
{
    if (ds.string(QStringLiteral("US_LOGIN")).trimmed().isEmpty())
        throw Exception(QStringLiteral("Не указан логин сотрудника"));
    QStringList marks;
    for (qsizetype i = 0; i <= cardColumns().size(); ++i)
        marks << QStringLiteral("?");
    QVariantList values = cardValues(ds);
    const QByteArray pwd = PasswordHash::hash(QString());
    values << pwd;
    Data::Transaction tx(m_db);
    qint64 id = 0;
    try {
        id = m_db.insertReturning(QStringLiteral("insert into CRM_USERS (%1, US_PWD) values (%2)")
                                      .arg(cardColumns().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                                  QStringLiteral("US_ID"), values);
    } catch (const Data::DatabaseError& e) {
        rethrowInWords(e, ds);
    }
    Data::Query grant(m_db, QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) "
                                           "select SC_ID, :id from CRM_SECURITY"));
    grant.bind(QStringLiteral("id"), id, Data::ParamType::Integer).exec();
    tx.commit();
    ds.setValue(QStringLiteral("US_ID"), id);
    ds.setValue(QStringLiteral("US_PWD"), pwd);
}

void TdmUsers::updateRow(Data::TUpdatedADODataSet& ds)
{
    if (ds.string(QStringLiteral("US_LOGIN")).trimmed().isEmpty())
        throw Exception(QStringLiteral("Не указан логин сотрудника"));
    QStringList sets;
    for (const QString& c : cardColumns())
        sets << c + QStringLiteral(" = ?");
    Data::Query q(m_db,
                  QStringLiteral("update CRM_USERS set %1 where US_ID = ?").arg(sets.join(QStringLiteral(", "))));
    try {
        q.bindAll(cardValues(ds) << ds.value(QStringLiteral("US_ID"))).exec();
    } catch (const Data::DatabaseError& e) {
        rethrowInWords(e, ds);
    }
    if (q.numRowsAffected() != 1)
        throw EUserDeleted();
}

void TdmUsers::deleteRow(Data::TUpdatedADODataSet& ds)
{
    const QVariant id = ds.value(QStringLiteral("US_ID"));
    Data::Transaction tx(m_db);
    EUserDeleted::lockUser(m_db, id.toInt());
    m_db.exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ?"), {id});
    try {
        m_db.exec(QStringLiteral("delete from CRM_USERS where US_ID = ?"), {id});
    } catch (const Data::DatabaseError& e) {
        rethrowInWords(e, ds);
    }
    tx.commit();
}

} // namespace Tarvo::Security
