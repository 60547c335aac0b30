#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "db/demodata.h"
#include "security/frmenurights.h"
#include "security/login.h"
#include "security/passwordhash.h"
#include "security/rights.h"
#include "security/rightscatalog.h"
#include "security/tdmusers.h"
#include "security/trightstree.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QSqlDriver>
#include <QTemporaryDir>
#include <atomic>
#include <sqlite3.h>
#include <thread>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Security;

namespace {

qint64 count(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toLongLong();
}

int addUser(Data::Database& db, const QString& login, const QVariant& pwd,
            const QVariant& newRights = QVariant())
{
    return int(
        db.insertReturning(QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME, US_PWD, US_ACTIVE, "
                                          "US_NEW_SECUR_ACTIVE) values (?, ?, ?, ?, ?)"),
                           QStringLiteral("US_ID"), {login, login.toUpper(), pwd, true, newRights}));
}

bool holds(Data::Database& db, int right, int user)
{
    return count(db,
                 QStringLiteral(
                     "select count(*) from CRM_USERS_SECURITY where USC_SC_ID = ? and USC_US_ID = ?"),
                 {right, user}) > 0;
}

// Sets `begun` when the connection next starts a transaction (SQLite: the statement is prepared just
// before it may wait for the other connection's lock).
void watchTransactions(Data::Database& db, std::atomic<bool>* begun)
{
    const QVariant h = db.sql().driver()->handle();
    QVERIFY(h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0);
    sqlite3_set_authorizer(
        *static_cast<sqlite3* const*>(h.constData()),
        [](void* flag, int action, const char*, const char*, const char*, const char*) {
            if (action == SQLITE_TRANSACTION)
                static_cast<std::atomic<bool>*>(flag)->store(true);
            return SQLITE_OK;
        },
        begun);
}

// The message of the exception `act` throws; empty when it throws none.
template <typename Act> QString failureOf(Act act)
{
    try {
        act();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

const QString UserDeleted = QStringLiteral("Пользователь удалён другим администратором. Изменения не сохранены.");

QString refusal(Data::Database& db, const QString& login, const QString& password)
{
    try {
        Login::check(db, login, password);
    } catch (const ELoginRefused& e) {
        return e.message();
    }
    return {};
}

} // namespace

class SecurityDb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void passwordHashesFollowThePlainRules()
    {
        const QByteArray h = PasswordHash::hash(QStringLiteral("Секрет"));
        QVERIFY(PasswordHash::isHash(h));
        QVERIFY(h.size() < 250);
        QVERIFY(PasswordHash::matches(h, QStringLiteral("Секрет")));
        QVERIFY(!PasswordHash::matches(h, QStringLiteral("секрет")));
        QVERIFY(PasswordHash::hash(QStringLiteral("Секрет")) != h); // salted
        QVERIFY(PasswordHash::matches(QByteArray(), QString()));
        QVERIFY(PasswordHash::matches(PasswordHash::hash(QString()), QString()));
        QVERIFY(!PasswordHash::matches(QByteArray("abc"), QStringLiteral("ABC")));
    }

    void catalogOnAFreshDatabaseGrantsEveryUserButNot100013()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int petrov = addUser(db, QStringLiteral("petrov"), QByteArray("1"), false);
        QCOMPARE(RightsCatalog::update(db), 15);
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_SECURITY where SC_ID >= 100000")), 15);
        QVERIFY(holds(db, Right::Login, petrov));
        QVERIFY(holds(db, Right::ViewOtherDepartments, petrov));
        QVERIFY(!holds(db, Right::AdminEditing, petrov));
        QCOMPARE(
            db.scalar(QStringLiteral("select SC_PARENT_ID from CRM_SECURITY where SC_ID = 100014")).toInt(),
            100000);
        QCOMPARE(
            db.scalar(QStringLiteral("select SC_DESCR from CRM_SECURITY where SC_ID = 100014")).toString(),
            QStringLiteral("Просмотр документов, созданных пользователями других отделов "));
        QCOMPARE(RightsCatalog::update(db), 0);
    }

    void catalogUpdateKeepsExistingRowsAndFollowsTheNewRightsFlag()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int keen = addUser(db, QStringLiteral("keen"), QByteArray(), true);
        const int careful = addUser(db, QStringLiteral("careful"), QByteArray(), false);
        const int older = addUser(db, QStringLiteral("older"), QByteArray(), QVariant());
        RightsCatalog::update(db);
        // An older version: 100014 did not exist yet, a description was edited, a grant revoked.
        db.exec(QStringLiteral("delete from CRM_SECURITY where SC_ID = 100014"));
        db.exec(QStringLiteral("update CRM_SECURITY set SC_DESCR = 'Вход' where SC_ID = 100012"));
        db.exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_SC_ID = 100005 and USC_US_ID = ?"),
                {keen});
        QCOMPARE(RightsCatalog::update(db), 1);
        QCOMPARE(
            db.scalar(QStringLiteral("select SC_DESCR from CRM_SECURITY where SC_ID = 100012")).toString(),
            QStringLiteral("Вход"));
        QVERIFY(!holds(db, 100005, keen));
        QVERIFY(holds(db, Right::ViewOtherDepartments, keen));
        QVERIFY(!holds(db, Right::ViewOtherDepartments, careful));
        QVERIFY(holds(db, Right::ViewOtherDepartments, older));
    }

    void catalogLeavesARightAnotherWorkstationJustAdded()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int u = addUser(db, QStringLiteral("u"), QByteArray(), true);
        RightsCatalog::update(db);
        db.exec(QStringLiteral("delete from CRM_SECURITY where SC_ID in (100013, 100014)"));
        // The other workstation's statement of the same update, committed first.
        auto other = t.connectAgain();
        other->exec(QStringLiteral("insert into CRM_SECURITY (SC_ID, SC_DESCR, SC_PARENT_ID, SC_ALLOWED) "
                                   "values (100014, 'x', 100000, 1)"));
        QCOMPARE(RightsCatalog::update(db), 1);
        QVERIFY(!holds(db, Right::ViewOtherDepartments, u)); // its grants are the other one's business
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_SECURITY where SC_ID = 100013")), 1);
    }

    void twoWorkstationsUpdatingTheCatalogAtOnceBothGoOn()
    {
        if (Test::TestDatabase::engine() != Data::Engine::PostgreSQL)
            QSKIP("the embedded engine has one writer at a time");
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int u = addUser(db, QStringLiteral("u"), QByteArray(), true);
        RightsCatalog::update(db);
        db.exec(QStringLiteral("delete from CRM_SECURITY where SC_ID = 100014"));
        // The first workstation has inserted the new right and not yet committed.
        db.beginTransaction();
        db.exec(QStringLiteral("insert into CRM_SECURITY (SC_ID, SC_DESCR, SC_PARENT_ID, SC_ALLOWED) "
                               "values (100014, 'x', 100000, 1)"));
        std::atomic<int> added{-1};
        QString failure;
        std::thread second([&] {
            try {
                auto other = t.connectAgain();
                added = RightsCatalog::update(*other);
                other.reset();
            } catch (const Exception& e) {
                failure = e.message();
            }
        });
        QTest::qWait(300);
        db.commit();
        second.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(added.load(), 0);
        Q_UNUSED(u);
    }

    void loginLoopRefusesAndAccepts()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        {
            TdmUsers users(db); // the first "Админ"
        }
        QCOMPARE(Login::logins(db), QStringList{QStringLiteral("Админ")});
        const UserIdentity admin = Login::check(db, QStringLiteral("Админ"), QString());
        QCOMPARE(admin.name, QStringLiteral("Админ"));
        for (int right = 100000; right <= 100014; ++right)
            QVERIFY(holds(db, right, admin.id));

        const int ivanov =
            addUser(db, QStringLiteral("ivanov"), PasswordHash::hash(QStringLiteral("Pass")), true);
        db.exec(QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (100012, ?)"),
                {ivanov});
        const int guest = addUser(db, QStringLiteral("guest"), QByteArray("g"), true);
        QCOMPARE(refusal(db, QStringLiteral("nobody"), QString()),
                 QStringLiteral("Неправильное имя пользователя"));
        QCOMPARE(refusal(db, QStringLiteral("Ivanov"), QStringLiteral("Pass")),
                 QStringLiteral("Неправильное имя пользователя"));
        QCOMPARE(refusal(db, QStringLiteral("ivanov"), QStringLiteral("pass")),
                 QStringLiteral("Неправильный пароль"));
        QCOMPARE(refusal(db, QStringLiteral("ivanov"), QString()), QStringLiteral("Неправильный пароль"));
        QCOMPARE(refusal(db, QStringLiteral("guest"), QStringLiteral("g")),
                 QStringLiteral("У Вас нет доступа к цепочке поставок"));
        QVERIFY(!Login::logins(db).contains(QStringLiteral("guest")));
        db.exec(QStringLiteral("update CRM_USERS set US_ACTIVE = ? where US_ID = ?"), {false, ivanov});
        QCOMPARE(Login::check(db, QStringLiteral("ivanov"), QStringLiteral("Pass")).id, ivanov);
        QVERIFY(Login::logins(db).contains(QStringLiteral("ivanov")));
        Q_UNUSED(guest);
    }

    void theDemoCompanysUsersLogInAfterTheFirstStart()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::DemoData::fill(db);
        RightsCatalog::update(db);
        QCOMPARE(Login::logins(db).size(), 6);
        QCOMPARE(Login::check(db, QStringLiteral("Админ"), QString()).name, QStringLiteral("Админ"));
        QCOMPARE(Login::check(db, QStringLiteral("petrov"), QStringLiteral("123")).login,
                 QStringLiteral("petrov"));
        QCOMPARE(Login::check(db, QStringLiteral("petrov"), QStringLiteral("123")).department,
                 QStringLiteral("Отдел закупок"));
    }

    void legacyPlainPasswordIsAcceptedThenHashed()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int old = addUser(db, QStringLiteral("old"), QByteArray("Старый1"), true);
        RightsCatalog::update(db);
        QCOMPARE(refusal(db, QStringLiteral("old"), QStringLiteral("старый1")),
                 QStringLiteral("Неправильный пароль"));
        QVERIFY(!PasswordHash::isHash(
            db.scalar(QStringLiteral("select US_PWD from CRM_USERS where US_ID = ?"), {old}).toByteArray()));
        QCOMPARE(Login::check(db, QStringLiteral("old"), QStringLiteral("Старый1")).id, old);
        const QByteArray stored =
            db.scalar(QStringLiteral("select US_PWD from CRM_USERS where US_ID = ?"), {old}).toByteArray();
        QVERIFY(PasswordHash::isHash(stored));
        QCOMPARE(Login::check(db, QStringLiteral("old"), QStringLiteral("Старый1")).id, old);
        QCOMPARE(refusal(db, QStringLiteral("old"), QStringLiteral("Старый")),
                 QStringLiteral("Неправильный пароль"));
    }

    void usersAreInsertedWithEveryRightAndDeletedWithThem()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        TdmUsers users(db);
        Data::TUpdatedADODataSet& ds = users.userQuery();
        QCOMPARE(ds.recordCount(), 1);
        ds.insert();
        QCOMPARE(ds.value(QStringLiteral("US_ACTIVE")).toBool(), true);
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("new"));
        ds.setValue(QStringLiteral("US_NEW_SECUR_ACTIVE"), false);
        ds.post();
        const int id = int(ds.integer(QStringLiteral("US_ID")));
        QVERIFY(id > 0);
        QCOMPARE(
            count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {id}),
            15);
        QVERIFY(Login::passwordMatches(db, id, QString()));

        // A duplicate login fails as a whole: no user, no rights.
        ds.insert();
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("new"));
        QVERIFY_THROWS_EXCEPTION(Exception, ds.post());
        ds.cancel();
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS")), 2);

        QVERIFY(ds.locate({QStringLiteral("US_ID")}, {id}));
        ds.remove();
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS where US_ID = ?"), {id}), 0);
        QCOMPARE(
            count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {id}),
            0);
    }

    void aCardEditNeverBringsBackAnOldPassword()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        TdmUsers users(db);
        Data::TUpdatedADODataSet& ds = users.userQuery();
        const int id = users.currentUserId();
        Login::setPassword(db, id, QStringLiteral("Новый")); // another window, after the list was read
        ds.edit();
        ds.setValue(QStringLiteral("US_NOTE"), QStringLiteral("примечание"));
        ds.post();
        QVERIFY(Login::passwordMatches(db, id, QStringLiteral("Новый")));
        QCOMPARE(db.scalar(QStringLiteral("select US_NOTE from CRM_USERS where US_ID = ?"), {id}).toString(),
                 QStringLiteral("примечание"));
        QVERIFY(users.passwordMatches(QStringLiteral("Новый")));
    }

    void treeSaveWritesOnlyTheChangedNodes()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int u = addUser(db, QStringLiteral("u"), QByteArray(), true);
        RightsCatalog::update(db);
        db.exec(QStringLiteral(
                    "delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID in (100004, 100006)"),
                {u});
        TRightsTree tree;
        tree.load(db, u);
        QCOMPARE(tree.roots(), (QList<int>{100000, 100002, 100003, 100004, 100009, 100012, 100013}));
        QCOMPARE(tree.node(100000).children, (QList<int>{100001, 100014}));
        QCOMPARE(tree.state(100004), TRightsTree::State::Mixed);
        QCOMPARE(tree.state(100013), TRightsTree::State::Denied);
        QCOMPARE(tree.state(100009), TRightsTree::State::Allowed);

        // Allowing the partly allowed group touches only what the user lacks.
        tree.setAllowed(100004, true);
        QCOMPARE(tree.changed(), (QList<int>{100004, 100006}));
        QCOMPARE(tree.save(db), 2);
        QVERIFY(holds(db, 100006, u));
        QCOMPARE(tree.save(db), 0);

        tree.setAllowed(100009, false);
        tree.setAllowed(100011, true);
        QCOMPARE(tree.state(100009), TRightsTree::State::Mixed);
        QCOMPARE(tree.save(db), 2);
        TRightsTree again;
        again.load(db, u);
        QCOMPARE(again.state(100009), TRightsTree::State::Mixed);
        QVERIFY(!holds(db, 100010, u));
        QVERIFY(holds(db, 100011, u));
        QVERIFY(!holds(db, 100009, u));
    }

    // Another administrator changed the user's rights after this tree was read: the save writes what
    // this administrator set against what is stored now, and leaves the other changes alone.
    void treeSaveComparesWithTheRightsStoredAtSaveTime()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int u = addUser(db, QStringLiteral("u"), QByteArray(), true);
        RightsCatalog::update(db);
        db.exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID in "
                               "(100006, 100010, 100011)"),
                {u});
        TRightsTree tree;
        tree.load(db, u);
        QCOMPARE(tree.state(100004), TRightsTree::State::Mixed);

        auto other = t.connectAgain();
        other->exec(QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (100006, ?)"),
                    {u});
        other->exec(QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (100011, ?)"),
                    {u});
        other->exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100002"),
                    {u});

        tree.setAllowed(100004, false); // "Запретить доступ" on "Удаление документов"
        tree.setAllowed(100010, true);
        QCOMPARE(tree.save(db), 6); // 100004, 100005, 100006, 100007, 100008 revoked; 100010 granted
        for (int right = 100004; right <= 100008; ++right)
            QVERIFY2(!holds(db, right, u), qPrintable(QString::number(right)));
        QVERIFY(holds(db, 100010, u));
        // The other administrator's changes to what this one left alone stay, and the tree shows them.
        QVERIFY(holds(db, 100011, u));
        QVERIFY(!holds(db, 100002, u));
        QCOMPARE(tree.state(100009), TRightsTree::State::Allowed);
        QCOMPARE(tree.state(100002), TRightsTree::State::Denied);
        QCOMPARE(tree.state(100004), TRightsTree::State::Denied);
        QCOMPARE(tree.save(db), 0);

        // The same the other way round: a right revoked meanwhile is granted again when allowed here.
        other->exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100010"),
                    {u});
        tree.setAllowed(100009, true);
        QCOMPARE(tree.save(db), 1);
        QVERIFY(holds(db, 100010, u));
    }

    // A user deleted by another administrator: the save and the card's writes are refused in words,
    // nothing is written, and no grant is left without its user.
    void writesForAUserDeletedMeanwhileAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        TdmUsers users(db);
        Data::TUpdatedADODataSet& ds = users.userQuery();
        ds.insert();
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("gone"));
        ds.post();
        const int gone = users.currentUserId();
        QCOMPARE(users.userQuery().string(QStringLiteral("US_LOGIN")), QStringLiteral("gone"));
        db.exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100005"),
                {gone});
        TRightsTree tree;
        tree.load(db, gone);
        auto other = t.connectAgain();
        other->exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ?"), {gone});
        other->exec(QStringLiteral("delete from CRM_USERS where US_ID = ?"), {gone});

        tree.setAllowed(100004, true);
        QCOMPARE(failureOf([&] { tree.save(db); }), UserDeleted);
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {gone}),
                 0);
        tree.setAllowed(100004, false);
        QCOMPARE(failureOf([&] { tree.save(db); }), UserDeleted);

        ds.edit();
        ds.setValue(QStringLiteral("US_NOTE"), QStringLiteral("примечание"));
        QCOMPARE(failureOf([&] { ds.post(); }), UserDeleted);
        ds.cancel();
        QCOMPARE(failureOf([&] { users.setPassword(QStringLiteral("Новый")); }), UserDeleted);
        QCOMPARE(failureOf([&] { ds.remove(); }), UserDeleted);
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS")), 1);
    }

    // The user table's refusals reach the card and the list in words, and leave everything as it was.
    void refusalsOfTheUserTableAreInWords()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        TdmUsers users(db);
        Data::TUpdatedADODataSet& ds = users.userQuery();
        ds.insert();
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("Админ"));
        QCOMPARE(failureOf([&] { ds.post(); }), QStringLiteral("Сотрудник с логином «Админ» уже существует"));
        ds.cancel();
        ds.insert();
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("petrov"));
        ds.post();
        const int petrov = users.currentUserId();
        ds.edit();
        ds.setValue(QStringLiteral("US_LOGIN"), QStringLiteral("Админ"));
        QCOMPARE(failureOf([&] { ds.post(); }), QStringLiteral("Сотрудник с логином «Админ» уже существует"));
        ds.cancel();
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS where US_LOGIN = 'petrov'")), 1);

        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('BUY', 'Покупатель', 'К')"));
        db.exec(QStringLiteral("insert into scm_partner (par_nuser) values ('BUY')"));
        db.exec(QStringLiteral("insert into scm_business_offer (bof_person, bof_date, bof_cod_valut, bof_user_id) "
                               "values ((select par_ID from scm_partner), ?, '', ?)"),
                {QDateTime(QDate(2026, 3, 2), QTime(0, 0)), petrov});
        QVERIFY(ds.locate({QStringLiteral("US_ID")}, {petrov}));
        QCOMPARE(failureOf([&] { ds.remove(); }), QStringLiteral("Сотрудника нельзя удалить: он указан в документах"));
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {petrov}),
                 15);
        QCOMPARE(ds.recordCount(), 2);
    }

    // A right that a later version adds reaches the users of the demo company and those added
    // without a value for the flag.
    void aRightAddedLaterReachesTheDemoCompanysUsers()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::DemoData::fill(db);
        RightsCatalog::update(db);
        db.exec(QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME) values ('plain', 'Без флага')"));
        const int careful = addUser(db, QStringLiteral("careful"), QByteArray(), false);
        db.exec(QStringLiteral("delete from CRM_SECURITY where SC_ID = ?"), {Right::ViewOtherDepartments});
        QCOMPARE(RightsCatalog::update(db), 1);
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_SC_ID = ?"),
                       {Right::ViewOtherDepartments}),
                 7);
        QVERIFY(!holds(db, Right::ViewOtherDepartments, careful));
    }

    // Two workstations start at once on an empty user table: the first one's "Админ" is not
    // committed yet when the second one reads the list and creates its own.
    void twoWorkstationsCreatingTheFirstUserAtOnceShareIt()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        const bool sqlite = Test::TestDatabase::engine() == Data::Engine::SQLite;
        const auto watcher = sqlite ? nullptr : t.connectAgain();
        db.beginTransaction();
        db.exec(QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME) values (?, ?)"),
                {QStringLiteral("Админ"), QStringLiteral("Админ")});
        std::atomic<bool> begun{false};
        std::atomic<bool> done{false};
        QString failure;
        QStringList seen;
        std::thread second([&] {
            try {
                auto other = t.connectAgain();
                if (sqlite)
                    watchTransactions(*other, &begun);
                {
                    TdmUsers users(*other);
                    for (users.userQuery().first(); !users.userQuery().eof(); users.userQuery().next())
                        seen << users.userQuery().string(QStringLiteral("US_LOGIN"));
                }
                other.reset();
            } catch (const Exception& e) {
                failure = e.message();
            }
            done = true;
        });
        // Wait until the second workstation has read the empty list and waits for the first one (on
        // the server: asked outside the transaction, whose activity view is read once).
        const auto waiting = [&] {
            if (sqlite)
                return begun.load();
            return watcher->scalar(QStringLiteral("select count(*) from pg_stat_activity where datname = "
                                                  "current_database() and wait_event_type = 'Lock'"))
                       .toInt() > 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(done || waiting(), 60000);
        db.commit();
        second.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(seen, QStringList{QStringLiteral("Админ")});
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS")), 1);
    }

    // The first start on an empty table: "Админ" with an empty password, every right and new rights.
    void theFirstUserHoldsEveryRight()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        TdmUsers users(db);
        QCOMPARE(users.userQuery().recordCount(), 1);
        const int admin = users.currentUserId();
        QCOMPARE(users.userQuery().string(QStringLiteral("US_LOGIN")), QStringLiteral("Админ"));
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {admin}),
                 15);
        QCOMPARE(count(db, QStringLiteral("select count(*) from CRM_USERS where US_NEW_SECUR_ACTIVE = 1 "
                                          "and US_ACTIVE = 1 and US_PWD_MODE = 0")),
                 1);
        QVERIFY(Login::passwordMatches(db, admin, QString()));
        TdmUsers again(db);
        QCOMPARE(again.userQuery().recordCount(), 1);
    }

    void aReportMenuItemCanBeDenied()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int a = addUser(db, QStringLiteral("a"), QByteArray());
        const int b = addUser(db, QStringLiteral("b"), QByteArray());
        db.exec(QStringLiteral("insert into FR_MENU (IDITEM, NMITEM, IDPLACE) values (9007, 'Счёт', 1001)"));
        FrMenuRights::deny(db, a, 9007);
        FrMenuRights::deny(db, a, 9007);
        QVERIFY(FrMenuRights::isDenied(db, a, 9007));
        QVERIFY(!FrMenuRights::isDenied(db, b, 9007));
        const QList<FrMenuRights::Entry> list = FrMenuRights::list(db, 9007);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).stateText(), QStringLiteral("Запрещен"));
        QCOMPARE(list.at(1).stateText(), QStringLiteral("Разрешен"));
        FrMenuRights::allow(db, a, 9007);
        QVERIFY(!FrMenuRights::entry(db, a, 9007).denied);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(SecurityDb)
#include "tst_security_db.moc"
