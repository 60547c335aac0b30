// Two client processes on one database (and a third on another): a save in one refreshes the
// other's open request register, as the refresh settings say.
#include "BusOffer/offerlist.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tedbuisinesoffer.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "BusOffer/offereditordocument.h"
#include "support/typetext.h"
#include "db/demodata.h"
#include "messaging/noticeagent.h"
#include "messaging/noticeinbox.h"
#include "messaging/pgnoticelistener.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"
#include "otbor/tglobalotbors.h"
#include "security/login.h"
#include "security/rightscatalog.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/noticetesting.h"
#include "support/testdatabase.h"
#include "support/widgetdriver.h"

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Patience = 30000; // a busy two-core machine

// The peer program, read line by line.
class Peer
{
public:
    explicit Peer(const QStringList& arguments)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                lines << QString::fromUtf8(m_process.readLine()).trimmed();
        });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(qEnvironmentVariable("TARVO_TEST_BINARY_DIR") + u"/tests/notice_peer"_s, arguments);
    }
    ~Peer()
    {
        command(u"quit"_s);
        if (!m_process.waitForFinished(Patience))
            m_process.kill();
        m_process.waitForFinished();
        if (QTest::currentTestFailed())
            qDebug().noquote() << "peer:" << lines.join(u" | ");
    }
    void command(const QString& text) { m_process.write((text + u'\n').toUtf8()); }
    int count(const QString& start) const
    {
        return int(std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); }));
    }
    bool has(const QString& line) const { return lines.contains(line); }
    QString last(const QString& start) const
    {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->startsWith(start))
                return *it;
        return {};
    }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    QStringList lines;

private:
    QProcess m_process;
};

void prepare(Data::Database& db)
{
    Data::DemoData::fill(db);
    Security::RightsCatalog::update(db);
}

} // namespace

class TstNoticePeers : public QObject
{
    Q_OBJECT
private slots:
    void saveInOneClientRefreshesTheOthersRegister()
    {
        try {
            run();
        } catch (const Exception& e) {
            QFAIL(qPrintable(e.message()));
        }
    }

private:
    void run()
    {
        Test::TestDatabase here, elsewhere;
        Data::Database& db = here.db();
        prepare(db);
        prepare(elsewhere.db());
        const quint16 port = Test::freeUdpPort();
        const QStringList notices{u"NOTICE PORT=%1"_s.arg(port), u"NOTICE ADDRESSES=127.255.255.255"_s};
        Data::Database::setMain(&db);
        Security::Login::makeCurrent(Security::Login::check(db, u"Админ"_s, QString()));
        Peer peer(here.overrides() + notices);
        Peer stranger(elsewhere.overrides() + notices);
        QTRY_VERIFY_WITH_TIMEOUT(peer.has(u"ready"_s) && stranger.has(u"ready"_s), Patience);
    // Every request shows, whatever its date or state.
    Otbor::TGlobalOtbors::instance().switchAllOff();
        Shell::FormActivationRegistry::instance().clear();
        BusOffer::registerOfferEditor();
        BusOffer::registerOfferRegister();
        Shell::MenuHooks::setRefreshTick([](int mode) {
            auto& server = Messaging::TMessageServer::instance();
            server.setUpdateMode(mode);
            server.flush();
        });
        Messaging::NoticeSettings settings;
        settings.port = port;
        Messaging::NoticeAgent agent(db, settings);
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<BusOffer::TviewBusinesOffers>(main.mdiArea());
        QVERIFY(reg);
        QTRY_VERIFY_WITH_TIMEOUT(peer.has(u"ready"_s) && stranger.has(u"ready"_s), Patience);
        QVERIFY(agent.watchDog() ? agent.watchDog()->isListening() : agent.listener()->listens() > 0);

        const auto save = [&main]() -> qint64 {
            // A new request without lines is dropped when its editor closes: the editor stays
            // open, and later saves change its buyer.
            auto* editor = main.findChild<BusOffer::TedBuisinesOffer*>();
            if (!editor) {
                main.menuItem(u"itemNewBusinessOffer"_s)->trigger();
                editor = main.findChild<BusOffer::TedBuisinesOffer*>();
            }
            Test::toFront(editor);
            auto* person = editor->findChild<QComboBox*>(u"cbPerson"_s);
            person->setFocus();
            Test::press(person, Qt::Key_Down);
            Test::press(person, Qt::Key_S, Qt::ControlModifier);
            return editor->document().bofId();
        };

        // Saved here: the peer's register shows it at its next tick.
        const qint64 first = save();
        QVERIFY(first > 0);
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"refresh"_s) >= 1, Patience);
        peer.command(u"has %1"_s.arg(first));
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"has %1 yes"_s.arg(first)) == 1, Patience);

        // And the other way round.
        peer.command(u"new"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!peer.last(u"saved "_s).isEmpty(), Patience);
        const qint64 theirs = peer.last(u"saved "_s).mid(6).toLongLong();
        QVERIFY(theirs > first);
        QTRY_VERIFY_WITH_TIMEOUT(reg->list().locateOffer(theirs), Patience);

        // Mode 0: the register says so instead of reloading.
        peer.command(u"settings 0 1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"set"_s) == 1, Patience);
        const int before = peer.count(u"refresh"_s);
        save();
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"refresh"_s) > before, Patience);
        QCOMPARE(peer.last(u"refresh"_s),
                 u"refresh Список заявок изменен другим окном или пользователем. Обновить: F5"_s);

        // Period 0 holds what arrives until a period is set again.
        peer.command(u"settings 1 0"_s);
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"set"_s) == 2, Patience);
        const int held = peer.count(u"refresh"_s);
        const int heard = peer.count(u"heard"_s);
        const qint64 third = save();
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"heard"_s) > heard, Patience);
        peer.command(u"ping"_s);
        QTRY_VERIFY_WITH_TIMEOUT(peer.has(u"pong"_s), Patience);
        QCOMPARE(peer.count(u"refresh"_s), held);
        peer.command(u"settings 1 1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"refresh"_s) > held, Patience);
        peer.command(u"has %1"_s.arg(third));
        QTRY_VERIFY_WITH_TIMEOUT(peer.count(u"has %1 yes"_s.arg(third)) == 1, Patience);

        // The client on another database heard nothing for itself.
        if (Test::TestDatabase::engine() == Data::Engine::SQLite)
            QTRY_VERIFY_WITH_TIMEOUT(stranger.count(u"heard 0 "_s) >= 1, Patience);
        stranger.command(u"ping"_s);
        QTRY_VERIFY_WITH_TIMEOUT(stranger.has(u"pong"_s), Patience);
        QCOMPARE(stranger.count(u"refresh"_s), 0);
        for (const QString& line : stranger.lines)
            QVERIFY2(!line.startsWith(u"heard"_s) || line.startsWith(u"heard 0 "_s), qPrintable(line));

        QVERIFY(peer.running() && stranger.running());
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(TstNoticePeers)
#include "tst_noticepeers.moc"
