#pragma once

#include <QObject>
#include <memory>

namespace Tarvo::Shell {

class TCursorThread;

// Connects the watchdog thread to the application: TarvoApplication::notify
// marks the UI thread busy while an event is handled, every wait of the event
// loop marks it idle, and the watchdog's verdict becomes the application's
// override cursor on the UI thread.
class BusyCursor : public QObject
{
    Q_OBJECT
public:
    static void install();
    static void uninstall();
    static BusyCursor* instance();
    // Normal cursor now.
    static void reset();

    TCursorThread* watchdog() const { return m_thread.get(); }

private:
    BusyCursor();
    ~BusyCursor() override;
    void sync();

    std::unique_ptr<TCursorThread> m_thread;
    bool m_applied = false;
};

} // namespace Tarvo::Shell
