#include "shell/startup.h"

#include "data/engine/databaseerror.h"
#include "core/apppaths.h"
#include "core/exception.h"
#include "db/demodata.h"
#include "shell/connectionfailure.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Shell {

int Startup::run(const QStringList& arguments, const std::function<void(const QString&)>& showError)
{
    try {
        try {
            TDataBaseConnection::instance().connect(arguments);
        } catch (const Data::ConnectionError& e) {
            throw Exception(ConnectionFailure::message(
                e, ConnectionFailure::advice(TDataBaseConnection::instance().settings(), AppPaths::workstationIni())));
        }
        // A first start without settings shows the demo company instead of an empty program.
        // Asked on every start, not only for a new file: a first start killed after the
        // migrations left an empty file, which would otherwise stay empty for good.
        const TDataBaseConnection& connection = TDataBaseConnection::instance();
        if (connection.settings().isEmbeddedDefault())
            Data::DemoData::fillIfEmpty(*connection.connection());
        StartupSteps::runAll();
        return GoOn;
    } catch (const Abort&) {
        return 0;
    } catch (const Exception& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    return 1;
}

} // namespace Tarvo::Shell
