#include "core/exception.h"
#include "otbor/otborfile.h"
#include "otbor/registerotbors.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tmanagerotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "shell/tdatabaseconnection.h"
#include "support/testenvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Tarvo;
using namespace Tarvo::Otbor;

namespace {
const QDate Today = QDate::currentDate();

void writeFile(const QString& path, const QByteArray& data)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Counts a list's notifications.
struct Counter
{
    explicit Counter(TVarList& list)
    {
        list.subscribe([this] { ++count; });
    }
    int count = 0;
};

// Tells the test when it is destroyed.
class Probe : public TVarActive
{
public:
    Probe(const QUuid& id, bool* destroyed) : TVarActive(id), m_destroyed(destroyed) {}
    ~Probe() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};
} // namespace

class OtborVarsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void datesKeepTheirDayRulesAndResetWhenSwitchedOff()
    {
        TGlobalOtbors list;
        TVarDate* d = list.date(OtborVar::OfferDate);
        QCOMPARE(d->dateStart(), QDateTime(Today, QTime(0, 0)));
        QCOMPARE(d->dateEnd(), QDateTime(Today, QTime(23, 59, 59)));
        d->setActive(true);
        d->setDateStart(QDate(2026, 3, 1));
        d->setDateEnd(QDate(2026, 3, 31));
        d->setIntervalType(TVarDate::After);
        QCOMPARE(d->dateStart(), QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QCOMPARE(d->dateEnd(), QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59)));
        d->setActive(false);
        QCOMPARE(d->dateStart().date(), Today);
        QCOMPARE(d->dateEnd(), QDateTime(Today, QTime(23, 59, 59)));
        QCOMPARE(d->intervalType(), TVarDate::Between);
    }

    void onlyRealChangesOfActiveVariablesNotify()
    {
        TGlobalOtbors list;
        Counter told(list);
        TVarDate* d = list.date(OtborVar::OrderDate);
        d->setDateStart(QDate(2026, 1, 1)); // inactive: kept, not told
        QCOMPARE(told.count, 0);
        QCOMPARE(d->dateStart().date(), QDate(2026, 1, 1));
        d->setActive(true);
        QCOMPARE(told.count, 1);
        d->setDateStart(QDate(2026, 1, 1)); // no change
        d->setActive(true);
        QCOMPARE(told.count, 1);
        d->setDateEnd(QDate(2026, 2, 1));
        QCOMPARE(told.count, 2);
        list.partner(OtborVar::Supplier)->setCompareString(QStringLiteral("ABC")); // inactive
        QCOMPARE(told.count, 2);
        d->setActive(false);
        QCOMPARE(told.count, 3);
    }

    void nestedUpdatesTellOnceAtTheOutermostEnd()
    {
        TGlobalOtbors list;
        Counter told(list);
        list.beginUpdate();
        list.urgency()->setActive(true);
        list.beginUpdate();
        list.manager()->setActive(true);
        list.manager()->setAllowedRows(TManagerOtbor::OwnDepartment);
        list.endUpdate();
        QCOMPARE(told.count, 0);
        list.endUpdate();
        QCOMPARE(told.count, 1);
        // An update without changes tells nobody.
        list.beginUpdate();
        list.endUpdate();
        QCOMPARE(told.count, 1);
        // A variable's own update brackets its lists as well.
        TVar* v = list.var(OtborVar::OfferMark);
        v->beginUpdate();
        v->setActive(true);
        dynamic_cast<TMarkedOtbor*>(v)->setValue(true);
        QCOMPARE(told.count, 1);
        v->endUpdate();
        QCOMPARE(told.count, 2);
    }

    void registerListsShareVariablesAndUpdatesBracketBoth()
    {
        TGlobalOtbors global;
        auto offers = RegisterOtbors::makeList(OtborRegister::BusinessOffers, global);
        auto orders = RegisterOtbors::makeList(OtborRegister::SupplierOrders, global);
        QCOMPARE(offers->count(), 6);
        QVERIFY(offers->contains(global.var(OtborVar::Customer)));
        QVERIFY(!offers->contains(global.var(OtborVar::Supplier)));
        QCOMPARE(global.var(OtborVar::Urgency)->lists().size(), 3);
        Counter g(global), o(*offers), s(*orders);
        // The editor's apply: one update of the global list.
        global.beginUpdate();
        global.partner(OtborVar::Customer)->setCompareString(QStringLiteral("K1"));
        global.partner(OtborVar::Customer)->setActive(true);
        global.urgency()->setActive(true);
        QCOMPARE(o.count, 0);
        global.endUpdate();
        QCOMPARE(g.count, 1);
        QCOMPARE(o.count, 1);
        QCOMPARE(s.count, 1); // urgency is read by both registers
        // Each register describes only what filters it.
        QCOMPARE(orders->description(), QStringLiteral("Срочность = \"\""));
        global.partner(OtborVar::Supplier)->setActive(true);
        QCOMPARE(o.count, 1); // not a variable of the requests
        QCOMPARE(s.count, 2);
    }

    void variableIsDestroyedWhenItLeavesItsLastList()
    {
        bool gone = false;
        auto a = std::make_unique<TVarList>();
        TVarList b;
        auto* probe = new Probe(QUuid::createUuid(), &gone);
        a->add(probe);
        b.add(probe);
        a.reset();
        QVERIFY(!gone);
        QCOMPARE(probe->lists().size(), 1);
        b.remove(probe);
        QVERIFY(gone);
    }

    void duplicateGuidIsAProgrammingError()
    {
        TGlobalOtbors list;
        TVarDate* again = new TOfferDate(TGlobalOtbors::guidOf(OtborVar::OfferDate));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, list.add(again));
        delete again;
        QVERIFY_THROWS_EXCEPTION(std::logic_error, list.add(list.item(0)));
        QCOMPARE(list.count(), OtborVarCount);
    }

    void guardedSubscriptionEndsWithItsGuard()
    {
        TGlobalOtbors list;
        int told = 0;
        {
            QObject window;
            list.subscribe([&told] { ++told; }, &window);
            list.urgency()->setActive(true);
        }
        list.urgency()->setActive(false);
        QCOMPARE(told, 1);
        // A guard that outlives its list does no harm.
        QObject window;
        {
            TGlobalOtbors shortLived;
            shortLived.subscribe([] {}, &window);
        }
    }

    void descriptionsOfTheActiveVariablesOnOneLine()
    {
        Shell::TDataBaseConnection::instance().setCurrentUser(
            7, QStringLiteral("Иванов"), QStringLiteral("iv"), QStringLiteral("Отдел закупок"));
        TGlobalOtbors list;
        QCOMPARE(list.description(), QString()); // nothing active
        TVarDate* d = list.date(OtborVar::OfferDate);
        d->setActive(true);
        d->setDateStart(QDate(2026, 3, 1));
        d->setDateEnd(QDate(2026, 3, 31));
        QCOMPARE(d->description(), QStringLiteral("Дата заявки с 01.03.26 по 31.03.26"));
        d->setIntervalType(TVarDate::Until);
        QCOMPARE(d->description(), QStringLiteral("Дата заявки до 01.03.26"));
        d->setIntervalType(TVarDate::After);
        QCOMPARE(d->description(), QStringLiteral("Дата заявки после 31.03.26"));
        list.docState(OtborVar::OrderState)->setActive(true);
        list.docState(OtborVar::OrderState)->setDocState(TDocStateOtbor::DoneByRegister);
        list.mark(OtborVar::OrderMark)->setActive(true);
        list.urgency()->setActive(true);
        list.urgency()->setCompareString(QStringLiteral("Срочно\nочень"));
        list.manager()->setActive(true);
        QCOMPARE(list.description(),
                 QStringLiteral("Дата заявки после 31.03.26 Срочность = \"Срочно очень\" не отмеченные "
                                "Выполнено по реестру Менеджер = \"Иванов\""));
        list.manager()->setAllowedRows(TManagerOtbor::OwnDepartment);
        QCOMPARE(list.manager()->description(), QStringLiteral("Отдел = \"Отдел закупок\""));
        list.switchAllOff();
        QCOMPARE(list.description(), QString());
    }

    void fileRoundTripKeepsDaysAndRestoresTheEndOfDay()
    {
        TGlobalOtbors list;
        TVarDate* d = list.date(OtborVar::PlanDate);
        d->setActive(true);
        d->setDateStart(QDate(2026, 2, 27));
        d->setDateEnd(QDate(2026, 3, 2));
        d->setIntervalType(TVarDate::Until);
        list.partner(OtborVar::Transporter)->setActive(true);
        list.partner(OtborVar::Transporter)->setCompareType(TVarStringCompare::Contains);
        list.partner(OtborVar::Transporter)->setCompareString(QStringLiteral("ТР<&>\x01"));
        list.docState(OtborVar::RouteState)->setDocState(TDocStateOtbor::InProgress); // inactive, still saved
        list.manager()->setActive(true);
        list.manager()->setAllowedRows(TManagerOtbor::OwnDepartment);
        const QString path = m_home.filePath(QStringLiteral("round.xml"));
        OtborFile::save(path, list);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("<scm_gotbors>"));
        QVERIFY(text.contains("<VAR active=\"1\" ID=\"{7C341EA6-817C-4097-9304-FD87355E9865}\">"));
        QVERIFY(text.contains("<DateStart>46080</DateStart>")); // 27.02.2026
        QCOMPARE(text.count("<VAR "), OtborVarCount);

        TGlobalOtbors back;
        OtborFile::load(path, back);
        TVarDate* b = back.date(OtborVar::PlanDate);
        QVERIFY(b->active());
        QCOMPARE(b->dateStart(), QDateTime(QDate(2026, 2, 27), QTime(0, 0)));
        QCOMPARE(b->dateEnd(), QDateTime(QDate(2026, 3, 2), QTime(23, 59, 59)));
        QCOMPARE(b->intervalType(), TVarDate::Until);
        QCOMPARE(back.partner(OtborVar::Transporter)->compareString(), QStringLiteral("ТР<&>"));
        QCOMPARE(back.partner(OtborVar::Transporter)->compareType(), TVarStringCompare::Contains);
        QVERIFY(!back.docState(OtborVar::RouteState)->active());
        QCOMPARE(back.docState(OtborVar::RouteState)->docState(), TDocStateOtbor::InProgress);
        QCOMPARE(back.manager()->allowedRows(), TManagerOtbor::OwnDepartment);
        QCOMPARE(OtborFile::write(back), OtborFile::write(list).replace("\x01", ""));
    }

    void loadingSkipsWhatItDoesNotKnowAndBadVariables_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("offerDateRead");
        const QByteArray good = "<VAR active=\"1\" ID=\"{D484DF2B-40C5-44F7-9782-495FC51DC23D}\">"
                                "<IntervalType>2</IntervalType><DateStart>46000</DateStart>"
                                "<DateEnd>46001.75</DateEnd><Colour>red</Colour></VAR>";
        QTest::newRow("unknown id and name")
            << QByteArray("<scm_gotbors><VAR active=\"1\" ID=\"{00000000-1111-2222-"
                          "3333-444444444444}\"><Value>1</Value></VAR>" +
                          good + "</scm_gotbors>")
            << true;
        QTest::newRow("bad value in another variable")
            << QByteArray("<scm_gotbors><VAR active=\"1\" ID=\"{D931438C-7E73-4186-B885-A85A3F05FCD6}\">"
                          "<Value>maybe</Value></VAR>" +
                          good + "</scm_gotbors>")
            << true;
        QTest::newRow("cut short") << QByteArray("<scm_gotbors>" + good + "<VAR active=\"1\"") << false;
        QTest::newRow("other root") << QByteArray("<otbors>" + good + "</otbors>") << false;
        QTest::newRow("not xml") << QByteArray("\xff\xfe garbage") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void loadingSkipsWhatItDoesNotKnowAndBadVariables()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, offerDateRead);
        TGlobalOtbors list;
        Counter told(list);
        OtborFile::read(xml, list);
        QVERIFY(told.count <= 1);
        TVarDate* d = list.date(OtborVar::OfferDate);
        QCOMPARE(d->active(), offerDateRead);
        if (offerDateRead) {
            QCOMPARE(d->intervalType(), TVarDate::After);
            QCOMPARE(d->dateEnd(), QDateTime(QDate(1899, 12, 30).addDays(46001), QTime(23, 59, 59)));
        }
        // The variable with the bad value keeps its defaults, activity included.
        QVERIFY(!list.mark(OtborVar::OfferMark)->active());
        QVERIFY(!list.mark(OtborVar::OfferMark)->value());
    }

    // A file of nested elements crashed the start on the reader's recursion; any nesting deeper
    // than the program writes is damage, and a damaged file leaves every variable as it was.
    void deeplyNestedFileLeavesTheDefaults()
    {
        const QByteArray good = "<VAR active=\"1\" ID=\"{D484DF2B-40C5-44F7-9782-495FC51DC23D}\">"
                                "<IntervalType>2</IntervalType></VAR>";
        const int depth = 100000;
        QByteArray bomb =
            "<scm_gotbors>" + good + "<VAR active=\"1\" ID=\"{D931438C-7E73-4186-B885-A85A3F05FCD6}\">";
        bomb.reserve(bomb.size() + depth * 7);
        for (int i = 0; i < depth; ++i)
            bomb += "<Value>";
        for (int i = 0; i < depth; ++i)
            bomb += "</Value>";
        bomb += "</VAR></scm_gotbors>";
        QVERIFY(bomb.size() > 1300000);
        writeFile(TGlobalOtbors::filePath(), bomb);
        TGlobalOtbors::release();
        TGlobalOtbors& global = TGlobalOtbors::instance();
        QCOMPARE(OtborFile::write(global), OtborFile::write(TGlobalOtbors()));
        TGlobalOtbors::release();

        // Elements inside a value still give their text, as files of older versions may hold.
        TGlobalOtbors list;
        QVERIFY(
            OtborFile::read("<scm_gotbors><VAR active=\"1\" ID=\"{E0736667-4F16-4642-B940-AC8790E3D055}\">"
                            "<CompareString>Сро<b>ч<i>н</i></b>о</CompareString></VAR></scm_gotbors>",
                            list));
        QCOMPARE(list.urgency()->compareString(), QStringLiteral("Срочно"));
    }

    // "otbor.xml" follows the settings files' rule: only a regular file up to 16 MB is read, so a
    // FIFO never blocks the start and a link to a device never reads until memory runs out.
    void onlyARegularFileOfAtMost16MbIsLoaded()
    {
        const QByteArray active =
            "<scm_gotbors><VAR active=\"1\" ID=\"{D484DF2B-40C5-44F7-9782-495FC51DC23D}\">"
            "<IntervalType>2</IntervalType></VAR>";
        const QString path = TGlobalOtbors::filePath();
        auto loaded = [&] {
            TGlobalOtbors::release();
            const bool r = TGlobalOtbors::instance().date(OtborVar::OfferDate)->active();
            TGlobalOtbors::release();
            return r;
        };
        writeFile(path, active + "</scm_gotbors>");
        QVERIFY(loaded());

        // Blanks after the root element keep the document well-formed: only the size refuses it.
        QByteArray big = active + "</scm_gotbors>";
        big += QByteArray(16 * 1024 * 1024 + 1 - big.size(), ' ');
        writeFile(path, big);
        QVERIFY(!loaded());

        QVERIFY(QFile::remove(path));
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QVERIFY(!loaded()); // at once, without waiting for a writer

        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        QVERIFY(!loaded());
        QVERIFY(QFile::remove(path));
    }

    void windows1251FileReads()
    {
        const QByteArray xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?><scm_gotbors>"
                               "<VAR active=\"1\" ID=\"{E0736667-4F16-4642-B940-AC8790E3D055}\">"
                               "<CompareString>\xd1\xf0\xee\xf7\xed\xee</CompareString></VAR></scm_gotbors>";
        TGlobalOtbors list;
        QVERIFY(OtborFile::read(xml, list));
        QCOMPARE(list.urgency()->compareString(), QStringLiteral("Срочно"));
    }

    void failedSaveKeepsTheOldFile()
    {
        const QString path = m_home.filePath(QStringLiteral("full.xml"));
        TGlobalOtbors list;
        OtborFile::save(path, list);
        list.urgency()->setActive(true);
        // A disk that fills up half way: writes beyond 1000 bytes fail.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        bool refused = false;
        try {
            OtborFile::save(path, list);
        } catch (const Exception& e) {
            refused = e.message().contains(QStringLiteral("Не удалось сохранить отборы"));
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(refused);
        TGlobalOtbors back;
        OtborFile::load(path, back);
        QCOMPARE(OtborFile::write(back), OtborFile::write(TGlobalOtbors()));
        QCOMPARE(QDir(m_home.path()).entryList({QStringLiteral("full.xml*")}, QDir::Files).size(), 1);
    }

    void globalListLoadsTheUserFileOnFirstUse()
    {
        TGlobalOtbors list;
        list.mark(OtborVar::OrderMark)->setActive(true);
        OtborFile::save(TGlobalOtbors::filePath(), list);
        TGlobalOtbors::release();
        QVERIFY(!TGlobalOtbors::exists());
        QVERIFY(TGlobalOtbors::instance().mark(OtborVar::OrderMark)->active());
        QCOMPARE(&TGlobalOtbors::instance(), &TGlobalOtbors::instance());
        TGlobalOtbors::release();
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(OtborVarsTest)
#include "tst_otborvars.moc"
