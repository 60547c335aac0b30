#pragma once

#include "data/engine/connectionsettings.h"

#include <QThread>
#include <atomic>

struct pg_conn;

namespace Tarvo::Messaging {

class NoticeInbox;

// LISTEN on the notice channel over a connection of its own: the main connection re-opens after
// a loss (which ends a LISTEN) and is read through libpq around QtSql, which would take the
// notifications off the socket unseen. A quiet connection is checked every 30 s, since a dead
// one says nothing; a lost one is opened again with a growing pause, and after every LISTEN but
// the first each registered kind is refreshed once, for the notices missed meanwhile.
class PgNoticeListener : public QThread
{
    Q_OBJECT
public:
    static const char* const Channel;
    static constexpr int CheckMs = 30 * 1000;

    PgNoticeListener(Data::ConnectionSettings settings, NoticeInbox* inbox, QObject* parent = nullptr);
    ~PgNoticeListener() override;

    // Notifications from this backend (the main connection) are this instance's own.
    void setOwnBackend(int pid) { m_ownPid = pid; }
    void stop();

    int listens() const { return m_listens.load(); }
    int backendPid() const { return m_backendPid.load(); }
    quint64 echoes() const { return m_echoes.load(); }

protected:
    void run() override;

private:
    pg_conn* connectAndListen();
    // Waits for the socket (or only the stop signal when fd < 0): 1 readable, 0 time out, -1 stop.
    int wait(int fd, int timeoutMs);
    // Reads what arrived; false when the connection is gone.
    bool readNotifications(pg_conn* conn);

    const Data::ConnectionSettings m_settings;
    NoticeInbox* m_inbox;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_ownPid{0};
    std::atomic<int> m_listens{0};
    std::atomic<int> m_backendPid{0};
    std::atomic<quint64> m_echoes{0};
};

} // namespace Tarvo::Messaging
