#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Test {

// Points the per-user and configuration folders into `folder`, so tests never touch real files.
void isolateUserFolders(const QString& folder);

struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs one of the project's programs from the build tree (e.g. "tools/tarvo-admin").
ProgramRun runProgram(const QString& relativePath, const QStringList& arguments, int timeoutMs = 300000);

} // namespace Tarvo::Test
