#pragma once

#include <QStringList>
#include <functional>

namespace Tarvo::Shell {

// What runs at the first idle moment: connect, then the registered start-up steps.
class Startup
{
public:
    static constexpr int GoOn = -1;

    // Returns GoOn when the program may run, else the exit code to end with:
    // 1 after a failure (its message given to `showError`), 0 after a
    // cancelled login (nothing shown).
    static int run(const QStringList& arguments, const std::function<void(const QString&)>& showError);
};

} // namespace Tarvo::Shell
