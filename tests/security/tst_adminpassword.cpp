#include "data/engine/database.h"
#include "security/login.h"
#include "security/rightscatalog.h"
#include "security/tdmusers.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Security;

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err;
};

// The admin tool with the password on its standard input (not a terminal: no prompt).
Run password(const QStringList& args, const QByteArray& input)
{
    QProcess p;
    p.start(qEnvironmentVariable("TARVO_TEST_BINARY_DIR") + QStringLiteral("/tools/tarvo-admin"),
            QStringList{QStringLiteral("password")} + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class AdminPassword : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void aForgottenPasswordIsResetFromTheAdminTool()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        RightsCatalog::update(db);
        int admin = 0;
        {
            TdmUsers users(db);
            admin = users.currentUserId();
        }
        Login::setPassword(db, admin, QStringLiteral("забыт"));

        const Run r = password(QStringList{QStringLiteral("Админ")} + t.overrides(), "Новый пароль\n");
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.out.contains(QStringLiteral("Админ")));
        QCOMPARE(Login::check(db, QStringLiteral("Админ"), QStringLiteral("Новый пароль")).id, admin);

        const Run missing = password(QStringList{QStringLiteral("nobody")} + t.overrides(), "x\n");
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains(QStringLiteral("не найден")));
        QCOMPARE(password(t.overrides(), "x\n").exitCode, 2);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(AdminPassword)
#include "tst_adminpassword.moc"
