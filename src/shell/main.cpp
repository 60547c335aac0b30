#include "data/databaseerror.h"
#include "shell/commandlineswitches.h"
#include "shell/connectionfailure.h"
#include "shell/exception.h"
#include "shell/programparameters.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/busycursor.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/tarvoapplication.h"

#include <QTimer>

using namespace Tarvo;
using namespace Tarvo::Shell;

namespace {

// Connect, then the registered steps (rights catalog, login, filters, extensions,
// messaging, reports). Any failure is shown and ends the program; a cancelled
// login ends it silently.
void continueStartup()
{
    try {
        try {
            TDataBaseConnection::instance().connect(QApplication::arguments());
        } catch (const Data::ConnectionError& e) {
            throw Exception(ConnectionFailure::message(e));
        }
        StartupSteps::runAll();
    } catch (const Abort&) {
        QApplication::exit(0);
    } catch (const Exception& e) {
        TarvoApplication::showError(e.message());
        QApplication::exit(1);
    } catch (const std::exception& e) {
        TarvoApplication::showError(QString::fromUtf8(e.what()));
        QApplication::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    TarvoApplication app(argc, argv);

    int rc = 0;
    {
        CommandLineSwitches::setCurrent(CommandLineSwitches(QApplication::arguments()));
        ProgramParameters::setCurrent(ProgramParameters::readFrom(ProgramParameters::defaultPath()));
        MainWindow window;
        window.showMaximized();

        BusyCursor::install();
        QTimer::singleShot(0, &window, [&window] {
            continueStartup();
            window.refreshMenus();
        });
        rc = QApplication::exec();
        BusyCursor::uninstall();
    }
    TDataBaseConnection::instance().disconnect();
    return rc;
}
