#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

namespace Tarvo::Messaging {

// The sending socket of the embedded database's notices, apart from the listener's: its port
// tells the listener which datagrams are this instance's own.
class UdpNoticeSender
{
public:
    UdpNoticeSender();
    ~UdpNoticeSender();
    UdpNoticeSender(const UdpNoticeSender&) = delete;
    UdpNoticeSender& operator=(const UdpNoticeSender&) = delete;

    // 0 when the socket could not be made (send() then says why).
    quint16 port() const { return m_port; }
    // To every target; throws Tarvo::Exception naming the targets that failed and why.
    void send(const QByteArray& datagram, const QList<QHostAddress>& targets, quint16 port);

private:
    int m_fd = -1;
    quint16 m_port = 0;
    int m_error = 0;
};

} // namespace Tarvo::Messaging
