#pragma once

#include "messaging/noticesettings.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QUuid>
#include <functional>
#include <memory>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Messaging {

class NoticeInbox;
class PgNoticeListener;
class TMSWatchDog;
class UdpNoticeSender;

// The network agent: tells the other running instances on the same database what changed here,
// and feeds what they tell into the message server. On the embedded database: UDP datagrams to
// the configured addresses (the loopback broadcast by default) and the TMSWatchDog listener; on
// PostgreSQL: NOTIFY through the main connection and LISTEN on a connection of its own. A notice
// asked for inside a transaction goes when it commits and never after a rollback; identical
// notices within 100 ms go at most twice. A failed send is never the caller's failure: it is told
// once, through the warning hook and on standard error, until a send succeeds again.
class NoticeAgent : public QObject
{
    Q_OBJECT
public:
    static constexpr int CoalesceMs = 100;
    static const QString WarningText;

    // Starts listening at once; installs itself as the message server's remote sender.
    NoticeAgent(Data::Database& db, const NoticeSettings& settings, QObject* parent = nullptr);
    ~NoticeAgent() override;

    // The agent of the program, started after connecting and stopped before the connection closes.
    static void start(Data::Database& db, const NoticeSettings& settings);
    static void stop();
    static NoticeAgent* current();
    // Where the warning of a failed send is shown (the main window's status bar).
    static void setWarningHook(std::function<void(const QString&)> hook);

    // What the message server hands on after the local delivery.
    void send(const QUuid& event, const QByteArray& payload);

    const QByteArray& key() const { return m_key; }
    NoticeInbox* inbox() const { return m_inbox; }
    TMSWatchDog* watchDog() const { return m_watchDog.get(); }
    PgNoticeListener* listener() const { return m_listener.get(); }
    int sent() const { return m_sent; }
    int failures() const { return m_failures; }

private:
    struct Window
    {
        bool again = false;
    };
    void sendCoalesced(const QUuid& event, const QByteArray& payload);
    void closeWindow(const QUuid& event, const QByteArray& payload);
    void transmit(const QUuid& event, const QByteArray& payload);
    void warn(const QString& cause);

    Data::Database& m_db;
    const NoticeSettings m_settings;
    const QByteArray m_key;
    NoticeInbox* m_inbox;
    std::unique_ptr<UdpNoticeSender> m_sender;
    std::unique_ptr<TMSWatchDog> m_watchDog;
    std::unique_ptr<PgNoticeListener> m_listener;
    QHash<std::pair<QUuid, QByteArray>, Window> m_windows;
    bool m_warned = false;
    int m_sent = 0;
    int m_failures = 0;
};

} // namespace Tarvo::Messaging
