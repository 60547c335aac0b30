#include "messaging/tmswatchdog.h"

#include "messaging/noticedatagram.h"
#include "messaging/noticeinbox.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSet>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Tarvo::Messaging {

TMSWatchDog::TMSWatchDog(quint16 port, NoticeInbox* inbox, QObject* parent)
    : QThread(parent), m_port(port), m_inbox(inbox), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    setObjectName(QStringLiteral("TMSWatchDog"));
}

TMSWatchDog::~TMSWatchDog()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void TMSWatchDog::stop()
{
    m_stopping = true;
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
    }
    wait();
}

QString TMSWatchDog::bindError() const
{
    const int e = m_bindErrno.load();
    return e ? QString::fromLocal8Bit(std::strerror(e)) : QString();
}

int TMSWatchDog::bindSocket()
{
    ++m_bindAttempts;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_bindErrno = errno;
        return -1;
    }
    // Address sharing: every instance of the machine binds the same port and each hears a
    // broadcast (a datagram to one address reaches only the socket bound last).
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Room for a burst while the thread is not scheduled (the system caps it at rmem_max).
    const int buffer = 1 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_port);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        m_bindErrno = errno;
        ::close(fd);
        return -1;
    }
    m_bindErrno = 0;
    return fd;
}

bool TMSWatchDog::waitReadable(int fd, int timeoutMs)
{
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
    while (!m_stopping) {
        const int n = ::poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (m_stopping)
            return false;
        return n > 0 && fd >= 0 && (fds[1].revents & POLLIN);
    }
    return false;
}

void TMSWatchDog::readAll(int fd)
{
    // One byte more than a notice can be: a longer datagram is dropped whole, never read as
    // its first part.
    char buffer[NoticeDatagram::MaxSize + 1];
    static const QSet<QHostAddress> local = [] {
        const QList<QHostAddress> all = QNetworkInterface::allAddresses();
        return QSet<QHostAddress>(all.begin(), all.end());
    }();
    for (int i = 0; i < 4096 && !m_stopping; ++i) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from),
                                     &fromLength);
        if (n < 0)
            return; // EAGAIN: read out; other errors are a lost datagram, not a reason to stop
        ++m_received;
        if (n > NoticeDatagram::MaxSize) {
            ++m_oversized;
            continue;
        }
        const quint16 own = m_ownPort.load();
        if (own != 0 && ntohs(from.sin_port) == own) {
            const QHostAddress sender(ntohl(from.sin_addr.s_addr));
            if (sender.isLoopback() || local.contains(sender)) {
                ++m_echoes;
                continue;
            }
        }
        m_inbox->offerDatagram(QByteArrayView(buffer, n));
    }
}

void TMSWatchDog::run()
{
    int fd = -1;
    while (!m_stopping) {
        if (fd < 0) {
            fd = bindSocket();
            m_listening = fd >= 0;
            if (fd < 0) {
                waitReadable(-1, m_retryMs.load());
                continue;
            }
        }
        if (waitReadable(fd, -1))
            readAll(fd);
    }
    m_listening = false;
    if (fd >= 0)
        ::close(fd);
}

} // namespace Tarvo::Messaging
