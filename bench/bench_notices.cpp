// The notice listener under a burst: 100k datagrams on the loopback broadcast at full rate, a
// quarter of them malformed. Reports the datagrams checked per second, the refreshes per tick,
// the UI thread's time on the burst against parsing the same datagrams in a bare loop, and the
// peak memory before and after. The generator needs nothing: it builds its own datagrams.
//   bench_notices [count]
#include "messaging/changeevents.h"
#include "messaging/noticedatagram.h"
#include "messaging/noticeinbox.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <arpa/inet.h>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Tarvo::Messaging;

namespace {

struct Receiver : IChangeReceiver
{
    int refreshes = 0;
    void refresh(const QUuid&, int) override { ++refreshes; }
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(fd);
    return ntohs(a.sin_port);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QByteArray key = "bench-host/tmp/bench.db";
    const QUuid kinds[] = {ChangeEvents::BusinessOffers, ChangeEvents::SupplierOrders, ChangeEvents::AcceptedOrders,
                           ChangeEvents::Waybills};
    QList<QByteArray> datagrams;
    datagrams.reserve(count);
    for (int i = 0; i < count; ++i) {
        QByteArray d = NoticeDatagram::build(key, kinds[i % 4], QByteArray::number(i % 16));
        switch (i % 16) {
        case 1: d[2] = 0; break;                                 // another signature
        case 5: d.truncate(10); break;                           // too short
        case 9: d[16] = char(250); break;                        // key past the end
        case 13: d += QByteArray(NoticeDatagram::MaxSize, 'x'); break; // oversized
        }
        datagrams << d;
    }

    // The bare loop: what checking every datagram on the UI thread would cost at least.
    QElapsedTimer bare;
    bare.start();
    int valid = 0;
    for (const QByteArray& d : datagrams)
        if (auto n = NoticeDatagram::parse(d); n && n->key == key)
            ++valid;
    const double bareMs = bare.nsecsElapsed() / 1e6;

    const long peakBefore = peakKb();
    auto& server = TMessageServer::instance();
    Receiver receivers[4];
    std::vector<std::unique_ptr<TChangeSubscription>> subs;
    for (int i = 0; i < 4; ++i)
        subs.push_back(std::make_unique<TChangeSubscription>(kinds[i], &receivers[i]));
    const quint16 port = freePort();
    NoticeInbox inbox(key);
    TMSWatchDog dog(port, &inbox);
    dog.start();
    while (!dog.isListening())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        server.flush();
    });
    tick.start(100);

    const double uiBefore = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    std::atomic<bool> sent{false};
    std::thread generator([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
        for (const QByteArray& d : datagrams)
            ::sendto(fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ::close(fd);
        sent = true;
    });
    // The burst is over when everything is sent and the listener has been quiet for 300 ms. The
    // UI thread meanwhile only runs its event loop, as in the program.
    quint64 lastSeen = 0;
    QElapsedTimer quiet;
    quiet.start();
    double lastArrivalMs = 0;
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const quint64 seen = dog.received();
        if (seen != lastSeen) {
            lastSeen = seen;
            lastArrivalMs = wall.nsecsElapsed() / 1e6;
            quiet.restart();
        } else if (sent && quiet.elapsed() >= 300) {
            loop.quit();
        }
    });
    watch.start(50);
    loop.exec();
    generator.join();
    QCoreApplication::processEvents();
    server.flush();
    const double uiMs = threadCpuMs() - uiBefore;
    const long peakAfter = peakKb();
    dog.stop();

    int refreshes = 0;
    for (const Receiver& r : receivers)
        refreshes += r.refreshes;
    const quint64 checked = inbox.checked() + dog.oversized();
    std::printf("datagrams sent %d, received %llu (%llu oversized dropped whole), accepted %llu of %d valid sent\n",
                count, static_cast<unsigned long long>(dog.received()),
                static_cast<unsigned long long>(dog.oversized()), static_cast<unsigned long long>(inbox.accepted()),
                valid);
    std::printf("checked per second: %.0f (burst %.0f ms)\n", checked / (lastArrivalMs / 1000.0), lastArrivalMs);
    std::printf("refreshes per window: %.2f per kind (%d refreshes of 4 kinds in %d ticks of 100 ms)\n",
                ticks ? double(refreshes) / 4 / ticks : 0.0, refreshes, ticks);
    std::printf("UI thread on the burst: %.1f ms CPU in %llu hand-overs; bare parse of the same datagrams: %.1f ms; "
                "ratio %.2f\n",
                uiMs, static_cast<unsigned long long>(inbox.handOvers()), bareMs, uiMs / bareMs);
    std::printf("peak memory: %ld kB before the burst, %ld kB after\n", peakBefore, peakAfter);
    return 0;
}
