#include "messaging/noticedatagram.h"

#include "core/exception.h"

#include <QtEndian>

namespace Tarvo::Messaging {

const QUuid NoticeDatagram::Signature{QStringLiteral("{5CFF53DC-BE78-4342-A458-9239435703F1}")};

QByteArray NoticeDatagram::guidBytes(const QUuid& id)
{
    QByteArray out(16, Qt::Uninitialized);
    char* p = out.data();
    qToLittleEndian<quint32>(id.data1, p);
    qToLittleEndian<quint16>(id.data2, p + 4);
    qToLittleEndian<quint16>(id.data3, p + 6);
    for (int i = 0; i < 8; ++i)
        p[8 + i] = char(id.data4[i]);
    return out;
}

QUuid NoticeDatagram::guidFrom(QByteArrayView bytes)
{
    if (bytes.size() < 16)
        return {};
    const char* p = bytes.data();
    const auto* d4 = reinterpret_cast<const uchar*>(p + 8);
    return QUuid(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4),
                 qFromLittleEndian<quint16>(p + 6), d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]);
}

QByteArray NoticeDatagram::build(const QByteArray& key, const QUuid& event, const QByteArray& payload)
{
    if (key.size() > MaxKeySize)
        throw Exception(QStringLiteral("Ключ базы данных длиннее %1 байт не помещается в извещение об изменениях")
                            .arg(MaxKeySize));
    const qsizetype size = 16 + 1 + key.size() + 16 + payload.size();
    if (size > MaxSize)
        throw Exception(QStringLiteral("Извещение об изменениях не помещается в %1 байта (нужно %2): "
                                       "данные отправителя слишком длинные")
                            .arg(MaxSize)
                            .arg(size));
    QByteArray out;
    out.reserve(size);
    out += guidBytes(Signature);
    out += char(uchar(key.size()));
    out += key;
    out += guidBytes(event);
    out += payload;
    return out;
}

std::optional<NoticeDatagram::Notice> NoticeDatagram::parse(QByteArrayView datagram)
{
    if (datagram.size() < 16 + 1 || datagram.size() > MaxSize)
        return std::nullopt;
    static const QByteArray signature = guidBytes(Signature);
    if (datagram.first(16) != QByteArrayView(signature))
        return std::nullopt;
    const qsizetype keySize = uchar(datagram[16]);
    const qsizetype eventAt = 17 + keySize;
    if (eventAt + 16 > datagram.size())
        return std::nullopt;
    Notice n;
    n.event = guidFrom(datagram.sliced(eventAt, 16));
    if (n.event.isNull())
        return std::nullopt;
    n.key = datagram.sliced(17, keySize).toByteArray();
    n.payload = datagram.sliced(eventAt + 16).toByteArray();
    return n;
}

} // namespace Tarvo::Messaging
