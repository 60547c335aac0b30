#include "data/engine/databaseerror.h"
#include "core/apppaths.h"
#include "shell/commandlineswitches.h"
#include "shell/connectionfailure.h"
#include "shell/formactivationregistry.h"
#include "shell/formplacement.h"
#include "shell/menumnemonics.h"
#include "shell/startup.h"
#include "shell/tdatabaseconnection.h"
#include "data/engine/connector.h"
#include "data/engine/connectionsettings.h"
#include "core/iniparamreader.h"
#include "shell/programparameters.h"
#include "shell/startupsteps.h"
#include "shell/tformsfile.h"
#include "shell/tinistorage.h"

#include <QTemporaryDir>
#include "support/testenvironment.h"

#include <QtTest>

#include <sys/mount.h>
#include <unistd.h>

using namespace Tarvo;
using namespace Tarvo::Shell;

namespace {
void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CountingActivator : public TFormActivation
{
public:
    CountingActivator(int type, QList<int>* log) : m_type(type), m_log(log) {}
    void activate(int parameter) override { m_log->append(m_type * 1000 + parameter); }
    int formType() const override { return m_type; }

private:
    int m_type;
    QList<int>* m_log;
};
} // namespace

class ShellSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
        QVERIFY(AppPaths::userFolder().startsWith(m_home.path()));
    }

    void switchesTakeEveryPrefixInAnyCase()
    {
        for (const char* arg : {"-ADMIN", "/admin", "\\Admin", "-aDmIn"})
            QVERIFY2(CommandLineSwitches({QStringLiteral("tarvo-scm"), QLatin1String(arg)}).admin(), arg);
        for (const char* arg : {"ADMIN", "--ADMIN", "-ADMINX", "+ADMIN", "-ADM", "ADMIN=1"})
            QVERIFY2(!CommandLineSwitches({QStringLiteral("tarvo-scm"), QLatin1String(arg)}).admin(), arg);
        const CommandLineSwitches both(
            {QStringLiteral("x"), QStringLiteral("/scr"), QStringLiteral("-admin")});
        QVERIFY(both.admin());
        QVERIFY(both.serverCursor());
        QVERIFY(!CommandLineSwitches({QStringLiteral("x"), QStringLiteral("-admin")}).serverCursor());
    }

    void overridesWinUnlessEmpty()
    {
        const QString ini = m_home.filePath(QStringLiteral("over/tarvo.ini"));
        writeFile(ini, "[SERVER]\nSERVER NAME=fileserver\nDATABASE MAIN=filedb\nCOMMAND TIMEOUT=45\n");
        IniParamReader r(ini, {QStringLiteral("server name=cmdserver"), QStringLiteral("DATABASE MAIN="),
                               QStringLiteral("COMMAND TIMEOUT=90"), QStringLiteral("-ADMIN")});
        QCOMPARE(r.readString(QStringLiteral("SERVER"), QStringLiteral("SERVER NAME")),
                 QStringLiteral("cmdserver"));
        QCOMPARE(r.readString(QStringLiteral("SERVER"), QStringLiteral("DATABASE MAIN")),
                 QStringLiteral("filedb"));
        QCOMPARE(r.readInteger(QStringLiteral("SERVER"), QStringLiteral("COMMAND TIMEOUT"), 0), 90);
        QCOMPARE(r.readInteger(QStringLiteral("SERVER"), QStringLiteral("CONNECTION TIMEOUT"), 7), 7);
    }

    void perUserFileIsSeededOnceAndNeverOverwritten()
    {
        const QString name = QStringLiteral("tst_seed_%1.ini").arg(QCoreApplication::applicationPid());
        const QString seed = AppPaths::programFolder() + name;
        writeFile(seed, "[DESKTOP]\nTfCatalog=1 2 3 4 0\n");
        const QString user = AppPaths::userFile(name);
        QVERIFY(user.startsWith(AppPaths::userFolder()));
        QCOMPARE(readFile(user), QByteArray("[DESKTOP]\nTfCatalog=1 2 3 4 0\n"));
        writeFile(user, "[DESKTOP]\nTfCatalog=9 9 9 9 2\n");
        QCOMPARE(AppPaths::userFile(name), user);
        QCOMPARE(readFile(user), QByteArray("[DESKTOP]\nTfCatalog=9 9 9 9 2\n"));
        // Deleting the user's copy brings the program folder's layout back.
        QFile::remove(user);
        QCOMPARE(readFile(AppPaths::userFile(name)), QByteArray("[DESKTOP]\nTfCatalog=1 2 3 4 0\n"));
        QFile::remove(seed);
        QFile::remove(user);
        // Without a seed the path is still the per-user one, created on the first write.
        QVERIFY(!QFile::exists(AppPaths::userFile(name)));
    }

    void placementParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("plain") << "10 20 300 400 0" << true << "10 20 300 400 0";
        QTest::newRow("negative left") << "-120 5 640 480 2" << true << "-120 5 640 480 2";
        QTest::newRow("junk between") << "x10,20;;300 400/1 " << true << "10 20 300 400 1";
        QTest::newRow("more than five") << "1 2 3 4 0 99" << true << "1 2 3 4 0";
        QTest::newRow("lone minus skipped") << "1 - 2 3 4 0" << true << "1 2 3 4 0";
        QTest::newRow("four numbers") << "10 20 300 400" << false << "";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("state 3") << "10 20 300 400 3" << false << "";
        QTest::newRow("negative state") << "10 20 300 400 -1" << false << "";
        QTest::newRow("zero width") << "10 20 0 400 0" << false << "";
        QTest::newRow("overflow") << "99999999999 20 300 400 0" << false << "";
        QTest::newRow("garbage") << "\xD0\x9F\xD1\x80\xD0\xB8 ???" << false << "";
    }
    void placementParse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, normalised);
        const auto p = FormPlacement::parse(text);
        QCOMPARE(p.has_value(), valid);
        if (valid)
            QCOMPARE(p->toString(), normalised);
    }

    void formsFileRoundTripsPlacement()
    {
        {
            TFormsFile forms;
            forms.writePlacement(QStringLiteral("TViewSupplierOrder"), {-35, 12, 800, 600, 2});
        }
        TFormsFile forms;
        QCOMPARE(forms.readString(QStringLiteral("desktop"), QStringLiteral("tviewsupplierorder")),
                 QStringLiteral("-35 12 800 600 2"));
        QCOMPARE(*forms.placement(QStringLiteral("TViewSupplierOrder")),
                 (FormPlacement{-35, 12, 800, 600, 2}));
        QVERIFY(!forms.placement(QStringLiteral("TNeverSaved")));
    }

    void programParametersRoundTripAndRejectBadValues()
    {
        const QString path = m_home.filePath(QStringLiteral("cfg/scm_cfg.ini"));
        QCOMPARE(ProgramParameters::readFrom(path), ProgramParameters()); // missing file: defaults
        ProgramParameters p;
        p.quantityDecimals = 3;
        p.roubleDecimals = 0;
        p.currencyDecimals = 4;
        p.paintOrdersInColor = true;
        p.paritetImportArtc = true;
        p.writeTo(path);
        QCOMPARE(ProgramParameters::readFrom(path), p);
        const QString text = QString::fromUtf8(readFile(path));
        QVERIFY(text.contains(QLatin1String("[FORMAT]")));
        QVERIFY(text.contains(QLatin1String("DECCDIGIT=3")));
        QVERIFY(text.contains(QLatin1String("[PARITET]")));

        writeFile(
            path,
            "[format]\ncurrdigit=7\nDECCDIGIT=abc\nCUR_D_DIGIT=-1\n[Setting]\npaintordersincolor=True\n");
        const ProgramParameters bad = ProgramParameters::readFrom(path);
        QCOMPARE(bad.roubleDecimals, 2);
        QCOMPARE(bad.quantityDecimals, 2);
        QCOMPARE(bad.currencyDecimals, 2);
        QVERIFY(bad.paintOrdersInColor);
    }

    void iniEdgeCases()
    {
        const QString path = m_home.filePath(QStringLiteral("edge.ini"));
        // Missing file.
        IniFile missing(path);
        QCOMPARE(missing.readString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("def")),
                 QStringLiteral("def"));
        QCOMPARE(missing.readInteger(QStringLiteral("A"), QStringLiteral("B"), 5), 5);

        // Garbage bytes give defaults, and a write still produces a readable file.
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += char((i * 7919) & 0xFF);
        writeFile(path, garbage);
        IniFile damaged(path);
        QCOMPARE(damaged.readInteger(QStringLiteral("DESKTOP"), QStringLiteral("TMainForm"), 42), 42);
        damaged.writeString(QStringLiteral("DESKTOP"), QStringLiteral("TMainForm"),
                            QStringLiteral("1 2 3 4 0"));
        QCOMPARE(IniFile(path).readString(QStringLiteral("desktop"), QStringLiteral("tmainform")),
                 QStringLiteral("1 2 3 4 0"));

        // Duplicate sections and keys: the first wins, and a write changes that one.
        writeFile(path, "[S]\nKey=first\nkey=second\n[s]\nKEY=third\n");
        IniFile dup(path);
        QCOMPARE(dup.readString(QStringLiteral("S"), QStringLiteral("KEY")), QStringLiteral("first"));
        dup.writeString(QStringLiteral("s"), QStringLiteral("key"), QStringLiteral("changed"));
        QCOMPARE(IniFile(path).readString(QStringLiteral("S"), QStringLiteral("Key")),
                 QStringLiteral("changed"));
        QVERIFY(readFile(path).contains("key=second"));

        // Cyrillic names and values, keys with blanks.
        IniFile cyr(path);
        cyr.writeString(QStringLiteral("Окна"), QStringLiteral("Имя окна"),
                        QStringLiteral("Заявки покупателей"));
        QCOMPARE(IniFile(path).readString(QStringLiteral("ОКНА"), QStringLiteral("имя ОКНА")),
                 QStringLiteral("Заявки покупателей"));
    }

    void iniStorageWorksOnItsSection()
    {
        auto find = TIniStorage::open(QStringLiteral("Find"));
        auto catalog = TIniStorage::open(QStringLiteral("TfCatalog"));
        find->writeBool(QStringLiteral("WithExit"), true);
        catalog->writeInteger(QStringLiteral("nSSG"), 3);
        catalog->writeFloat(QStringLiteral("Ratio"), 1.25);
        const QDateTime when(QDate(2024, 2, 29), QTime(13, 45, 10));
        catalog->writeDate(QStringLiteral("Last"), when);
        auto again = TIniStorage::open(QStringLiteral("TfCatalog"));
        QCOMPARE(again->readInteger(QStringLiteral("nSSG"), 0), 3);
        QCOMPARE(again->readInteger(QStringLiteral("WithExit"), -1), -1);
        QCOMPARE(again->readFloat(QStringLiteral("Ratio"), 0), 1.25);
        QCOMPARE(again->readDate(QStringLiteral("Last"), {}), when);
        QVERIFY(TIniStorage::open(QStringLiteral("find"))->readBool(QStringLiteral("withexit"), false));
        QVERIFY(QFile::exists(AppPaths::userFolder() + QStringLiteral("fc.ini")));
    }

    void openByFormType()
    {
        auto& registry = FormActivationRegistry::instance();
        registry.clear();
        QList<int> log;
        registry.add(std::make_unique<CountingActivator>(113, &log));
        registry.add(std::make_unique<CountingActivator>(160, &log));
        QVERIFY(registry.open(160, 25));
        QVERIFY(registry.open(113, 0));
        QVERIFY(!registry.open(999, 1)); // unknown: nothing happens
        QCOMPARE(log, (QList<int>{160025, 113000}));
        QVERIFY(registry.contains(113));
        QVERIFY(!registry.contains(129));
        registry.clear();
    }

    void startupStepsRunInStageOrderAndStopOnFailure()
    {
        StartupSteps::clear();
        QStringList ran;
        StartupSteps::add(StartupSteps::Stage::Reports, QStringLiteral("reports"), [&] { ran << "reports"; });
        StartupSteps::add(StartupSteps::Stage::Login, QStringLiteral("login"), [&] { ran << "login"; });
        StartupSteps::add(StartupSteps::Stage::RightsCatalog, QStringLiteral("rights"),
                          [&] { ran << "rights"; });
        StartupSteps::add(StartupSteps::Stage::Login, QStringLiteral("user card"),
                          [&] { ran << "user card"; });
        StartupSteps::runAll();
        QCOMPARE(ran, (QStringList{"rights", "login", "user card", "reports"}));

        StartupSteps::clear();
        ran.clear();
        StartupSteps::add(StartupSteps::Stage::Login, QStringLiteral("login"), [&] { throw Abort(); });
        StartupSteps::add(StartupSteps::Stage::Messaging, QStringLiteral("agent"), [&] { ran << "agent"; });
        QVERIFY_THROWS_EXCEPTION(Abort, StartupSteps::runAll());
        QVERIFY(ran.isEmpty());
        StartupSteps::clear();
    }

    void connectionFailureCarriesCodeAndDetails()
    {
        const Data::ConnectionError sqlite(QStringLiteral("Не удалось открыть базу данных"),
                                           QStringLiteral("26"), QStringLiteral("file is not a database"));
        QCOMPARE(ConnectionFailure::message(sqlite),
                 QStringLiteral("Не удалось открыть базу данных\r\nError code 0x1a\r\nNative error 26\r\n"
                                "Description file is not a database"));
        const Data::ConnectionError pg(QStringLiteral("Сервер недоступен"), QStringLiteral("08001"));
        QCOMPARE(ConnectionFailure::message(pg), QStringLiteral("Сервер недоступен\r\nError code 08001"));
        QCOMPARE(ConnectionFailure::codeText(QStringLiteral("28P01")), QStringLiteral("28P01"));
        QCOMPARE(ConnectionFailure::codeText(QString()), QString());

        // No code: no empty "0x0" nor "Native error 0"; the client library's text once, without tabs,
        // after the Russian sentence and what to check.
        const QString libpq = QStringLiteral("connection to server at \"127.0.0.1\", port 1 failed: Connection "
                                             "refused\n\tIs the server running on that host and accepting TCP/IP "
                                             "connections?\n");
        Data::ConnectionSettings s;
        s.engine = Data::Engine::PostgreSQL;
        s.host = QStringLiteral("127.0.0.1");
        s.port = 1;
        QCOMPARE(s.describe(), QStringLiteral("127.0.0.1:1"));
        const Data::ConnectionError unreachable(
            QStringLiteral("Не удалось подключиться к серверу %1: сервер недоступен.\r\n%2").arg(s.describe(), libpq),
            QString(), libpq);
        const QString text =
            ConnectionFailure::message(unreachable, ConnectionFailure::advice(s, QStringLiteral("/etc/tarvo/tarvo.ini")));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QVERIFY2(lines[0].startsWith(QStringLiteral("Не удалось подключиться к серверу 127.0.0.1:1: сервер "
                                                    "недоступен. Проверьте")),
                 qPrintable(text));
        QVERIFY(lines[0].contains(QStringLiteral("\"/etc/tarvo/tarvo.ini\"")));
        QCOMPARE(text.count(QStringLiteral("Connection refused")), 1);
        QVERIFY(!text.contains(QLatin1Char('\t')));
        QVERIFY(!text.contains(QStringLiteral("0x0")));
        QVERIFY(!text.contains(QStringLiteral("Native error")));
        QCOMPARE(lines[1], QStringLiteral("Подробности: connection to server at \"127.0.0.1\", port 1 failed: "
                                          "Connection refused"));
    }

    void menuMnemonicsAreUniqueWithinAMenu()
    {
        const QStringList marked = MenuMnemonics::assign(
            {QStringLiteral("&Справочники"), QStringLiteral("Дей&ствия"), QStringLiteral("Отборы"),
             QStringLiteral("&Отчеты"), QStringLiteral("Поиск && замена"), QStringLiteral("1"), QStringLiteral("1"),
             QString()});
        QCOMPARE(marked, (QStringList{QStringLiteral("&Справочники"), QStringLiteral("&Действия"),
                                      QStringLiteral("О&тборы"), QStringLiteral("&Отчеты"),
                                      QStringLiteral("&Поиск && замена"), QStringLiteral("&1"), QStringLiteral("1"),
                                      QString()}));
        QCOMPARE(MenuMnemonics::mnemonic(QStringLiteral("Поиск && &замена")), QChar(u'з'));
        QCOMPARE(MenuMnemonics::plain(QStringLiteral("Дей&ствия")), QStringLiteral("Действия"));
        QCOMPARE(MenuMnemonics::assign(marked), marked); // stable
    }

    void unreadableWorkstationFileOpensNothing()
    {
        const QString ini = m_home.filePath(QStringLiteral("config/TarvoSCM/tarvo.ini"));
        QVERIFY(QDir().mkpath(ini)); // a folder where the file should be
        const auto cleanup = qScopeGuard([&] { QDir(ini).removeRecursively(); });
        QStringList errors;
        QCOMPARE(Startup::run({QStringLiteral("tarvo-scm")}, [&](const QString& m) { errors << m; }), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QLatin1Char('"') + ini + QLatin1Char('"')), qPrintable(errors[0]));
        QVERIFY(!QFile::exists(Data::ConnectionSettings::embeddedDatabasePath()));
    }

    void readOnlyDatabaseIsToldAtStartNotAtTheFirstSave()
    {
        if (geteuid() != 0)
            QSKIP("needs root to remount a file system read-only");
        const QString mnt = m_home.filePath(QStringLiteral("rodb"));
        QVERIFY(QDir().mkpath(mnt));
        const QByteArray point = mnt.toLocal8Bit();
        if (mount("tmpfs", point.constData(), "tmpfs", 0, "size=8m") != 0)
            QSKIP("cannot mount tmpfs here");
        const auto unmount = qScopeGuard([&] { umount(point.constData()); });
        const QString file = mnt + QStringLiteral("/tarvo.db");
        const QStringList args{QStringLiteral("tarvo-scm"), QStringLiteral("ENGINE=SQLITE"),
                               QStringLiteral("DATABASE MAIN=") + file};
        {
            // A database that works, on a disk that later turns read-only.
            auto db = Data::Connector::connect(Data::Connector::settingsFrom(args));
            QVERIFY(db->isOpen());
        }
        QCOMPARE(mount("tmpfs", point.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=8m"), 0);
        QStringList errors;
        const int rc = Startup::run(args, [&](const QString& m) { errors << m; });
        TDataBaseConnection::instance().disconnect();
        QCOMPARE(rc, 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("нельзя записать")) &&
                     errors[0].contains(QStringLiteral("только для чтения")),
                 qPrintable(errors[0]));
    }

    void userFolderProblemsAreToldAtStart()
    {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", saved); });

        // A folder that cannot be created: a file stands where a folder should be.
        writeFile(m_home.filePath(QStringLiteral("blocked")), "x");
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("blocked/data")).toUtf8());
        QStringList errors;
        QCOMPARE(Startup::run({QStringLiteral("tarvo-scm")}, [&](const QString& m) { errors << m; }), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("Не удалось создать папку")), qPrintable(errors[0]));
        QVERIFY2(!errors[0].contains(QStringLiteral("unable to open")), qPrintable(errors[0]));

        // A folder that cannot be written: said at start, not at the first save.
        const QString data = m_home.filePath(QStringLiteral("rodata"));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/TarvoSCM")));
        const QByteArray mountPoint = (data + QStringLiteral("/TarvoSCM")).toLocal8Bit();
        bool mounted = false;
        if (geteuid() == 0) {
            // Root writes anywhere; only a read-only file system stops it.
            mounted = mount("tmpfs", mountPoint.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0;
            if (!mounted)
                QSKIP("cannot mount a read-only file system here");
        } else {
            QVERIFY(QFile::setPermissions(data + QStringLiteral("/TarvoSCM"),
                                          QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto unmount = qScopeGuard([&] {
            if (mounted)
                umount(mountPoint.constData());
        });
        qputenv("XDG_DATA_HOME", data.toUtf8());
        errors.clear();
        QCOMPARE(Startup::run({QStringLiteral("tarvo-scm")}, [&](const QString& m) { errors << m; }), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("нельзя записать")), qPrintable(errors[0]));
        QVERIFY2(errors[0].contains(data + QStringLiteral("/TarvoSCM")), qPrintable(errors[0]));
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(ShellSettings)
#include "tst_shellsettings.moc"
