#include "data/query.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;

class SmokeDb : public QObject
{
    Q_OBJECT
private slots:
    void migratedDatabaseAcceptsUsers()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        const qint64 id = db.insertReturning(QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME) values (?, ?)"),
                                             QStringLiteral("US_ID"), {QStringLiteral("admin"), QStringLiteral("Админ")});
        QVERIFY(id > 0);
        QCOMPARE(db.scalar(QStringLiteral("select US_NAME from CRM_USERS where US_ID = ?"), {id}).toString(),
                 QStringLiteral("Админ"));
    }
};

QTEST_GUILESS_MAIN(SmokeDb)
#include "tst_smoke_db.moc"
