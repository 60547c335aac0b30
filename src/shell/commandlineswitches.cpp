#include "shell/commandlineswitches.h"

namespace Tarvo::Shell {

namespace {
CommandLineSwitches& instance()
{
    static CommandLineSwitches switches;
    return switches;
}
} // namespace

CommandLineSwitches::CommandLineSwitches(const QStringList& arguments)
    : m_arguments(arguments), m_admin(has(QStringLiteral("ADMIN"))),
      m_serverCursor(has(QStringLiteral("SCR")))
{}

bool CommandLineSwitches::isSwitch(const QString& argument, const QString& name)
{
    if (argument.size() != name.size() + 1)
        return false;
    const QChar prefix = argument.front();
    if (prefix != QLatin1Char('-') && prefix != QLatin1Char('/') && prefix != QLatin1Char('\\'))
        return false;
    return QStringView(argument).mid(1).compare(name, Qt::CaseInsensitive) == 0;
}

bool CommandLineSwitches::has(const QString& name) const
{
    for (const QString& a : m_arguments)
        if (isSwitch(a, name))
            return true;
    return false;
}

const CommandLineSwitches& CommandLineSwitches::current()
{
    return instance();
}

void CommandLineSwitches::setCurrent(const CommandLineSwitches& switches)
{
    instance() = switches;
}

} // namespace Tarvo::Shell
