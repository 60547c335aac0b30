#include "messaging/noticesettings.h"

#include "core/exception.h"
#include "core/iniparamreader.h"

#include <QRegularExpression>

namespace Tarvo::Messaging {

NoticeSettings NoticeSettings::fromIni(const QString& iniPath, const QStringList& arguments)
{
    const QString section = QStringLiteral("CLIENT");
    IniParamReader ini(iniPath, arguments);
    NoticeSettings s;
    const QString port = ini.readString(section, QStringLiteral("NOTICE PORT")).trimmed();
    if (!port.isEmpty()) {
        bool ok = false;
        const int value = port.toInt(&ok);
        if (!ok || value <= 0 || value > 65535)
            throw Exception(QStringLiteral("Неверный порт извещений NOTICE PORT=%1 в \"tarvo.ini\" (ожидается число "
                                           "от 1 до 65535)")
                                .arg(port));
        s.port = quint16(value);
    }
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    const QStringList list = ini.readString(section, QStringLiteral("NOTICE ADDRESSES"))
                                 .split(separators, Qt::SkipEmptyParts);
    if (!list.isEmpty()) {
        s.addresses.clear();
        for (const QString& text : list) {
            const QHostAddress address(text);
            if (address.protocol() != QAbstractSocket::IPv4Protocol)
                throw Exception(QStringLiteral("Неверный адрес извещений \"%1\" в NOTICE ADDRESSES (\"tarvo.ini\"): "
                                               "ожидается адрес IPv4, например 127.255.255.255")
                                    .arg(text));
            s.addresses << address;
        }
    }
    return s;
}

} // namespace Tarvo::Messaging
