#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <atomic>
#include <functional>

namespace Tarvo::Messaging {

// Where the listener threads leave the notices of other instances. They check each datagram
// themselves and never wait for the UI thread: notices are merged into a bounded set, and one
// queued call per batch hands the set to the UI thread, which feeds the message server. A UI
// thread busy for a while thus costs one hand-over, and a flood cannot grow memory.
class NoticeInbox : public QObject
{
    Q_OBJECT
public:
    using Delivery = std::function<void(const QUuid& event, const QByteArray& payload)>;
    // Distinct payloads kept per batch; past it a kind is kept without one, which refreshes
    // every list of the kind (a window may ignore only the payloads it knows).
    static constexpr int MaxPending = 64;
    // At most one hand-over in this time: a flood costs the UI thread a few calls a second.
    static constexpr int HandOverMs = 25;

    // An empty key accepts every database (PostgreSQL: the channel belongs to the database).
    // Without a delivery the notices go to TMessageServer::receive. Lives on the UI thread.
    explicit NoticeInbox(QByteArray ownKey, Delivery delivery = {}, QObject* parent = nullptr);

    // Any thread. True when the datagram was a notice for this database.
    bool offerDatagram(QByteArrayView datagram);
    // Any thread: every kind registered gets a notice (notices were missed meanwhile).
    void offerEveryKind();

    quint64 checked() const { return m_checked.load(); }
    quint64 accepted() const { return m_accepted.load(); }
    quint64 handOvers() const { return m_handOvers.load(); }

private:
    void offer(const QUuid& event, const QByteArray& payload);
    void postLocked();
    void deliver();

    const QByteArray m_key;
    Delivery m_delivery;
    QMutex m_mutex;
    QSet<std::pair<QUuid, QByteArray>> m_pending;
    bool m_everyKind = false;
    bool m_posted = false;
    QElapsedTimer m_lastHandOver; // UI thread
    std::atomic<quint64> m_checked{0};
    std::atomic<quint64> m_accepted{0};
    std::atomic<quint64> m_handOvers{0};
};

} // namespace Tarvo::Messaging
