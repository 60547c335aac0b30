#include "AddIn/addinfolders.h"

#include "core/apppaths.h"
#include "core/iniparamreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Tarvo::AddIn::AddInFolders {

QStringList folders()
{
    QStringList out;
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib/tarvo/modules"));
    if (QFileInfo(installed).isDir())
        out << QDir::cleanPath(installed);
#ifdef TARVO_BUILD_MODULES_DIR
    else if (QFileInfo(QStringLiteral(TARVO_BUILD_MODULES_DIR)).isDir())
        out << QStringLiteral(TARVO_BUILD_MODULES_DIR);
#endif
    const IniParamReader ini(AppPaths::workstationIni(), QCoreApplication::arguments());
    const QString configured =
        ini.readString(QStringLiteral("CLIENT"), QStringLiteral("MODULES DIR")).trimmed();
    if (!configured.isEmpty()) {
        const QString dir = QDir::cleanPath(QDir(configured).absolutePath());
        if (!out.contains(dir))
            out << dir;
    }
    return out;
}

QString locate(const QString& bareName)
{
    if (bareName.isEmpty() || bareName.contains(u'/') || bareName == QLatin1String("..") ||
        bareName == QLatin1String("."))
        return {};
    for (const QString& dir : folders()) {
        const QFileInfo f(QDir(dir).filePath(bareName));
        if (f.isFile())
            return f.absoluteFilePath();
    }
    return {};
}

} // namespace Tarvo::AddIn::AddInFolders
