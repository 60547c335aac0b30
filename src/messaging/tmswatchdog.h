#pragma once

#include <QThread>
#include <atomic>

namespace Tarvo::Messaging {

class NoticeInbox;

// The listener thread of the embedded database's notices: a UDP socket on the notice port, shared
// with the other instances of the machine (each hears a broadcast). It reads every datagram whole,
// drops one longer than a notice whole and the echo of this instance's own sending socket, and
// leaves the rest to the inbox. A port that cannot be bound is tried again after the retry
// interval; stop() ends the thread at once, also during that wait.
class TMSWatchDog : public QThread
{
    Q_OBJECT
public:
    static constexpr int DefaultRetryMs = 5 * 60 * 1000;

    TMSWatchDog(quint16 port, NoticeInbox* inbox, QObject* parent = nullptr);
    ~TMSWatchDog() override;

    // Datagrams from this port of a local address are this instance's own.
    void setOwnPort(quint16 port) { m_ownPort = port; }
    void setRetryInterval(int ms) { m_retryMs = ms; }
    void stop();

    bool isListening() const { return m_listening.load(); }
    int bindAttempts() const { return m_bindAttempts.load(); }
    quint64 received() const { return m_received.load(); }
    quint64 oversized() const { return m_oversized.load(); }
    quint64 echoes() const { return m_echoes.load(); }
    // Why the last bind failed (the system's text), empty while listening.
    QString bindError() const;

protected:
    void run() override;

private:
    int bindSocket();
    // Waits for the socket (or only the stop signal when fd < 0); false when stopping.
    bool waitReadable(int fd, int timeoutMs);
    void readAll(int fd);

    const quint16 m_port;
    NoticeInbox* m_inbox;
    int m_wakeFd = -1;
    std::atomic<int> m_retryMs{DefaultRetryMs};
    std::atomic<quint16> m_ownPort{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_listening{false};
    std::atomic<int> m_bindAttempts{0};
    std::atomic<quint64> m_received{0};
    std::atomic<quint64> m_oversized{0};
    std::atomic<quint64> m_echoes{0};
    std::atomic<int> m_bindErrno{0};
};

} // namespace Tarvo::Messaging
