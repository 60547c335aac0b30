#pragma once

// Opens every enabled item of the main menu in turn and hands each window it shows (an MDI child,
// or a modal dialog while it is up) to a check; closes it again (a dialog by Esc, a box by its
// default button). The main window must be shown and its menus refreshed.
#include "AddIn/ui/addinregistration.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "AcceptedOrders/ui/tvwaccordersregistration.h"
#include "Proformas/ui/tvproformainvoice.h"
#include "WayBills/ui/tviewwaybill.h"
#include "Payments/ui/tviewpayments.h"
#include "SupplierOrders/ui/tviewsupplierorderregistration.h"
#include "SupplierOrders/ui/tfsupplierorderregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "SupplierOrders/ui/tsupplierorderactivator.h"
#include "catalog/import/ui/priceimportwindows.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/pricewindows.h"
#include "data/engine/database.h"
#include "db/demodata.h"
#include "newLookup/ui/columnsregistration.h"
#include "otbor/tglobalotbors.h"
#include "otbor/ui/otbormodule.h"
#include "reports/ui/reportsregistration.h"
#include "security/rightscatalog.h"
#include "security/ui/securityregistration.h"
#include "shell/formactivationregistry.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace Tarvo::Test {

// The demo company in `db` (the main connection from now on), its first administrator logged in,
// no filter on, and every window of the menu registered, as the program starts.
inline void startDemoCompanyAsAdmin(Data::Database& db)
{
    Data::Database::setMain(&db);
    Data::DemoData::fill(db);
    Security::RightsCatalog::update(db);
    const int admin = db.scalar(QStringLiteral("select US_ID from CRM_USERS where US_LOGIN = ?"),
                                {QStringLiteral("Админ")})
                          .toInt();
    Shell::TDataBaseConnection::instance().setCurrentUser(admin, QStringLiteral("Админ"), QStringLiteral("Админ"),
                                                         QStringLiteral("Отдел закупок"));
    Otbor::TGlobalOtbors::instance().switchAllOff();
    Shell::FormActivationRegistry::instance().clear();
    Security::registerSecurity();
    NewLookup::registerColumnSettings();
    Catalog::registerCatalogWindows();
    Otbor::registerOtborModule();
    Catalog::registerPriceWindows();
    BusOffer::registerOfferEditor();
    SupplierOrders::TSupplierOrderActivator::registerEditor();
    BusOffer::registerOfferRegister();
    AcceptedOrders::registerAcceptedOrderRegister();
    SupplierOrders::registerSupplierOrderRegister();
    SupplierOrders::registerSupplierOrderForming();
    Reports::registerReports();
    AddIn::registerAddIns();
    Proformas::registerProformaRegister();
    WayBills::TviewWayBill::registerList();
    Payments::registerPayments();
    Catalog::registerPriceImportWindows();
}

struct MenuWindow
{
    QString item;     // the menu item's key
    QWidget* window;  // the dialog, or the MDI child's widget
    bool modal;
};

// Runs `check` on every window; returns the problems it reports, each prefixed by the item's key.
// `opened` lists what was opened (at least one window per item that opened one).
inline QStringList walkMenuWindows(Shell::MainWindow& main, const std::function<QStringList(const MenuWindow&)>& check,
                                   QStringList* opened = nullptr)
{
    QStringList problems;
    for (QAction* item : main.findChildren<QAction*>()) {
        const QString key = item->objectName();
        if (!key.startsWith(QLatin1String("item")) || item->menu() || !item->isEnabled() ||
            key == QLatin1String("itemExit"))
            continue;
        QTimer watch;
        QList<QWidget*> seen;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || seen.contains(modal))
                return;
            seen << modal;
            if (opened)
                *opened << key + QStringLiteral(" (модальное: ") + modal->windowTitle() + QLatin1Char(')');
            // Shown is not yet active: a dialog slow to build meets this timer before its activation,
            // and qWaitForWindowActive already holds for a dialog while its parent window is active.
            // Until the dialog has the activation itself, the keys go to the main window.
            if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == modal; }))
                problems << key + QStringLiteral(": the window never became active");
            else if (!qobject_cast<QMessageBox*>(modal))
                for (const QString& p : check({key, modal, true}))
                    problems << key + QStringLiteral(": ") + p;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, Qt::Key_Escape);
            if (modal->isVisible()) {
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    box->defaultButton() ? box->defaultButton()->click() : box->reject();
                else if (auto* d = qobject_cast<QDialog*>(modal))
                    d->reject();
            }
        });
        watch.start(20);
        const QList<QMdiSubWindow*> before = main.mdiArea()->subWindowList();
        item->trigger();
        QCoreApplication::processEvents();
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            if (before.contains(sub))
                continue;
            if (opened)
                *opened << key + QStringLiteral(": ") + sub->widget()->windowTitle();
            // The modal windows before took the activation away.
            QApplication::setActiveWindow(&main);
            if (!QTest::qWaitForWindowActive(&main))
                problems << key + QStringLiteral(": the main window never became active");
            main.mdiArea()->setActiveSubWindow(sub);
            for (const QString& p : check({key, sub->widget(), false}))
                problems << key + QStringLiteral(": ") + p;
            // A window left open (a browsing reference book refuses the close) would stand in the
            // main window's Tab ring of every later item.
            if (!sub->close())
                delete sub;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        watch.stop();
        if (QApplication::activeModalWidget())
            problems << key + QStringLiteral(" left a modal window open");
    }
    return problems;
}

} // namespace Tarvo::Test
