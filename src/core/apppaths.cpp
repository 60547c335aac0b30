#include "core/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Tarvo {

QString AppPaths::workstationIni()
{
    const QString name = QStringLiteral("tarvo.ini");
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    // A dangling link or a directory still counts as present: it is reported, not skipped.
    const auto present = [](const QString& path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    const QString user = config + QStringLiteral("/TarvoSCM/") + name;
    if (present(user))
        return user;
    const QString system = QStringLiteral("/etc/tarvo/") + name;
    if (present(system))
        return system;
    return user;
}

QString AppPaths::userFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = base + QStringLiteral("/TarvoSCM/");
    QDir().mkpath(folder);
    return folder;
}

QString AppPaths::userFile(const QString& name)
{
    const QString path = userFolder() + name;
    if (!QFile::exists(path)) {
        const QString seed = programFolder() + name;
        if (QFile::exists(seed))
            QFile::copy(seed, path);
    }
    return path;
}

QString AppPaths::programFolder()
{
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {app + QStringLiteral("/../share/tarvo/"),
                                     QStringLiteral(TARVO_SOURCE_DIR "/share/tarvo/")}) {
        if (QDir(candidate).exists())
            return QDir::cleanPath(candidate) + QLatin1Char('/');
    }
    return app + QLatin1Char('/');
}

} // namespace Tarvo
