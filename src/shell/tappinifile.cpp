#include "shell/tappinifile.h"

#include "core/apppaths.h"

namespace Tarvo::Shell {

TAppIniFile::TAppIniFile(const QString& bareName) : IniFile(AppPaths::userFile(bareName)) {}

} // namespace Tarvo::Shell
