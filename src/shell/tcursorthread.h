#pragma once

#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <atomic>
#include <functional>

namespace Tarvo::Shell {

// Watches the user-interface thread and tells `applier` (called on this
// thread) to show the busy cursor once the UI thread has been busy for half a
// second, and to restore it within 50 ms after the UI thread is idle again.
// The UI thread only writes two atomics through the hooks; no lock is taken
// on its side.
class TCursorThread : public QThread
{
public:
    using Applier = std::function<void(bool busy)>;

    static constexpr int BusyDelayMs = 500;
    static constexpr int IdleIntervalMs = 500;
    static constexpr int BusyIntervalMs = 50;

    explicit TCursorThread(Applier applier, QObject* parent = nullptr);
    ~TCursorThread() override;

    // UI thread: an event is about to be handled / has been handled.
    void enterBusy();
    void leaveBusy();
    // UI thread: the event loop is about to wait (idle notification).
    void idle();
    // UI thread: normal cursor now (after an error shown during a long operation).
    void reset();
    void stop();

    bool isBusyShown() const { return m_shown.load(); }

protected:
    void run() override;

private:
    static qint64 nowMs();
    // Returns the next wait in milliseconds.
    int check();

    Applier m_applier;
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_nesting{0};
    std::atomic<qint64> m_busySince{0};
    std::atomic<bool> m_shown{false};
    QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_stop = false;
    bool m_signalled = false;
};

} // namespace Tarvo::Shell
