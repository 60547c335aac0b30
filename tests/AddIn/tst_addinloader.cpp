#include "AddIn/addinactionrunner.h"
#include "AddIn/addinfixture.h"
#include "AddIn/addinfolders.h"
#include "AddIn/addinguid.h"
#include "AddIn/taddinwrapper.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "support/testdatabase.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AddIn;
using namespace Qt::Literals::StringLiterals;

namespace {

QString failureOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

TAddInCollectionItem simple(const QString& mode)
{
    return Test::discovered(u"Тестовый модуль "_s + mode);
}

} // namespace

class AddInLoaderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;

    Data::Database& db() { return m_t->db(); }
    AddInActionRunner runner() { return AddInActionRunner(db(), 0); }
    QString stored(const QString& name)
    {
        return db()
            .scalar(u"select value_nastr from scm_parametrs where inside_name_nastr = ?"_s, {name})
            .toString();
    }
    // The good module still runs after whatever failed before it.
    void goodStillRuns()
    {
        db().exec(u"delete from scm_parametrs where inside_name_nastr = 'TM_GOOD'"_s);
        runner().runSimple(simple(u"good"_s));
        QCOMPARE(stored(u"TM_GOOD"_s), u"410001FF80C07A"_s);
    }

private slots:
    void initTestCase()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Test::useModuleFolder(m_home.path());
        QVERIFY(AddInFolders::folders().contains(Test::testModulesDir()));
        db().exec(
            u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('test_param', 'значение')"_s);
    }

    // A library that fails is listed with its reason; the libraries after it are still read.
    void discoveryListsBrokenLibrariesAndGoesOn()
    {
        TAddInCollection all;
        const QList<AddInLoadFailure> failures = DiscoverAddIns(all);
        QMap<QString, QString> reasons;
        for (const auto& f : failures)
            reasons.insert(f.fileName, f.reason);
        QVERIFY2(reasons.value(u"raw_missing_symbol.so"_s).contains(u"не загружается"_s),
                 qPrintable(reasons.value(u"raw_missing_symbol.so"_s)));
        QVERIFY(reasons.value(u"raw_missing_symbol.so"_s).contains(u"tarvo_symbol_nobody_has"_s));
        QVERIFY(reasons.value(u"raw_no_class.so"_s).contains(u"raw_no_class.so is not an ActiveX"_s));
        QVERIFY(reasons.value(u"raw_other_version.so"_s).contains(u"версии 2"_s));
        QVERIFY(reasons.value(u"raw_throw.so"_s).contains(u"сырое исключение при регистрации"_s));
        QVERIFY(reasons.value(u"tm_throw_register.so"_s).contains(u"Модуль упал при регистрации"_s));
        QCOMPARE(reasons.size(), 5);

        QStringList names;
        for (int i = 0; i < all.count(); ++i)
            names << all.item(i).descr;
        // Files after the broken ones, in name order, and the shipped modules.
        for (const QString& n :
             {u"Тестовый модуль throw_init"_s, u"Тестовый модуль good (обработка)"_s,
              u"Сырой модуль без текста ошибки"_s, u"Курсы валют ЦБ РФ"_s, u"Выгрузка заявок в CSV"_s})
            QVERIFY2(names.contains(n), qPrintable(n));
        // An unknown type is refused with S_FALSE and listed nowhere; a length without data is refused.
        QVERIFY(!names.contains(u"Неизвестный тип"_s));
        QVERIFY(!names.contains(u"Плохая длина"_s));
        const QString log = Test::moduleLog(u"tm_good.so"_s);
        QVERIFY(log.contains(u"register unknown 1\n"_s));
        QVERIFY(log.contains(u"register bad length %1\n"_s.arg(tarvo::E_INVALIDARG)));
        QVERIFY(log.contains(u"register simple 0\n"_s));
    }

    // InitData with a zero and high bytes reaches Init byte for byte; the module reads the
    // parameter by a name of another case and writes through the program's connection.
    void initDataReachesTheModule()
    {
        goodStillRuns();
        QVERIFY(Test::moduleLog(u"tm_good.so"_s).contains(u"param 0 значение\n"_s));
    }

    void brokenModulesGiveTheirReasons_data()
    {
        QTest::addColumn<QString>("descr");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Init throws") << u"Тестовый модуль throw_init"_s
                                     << QStringList{u"tm_throw_init.so"_s,
                                                    u"Модуль упал при инициализации"_s};
        QTest::newRow("Init fails without text")
            << u"Сырой модуль без текста ошибки"_s
            << QStringList{u"raw_init_fail.so"_s, u"Error running programm"_s};
        // The module fills the whole buffer without a zero, in windows-1251.
        QTest::newRow("Init fails with text")
            << u"Сырой модуль с текстом ошибки"_s << QStringList{u"raw_init_fail_text.so"_s, u"Ошибка xxx"_s};
        QTest::newRow("kit: no inner object")
            << u"Тестовый модуль init_null"_s
            << QStringList{u"tm_init_null.so"_s, u"Модуль не создал свой объект"_s};
        // Success with a null inner object is a failure too.
        QTest::newRow("success without object")
            << u"Сырой модуль без объекта"_s
            << QStringList{u"raw_init_null.so"_s, u"не вернул свой объект"_s};
        QTest::newRow("Execute throws")
            << u"Тестовый модуль throw_execute"_s
            << QStringList{u"«Тестовый модуль throw_execute» завершился с ошибкой"_s,
                           u"Модуль упал при выполнении"_s};
        QTest::newRow("raw exception from Init")
            << u"Сырой модуль с исключением"_s << QStringList{u"raw_throw.so"_s, u"исключением"_s};
    }
    void brokenModulesGiveTheirReasons()
    {
        QFETCH(QString, descr);
        QFETCH(QStringList, expected);
        TAddInCollectionItem item = Test::discovered(descr);
        if (item.descr.isEmpty()) // a library whose registration fails, configured earlier
            item = {expected.first(), descr, Guid::toUuid(tarvo::ADDIN_TYPE_RUN), {}};
        const QString text = failureOf([&] { runner().runSimple(item); });
        for (const QString& e : expected)
            QVERIFY2(text.contains(e), qPrintable(text));
        QVERIFY(text.size() < 1200);
        QVERIFY(!db().inTransaction());
        goodStillRuns();
    }

    void missingAndMisnamedLibraries()
    {
        TAddInCollectionItem item = simple(u"good"_s);
        // A stored path leads nowhere but the module folders.
        item.dllname = u"/nowhere/else/tm_good.so"_s;
        QCOMPARE(TAddInCollectionItem::bareFileName(item.dllname), u"tm_good.so"_s);
        TAddInCollection c;
        c.append(item);
        QCOMPARE(c.storedItems().first().dllname, u"tm_good.so"_s);
        QVERIFY(CreateAddIn(item));
        item.dllname = u"..\\..\\tm_good.so"_s;
        QVERIFY(CreateAddIn(item));
        item.dllname = u"no_such_module.so"_s;
        QVERIFY(failureOf([&] { CreateAddIn(item); }).contains(u"«no_such_module.so»: файл не найден"_s));
        goodStillRuns();
    }

    // The module counts references on the wrapper while Init runs; the wrapper survives them.
    void outerReferencesDuringInit()
    {
        db().exec(u"delete from scm_parametrs where inside_name_nastr = 'TM_OUTER_REFS'"_s);
        runner().runSimple(simple(u"outer_refs"_s));
        QCOMPARE(stored(u"TM_OUTER_REFS"_s), u"410001FF80C07A"_s);
    }

    // A transaction the module left open is rolled back and the user is told, naming the module.
    void openTransactionIsReported()
    {
        const QString text = failureOf([&] { runner().runSimple(simple(u"leave_open"_s)); });
        QVERIFY2(text.contains(u"«Тестовый модуль leave_open» оставил транзакцию незавершённой"_s),
                 qPrintable(text));
        QVERIFY(!db().inTransaction());
        QVERIFY(db().scalar(u"select count(*) from scm_parametrs where inside_name_nastr = 'TM_LEAVE_OPEN'"_s)
                    .toInt() == 0);
        goodStillRuns();
    }

    // References kept after the call and used from a timer get a refusal, not freed objects.
    void keptReferencesRefuse()
    {
        runner().runSimple(simple(u"keeper"_s));
        QTRY_VERIFY(Test::moduleLog(u"tm_keeper.so"_s).contains(u"late done"_s));
        const QString log = Test::moduleLog(u"tm_keeper.so"_s);
        QVERIFY2(log.contains(u"late engine %1\n"_s.arg(tarvo::RPC_E_DISCONNECTED)), qPrintable(log));
        QVERIFY(log.contains(u"late param %1\n"_s.arg(tarvo::RPC_E_DISCONNECTED)));
        goodStillRuns();
    }

    // The registration callback kept by a module refuses after discovery.
    void keptRegistrationRefuses()
    {
        TAddInCollection all;
        DiscoverAddIns(all);
        const int count = all.count();
        QTRY_VERIFY(Test::moduleLog(u"tm_keep_info.so"_s).contains(u"late register"_s));
        QVERIFY(Test::moduleLog(u"tm_keep_info.so"_s)
                    .contains(u"late register %1"_s.arg(tarvo::RPC_E_DISCONNECTED)));
        QCOMPARE(all.count(), count);
    }

    void cleanupTestCase() { m_t.reset(); }
};

QTEST_MAIN(AddInLoaderTest)
#include "tst_addinloader.moc"
