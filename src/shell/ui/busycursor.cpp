#include "shell/ui/busycursor.h"

#include "shell/tcursorthread.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QPointer>

namespace Tarvo::Shell {

namespace {
BusyCursor* g_instance = nullptr;
}

BusyCursor::BusyCursor()
{
    QPointer<BusyCursor> self(this);
    // Called on the watchdog thread; Qt's cursor may only be changed on the UI
    // thread, so the cursor follows as soon as the UI thread handles events.
    m_thread = std::make_unique<TCursorThread>([self](bool) {
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self)
                    self->sync();
            },
            Qt::QueuedConnection);
    });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(
            dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { m_thread->idle(); },
            Qt::DirectConnection);
    m_thread->start(QThread::LowPriority);
}

BusyCursor::~BusyCursor()
{
    m_thread.reset();
    if (m_applied)
        QApplication::restoreOverrideCursor();
}

void BusyCursor::install()
{
    if (!g_instance)
        g_instance = new BusyCursor;
}

void BusyCursor::uninstall()
{
    delete g_instance;
    g_instance = nullptr;
}

BusyCursor* BusyCursor::instance()
{
    return g_instance;
}

void BusyCursor::reset()
{
    if (!g_instance)
        return;
    g_instance->m_thread->reset();
    // Not sync(): the watchdog may not have seen the reset yet.
    if (g_instance->m_applied)
        QApplication::restoreOverrideCursor();
    g_instance->m_applied = false;
}

void BusyCursor::sync()
{
    const bool busy = m_thread->isBusyShown();
    if (busy && !m_applied)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && m_applied)
        QApplication::restoreOverrideCursor();
    m_applied = busy;
}

} // namespace Tarvo::Shell
