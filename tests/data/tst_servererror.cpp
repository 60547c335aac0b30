#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/schema.h"
#include "data/modules/servererror.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

ProviderError err(int number, const QString& message)
{
    ProviderError e;
    e.nativeError = number;
    e.message = message;
    return e;
}

// Runs a statement that must fail and returns the connection's errors.
QList<ProviderError> refusal(Database& db, const QString& sql, const QVariantList& params = {})
{
    try {
        db.exec(sql, params);
    } catch (const DatabaseError& e) {
        if (e.errors().size() != db.lastErrors().size())
            qFatal("the raised list and the connection's list differ");
        return db.lastErrors();
    }
    qFatal("statement did not fail: %s", qPrintable(sql));
    return {};
}

} // namespace

class ServerErrorTest : public QObject
{
    Q_OBJECT
private slots:
    void serverMessagesAreClassifiedByTheirTokens()
    {
        auto ref = ServerError::classify(err(
            547, "The DELETE statement conflicted with the COLUMN REFERENCE constraint 'FK_A'. The conflict "
                 "occurred in database 'D', table 'T', column 'C'."));
        QCOMPARE(ref.kind, ServerErrorKind::Reference);
        QCOMPARE(ref.constraint, QStringLiteral("FK_A"));
        QCOMPARE(ref.table, QStringLiteral("T"));
        QCOMPARE(ref.column, QStringLiteral("C"));

        auto tableRef = ServerError::classify(
            err(547,
                "INSERT statement conflicted with TABLE FOREIGN KEY constraint 'FK_B'. The conflict occurred "
                "in database 'D', table 'T2'."));
        QCOMPARE(tableRef.kind, ServerErrorKind::Reference);
        QCOMPARE(tableRef.constraint, QStringLiteral("FK_B"));
        QCOMPARE(tableRef.table, QStringLiteral("T2"));
        QVERIFY(tableRef.column.isEmpty());

        const QString pk =
            "Violation of PRIMARY KEY constraint 'PK_X'. Cannot insert duplicate key in object 'X'.";
        auto p = ServerError::classify(err(2627, pk));
        QCOMPARE(p.kind, ServerErrorKind::PrimaryKey);
        QCOMPARE(p.constraint, QStringLiteral("PK_X"));
        QCOMPARE(p.table, QStringLiteral("X"));
        QString uk = pk;
        uk.replace("PRIMARY KEY", "UNIQUE KEY");
        QCOMPARE(ServerError::classify(err(2627, uk)).kind, ServerErrorKind::UniqueKey);
        QCOMPARE(ServerError::classify(err(2627, "Violation of CHECK constraint 'CK'.")).kind,
                 ServerErrorKind::Unclassified);

        auto ix = ServerError::classify(
            err(2601, "Cannot insert duplicate key row in object 'dbo.T' with unique index 'IX_T'."));
        QCOMPARE(ix.kind, ServerErrorKind::UniqueKey);
        QCOMPARE(ix.table, QStringLiteral("dbo.T"));
        QCOMPARE(ix.constraint, QStringLiteral("IX_T"));

        auto nn = ServerError::classify(err(515, "Cannot insert the value NULL into column 'C1', table "
                                                 "'db.dbo.T1'; column does not allow nulls."));
        QCOMPARE(nn.kind, ServerErrorKind::NotNull);
        QCOMPARE(nn.column, QStringLiteral("C1"));
        QCOMPARE(nn.table, QStringLiteral("db.dbo.T1"));

        QCOMPARE(ServerError::classify(err(547, "The statement conflicted with constraint 'X'.")).kind,
                 ServerErrorKind::Unclassified);
        QCOMPARE(ServerError::classify(err(50000, "'a' 'b'")).kind, ServerErrorKind::Unclassified);
    }

    void firstClassifiedErrorOfTheListDecides()
    {
        const QList<ProviderError> list{err(3621, "The statement has been terminated."),
                                        err(547, "conflicted with the COLUMN REFERENCE constraint 'FK_A'. "
                                                 "database 'D', table 'T', column 'C'."),
                                        err(515, "'c' 't'")};
        auto info = ServerError::classify(list);
        QCOMPARE(info.kind, ServerErrorKind::Reference);
        QCOMPARE(info.nativeError, 547);
        QCOMPARE(ServerError::classify(QList<ProviderError>{}).kind, ServerErrorKind::Unclassified);

        try {
            ServerError::raise(list);
            QFAIL("not raised");
        } catch (const EServerError& e) {
            QCOMPARE(e.kind(), ServerErrorKind::Reference);
            QCOMPARE(e.constraint(), QStringLiteral("FK_A"));
            QCOMPARE(e.nativeError(), 547);
            QVERIFY(e.info().message.contains("COLUMN REFERENCE"));
            // The user reads Russian, not the classifier's wording.
            QCOMPARE(e.message(), QStringLiteral("Запись не удалена: на неё ссылаются другие данные (таблица «T», поле «C»)."));
        }
        try {
            ServerError::raiseAsDatabaseError(list);
            QFAIL("not raised");
        } catch (const DatabaseError& e) {
            // The description is the first error's, even though the second one was classified.
            QCOMPARE(e.message(), QStringLiteral("The statement has been terminated."));
            QCOMPARE(e.errors().size(), 3);
        }
        // Nothing classified: both return quietly.
        const QList<ProviderError> plain{err(50000, "boom")};
        ServerError::raise(plain);
        ServerError::raiseAsDatabaseError(plain);
    }

    void realViolationsAreClassifiedOnBothEngines()
    {
        Test::TestDatabase t;
        Database& db = t.db(false);
        MigrationContext ctx(db);
        ctx.createTable(Table("tse_master")
                            .integer("m_id")
                            .notNull()
                            .string("m_code", 10)
                            .string("m_name", 20)
                            .notNull()
                            .primaryKey("PK_tse_master", {"m_id"})
                            .unique("UQ_tse_master_code", {"m_code"}));
        ctx.createTable(Table("tse_detail")
                            .identity("d_id")
                            .integer("d_master")
                            .string("d_tag", 10)
                            .primaryKey("PK_tse_detail", {"d_id"})
                            .index("IX_tse_detail_tag", {"d_tag"})
                            .foreignKey("FK_tse_detail_master", {"d_master"}, "tse_master", {"m_id"}));
        ctx.createIndex("tse_detail", Index{"UX_tse_detail_tag", {"d_tag"}, true});
        db.reloadCatalog();
        db.exec("insert into tse_master (m_id, m_code, m_name) values (1, 'A', 'first')");
        db.exec("insert into tse_detail (d_master, d_tag) values (1, 'x')");

        auto pk = ServerError::classify(
            refusal(db, "insert into tse_master (m_id, m_code, m_name) values (?, ?, ?)", {1, "B", "dup"}));
        QCOMPARE(pk.kind, ServerErrorKind::PrimaryKey);
        QCOMPARE(pk.constraint.toLower(), QStringLiteral("pk_tse_master"));
        QCOMPARE(pk.table.toLower(), QStringLiteral("tse_master"));

        auto uq = ServerError::classify(
            refusal(db, "insert into tse_master (m_id, m_code, m_name) values (?, ?, ?)", {2, "A", "dup"}));
        QCOMPARE(uq.kind, ServerErrorKind::UniqueKey);
        QCOMPARE(uq.constraint.toLower(), QStringLiteral("uq_tse_master_code"));

        auto ux =
            ServerError::classify(refusal(db, "insert into tse_detail (d_master, d_tag) values (1, 'x')"));
        QCOMPARE(ux.kind, ServerErrorKind::UniqueKey);
        QCOMPARE(ux.constraint.toLower(), QStringLiteral("ux_tse_detail_tag"));
        QCOMPARE(ux.table.toLower(), QStringLiteral("tse_detail"));

        auto fkInsert =
            ServerError::classify(refusal(db, "insert into tse_detail (d_master, d_tag) values (9, 'y')"));
        QCOMPARE(fkInsert.kind, ServerErrorKind::Reference);
        QCOMPARE(fkInsert.constraint.toLower(), QStringLiteral("fk_tse_detail_master"));

        auto fkDelete = ServerError::classify(refusal(db, "delete from tse_master where m_id = 1"));
        QCOMPARE(fkDelete.kind, ServerErrorKind::Reference);
        QCOMPARE(fkDelete.constraint.toLower(), QStringLiteral("fk_tse_detail_master"));

        refusal(db, "insert into tse_master (m_id, m_code) values (3, 'C')");
        auto nn = ServerError::classify(db);
        QCOMPARE(nn.kind, ServerErrorKind::NotNull);
        QCOMPARE(nn.column.toLower(), QStringLiteral("m_name"));
        QCOMPARE(nn.table.toLower(), QStringLiteral("tse_master"));
        QVERIFY_THROWS_EXCEPTION(EServerError, ServerError::raise(db));
    }
};

QTEST_GUILESS_MAIN(ServerErrorTest)
#include "tst_servererror.moc"
