// Another client on the same database, for the two-process notice tests. Connects as the program
// does (tarvo.ini with NAME=VALUE overrides), logs in as the demo administrator, opens the request
// register from the main menu and starts the network agent. It prints a line for what a test waits on:
//   ready | heard <accepted> <checked> | refresh <status text> | has <id> yes|no | saved <id> | pong
// and takes commands on standard input:
//   has <id> | new | settings <mode> <period> | ping | quit
#include "BusOffer/offerlist.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tedbuisinesoffer.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "core/apppaths.h"
#include "messaging/changeevents.h"
#include "messaging/noticeagent.h"
#include "messaging/noticeinbox.h"
#include "messaging/pgnoticelistener.h"
#include "messaging/tmessageserver.h"
#include "messaging/tmswatchdog.h"
#include "otbor/tglobalotbors.h"
#include "security/login.h"
#include "shell/commandlineswitches.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tnetintervaldlg.h"
#include "widgets/tdatagrid.h"
#include "BusOffer/ourpricechooser.h"
#include "support/typetext.h"
#include "support/widgetdriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// Prints each refresh of the kind after the register's own (registered after it).
struct RefreshLog : Messaging::IChangeReceiver
{
    BusOffer::TviewBusinesOffers* reg = nullptr;
    void refresh(const QUuid&, int) override { say(u"refresh "_s + reg->statusText()); }
};

template <typename Dialog> void whenShown(std::function<void(Dialog*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            act(d);
        }
    });
    timer->start(10);
}

} // namespace

int run();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    try {
        return run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "notice_peer: %s\n", e.what());
        return 2;
    }
}

int run()
{
    const QStringList args = QApplication::arguments();
    auto& connection = Shell::TDataBaseConnection::instance();
    connection.connect(args);
    Data::Database& db = *connection.connection();
    Security::Login::makeCurrent(Security::Login::check(db, u"Админ"_s, QString()));

    // Every request shows, whatever its date or state.
    Otbor::TGlobalOtbors::instance().switchAllOff();
    BusOffer::registerOfferEditor();
    BusOffer::registerOfferRegister();
    Shell::MenuHooks::setRefreshTick([](int mode) {
        auto& notices = Messaging::TMessageServer::instance();
        notices.setUpdateMode(mode);
        notices.flush();
    });
    int rc = 0;
    {
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<BusOffer::TviewBusinesOffers>(main.mdiArea());
        RefreshLog log;
        log.reg = reg;
        Messaging::TChangeSubscription subscription(Messaging::ChangeEvents::BusinessOffers, &log);
        Messaging::NoticeAgent::start(db, Messaging::NoticeSettings::fromIni(AppPaths::workstationIni(), args));
        auto* agent = Messaging::NoticeAgent::current();

        QTimer watch;
        bool ready = false;
        quint64 checked = 0;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const bool listening =
                agent->watchDog() ? agent->watchDog()->isListening() : agent->listener()->listens() > 0;
            if (listening && !ready)
                say(u"ready"_s);
            ready = ready || listening;
            if (agent->inbox()->checked() != checked) {
                checked = agent->inbox()->checked();
                say(u"heard %1 %2"_s.arg(agent->inbox()->accepted()).arg(checked));
            }
        });
        watch.start(10);

        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QByteArray pending;
        QObject::connect(&input, &QSocketNotifier::activated, [&] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                QApplication::exit(0);
                return;
            }
            pending.append(buffer, n);
            for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
                const QStringList cmd = QString::fromUtf8(pending.left(end)).split(u' ', Qt::SkipEmptyParts);
                pending.remove(0, end + 1);
                if (cmd.isEmpty())
                    continue;
                if (cmd[0] == u"quit"_s) {
                    QApplication::exit(0);
                } else if (cmd[0] == u"ping"_s) {
                    say(u"pong"_s);
                } else if (cmd[0] == u"has"_s) {
                    const qint64 id = cmd[1].toLongLong();
                    say(u"has %1 %2"_s.arg(cmd[1], reg->list().locateOffer(id) ? u"yes"_s : u"no"_s));
                } else if (cmd[0] == u"new"_s) {
                    main.menuItem(u"itemNewBusinessOffer"_s)->trigger();
                    auto* editor = Test::mdiWindow<BusOffer::TedBuisinesOffer>(main.mdiArea());
                    auto* person = editor->findChild<QComboBox*>(u"cbPerson"_s);
                    person->setFocus();
                    Test::press(person, Qt::Key_Down);
                    Test::press(person, Qt::Key_S, Qt::ControlModifier);
                    say(u"saved %1"_s.arg(editor->document().bofId()));
                } else if (cmd[0] == u"settings"_s) {
                    const int mode = cmd[1].toInt(), period = cmd[2].toInt();
                    whenShown<Shell::TNetIntervalDlg>([mode, period](Shell::TNetIntervalDlg* d) {
                        const QList<QRadioButton*> choices = d->findChildren<QRadioButton*>();
                        choices[mode == 0 ? 0 : 1]->setChecked(true);
                        d->periodBox()->setValue(period);
                        d->accept();
                        say(u"set"_s);
                    });
                    main.menuItem(u"itemNetInterval"_s)->trigger();
                }
            }
        });
        rc = QApplication::exec();
        Messaging::NoticeAgent::stop();
        main.mdiArea()->closeAllSubWindows();
    }
    connection.disconnect();
    return rc;
}
