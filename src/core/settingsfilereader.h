#pragma once

#include <QByteArray>
#include <QString>

namespace Tarvo {

// The read rule of every per-user settings file: only a regular file of at most MaxSize bytes is
// read. A FIFO would block the program until a writer comes, and a device such as /dev/zero never
// ends, so neither is opened.
class SettingsFileReader
{
public:
    static constexpr qint64 MaxSize = 16 * 1024 * 1024;

    // The whole file into `data`. False when it does not exist (`error` empty) or cannot be read
    // (`error` says why, in Russian, to follow the file's name).
    static bool read(const QString& path, QByteArray* data, QString* error);
};

} // namespace Tarvo
