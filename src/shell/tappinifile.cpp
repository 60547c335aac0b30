#include "shell/tappinifile.h"

#include "shell/apppaths.h"

namespace Tarvo::Shell {

TAppIniFile::TAppIniFile(const QString& bareName) : IniFile(AppPaths::userFile(bareName)) {}

} // namespace Tarvo::Shell
