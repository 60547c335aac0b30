#include "security/ui/securityregistration.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "security/currentuser.h"
#include "security/login.h"
#include "security/rights.h"
#include "security/rightscatalog.h"
#include "security/tdmusers.h"
#include "security/ui/tfenterlogin.h"
#include "security/ui/tfsecuritysetup.h"
#include "security/ui/tfusers.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

#include <QApplication>
#include <QMessageBox>

namespace Tarvo::Security {

void runLogin(QWidget* parent)
{
    Data::Database& db = *Data::Database::main();
    {
        TdmUsers firstUser(db);
    }
    const QStringList logins = Login::logins(db);
    const Data::ConnectionSettings& s = db.settings();
    const QString server = s.engine == Data::Engine::SQLite ? QStringLiteral("(локальная база)") : s.host;
    const QString database = s.engine == Data::Engine::SQLite && s.database.isEmpty()
                                 ? Data::ConnectionSettings::embeddedDatabasePath()
                                 : s.database;
    QString login = Shell::TDataBaseConnection::instance().proposedLogin();
    for (;;) {
        TfEnterLogin dialog(server, database, logins, login, parent);
        if (dialog.exec() != QDialog::Accepted)
            throw Abort();
        login = dialog.login();
        try {
            Login::makeCurrent(Login::check(db, dialog.login(), dialog.password()));
            return;
        } catch (const ELoginRefused& e) {
            QMessageBox::warning(parent, QApplication::applicationDisplayName(), e.message());
        }
    }
}

void registerSecurity()
{
    Shell::StartupSteps::add(Shell::StartupSteps::Stage::RightsCatalog, QStringLiteral("rights catalog"),
                             [] { RightsCatalog::update(*Data::Database::main()); });
    Shell::StartupSteps::add(Shell::StartupSteps::Stage::Login, QStringLiteral("login"),
                             [] { runLogin(Shell::MainWindow::instance()); });
    Shell::MenuHooks::setRightsCheck([](int right) {
        // A menu must open before the connection, and when the server does not answer; the item
        // then stays off.
        try {
            if (!CurrentUserId())
                return false;
            return HasRight(right);
        } catch (const Exception&) {
            return false;
        }
    });
    Shell::MenuHooks::setHandler(QStringLiteral("itemUsers"), [] {
        RequireRight(Right::Users);
        TfUsers::open();
    });
    Shell::MenuHooks::setHandler(QStringLiteral("itemSecurity"), [] {
        RequireRight(Right::Security);
        TfSecuritySetup dialog(Shell::MainWindow::instance());
        dialog.exec();
    });
}

} // namespace Tarvo::Security
