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

#include <QTemporaryDir>
#include <atomic>
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

    void aReportMenuItemCanBeDenied()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const int a = addUser(db, QStringLiteral("a"), QByteArray());
        const int b = addUser(db, QStringLiteral("b"), QByteArray());
        db.exec(QStringLiteral("insert into FR_CALLPLACE (IDPLACE, NMPLACE) values (1001, 'Главное меню')"));
        db.exec(QStringLiteral("insert into FR_MENU (IDITEM, NMITEM, IDPLACE) values (7, 'Счёт', 1001)"));
        FrMenuRights::deny(db, a, 7);
        FrMenuRights::deny(db, a, 7);
        QVERIFY(FrMenuRights::isDenied(db, a, 7));
        QVERIFY(!FrMenuRights::isDenied(db, b, 7));
        const QList<FrMenuRights::Entry> list = FrMenuRights::list(db, 7);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).stateText(), QStringLiteral("Запрещен"));
        QCOMPARE(list.at(1).stateText(), QStringLiteral("Разрешен"));
        FrMenuRights::allow(db, a, 7);
        QVERIFY(!FrMenuRights::entry(db, a, 7).denied);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(SecurityDb)
#include "tst_security_db.moc"
