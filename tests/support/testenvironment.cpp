#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace Tarvo::Test {

void isolateUserFolders(const QString& folder)
{
    qputenv("XDG_DATA_HOME", (folder + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (folder + QStringLiteral("/config")).toUtf8());
    // Exported books go to the documents folder: the test's own, never the user's.
    QDir().mkpath(folder + QStringLiteral("/config"));
    QFile dirs(folder + QStringLiteral("/config/user-dirs.dirs"));
    if (!dirs.exists() && dirs.open(QIODevice::WriteOnly))
        dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(folder) + "/documents\"\n");
}

ProgramRun runProgram(const QString& relativePath, const QStringList& arguments, int timeoutMs)
{
    QProcess p;
    p.start(qEnvironmentVariable("TARVO_TEST_BINARY_DIR") + QLatin1Char('/') + relativePath, arguments);
    if (!p.waitForFinished(timeoutMs))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace Tarvo::Test
