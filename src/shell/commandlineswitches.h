#pragma once

#include <QStringList>

namespace Tarvo::Shell {

// The process-wide switches "ADMIN" and "SCR", read once from the command line.
class CommandLineSwitches
{
public:
    CommandLineSwitches() = default;
    explicit CommandLineSwitches(const QStringList& arguments);

    // True when `argument` is "-", "/" or "\" followed by `name`, in any letter case.
    static bool isSwitch(const QString& argument, const QString& name);
    bool has(const QString& name) const;

    // Administrator mode: the counterparty reference book and the test menu.
    bool admin() const { return m_admin; }
    // Long product lists are read through the server-cursor connection.
    bool serverCursor() const { return m_serverCursor; }

    static const CommandLineSwitches& current();
    static void setCurrent(const CommandLineSwitches& switches);

private:
    QStringList m_arguments;
    bool m_admin = false;
    bool m_serverCursor = false;
};

} // namespace Tarvo::Shell
