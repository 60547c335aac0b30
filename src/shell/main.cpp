#include "AddIn/ui/addinregistration.h"
#include "BusOffer/offerdeleteprocedure.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "AcceptedOrders/ui/tvwaccordersregistration.h"
#include "Proformas/ui/tvproformainvoice.h"
#include "WayBills/ui/tviewwaybill.h"
#include "Payments/ui/tviewpayments.h"
#include "SupplierOrders/supplierorderdeleteprocedure.h"
#include "SupplierOrders/ui/tviewsupplierorderregistration.h"
#include "SupplierOrders/ui/tfsupplierorderregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "SupplierOrders/ui/tsupplierorderactivator.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/import/ui/priceimportwindows.h"
#include "catalog/ui/pricewindows.h"
#include "data/ui/saveerrorbox.h"
#include "newLookup/ui/columnsregistration.h"
#include "security/ui/securityregistration.h"
#include "otbor/ui/otbormodule.h"
#include "reports/ui/reportsregistration.h"
#include "messaging/noticeagent.h"
#include "messaging/noticesettings.h"
#include "messaging/tmessageserver.h"
#include "core/apppaths.h"
#include "shell/startupsteps.h"
#include "shell/commandlineswitches.h"
#include "shell/programparameters.h"
#include "shell/startup.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/busycursor.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tarvoapplication.h"

#include <QStatusBar>
#include <QTimer>

using namespace Tarvo::Shell;

int main(int argc, char** argv)
{
    // Without TZ the C library rereads the zone file for every local date-time,
    // which dominates reading large results.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    TarvoApplication app(argc, argv);
    Tarvo::Data::installSaveErrorBox();
    Tarvo::BusOffer::OfferDeleteProcedure::registerOnce();
    Tarvo::SupplierOrders::SupplierOrderDeleteProcedure::registerOnce();

    int rc = 0;
    {
        CommandLineSwitches::setCurrent(CommandLineSwitches(QApplication::arguments()));
        ProgramParameters::setCurrent(ProgramParameters::readFrom(ProgramParameters::defaultPath()));
        MenuHooks::useCaptionDictionary();
        Tarvo::Security::registerSecurity();
        Tarvo::NewLookup::registerColumnSettings();
        Tarvo::Catalog::registerCatalogWindows();
        Tarvo::Otbor::registerOtborModule();
        Tarvo::Catalog::registerPriceWindows();
        Tarvo::BusOffer::registerOfferEditor();
        Tarvo::SupplierOrders::TSupplierOrderActivator::registerEditor();
        Tarvo::BusOffer::registerOfferRegister();
        Tarvo::AcceptedOrders::registerAcceptedOrderRegister();
        Tarvo::SupplierOrders::registerSupplierOrderRegister();
        Tarvo::SupplierOrders::registerSupplierOrderForming();
        Tarvo::Reports::registerReports();
        Tarvo::AddIn::registerAddIns();
        Tarvo::Proformas::registerProformaRegister();
        Tarvo::WayBills::TviewWayBill::registerList();
        Tarvo::Payments::registerPayments();
        Tarvo::Catalog::registerPriceImportWindows();
        MenuHooks::setRefreshTick([](int mode) {
            auto& notices = Tarvo::Messaging::TMessageServer::instance();
            notices.setUpdateMode(mode);
            notices.flush();
        });
        // The other instances on the database hear of saves here once the database is known.
        StartupSteps::add(StartupSteps::Stage::Messaging, QStringLiteral("network agent"), [] {
            Tarvo::Messaging::NoticeAgent::start(
                *TDataBaseConnection::instance().connection(),
                Tarvo::Messaging::NoticeSettings::fromIni(Tarvo::AppPaths::workstationIni(), QApplication::arguments()));
        });
        MainWindow window;
        Tarvo::Messaging::NoticeAgent::setWarningHook(
            [&window](const QString& text) { window.statusBar()->showMessage(text); });
        window.showMaximized();
        BusyCursor::install();

        // The first turn of the event loop, once the window is on screen.
        QTimer::singleShot(0, &window, [&window] {
            const int exitCode = Startup::run(QApplication::arguments(), &TarvoApplication::showError);
            if (exitCode != Startup::GoOn)
                QApplication::exit(exitCode);
            else
                window.refreshMenus();
        });
        rc = QApplication::exec();
        Tarvo::Messaging::NoticeAgent::stop();
        Tarvo::Messaging::NoticeAgent::setWarningHook({});
        BusyCursor::uninstall();
    }
    TDataBaseConnection::instance().disconnect();
    return rc;
}
