// The listener thread of the embedded database's notices, on loopback only.
#include "messaging/changeevents.h"
#include "messaging/noticedatagram.h"
#include "messaging/noticeinbox.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"
#include "messaging/udpnoticesender.h"
#include "support/noticetesting.h"

#include <QtTest>
#include <future>

using namespace Tarvo;
using namespace Tarvo::Messaging;

namespace {

struct Heard
{
    QList<std::pair<QUuid, QByteArray>> notices;
    NoticeInbox::Delivery delivery()
    {
        return [this](const QUuid& e, const QByteArray& p) { notices << std::pair{e, p}; };
    }
    bool has(const QUuid& e) const
    {
        return std::any_of(notices.begin(), notices.end(), [&](const auto& n) { return n.first == e; });
    }
};

const QByteArray Key = "host/data/tarvo.db";

} // namespace

class TstTMSWatchDog : public QObject
{
    Q_OBJECT
private slots:
    void twoListenersOnOnePortBothHearABroadcast()
    {
        const quint16 port = Test::freeUdpPort();
        Heard a, b;
        NoticeInbox inboxA(Key, a.delivery()), inboxB(Key, b.delivery());
        TMSWatchDog first(port, &inboxA), second(port, &inboxB);
        first.start();
        second.start();
        QTRY_VERIFY(first.isListening() && second.isListening());
        UdpNoticeSender sender;
        sender.send(NoticeDatagram::build(Key, ChangeEvents::SupplierOrders, "p"), {QHostAddress("127.255.255.255")},
                    port);
        QTRY_COMPARE(a.notices.size(), 1);
        QTRY_COMPARE(b.notices.size(), 1);
        QCOMPARE(a.notices.first(), (std::pair{ChangeEvents::SupplierOrders, QByteArray("p")}));
    }

    void onlyWholeNoticesOfThisDatabaseArrive()
    {
        const quint16 port = Test::freeUdpPort();
        Heard heard;
        NoticeInbox inbox(Key, heard.delivery());
        TMSWatchDog dog(port, &inbox);
        dog.start();
        QTRY_VERIFY(dog.isListening());
        const QByteArray good = NoticeDatagram::build(Key, ChangeEvents::BusinessOffers);
        // A valid notice with more after it: more than a notice can be, so not one.
        Test::sendLoopback(good + QByteArray(NoticeDatagram::MaxSize, 'x'), port);
        QByteArray foreign = good;
        foreign[0] = 0;
        Test::sendLoopback(foreign, port);
        Test::sendLoopback("garbage", port);
        Test::sendLoopback(NoticeDatagram::build("host/data/Tarvo.db", ChangeEvents::BusinessOffers), port);
        Test::sendLoopback(NoticeDatagram::build(Key, ChangeEvents::Waybills), port);
        QTRY_VERIFY(heard.has(ChangeEvents::Waybills));
        QCOMPARE(heard.notices.size(), 1);
        QCOMPARE(dog.oversized(), quint64(1));
        QCOMPARE(inbox.checked(), quint64(4));
        QCOMPARE(inbox.accepted(), quint64(1));
    }

    void ownSocketsEchoIsDropped()
    {
        const quint16 port = Test::freeUdpPort();
        Heard own, other;
        NoticeInbox ownInbox(Key, own.delivery()), otherInbox(Key, other.delivery());
        TMSWatchDog ownDog(port, &ownInbox), otherDog(port, &otherInbox);
        UdpNoticeSender sender;
        ownDog.setOwnPort(sender.port());
        ownDog.start();
        otherDog.start();
        QTRY_VERIFY(ownDog.isListening() && otherDog.isListening());
        sender.send(NoticeDatagram::build(Key, ChangeEvents::AcceptedOrders), {QHostAddress("127.255.255.255")}, port);
        QTRY_COMPARE(other.notices.size(), 1);
        QTRY_COMPARE(ownDog.echoes(), quint64(1));
        QCoreApplication::processEvents();
        QVERIFY(own.notices.isEmpty());
    }

    void floodGivesOneRefreshPerTick()
    {
        const quint16 port = Test::freeUdpPort();
        auto& server = TMessageServer::instance();
        Test::CountingReceiver offers, marker;
        TChangeSubscription s1(ChangeEvents::BusinessOffers, &offers);
        TChangeSubscription s2(ChangeEvents::Waybills, &marker);
        NoticeInbox inbox(Key);
        TMSWatchDog dog(port, &inbox);
        dog.start();
        QTRY_VERIFY(dog.isListening());
        for (int i = 0; i < 2000; ++i)
            Test::sendLoopback(NoticeDatagram::build(Key, ChangeEvents::BusinessOffers, QByteArray::number(i)), port);
        // Datagrams of one socket arrive in order: once the last one is here, so is the rest
        // that was not dropped. It is sent again until heard.
        QElapsedTimer waited;
        waited.start();
        while (marker.notices == 0 && waited.elapsed() < 60000) {
            Test::sendLoopback(NoticeDatagram::build(Key, ChangeEvents::Waybills), port);
            QTest::qWait(50);
        }
        QCOMPARE(marker.notices, 1);
        QVERIFY(offers.notices >= 1);
        QVERIFY(offers.refreshes.isEmpty());
        server.flush();
        server.flush();
        QCOMPARE(offers.refreshes.size(), 1);
        // The hand-over merged the flood: the UI thread was called far less than once a datagram.
        QVERIFY(inbox.handOvers() <= inbox.accepted());
    }

    void busyUiThreadNeitherStallsNorBlocksTheListener()
    {
        const quint16 port = Test::freeUdpPort();
        Heard heard;
        NoticeInbox inbox(Key, heard.delivery());
        auto dog = std::make_unique<TMSWatchDog>(port, &inbox);
        dog->start();
        QTRY_VERIFY(dog->isListening());
        // From here the UI thread does not turn its event loop, like one busy with a long report.
        const QByteArray notice = NoticeDatagram::build(Key, ChangeEvents::BusinessOffers);
        for (int i = 0; i < 20; ++i)
            Test::sendLoopback(notice, port);
        QElapsedTimer waited;
        waited.start();
        while (inbox.accepted() < 20 && waited.elapsed() < 30000)
            QThread::yieldCurrentThread();
        QCOMPARE(inbox.accepted(), quint64(20));
        QVERIFY(heard.notices.isEmpty());
        // And a shutdown now does not wait for the UI thread either.
        dog.reset();
        QTRY_COMPARE(heard.notices.size(), 1);
    }

    void busyPortIsRetriedAndStopEndsTheWait()
    {
        const quint16 port = Test::freeUdpPort();
        // A socket that does not share the port keeps the listener out.
        const int blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        QCOMPARE(::bind(blocker, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

        NoticeInbox inbox(Key);
        {
            TMSWatchDog dog(port, &inbox);
            dog.start();
            QTRY_COMPARE(dog.bindAttempts(), 1);
            QVERIFY(!dog.isListening());
            QVERIFY(!dog.bindError().isEmpty());
            // In the five-minute wait: stopping does not wait it out.
            auto stopped = std::async(std::launch::async, [&dog] { dog.stop(); });
            QTRY_VERIFY_WITH_TIMEOUT(stopped.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 30000);
            QVERIFY(dog.isFinished());
            QCOMPARE(dog.bindAttempts(), 1);
        }
        {
            TMSWatchDog dog(port, &inbox);
            dog.setRetryInterval(20);
            dog.start();
            QTRY_VERIFY(dog.bindAttempts() >= 2);
            ::close(blocker);
            QTRY_VERIFY(dog.isListening());
        }
    }
};

QTEST_GUILESS_MAIN(TstTMSWatchDog)
#include "tst_tmswatchdog.moc"
