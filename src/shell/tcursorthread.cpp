#include "shell/tcursorthread.h"

#include <chrono>

namespace Tarvo::Shell {

TCursorThread::TCursorThread(Applier applier, QObject* parent)
    : QThread(parent), m_applier(std::move(applier))
{
    setObjectName(QStringLiteral("TCursorThread"));
}

TCursorThread::~TCursorThread()
{
    stop();
    wait();
}

qint64 TCursorThread::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TCursorThread::enterBusy()
{
    if (m_nesting.fetch_add(1) == 0)
        m_busySince.store(nowMs());
    m_busy.store(true);
}

void TCursorThread::leaveBusy()
{
    int n = m_nesting.load();
    while (n > 0 && !m_nesting.compare_exchange_weak(n, n - 1)) {
    }
}

void TCursorThread::idle()
{
    m_nesting.store(0);
}

void TCursorThread::reset()
{
    m_nesting.store(0);
    m_busy.store(false);
    QMutexLocker lock(&m_mutex);
    m_signalled = true;
    m_wake.wakeAll();
}

void TCursorThread::stop()
{
    QMutexLocker lock(&m_mutex);
    m_stop = true;
    m_wake.wakeAll();
}

int TCursorThread::check()
{
    const bool busy = m_busy.load() && m_nesting.load() != 0;
    if (busy) {
        const qint64 waited = nowMs() - m_busySince.load();
        if (waited < BusyDelayMs)
            return int(qMax<qint64>(10, BusyDelayMs - waited));
        if (!m_shown.exchange(true) && m_applier)
            m_applier(true);
        return BusyIntervalMs;
    }
    if (m_shown.exchange(false) && m_applier)
        m_applier(false);
    m_busy.store(false);
    return IdleIntervalMs;
}

void TCursorThread::run()
{
    int interval = IdleIntervalMs;
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            if (!m_stop && !m_signalled)
                m_wake.wait(&m_mutex, interval);
            if (m_stop)
                break;
            m_signalled = false;
        }
        interval = check();
    }
    if (m_shown.exchange(false) && m_applier)
        m_applier(false);
}

} // namespace Tarvo::Shell
