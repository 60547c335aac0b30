#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QUuid>
#include <optional>

namespace Tarvo::Messaging {

// A change notice as it travels between workstations: the signature, the length-prefixed
// database key, the event and the sender's payload. GUIDs are in memory byte order (the
// first three fields little-endian), which other clients on the network expect.
class NoticeDatagram
{
public:
    static constexpr qsizetype MaxSize = 424;
    static constexpr qsizetype MaxKeySize = 255;
    static const QUuid Signature;

    struct Notice
    {
        QByteArray key;
        QUuid event;
        QByteArray payload;
    };

    // Throws Tarvo::Exception when the notice would not fit: a notice is never cut.
    static QByteArray build(const QByteArray& key, const QUuid& event, const QByteArray& payload = {});
    // Nothing for a datagram that is not a whole notice (too short, another signature, a key
    // running past the end, an event cut short).
    static std::optional<Notice> parse(QByteArrayView datagram);

    static QByteArray guidBytes(const QUuid& id);
    // The null GUID when fewer than 16 bytes are given.
    static QUuid guidFrom(QByteArrayView bytes);
};

} // namespace Tarvo::Messaging
