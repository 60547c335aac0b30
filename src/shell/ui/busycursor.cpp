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
            qApp, [self] { if (self) self->sync(); }, Qt::QueuedConnection);
    });
    qApp->installEventFilter(this);
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { m_thread->idle(); },
                Qt::DirectConnection);
    m_thread->start(QThread::LowPriority);
}

BusyCursor::~BusyCursor()
{
    qApp->removeEventFilter(this);
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
    g_instance->sync();
}

bool BusyCursor::eventFilter(QObject* watched, QEvent* event)
{
    m_thread->enterBusy();
    return QObject::eventFilter(watched, event);
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
