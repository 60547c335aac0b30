#include "shell/ui/tarvoapplication.h"

#include "core/exception.h"
#include "shell/qttranslation.h"
#include "shell/tcursorthread.h"
#include "shell/ui/busycursor.h"

#include <QMessageBox>

namespace Tarvo::Shell {

TarvoApplication::TarvoApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("TarvoSCM"));
    setApplicationDisplayName(QStringLiteral("Тарво SCM"));
    setApplicationVersion(QStringLiteral("0.1.0"));
    // Ties the windows to the installed desktop entry (icon and name in the task bar).
    setDesktopFileName(QStringLiteral("tarvo-scm"));
    QtTranslation::install();
}

namespace {
// Marks the UI thread busy for the watchdog while one event is handled.
class BusyScope
{
public:
    BusyScope()
    {
        if (BusyCursor* b = BusyCursor::instance(); b && QThread::currentThread() == qApp->thread())
            m_watchdog = b->watchdog();
        if (m_watchdog)
            m_watchdog->enterBusy();
    }
    ~BusyScope()
    {
        if (m_watchdog)
            m_watchdog->leaveBusy();
    }

private:
    TCursorThread* m_watchdog = nullptr;
};
} // namespace

bool TarvoApplication::notify(QObject* receiver, QEvent* event)
{
    BusyScope busy;
    try {
        return QApplication::notify(receiver, event);
    } catch (const Abort&) {
    } catch (const Exception& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    return false;
}

void TarvoApplication::showError(const QString& message)
{
    QMessageBox::critical(activeWindow(), applicationDisplayName(), message);
}

} // namespace Tarvo::Shell
