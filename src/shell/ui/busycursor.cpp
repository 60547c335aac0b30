#include "shell/ui/busycursor.h"

#include "shell/tcursorthread.h"
#include "shell/ui/x11busycursor.h"

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
    X11BusyCursor::init();
    m_thread = std::make_unique<TCursorThread>([self](bool busy) {
        // Drawn at once where the platform allows it from this thread; Qt's cursor follows.
        X11BusyCursor::apply(busy);
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
            dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            [this] {
                m_thread->idle();
                X11BusyCursor::publishWindows();
            },
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
    if (busy && !m_applied) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (!busy && m_applied) {
        QApplication::restoreOverrideCursor();
    } else if (!busy && X11BusyCursor::available()) {
        // The watch was drawn behind Qt's back: have Qt put its own cursors back.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QApplication::restoreOverrideCursor();
    }
    m_applied = busy;
}

} // namespace Tarvo::Shell
