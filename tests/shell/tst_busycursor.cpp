#include "shell/tcursorthread.h"
#include "shell/ui/busycursor.h"
#include "shell/ui/tarvoapplication.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutex>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace Tarvo::Shell;

namespace {
// Runs the real event loop (which waits, and so goes idle) for `ms`.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Watches the watchdog's verdict from a thread of its own and records each change.
class Observer
{
public:
    explicit Observer(const TCursorThread* watchdog) : m_watchdog(watchdog)
    {
        m_clock.start();
        m_thread = std::thread([this] {
            bool last = false;
            while (!m_stop.load()) {
                const bool now = m_watchdog->isBusyShown();
                if (now != last) {
                    QMutexLocker lock(&m_mutex);
                    m_changes.append({now, m_clock.elapsed()});
                    last = now;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~Observer()
    {
        m_stop = true;
        m_thread.join();
    }
    qint64 elapsed() const { return m_clock.elapsed(); }
    QList<std::pair<bool, qint64>> changes()
    {
        QMutexLocker lock(&m_mutex);
        return m_changes;
    }

private:
    const TCursorThread* m_watchdog;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop{false};
    QMutex m_mutex;
    QList<std::pair<bool, qint64>> m_changes;
    std::thread m_thread;
};
} // namespace

// TARVO_RUN_SERIAL: measures time windows of a few hundred milliseconds.
class BusyCursorTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { BusyCursor::install(); }
    void cleanup() { BusyCursor::uninstall(); }

    void handlerBlockingOneSecondShowsThenRestoresTheBusyCursor()
    {
        Observer observer(BusyCursor::instance()->watchdog());
        spin(700);
        QVERIFY(observer.changes().isEmpty()); // an idle program never shows it

        qint64 started = 0, finished = 0;
        QTimer::singleShot(0, [&] {
            started = observer.elapsed();
            QThread::msleep(1000);
            finished = observer.elapsed();
        });
        spin(1600);
        QVERIFY(finished > 0);
        const auto changes = observer.changes();
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes[0].first, true);
        QCOMPARE(changes[1].first, false);
        const QString timing = QStringLiteral("blocked %1..%2 ms, shown at %3, restored at %4")
                                   .arg(started)
                                   .arg(finished)
                                   .arg(changes[0].second)
                                   .arg(changes[1].second);
        // Shown after half a second, while the handler still blocks.
        QVERIFY2(changes[0].second >= started + 450 && changes[0].second < finished, qPrintable(timing));
        // Restored within half a second after it returns.
        QVERIFY2(changes[1].second >= finished && changes[1].second <= finished + 500, qPrintable(timing));
        QVERIFY(!QApplication::overrideCursor());
    }

    void shortHandlersNeverShowIt()
    {
        Observer observer(BusyCursor::instance()->watchdog());
        for (int i = 0; i < 6; ++i)
            QTimer::singleShot(i * 150, [] { QThread::msleep(120); });
        spin(1300);
        QVERIFY(observer.changes().isEmpty());
    }

    void modalLoopCountsAsIdle()
    {
        // A dialog's own event loop waits for the user: the program is not busy.
        Observer observer(BusyCursor::instance()->watchdog());
        QTimer::singleShot(0, [] { spin(1200); });
        spin(1500);
        QVERIFY(observer.changes().isEmpty());
    }

    void resetRestoresAtOnce()
    {
        QTimer::singleShot(0, [] {
            QThread::msleep(700);
            BusyCursor::reset(); // an error shown in the middle of a long operation
            QVERIFY(!QApplication::overrideCursor());
        });
        spin(900);
        QVERIFY(!QApplication::overrideCursor());
    }
};

int main(int argc, char** argv)
{
    TarvoApplication app(argc, argv);
    BusyCursorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_busycursor.moc"
