#pragma once

#include <QString>
#include <functional>

namespace Tarvo::Shell {

// The start-up steps that run at the first idle moment after connecting, in
// stage order and, within a stage, in registration order. Features register
// their steps before the event loop starts. A step fails by throwing
// Tarvo::Exception (shown, then the program ends) or Tarvo::Abort (a cancelled
// login: the program ends silently).
class StartupSteps
{
public:
    enum class Stage
    {
        RightsCatalog,
        Login,
        FilterModule,
        ExtensionMenu,
        ExtensionActions,
        Messaging,
        Reports
    };

    static void add(Stage stage, const QString& name, std::function<void()> step);
    static void runAll();
    static QStringList names();
    static void clear();
};

} // namespace Tarvo::Shell
