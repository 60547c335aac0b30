#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/modules/tquerynodes.h"
#include "otbor/otborconditions.h"
#include "otbor/registerotbors.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "shell/tdatabaseconnection.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::Otbor;
namespace CB = Tarvo::Data::CommandBuilder;

namespace {
QList<qint64> ids(Database& db, TQueryNodes& s)
{
    QList<qint64> r;
    auto q = CB::open(db, s);
    while (q->next())
        r << q->integer(0);
    return r;
}

QDateTime at(int day, int h, int m, int sec, int ms = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(h, m, sec, ms));
}
} // namespace

class OtborConditionsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Database& db = m_t->db();
        Database::setMain(&db);
        auto partner = [&](const QString& code, const QString& name) {
            db.exec("insert into _partner (N_USER, NAME_USER) values (?, ?)", {code, name});
            return db.insertReturning("insert into scm_partner (par_nuser) values (?)", "par_ID", {code});
        };
        m_customer1 = partner("K1", "ООО Ромашка");
        m_customer2 = partner("K2", "ЗАО Лютик");
        m_supplier = partner("S1", "Поставщик один");
        auto user = [&](const QString& login, const QString& dep) {
            return db.insertReturning("insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values (?, ?, ?)",
                                      "US_ID", {login, login + QStringLiteral(" name"), dep});
        };
        m_me = user("me", "Отдел закупок");
        m_colleague = user("colleague", "Отдел закупок");
        m_other = user("other", "Отдел продаж");
        Shell::TDataBaseConnection::instance().setCurrentUser(int(m_me), "me name", "me", "Отдел закупок");
        m_long = db.insertReturning("insert into SCM_Library_Urgency (Name) values (?)", "Urgency_ID",
                                    {QStringLiteral("Особо срочная заявка")}); // 20 characters
        for (int right : {100001, 100014})
            if (db.scalar("select count(*) from CRM_SECURITY where SC_ID = ?", {right}).toInt() == 0)
                db.exec("insert into CRM_SECURITY (SC_ID, SC_DESCR) values (?, ?)",
                        {right, QString::number(right)});
    }

    void cleanup()
    {
        Database::setMain(nullptr);
        m_t.reset();
    }

    void intervalTypesExcludeTheBoundaryDay()
    {
        Database& db = *Database::main();
        const QList<QDateTime> dates{at(9, 12, 0, 0), at(9, 23, 59, 59, 500), at(10, 0, 0, 0),
                                     at(10, 23, 59, 59, 500), at(11, 0, 0, 0)};
        QList<qint64> rows;
        for (const QDateTime& d : dates)
            rows << db.insertReturning("insert into scm_business_offer (bof_person, bof_date) values (?, ?)",
                                       "bof_id", {m_customer1, d});
        TGlobalOtbors list;
        TVarDate* d = list.date(OtborVar::OfferDate);
        d->setActive(true);
        d->setDateStart(QDate(2026, 3, 10));
        d->setDateEnd(QDate(2026, 3, 10));
        auto run = [&](TVarDate::IntervalType type) {
            d->setIntervalType(type);
            auto s = CB::newStatement("select b.bof_id from ", "scm_business_offer", "b");
            CB::addTail(*s, " order by b.bof_id ");
            OtborConditions::addOfferDate(*s, *d);
            return ids(db, *s);
        };
        QCOMPARE(run(TVarDate::Between), (QList<qint64>{rows[2], rows[3]}));
        QCOMPARE(run(TVarDate::Until), (QList<qint64>{rows[0], rows[1]}));
        QCOMPARE(run(TVarDate::After), (QList<qint64>{rows[4]}));
        // Inactive: no condition at all.
        d->setActive(false);
        auto s = CB::newStatement("select bof_id from ", "scm_business_offer");
        OtborConditions::addOfferDate(*s, *d);
        QVERIFY(!TQueryCommandBuilder::render(*s).sql().contains("WHERE"));
    }

    // Times stored finer than a millisecond: PostgreSQL keeps microseconds (as in a database
    // brought over from another server), SQLite keeps the text another program wrote.
    void aDayLastsUntilTheNextDayBegins()
    {
        Database& db = *Database::main();
        const bool postgres = db.engine() == Engine::PostgreSQL;
        if (postgres)
            db.exec("alter table scm_business_offer alter column bof_date type timestamp(6)");
        auto insert = [&](const QDateTime& d, bool halfAMillisecondLater) {
            const qint64 id =
                db.insertReturning("insert into scm_business_offer (bof_person, bof_date) values (?, ?)",
                                   "bof_id", {m_customer1, d});
            if (halfAMillisecondLater)
                db.exec(
                    postgres
                        ? "update scm_business_offer set bof_date = bof_date + interval '500 microseconds' "
                          "where bof_id = ?"
                        : "update scm_business_offer set bof_date = bof_date || '5' where bof_id = ?",
                    {id});
            return id;
        };
        const QList<qint64> rows{insert(at(9, 23, 59, 59, 999), true), insert(at(10, 0, 0, 0), false),
                                 insert(at(10, 23, 59, 59, 999), true), insert(at(11, 0, 0, 0), false)};
        // The rows really lie after the last millisecond of their day.
        QCOMPARE(db.scalar("select count(*) from scm_business_offer where bof_date > ? and bof_date < ?",
                           {at(10, 23, 59, 59, 999), at(11, 0, 0, 0)})
                     .toInt(),
                 1);

        TGlobalOtbors list;
        TVarDate* d = list.date(OtborVar::OfferDate);
        d->setActive(true);
        auto run = [&](TVarDate::IntervalType type, int from, int to) {
            d->setDateStart(QDate(2026, 3, from));
            d->setDateEnd(QDate(2026, 3, to));
            d->setIntervalType(type);
            auto s = CB::newStatement("select b.bof_id from ", "scm_business_offer", "b");
            CB::addTail(*s, " order by b.bof_id ");
            OtborConditions::addOfferDate(*s, *d);
            return ids(db, *s);
        };
        QCOMPARE(run(TVarDate::Between, 10, 10), (QList<qint64>{rows[1], rows[2]}));
        QCOMPARE(run(TVarDate::Between, 9, 9), (QList<qint64>{rows[0]}));
        QCOMPARE(run(TVarDate::Between, 9, 10), (QList<qint64>{rows[0], rows[1], rows[2]}));
        QCOMPARE(run(TVarDate::After, 10, 10), (QList<qint64>{rows[3]}));
        QCOMPARE(run(TVarDate::After, 9, 9), (QList<qint64>{rows[1], rows[2], rows[3]}));
        QCOMPARE(run(TVarDate::Until, 10, 10), (QList<qint64>{rows[0]}));
    }

    // "Включение" finds the typed text itself: "%", "_" and the backslash are no wildcards.
    void containsMatchesTheTypedTextLiterally()
    {
        Database& db = *Database::main();
        auto offer = [&](const QString& code, const QString& urgency) {
            db.exec("insert into _partner (N_USER, NAME_USER) values (?, ?)", {code, code});
            const qint64 partner =
                db.insertReturning("insert into scm_partner (par_nuser) values (?)", "par_ID", {code});
            const qint64 u = db.insertReturning("insert into SCM_Library_Urgency (Name) values (?)",
                                                "Urgency_ID", {urgency});
            return db.insertReturning(
                "insert into scm_business_offer (bof_person, bof_date, Urgency_ID) values (?, ?, ?)",
                "bof_id", {partner, at(5, 10, 0, 0), u});
        };
        const qint64 percent = offer(QStringLiteral("A%B"), QStringLiteral("100% предоплата"));
        const qint64 underscore = offer(QStringLiteral("a_c"), QStringLiteral("Срочно_1"));
        const qint64 plain = offer(QStringLiteral("AXC"), QStringLiteral("Срочно 1"));
        const qint64 backslash = offer(QStringLiteral("A\\C"), QStringLiteral("10 предоплата"));

        TGlobalOtbors global;
        TPartnerOtbor* customer = global.partner(OtborVar::Customer);
        customer->setCompareType(TVarStringCompare::Contains);
        TUrgencyOtbor* urgency = global.urgency();
        urgency->setCompareType(TVarStringCompare::Contains);
        auto run = [&](TVarStringCompare* var, const QString& text) {
            customer->setActive(var == customer);
            urgency->setActive(var == urgency);
            var->setCompareString(text);
            auto s = CB::newStatement("select b.bof_id from ", "scm_business_offer", "b");
            CB::addJoin(*s, " join ", CB::newTableNode("scm_partner", OtborConditions::CustomerAlias),
                        " on customer.par_ID = b.bof_person ");
            CB::addJoin(*s, " left join ", CB::newTableNode("SCM_Library_Urgency"),
                        " on SCM_Library_Urgency.Urgency_ID = b.Urgency_ID ");
            CB::addTail(*s, " order by b.bof_id ");
            OtborConditions::addPartner(*s, *customer, OtborConditions::CustomerAlias);
            OtborConditions::addUrgency(*s, *urgency);
            return ids(db, *s);
        };
        QCOMPARE(run(customer, QStringLiteral("_")), (QList<qint64>{underscore}));
        QCOMPARE(run(customer, QStringLiteral("%")), (QList<qint64>{percent}));
        QCOMPARE(run(customer, QStringLiteral("A_C")), (QList<qint64>{underscore})); // not "AXC"
        QCOMPARE(run(customer, QStringLiteral("\\")), (QList<qint64>{backslash}));
        QCOMPARE(run(customer, QStringLiteral("x")), (QList<qint64>{plain})); // still without regard to case
        QCOMPARE(run(urgency, QStringLiteral("0%")), (QList<qint64>{percent}));
        QCOMPARE(run(urgency, QStringLiteral("о_")), (QList<qint64>{underscore}));
        QCOMPARE(run(urgency, QStringLiteral("рочно")), (QList<qint64>{underscore, plain}));
    }

    void registerStatementGetsEveryRoleOnItsOwnNode()
    {
        Database& db = *Database::main();
        const QString like = QLatin1Char(' ') + db.dialect().likeOperator() + QLatin1Char(' ');
        const qint64 offer = db.insertReturning("insert into scm_business_offer (bof_person, bof_date, "
                                                "Urgency_ID, bof_user_id) values (?, ?, ?, ?)",
                                                "bof_id", {m_customer1, at(5, 10, 0, 0), m_long, m_me});
        db.insertReturning(
            "insert into scm_business_offer (bof_person, bof_date, bof_user_id) values (?, ?, ?)", "bof_id",
            {m_customer2, at(5, 10, 0, 0), m_me});
        db.exec("insert into scm_supplier_order (suo_id, suo_supplier, suo_date, suo_description) values (?, "
                "?, ?, ?)",
                {offer, m_supplier, at(6, 0, 0, 0), QStringLiteral("x")});

        TGlobalOtbors global;
        global.beginUpdate();
        global.partner(OtborVar::Customer)->setActive(true);
        global.partner(OtborVar::Customer)->setCompareString("K1");
        global.partner(OtborVar::Supplier)->setActive(true);
        global.partner(OtborVar::Supplier)->setCompareType(TVarStringCompare::Contains);
        global.partner(OtborVar::Supplier)->setCompareString("S");
        global.urgency()->setActive(true);
        global.urgency()->setCompareType(TVarStringCompare::Contains);
        global.urgency()->setCompareString(QStringLiteral("Особо срочная заявка"));
        global.date(OtborVar::OfferDate)->setActive(true);
        global.date(OtborVar::OfferDate)->setDateStart(QDate(2026, 3, 1));
        global.date(OtborVar::OfferDate)->setDateEnd(QDate(2026, 3, 31));
        global.date(OtborVar::OrderDate)->setActive(true);
        global.date(OtborVar::OrderDate)->setDateStart(QDate(2026, 3, 6));
        global.date(OtborVar::OrderDate)->setDateEnd(QDate(2026, 3, 6));
        global.date(OtborVar::WayBillDate)->setActive(true); // not joined: skipped
        global.endUpdate();
        // A register reading both counterparties (as payments do), in its own list.
        TVarList own;
        for (OtborVar v : {OtborVar::OfferDate, OtborVar::OrderDate, OtborVar::Customer, OtborVar::Supplier,
                           OtborVar::Urgency, OtborVar::WayBillDate})
            own.add(global.var(v));

        auto s = CB::newStatement("select b.bof_id from ", "scm_business_offer", "b");
        CB::addJoin(*s, " join ", CB::newTableNode("scm_partner", OtborConditions::CustomerAlias),
                    " on customer.par_ID = b.bof_person ");
        CB::addJoin(*s, " join ", CB::newTableNode("scm_supplier_order", "o"), " on o.suo_id = b.bof_id ");
        CB::addJoin(*s, " join ", CB::newTableNode("scm_partner", OtborConditions::SupplierAlias),
                    " on supplier.par_ID = o.suo_supplier ");
        CB::addJoin(*s, " left join ", CB::newTableNode("SCM_Library_Urgency"),
                    " on SCM_Library_Urgency.Urgency_ID = b.Urgency_ID ");
        CB::addTail(*s, " order by b.bof_id ");
        OtborConditions::addCommon(*s, own);

        const auto r = TQueryCommandBuilder::render(*s);
        QCOMPARE(r.sql(),
                 QStringLiteral("select b.bof_id from scm_business_offer b "
                                " join scm_partner customer  on customer.par_ID = b.bof_person "
                                " join scm_supplier_order o  on o.suo_id = b.bof_id "
                                " join scm_partner supplier  on supplier.par_ID = o.suo_supplier "
                                " left join SCM_Library_Urgency   on SCM_Library_Urgency.Urgency_ID = "
                                "b.Urgency_ID "
                                " WHERE b.bof_date >= ? and b.bof_date < ?\n"
                                " AND customer.par_nuser = ?\n"
                                " AND o.suo_date >= ? and o.suo_date < ?\n"
                                " AND supplier.par_nuser") +
                     like +
                     QStringLiteral("? escape '\\'\n"
                                    " AND SCM_Library_Urgency.Name") +
                     like + QStringLiteral("? escape '\\'\n order by b.bof_id "));
        QCOMPARE(r.params().size(), 7);
        QList<Param> p = r.params();
        QCOMPARE(p[3].value.toDateTime(), QDateTime(QDate(2026, 3, 6), QTime(0, 0)));
        p.remove(3, 2); // the order date
        QCOMPARE(p[0].type, ParamType::DateTime);
        QCOMPARE(p[1].value.toDateTime(), QDateTime(QDate(2026, 4, 1), QTime(0, 0)));
        QCOMPARE(p[2].value.toString(), QStringLiteral("K1"));
        QCOMPARE(p[2].size, 8);
        QCOMPARE(p[3].value.toString(), QStringLiteral("%S%"));
        QCOMPARE(p[3].size, 10);
        // The pattern of a 20-character name is never cut.
        QCOMPARE(p[4].value.toString(), QStringLiteral("%Особо срочная заявка%"));
        QCOMPARE(p[4].size, 22);
        QCOMPARE(ids(db, *s), (QList<qint64>{offer}));
    }

    void singleRoleRegisterMayKeepItsPartnerNodeUnnamed()
    {
        TGlobalOtbors global;
        global.partner(OtborVar::Customer)->setActive(true);
        global.partner(OtborVar::Customer)->setCompareString("K2");
        auto own = RegisterOtbors::makeList(OtborRegister::OrderReport, global); // no customer variable
        auto offers = RegisterOtbors::makeList(OtborRegister::BusinessOffers, global);
        auto statement = [] {
            auto s = CB::newStatement("select bof_id from ", "scm_business_offer");
            CB::addJoin(*s, " join ", CB::newTableNode("scm_partner", "p"), " on p.par_ID = bof_person ");
            CB::addJoin(*s, " join ", CB::newTableNode("crm_users"), " on us_id = bof_user_id ");
            return s;
        };
        auto s1 = statement();
        OtborConditions::addCommon(*s1, *own);
        QVERIFY(!TQueryCommandBuilder::render(*s1).sql().contains("par_nuser"));
        auto s2 = statement();
        OtborConditions::addCommon(*s2, *offers);
        QVERIFY(TQueryCommandBuilder::render(*s2).sql().contains(" WHERE p.par_nuser = ?"));
    }

    void managerRestrictionFollowsTheRights()
    {
        Database& db = *Database::main();
        QMap<qint64, qint64> offerOf;
        for (qint64 user : {m_me, m_colleague, m_other})
            offerOf[user] = db.insertReturning(
                "insert into scm_business_offer (bof_person, bof_date, bof_user_id) values (?, ?, ?)",
                "bof_id", {m_customer1, at(1, 0, 0, 0), user});
        TGlobalOtbors global;
        TManagerOtbor* m = global.manager();
        auto rows = [&](bool joined) {
            auto s = CB::newStatement("select bof_id from ", "scm_business_offer");
            if (joined)
                CB::addJoin(*s, " join ", CB::newTableNode("crm_users", "u"), " on u.us_id = bof_user_id ");
            CB::addTail(*s, " order by bof_id ");
            OtborConditions::addManager(*s, m, joined ? QString() : QStringLiteral("bof_user_id"));
            return ids(db, *s);
        };
        auto grant = [&](int right) {
            db.exec("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (?, ?)", {right, m_me});
        };
        const QList<qint64> own{offerOf[m_me]};
        const QList<qint64> department{offerOf[m_me], offerOf[m_colleague]};
        const QList<qint64> all{offerOf[m_me], offerOf[m_colleague], offerOf[m_other]};

        // Without 100001: own rows whatever the variable says, joined on demand.
        QCOMPARE(rows(true), own);
        QCOMPARE(rows(false), own);
        m->setActive(true);
        m->setAllowedRows(TManagerOtbor::OwnDepartment);
        QCOMPARE(rows(true), own);
        QVERIFY(!OtborConditions::managerRule(m).userChooses);

        grant(100001); // the department, always
        m->setActive(false);
        QCOMPARE(rows(true), department);
        QVERIFY(!OtborConditions::managerRule(m).userChooses);

        grant(100014); // the variable decides
        QVERIFY(OtborConditions::managerRule(m).userChooses);
        QCOMPARE(rows(true), all);
        m->setActive(true);
        m->setAllowedRows(TManagerOtbor::OwnRows);
        QCOMPARE(rows(false), own);
        m->setAllowedRows(TManagerOtbor::OwnDepartment);
        QCOMPARE(rows(true), department);
    }

    void managerRestrictionNeverFailsOpen()
    {
        TGlobalOtbors global;
        auto own = RegisterOtbors::makeList(OtborRegister::BusinessOffers, global);
        auto s = CB::newStatement("select bof_id from ", "scm_business_offer");
        QVERIFY_THROWS_EXCEPTION(Exception, OtborConditions::addCommon(*s, *own));
        auto joined = CB::newStatement("select bof_id from ", "scm_business_offer", "b");
        OtborConditions::addCommon(*joined, *own, QStringLiteral("bof_user_id"));
        const auto r = TQueryCommandBuilder::render(*joined);
        QCOMPARE(r.sql(), QStringLiteral(
                              "select bof_id from scm_business_offer b  join crm_users   on crm_users.us_id "
                              "= b.bof_user_id  WHERE crm_users.us_id = ?\n"));
        QCOMPARE(r.params()[0].value.toLongLong(), m_me);
    }

    void partnerDescriptionNamesTheCounterparty()
    {
        TGlobalOtbors global;
        TPartnerOtbor* c = global.partner(OtborVar::Customer);
        c->setActive(true);
        c->setCompareString("K1");
        QCOMPARE(global.description(), QStringLiteral("Заказчик = \"ООО Ромашка\""));
        c->setCompareType(TVarStringCompare::Contains);
        c->setCompareString("K");
        QCOMPARE(c->description(), QStringLiteral("Заказчик включает \"K\""));
        global.partner(OtborVar::Transporter)->setCompareString("S1");
        QCOMPARE(global.partner(OtborVar::Transporter)->description(),
                 QStringLiteral("Перевозчик = \"Поставщик один\""));
    }

private:
    std::unique_ptr<Test::TestDatabase> m_t;
    qint64 m_customer1 = 0, m_customer2 = 0, m_supplier = 0;
    qint64 m_me = 0, m_colleague = 0, m_other = 0;
    qint64 m_long = 0;
};

QTEST_GUILESS_MAIN(OtborConditionsTest)
#include "tst_otborconditions.moc"
