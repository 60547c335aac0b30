#include "messaging/tmessageserver.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

namespace Tarvo::Messaging {

TMessageServer& TMessageServer::instance()
{
    static TMessageServer server;
    return server;
}

TMessageServer::Entry* TMessageServer::registerReceiver(const QUuid& event, IChangeReceiver* receiver)
{
    auto entry = std::make_unique<Entry>();
    entry->receiver = receiver;
    entry->event = event;
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

void TMessageServer::unregisterReceiver(Entry* entry)
{
    if (!entry)
        return;
    // A receiver may go while a flush walks the list: it is only emptied here and dropped
    // by the walk, which keeps its own positions valid.
    entry->receiver = nullptr;
    entry->pending = false;
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [entry](const auto& e) { return e.get() == entry; });
    if (it != m_entries.end() && m_walking == 0)
        m_entries.erase(it);
}

void TMessageServer::receive(const QUuid& event, const QByteArray& payload)
{
    ++m_walking;
    // Registrations made by a receiver during the walk are heard from the next notice on.
    const size_t count = m_entries.size();
    try {
        for (size_t i = 0; i < count; ++i) {
            Entry& e = *m_entries[i];
            if (e.receiver && !e.pending && e.event == event)
                e.pending = e.receiver->notice(event, payload);
        }
    } catch (...) {
        endWalk();
        throw;
    }
    endWalk();
}

void TMessageServer::sendChangeNotice(const QUuid& event, const QByteArray& payload)
{
    receive(event, payload);
    // The sender's own lists should not wait for the refresh tick (which may be switched off).
    if (!m_flushScheduled && QCoreApplication::instance()) {
        m_flushScheduled = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [this] {
            m_flushScheduled = false;
            flush();
        });
    }
    if (m_remote)
        m_remote(event, payload);
}

void TMessageServer::hold()
{
    ++m_held;
}

void TMessageServer::release()
{
    if (m_held == 0 || --m_held > 0 || !QCoreApplication::instance())
        return;
    QTimer::singleShot(0, QCoreApplication::instance(), [this] {
        if (!isHeld())
            flush();
    });
}

void TMessageServer::flush()
{
    if (isHeld())
        return;
    ++m_walking;
    const size_t count = m_entries.size();
    try {
        for (size_t i = 0; i < count; ++i) {
            Entry& e = *m_entries[i];
            if (!e.receiver || !e.pending)
                continue;
            e.pending = false;
            e.receiver->refresh(e.event, m_mode);
        }
    } catch (...) {
        endWalk();
        throw;
    }
    endWalk();
}

int TMessageServer::receiverCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const auto& e) { return e->receiver != nullptr; }));
}

QList<QUuid> TMessageServer::registeredEvents() const
{
    QList<QUuid> events;
    for (const auto& e : m_entries)
        if (e->receiver && !events.contains(e->event))
            events << e->event;
    return events;
}

void TMessageServer::endWalk()
{
    if (--m_walking > 0)
        return;
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [](const auto& e) { return e->receiver == nullptr; }),
                    m_entries.end());
}

} // namespace Tarvo::Messaging
