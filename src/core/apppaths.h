#pragma once

#include <QString>

namespace Tarvo {

// Where the settings files live.
class AppPaths
{
public:
    // "tarvo.ini": the user's configuration folder, then /etc/tarvo; when
    // neither holds the file, the first location (so the file reads as empty).
    static QString workstationIni();
    // The per-user folder (created when missing), with a trailing separator.
    static QString userFolder();
    // Per-user file rule: the per-user path of `name`, first seeded from the
    // program folder's copy when the user has none (never overwriting).
    static QString userFile(const QString& name);
    // The program's own data folder: the install's share/tarvo, else the source tree's share.
    static QString programFolder();
};

} // namespace Tarvo
