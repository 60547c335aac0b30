// The network agent on both engines: what it sends, when, and what it keeps from delivering.
#include "data/engine/database.h"
#include "messaging/changeevents.h"
#include "messaging/databasekey.h"
#include "messaging/noticeagent.h"
#include "messaging/noticedatagram.h"
#include "messaging/noticeinbox.h"
#include "messaging/pgnoticelistener.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"
#include "support/noticetesting.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Messaging;
using namespace Qt::Literals::StringLiterals;

namespace {

// What another instance on the same database hears: a bare listener of the engine's transport.
class Peer
{
public:
    Peer(const Data::Database& db, quint16 port)
        : m_inbox(db.engine() == Data::Engine::SQLite ? DatabaseKey::of(db) : QByteArray(),
                  [this](const QUuid& e, const QByteArray& p) {
                      notices << std::pair{e, p};
                      if (onNotice)
                          onNotice(e);
                  })
    {
        if (db.engine() == Data::Engine::SQLite) {
            m_dog = std::make_unique<TMSWatchDog>(port, &m_inbox);
            m_dog->start();
        } else {
            m_listener = std::make_unique<PgNoticeListener>(db.settings(), &m_inbox);
            m_listener->start();
        }
    }
    bool ready() const { return m_dog ? m_dog->isListening() : m_listener->listens() > 0; }
    int count(const QUuid& e) const
    {
        return int(std::count_if(notices.begin(), notices.end(), [&](const auto& n) { return n.first == e; }));
    }
    const NoticeInbox& inbox() const { return m_inbox; }

    QList<std::pair<QUuid, QByteArray>> notices;
    std::function<void(const QUuid&)> onNotice;

private:
    NoticeInbox m_inbox;
    std::unique_ptr<TMSWatchDog> m_dog;
    std::unique_ptr<PgNoticeListener> m_listener;
};

bool agentReady(const NoticeAgent& agent)
{
    return agent.watchDog() ? agent.watchDog()->isListening() : agent.listener()->listens() > 0;
}

NoticeSettings loopbackOn(quint16 port)
{
    NoticeSettings s;
    s.port = port;
    s.addresses = {QHostAddress(u"127.255.255.255"_s)};
    return s;
}

} // namespace

class TstNoticeAgent : public QObject
{
    Q_OBJECT
private slots:
    void defaultSettingsReachThisMachineOnly()
    {
        QTemporaryDir dir;
        const NoticeSettings plain = NoticeSettings::fromIni(dir.filePath(u"tarvo.ini"_s), {});
        QCOMPARE(plain.port, quint16(47611));
        QCOMPARE(plain.addresses, QList<QHostAddress>{QHostAddress(u"127.255.255.255"_s)});
        const NoticeSettings set = NoticeSettings::fromIni(
            dir.filePath(u"tarvo.ini"_s), {u"NOTICE PORT=50001"_s, u"NOTICE ADDRESSES=127.0.0.1, 127.255.255.255"_s});
        QCOMPARE(set.port, quint16(50001));
        QCOMPARE(set.addresses.size(), 2);
        QVERIFY_THROWS_EXCEPTION(Exception, NoticeSettings::fromIni(dir.filePath(u"tarvo.ini"_s), {u"NOTICE PORT=0"_s}));
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 NoticeSettings::fromIni(dir.filePath(u"tarvo.ini"_s), {u"NOTICE ADDRESSES=сервер"_s}));
    }

    void ownNoticeRefreshesTheSenderOnce()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        const quint16 port = Test::freeUdpPort();
        Peer other(db, port);
        NoticeAgent agent(db, loopbackOn(port));
        QTRY_VERIFY(other.ready() && agentReady(agent));
        Test::CountingReceiver list;
        TChangeSubscription s(ChangeEvents::BusinessOffers, &list);

        TMessageServer::instance().sendChangeNotice(ChangeEvents::BusinessOffers);
        QTRY_COMPARE(list.refreshes.size(), 1);
        QTRY_COMPARE(other.count(ChangeEvents::BusinessOffers), 1);
        const auto echoes = [&] { return agent.watchDog() ? agent.watchDog()->echoes() : agent.listener()->echoes(); };
        QTRY_COMPARE(echoes(), quint64(1));
        QCoreApplication::processEvents();
        TMessageServer::instance().flush();
        QCOMPARE(list.refreshes.size(), 1);
        QCOMPARE(list.notices, 1);
    }

    void noticeGoesOnlyAfterCommit()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        db.exec(u"create table probe (n integer)"_s);
        auto reader = t.connectAgain();
        const quint16 port = Test::freeUdpPort();
        Peer other(db, port);
        NoticeAgent agent(db, loopbackOn(port));
        QTRY_VERIFY(other.ready() && agentReady(agent));
        auto& server = TMessageServer::instance();

        // Rolled back: nobody hears it. The notice after it arrives in order behind it.
        db.beginTransaction();
        db.exec(u"insert into probe (n) values (1)"_s);
        server.sendChangeNotice(ChangeEvents::Waybills);
        db.rollback();
        server.sendChangeNotice(ChangeEvents::AcceptedOrders);
        QTRY_COMPARE(other.count(ChangeEvents::AcceptedOrders), 1);
        QCOMPARE(other.count(ChangeEvents::Waybills), 0);

        // Committed: sent after the commit, when the row is there for the others to read.
        int rowsSeen = -1;
        other.onNotice = [&](const QUuid& e) {
            if (e == ChangeEvents::SupplierOrders)
                rowsSeen = reader->scalar(u"select count(*) from probe"_s).toInt();
        };
        const int sentBefore = agent.sent();
        db.beginTransaction();
        db.exec(u"insert into probe (n) values (2)"_s);
        server.sendChangeNotice(ChangeEvents::SupplierOrders);
        QCOMPARE(agent.sent(), sentBefore);
        db.commit();
        QCOMPARE(agent.sent(), sentBefore + 1);
        QTRY_COMPARE(other.count(ChangeEvents::SupplierOrders), 1);
        QCOMPARE(rowsSeen, 1);
    }

    void identicalNoticesGoAtMostTwicePerWindow()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        const quint16 port = Test::freeUdpPort();
        Peer other(db, port);
        NoticeAgent agent(db, loopbackOn(port));
        QTRY_VERIFY(other.ready() && agentReady(agent));
        auto& server = TMessageServer::instance();
        for (int i = 0; i < 10; ++i)
            server.sendChangeNotice(ChangeEvents::BusinessOffers, "same");
        server.sendChangeNotice(ChangeEvents::BusinessOffers, "other");
        QCOMPARE(agent.sent(), 2);
        QTRY_COMPARE(agent.sent(), 3); // the one more at the end of the window
        server.sendChangeNotice(ChangeEvents::Waybills);
        QTRY_COMPARE(other.count(ChangeEvents::Waybills), 1);
        QCOMPARE(other.count(ChangeEvents::BusinessOffers), 3);
    }

    void failedSendIsAWarningNeverTheSaversFailure()
    {
        if (Test::TestDatabase::engine() != Data::Engine::SQLite)
            QSKIP("the PostgreSQL transport sends through the main connection; its loss is tested with the connection");
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        NoticeSettings unreachable = loopbackOn(0); // no datagram goes to port 0
        NoticeAgent agent(db, unreachable);
        QStringList warnings;
        NoticeAgent::setWarningHook([&](const QString& w) { warnings << w; });
        auto& server = TMessageServer::instance();
        server.sendChangeNotice(ChangeEvents::BusinessOffers, "a");
        server.sendChangeNotice(ChangeEvents::BusinessOffers, "b");
        NoticeAgent::setWarningHook({});
        QCOMPARE(agent.failures(), 2);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith(NoticeAgent::WarningText) &&
                     warnings.first().size() > NoticeAgent::WarningText.size(),
                 qPrintable(warnings.first()));
    }

    void otherDatabasesNeverHearEachOther()
    {
        Test::TestDatabase first, second;
        Data::Database& db1 = first.db(false);
        Data::Database& db2 = second.db(false);
        const quint16 port = Test::freeUdpPort();
        Peer onSecond(db2, port);
        NoticeAgent agent(db1, loopbackOn(port));
        QTRY_VERIFY(onSecond.ready() && agentReady(agent));
        TMessageServer::instance().sendChangeNotice(ChangeEvents::BusinessOffers);
        if (db1.engine() == Data::Engine::SQLite) {
            // Heard and checked, but for another file.
            QTRY_COMPARE(onSecond.inbox().checked(), quint64(1));
            QCOMPARE(onSecond.inbox().accepted(), quint64(0));
        } else {
            // Another database's channel: a notice on the second one is the only one heard.
            NoticeAgent agent2(db2, loopbackOn(port));
            TMessageServer::instance().sendChangeNotice(ChangeEvents::Waybills);
            QTRY_COMPARE(onSecond.count(ChangeEvents::Waybills), 1);
            QCOMPARE(onSecond.count(ChangeEvents::BusinessOffers), 0);
        }
        QCoreApplication::processEvents();
        QVERIFY(onSecond.notices.size() <= 1);
    }

    void lostListenerReconnectsAndRefreshesOnce()
    {
        if (Test::TestDatabase::engine() != Data::Engine::PostgreSQL)
            QSKIP("the listening connection is PostgreSQL's");
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        NoticeAgent agent(db, loopbackOn(0));
        QTRY_COMPARE(agent.listener()->listens(), 1);
        Test::CountingReceiver offers, orders;
        TChangeSubscription s1(ChangeEvents::BusinessOffers, &offers);
        TChangeSubscription s2(ChangeEvents::SupplierOrders, &orders);
        auto admin = t.connectAgain();
        admin->exec(u"select pg_terminate_backend(?)"_s, {agent.listener()->backendPid()});
        QTRY_COMPARE(agent.listener()->listens(), 2);
        QTRY_VERIFY(offers.notices == 1 && orders.notices == 1);
        auto& server = TMessageServer::instance();
        server.flush();
        server.flush();
        QCOMPARE(offers.refreshes.size(), 1);
        QCOMPARE(orders.refreshes.size(), 1);

        // And it hears the others again.
        auto other = t.connectAgain();
        other->exec(u"select pg_notify(?, ?)"_s,
                    {QString::fromLatin1(PgNoticeListener::Channel),
                     QString::fromLatin1(NoticeDatagram::build("x", ChangeEvents::BusinessOffers).toHex())});
        QTRY_COMPARE(offers.notices, 2);
    }
};

QTEST_GUILESS_MAIN(TstNoticeAgent)
#include "tst_noticeagent.moc"
