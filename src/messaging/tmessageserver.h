#pragma once

#include "messaging/ichangereceiver.h"

#include <QByteArray>
#include <QList>
#include <QUuid>
#include <functional>
#include <memory>
#include <vector>

namespace Tarvo::Messaging {

// The change notices of the process: list windows register for a kind of document, senders
// announce a change after their save. Receivers are marked pending and refreshed on the next
// flush (the main window's refresh tick, or the next turn of the event loop after a local
// send), so several notices between two flushes cost one refresh. Main thread only; a
// transport between workstations feeds `receive` with what arrives from the others.
class TMessageServer
{
public:
    struct Entry
    {
        IChangeReceiver* receiver = nullptr;
        QUuid event;
        bool pending = false;
    };

    static TMessageServer& instance();

    Entry* registerReceiver(const QUuid& event, IChangeReceiver* receiver);
    // Null is ignored.
    void unregisterReceiver(Entry* entry);

    // Announces a change made here. Local receivers hear it like a notice from elsewhere.
    void sendChangeNotice(const QUuid& event, const QByteArray& payload = {});
    // A notice received: asks every matching receiver that is not pending yet.
    void receive(const QUuid& event, const QByteArray& payload = {});
    // Refreshes every pending receiver once and clears its flag.
    void flush();
    // While held (a long operation reading a list window's rows), flushes wait; the last release
    // delivers what came meanwhile.
    void hold();
    void release();
    bool isHeld() const { return m_held > 0; }

    // 0 "Выводить сообщение об изменениях", 1 "Обновлять окна" (the default).
    int updateMode() const { return m_mode; }
    void setUpdateMode(int mode) { m_mode = mode; }

    int receiverCount() const;
    // The kinds some receiver listens for, each once.
    QList<QUuid> registeredEvents() const;

    // The transport to other workstations (the network agent): hears every notice sent here,
    // after the local delivery. It never throws into the sender.
    using RemoteSender = std::function<void(const QUuid& event, const QByteArray& payload)>;
    void setRemoteSender(RemoteSender sender) { m_remote = std::move(sender); }

private:
    TMessageServer() = default;
    void endWalk();

    std::vector<std::unique_ptr<Entry>> m_entries;
    RemoteSender m_remote;
    int m_mode = IChangeReceiver::RefreshWindows;
    bool m_flushScheduled = false;
    int m_walking = 0;
    int m_held = 0;
};

// Unregisters on destruction: what a list window keeps while it listens.
class TChangeSubscription
{
public:
    TChangeSubscription() = default;
    TChangeSubscription(const QUuid& event, IChangeReceiver* receiver)
        : m_entry(TMessageServer::instance().registerReceiver(event, receiver))
    {}
    TChangeSubscription(const TChangeSubscription&) = delete;
    TChangeSubscription& operator=(const TChangeSubscription&) = delete;
    ~TChangeSubscription() { TMessageServer::instance().unregisterReceiver(m_entry); }

private:
    TMessageServer::Entry* m_entry = nullptr;
};

} // namespace Tarvo::Messaging
