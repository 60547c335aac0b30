#include "shell/storagecheck.h"

#include "core/exception.h"
#include "data/engine/connectionsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

namespace Tarvo::Shell {

namespace {
// The nearest folder above `path` that exists: the one whose rights to check.
QString existingAncestor(const QString& path)
{
    QFileInfo info(path);
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    return info.absoluteFilePath();
}

QString whyNotWritable(const QString& folder)
{
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.isReadOnly())
        return QStringLiteral("диск смонтирован только для чтения");
    if (disk.isValid() && disk.bytesAvailable() == 0)
        return QStringLiteral("на диске нет места");
    return QStringLiteral("нет прав на запись");
}
} // namespace

void StorageCheck::requireWritableDatabase(const Data::ConnectionSettings& settings)
{
    if (settings.engine != Data::Engine::SQLite)
        return;
    const QFileInfo file(settings.sqliteFile());
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder)) {
        const QString parent = existingAncestor(folder);
        throw Exception(QStringLiteral("Не удалось создать папку \"%1\" для базы данных: %2 в \"%3\". "
                                       "Проверьте права доступа к этой папке.")
                            .arg(QDir::toNativeSeparators(folder),
                                 QFileInfo(parent).isDir() ? whyNotWritable(parent)
                                                           : QStringLiteral("это файл, а не папка"),
                                 QDir::toNativeSeparators(parent)));
    }
    // SQLite also writes its journal beside the file, so the folder must take new files.
    QTemporaryFile probe(folder + QStringLiteral("/.tarvo-write-check-XXXXXX"));
    if (!probe.open())
        throw Exception(QStringLiteral("В папку базы данных \"%1\" нельзя записать (%2): программа не сможет "
                                       "сохранить ни одного изменения. Проверьте права на запись в эту папку.")
                            .arg(QDir::toNativeSeparators(folder), whyNotWritable(folder)));
    if (file.exists() && !file.isWritable())
        throw Exception(QStringLiteral("Файл базы данных \"%1\" доступен только для чтения: программа не "
                                       "сможет сохранить ни одного изменения. Проверьте права на запись в "
                                       "этот файл.")
                            .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
}

} // namespace Tarvo::Shell
