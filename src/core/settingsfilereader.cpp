#include "core/settingsfilereader.h"

#include <QFile>
#include <QFileInfo>

namespace Tarvo {

bool SettingsFileReader::read(const QString& path, QByteArray* data, QString* error)
{
    data->clear();
    error->clear();
    const QFileInfo info(path);
    const QString tooBig = QStringLiteral("файл больше %1 МБ").arg(MaxSize / (1024 * 1024));
    if (!info.exists()) {
        if (info.isSymLink())
            *error =
                QStringLiteral("ссылка указывает на несуществующий файл \"%1\"").arg(info.symLinkTarget());
        return false;
    }
    if (info.isDir())
        *error = QStringLiteral("это папка, а не файл");
    else if (!info.isFile())
        *error = QStringLiteral("это не обычный файл (канал, устройство или сокет)");
    else if (info.size() > MaxSize)
        *error = tooBig;
    if (!error->isEmpty())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("нет доступа на чтение (%1)").arg(f.errorString());
        return false;
    }
    // The file may have grown since it was looked at.
    QByteArray bytes = f.read(MaxSize + 1);
    if (f.error() != QFileDevice::NoError) {
        *error = QStringLiteral("ошибка чтения (%1)").arg(f.errorString());
        return false;
    }
    if (bytes.size() > MaxSize) {
        *error = tooBig;
        return false;
    }
    *data = std::move(bytes);
    return true;
}

} // namespace Tarvo
