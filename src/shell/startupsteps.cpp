#include "shell/startupsteps.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace Tarvo::Shell {

namespace {
struct Step
{
    StartupSteps::Stage stage;
    QString name;
    std::function<void()> run;
};

std::vector<Step>& steps()
{
    static std::vector<Step> all;
    return all;
}

std::vector<Step> ordered()
{
    std::vector<Step> r = steps();
    std::stable_sort(r.begin(), r.end(), [](const Step& a, const Step& b) { return a.stage < b.stage; });
    return r;
}
} // namespace

void StartupSteps::add(Stage stage, const QString& name, std::function<void()> step)
{
    steps().push_back({stage, name, std::move(step)});
}

void StartupSteps::runAll()
{
    // A copy: a step may register further steps for a later start.
    for (const Step& s : ordered())
        s.run();
}

QStringList StartupSteps::names()
{
    QStringList r;
    for (const Step& s : ordered())
        r << s.name;
    return r;
}

void StartupSteps::clear()
{
    steps().clear();
}

} // namespace Tarvo::Shell
