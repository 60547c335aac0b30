#pragma once

#include "messaging/ichangereceiver.h"
#include "messaging/noticedatagram.h"

#include <QByteArray>
#include <QList>
#include <QUuid>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Tarvo::Test {

// A UDP port free at the moment of asking, so that parallel test runs do not share one.
inline quint16 freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// One datagram to a loopback address and port.
inline void sendLoopback(const QByteArray& datagram, quint16 port, const char* address = "127.255.255.255")
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &to.sin_addr);
    ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
}

// A list window as the message server sees it: counts notices and refreshes.
struct CountingReceiver : Messaging::IChangeReceiver
{
    int notices = 0;
    QList<int> refreshes; // modes
    QByteArray ignored;   // a payload of its own
    void refresh(const QUuid&, int mode) override { refreshes << mode; }
    bool notice(const QUuid&, const QByteArray& payload) override
    {
        ++notices;
        return ignored.isEmpty() || payload != ignored;
    }
};

} // namespace Tarvo::Test
