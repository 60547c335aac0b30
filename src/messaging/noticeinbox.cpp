#include "messaging/noticeinbox.h"

#include "messaging/noticedatagram.h"
#include "messaging/tmessageserver.h"

#include <QMetaObject>
#include <QTimer>

namespace Tarvo::Messaging {

NoticeInbox::NoticeInbox(QByteArray ownKey, Delivery delivery, QObject* parent)
    : QObject(parent), m_key(std::move(ownKey)), m_delivery(std::move(delivery))
{
    if (!m_delivery)
        m_delivery = [](const QUuid& event, const QByteArray& payload) {
            TMessageServer::instance().receive(event, payload);
        };
}

bool NoticeInbox::offerDatagram(QByteArrayView datagram)
{
    ++m_checked;
    const auto notice = NoticeDatagram::parse(datagram);
    // Paths on Linux differ in case, so the key is compared exactly.
    if (!notice || (!m_key.isEmpty() && notice->key != m_key))
        return false;
    ++m_accepted;
    offer(notice->event, notice->payload);
    return true;
}

void NoticeInbox::offer(const QUuid& event, const QByteArray& payload)
{
    QMutexLocker lock(&m_mutex);
    if (m_pending.size() < MaxPending || m_pending.contains({event, payload}))
        m_pending.insert({event, payload});
    else
        m_pending.insert({event, QByteArray()});
    postLocked();
}

void NoticeInbox::offerEveryKind()
{
    QMutexLocker lock(&m_mutex);
    m_everyKind = true;
    postLocked();
}

void NoticeInbox::postLocked()
{
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection);
}

void NoticeInbox::deliver()
{
    // Too soon after the last one: later, with what arrives meanwhile. The listener does not
    // post again while this one is owed.
    if (m_lastHandOver.isValid() && m_lastHandOver.elapsed() < HandOverMs) {
        QTimer::singleShot(int(HandOverMs - m_lastHandOver.elapsed()), this, [this] { deliver(); });
        return;
    }
    m_lastHandOver.start();
    QSet<std::pair<QUuid, QByteArray>> batch;
    bool everyKind = false;
    {
        QMutexLocker lock(&m_mutex);
        batch.swap(m_pending);
        std::swap(everyKind, m_everyKind);
        m_posted = false;
    }
    ++m_handOvers;
    if (everyKind)
        for (const QUuid& event : TMessageServer::instance().registeredEvents())
            batch.insert({event, QByteArray()});
    for (const auto& [event, payload] : batch)
        m_delivery(event, payload);
}

} // namespace Tarvo::Messaging
