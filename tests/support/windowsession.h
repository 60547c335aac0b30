#pragma once

// The main window as the program opens it, over `db` as the main connection, with the windows a
// test needs registered. On the way out every window is closed, the boxes closing asks answered.
#include "catalog/boxanswers.h"
#include "data/engine/database.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"

#include <QDebug>
#include <QMdiArea>
#include <functional>

namespace Tarvo::Test {

struct WindowSession
{
    Data::Database& db;
    QList<QMessageBox::StandardButton> closingAnswers;
    Shell::MainWindow main{Shell::CommandLineSwitches({QStringLiteral("x")})};

    WindowSession(Data::Database& d, const std::function<void()>& registerWindows,
                  QList<QMessageBox::StandardButton> answers)
        : db(d), closingAnswers(std::move(answers))
    {
        Data::Database::setMain(&db);
        Shell::FormActivationRegistry::instance().clear();
        if (registerWindows)
            registerWindows();
        main.show();
        main.refreshMenus();
    }
    ~WindowSession()
    {
        BoxAnswers answers(closingAnswers);
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }
};

// The window's child of that name; a missing one is said in the log (the check then fails on null).
template <typename W> W* child(QWidget* w, const QString& name)
{
    W* c = w->findChild<W*>(name);
    if (!c)
        qWarning() << "no child" << name;
    return c;
}

} // namespace Tarvo::Test
