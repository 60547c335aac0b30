#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/schema.h"
#include "data/modules/tquerynodes.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
namespace CB = Tarvo::Data::CommandBuilder;

class CommandBuilderTest : public QObject
{
    Q_OBJECT
private slots:
    void statementWithoutConditionsHasNoWhere()
    {
        auto s = CB::newStatement("select * from ", "scm_business_offer", "b");
        CB::addJoin(*s, " join ", CB::newTableNode("scm_partner", "p"), " on bof_person=par_id ");
        CB::addTail(*s, " order by bof_id ");
        const auto r = TQueryCommandBuilder::render(*s);
        QCOMPARE(r.sql(), QStringLiteral(
                              "select * from scm_business_offer b  join scm_partner p  on bof_person=par_id "
                              " order by bof_id "));
        QVERIFY(!r.sql().contains("WHERE"));
        QVERIFY(r.params().isEmpty());
    }

    void conditionsFollowAllJoinsAndParametersFollowMarkers()
    {
        auto s = CB::newStatement("select * from ", "scm_business_offer", "b");
        auto p = CB::newTableNode("scm_partner", "p");
        CB::addJoin(*s, " join ", p, " on bof_person=par_id ");
        CB::addTail(*s, " order by bof_id ");

        // A condition on the joined table, written before the next join is added.
        auto g1 = CB::newConditionGroup(*p);
        CB::addText(*g1, CB::qualify(*p, "par_name") + " = ");
        CB::addParameter(*g1, "Рога", 60, ParamType::String);

        auto u = CB::newTableNode("crm_users");
        CB::addJoin(*s, "left join ", u, " on bof_user=us_id ");
        QCOMPARE(CB::qualify(*u, "us_name"), QStringLiteral("us_name"));

        auto g2 = CB::newConditionGroup(*CB::findNode(*s, "B"));
        CB::addText(*g2, "b.bof_id > ");
        CB::addParameter(*g2, 10, 0, ParamType::Integer);
        CB::addText(*g2, " and b.bof_id < ");
        CB::addParameter(*g2, 20, 0, ParamType::Integer);
        auto g3 = CB::newConditionGroup(*CB::findNode(*s, "CRM_USERS"));
        CB::addText(*g3, "us_login = ");
        CB::addParameter(*g3, "adm", 20, ParamType::String);

        const auto r = TQueryCommandBuilder::render(*s);
        QCOMPARE(r.sql(), QStringLiteral(
                              "select * from scm_business_offer b  join scm_partner p  on bof_person=par_id "
                              "left join crm_users   on bof_user=us_id "
                              " WHERE b.bof_id > ? and b.bof_id < ?\n"
                              " AND p.par_name = ?\n"
                              " AND us_login = ?\n"
                              " order by bof_id "));
        // Main table first (node order), then groups by creation order within a node.
        QCOMPARE(r.params().size(), 4);
        QCOMPARE(r.params()[0].value.toInt(), 10);
        QCOMPARE(r.params()[1].value.toInt(), 20);
        QCOMPARE(r.params()[2].value.toString(), QStringLiteral("Рога"));
        QCOMPARE(r.params()[2].type, ParamType::String);
        QCOMPARE(r.params()[3].value.toString(), QStringLiteral("adm"));

        // Rendering twice gives the same text: the WHERE part is written once per rendering.
        QCOMPARE(TQueryCommandBuilder::render(*s).sql(), r.sql());
    }

    void findNodeOnUnknownNameGivesNothing()
    {
        auto s = CB::newStatement("select * from ", "scm_business_offer", "b");
        QVERIFY(CB::findNode(*s, "p") == nullptr);
        QVERIFY(CB::findNode(*s, "scm_business_offer") == nullptr); // known by its alias only
        QVERIFY(CB::findNode(*s, "b") != nullptr);
    }

    void conditionOnStatementWithoutJoinsIsStillWritten()
    {
        auto s = CB::newStatement("select * from ", "t", "");
        auto g = CB::newConditionGroup(*s->mainNode());
        CB::addText(*g, "a = 1");
        QCOMPARE(TQueryCommandBuilder::render(*s).sql(), QStringLiteral("select * from t   WHERE a = 1\n"));
    }

    void groupsOnTheStatementItselfAndEmptyGroups()
    {
        auto s = CB::newStatement("select * from ", "t", "a");
        CB::addTail(*s, " order by a.id ");
        auto own = CB::newConditionGroup(*s);
        CB::addText(*own, "a.k = ");
        CB::addParameter(*own, 5, 0, ParamType::Integer);
        CB::newConditionGroup(*s->mainNode()); // nothing was added to it
        const auto r = TQueryCommandBuilder::render(*s);
        QCOMPARE(r.sql(), QStringLiteral("select * from t a  WHERE a.k = ?\n order by a.id "));
        QCOMPARE(r.params().size(), 1);

        auto onlyEmpty = CB::newStatement("select * from ", "t", "");
        CB::newConditionGroup(*onlyEmpty->mainNode());
        CB::newConditionGroup(*onlyEmpty);
        QCOMPARE(TQueryCommandBuilder::render(*onlyEmpty).sql(), QStringLiteral("select * from t  "));

        // As a derived table, the statement's own groups belong to the outer WHERE, written once.
        auto inner = CB::newStatement("select id from ", "x", "");
        inner->setAlias("d");
        auto outer = CB::newStatement("select * from ", "t", "");
        CB::addJoin(*outer, " join ", inner, " on d.id = t.id ");
        CB::addText(*CB::newConditionGroup(*inner), "d.id > 0");
        QCOMPARE(TQueryCommandBuilder::render(*outer).sql(),
                 QStringLiteral("select * from t   join  ( select id from x   ) d  on d.id = t.id  WHERE d.id > 0\n"));
    }

    void derivedTableRendersItsOwnWhereInside()
    {
        auto inner = CB::newStatement("select x_id, sum(x_v) as v from ", "x", "");
        CB::addTail(*inner, " group by x_id ");
        auto gi = CB::newConditionGroup(*inner->mainNode());
        CB::addText(*gi, "x_v > ");
        CB::addParameter(*gi, 1, 0, ParamType::Integer);
        inner->setAlias("d");

        auto s = CB::newStatement("select * from ", "t", "");
        CB::addJoin(*s, " join ", inner, " on d.x_id = t.id ");
        auto go = CB::newConditionGroup(*s->mainNode());
        CB::addText(*go, "t.k = ");
        CB::addParameter(*go, 2, 0, ParamType::Integer);
        QCOMPARE(CB::findNode(*s, "D"), std::static_pointer_cast<TTableNode>(inner));

        const auto r = TQueryCommandBuilder::render(*s);
        QCOMPARE(r.sql(), QStringLiteral(
                              "select * from t   join  ( select x_id, sum(x_v) as v from x   WHERE x_v > ?\n"
                              " group by x_id  ) d  on d.x_id = t.id  WHERE t.k = ?\n"));
        QCOMPARE(r.params()[0].value.toInt(), 1);
        QCOMPARE(r.params()[1].value.toInt(), 2);
    }

    void renderedStatementRunsOnTheDatabase()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        MigrationContext ctx(db);
        ctx.createTable(Table("cb_partner")
                            .integer("par_id")
                            .string("par_name", 40)
                            .primaryKey("PK_cb_partner", {"par_id"}));
        ctx.createTable(
            Table("cb_offer").integer("bof_id").integer("bof_person").primaryKey("PK_cb_offer", {"bof_id"}));
        db.exec("insert into cb_partner (par_id, par_name) values (1, ?), (2, ?)", {"Альфа", "Бета"});
        db.exec("insert into cb_offer (bof_id, bof_person) values (10, 1), (11, 2), (12, 1), (13, 1)");

        auto s = CB::newStatement("select b.bof_id, p.par_name from ", "cb_offer", "b");
        CB::addTail(*s, " order by b.bof_id desc ");
        auto p = CB::newTableNode("cb_partner", "p");
        CB::addJoin(*s, " join ", p, " on b.bof_person = p.par_id ");
        auto g = CB::newConditionGroup(*p);
        CB::addText(*g, CB::qualify(*p, "par_name") + " = ");
        CB::addParameter(*g, "Альфа", 40, ParamType::String);
        auto g2 = CB::newConditionGroup(*s->mainNode());
        CB::addText(*g2, "b.bof_id < ");
        CB::addParameter(*g2, 13, 0, ParamType::Integer);

        auto q = CB::open(db, *s);
        QList<int> ids;
        while (q->next()) {
            ids << q->value(0).toInt();
            QCOMPARE(q->string(1), QStringLiteral("Альфа"));
        }
        QCOMPARE(ids, (QList<int>{12, 10}));
    }
};

QTEST_GUILESS_MAIN(CommandBuilderTest)
#include "tst_commandbuilder.moc"
