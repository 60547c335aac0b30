#include "messaging/udpnoticesender.h"

#include "core/exception.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Tarvo::Messaging {

namespace {
QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

UdpNoticeSender::UdpNoticeSender()
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof addr;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        m_error = errno;
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_port = ntohs(addr.sin_port);
}

UdpNoticeSender::~UdpNoticeSender()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void UdpNoticeSender::send(const QByteArray& datagram, const QList<QHostAddress>& targets, quint16 port)
{
    if (m_fd < 0)
        throw Exception(QStringLiteral("не удалось открыть сокет UDP (%1)").arg(systemText(m_error)));
    QStringList failures;
    for (const QHostAddress& target : targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(target.toIPv4Address());
        ssize_t n;
        do
            n = ::sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to);
        while (n < 0 && errno == EINTR);
        if (n != datagram.size())
            failures << QStringLiteral("%1:%2 — %3")
                            .arg(target.toString())
                            .arg(port)
                            .arg(n < 0 ? systemText(errno) : QStringLiteral("датаграмма отправлена не целиком"));
    }
    if (!failures.isEmpty())
        throw Exception(QStringLiteral("не удалось отправить извещение по адресу %1").arg(failures.join(u"; ")));
}

} // namespace Tarvo::Messaging
