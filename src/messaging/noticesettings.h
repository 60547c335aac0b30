#pragma once

#include <QHostAddress>
#include <QList>
#include <QStringList>

namespace Tarvo::Messaging {

// Where the embedded database's notices go: "tarvo.ini" section "CLIENT", keys "NOTICE PORT" and
// "NOTICE ADDRESSES" (IPv4 addresses separated by commas, semicolons or spaces). An embedded
// database serves one machine, so the default is the loopback broadcast, which every instance on
// it hears; a LAN broadcast address has to be configured.
struct NoticeSettings
{
    static constexpr quint16 DefaultPort = 47611;

    quint16 port = DefaultPort;
    QList<QHostAddress> addresses{defaultAddress()};

    static QHostAddress defaultAddress() { return QHostAddress(QStringLiteral("127.255.255.255")); }
    // Throws Tarvo::Exception naming the key for a port or an address that is not one.
    static NoticeSettings fromIni(const QString& iniPath, const QStringList& arguments);
};

} // namespace Tarvo::Messaging
