#pragma once

#include "core/inifile.h"

namespace Tarvo::Shell {

// A settings file named by its bare name, under the per-user file rule.
class TAppIniFile : public IniFile
{
public:
    explicit TAppIniFile(const QString& bareName);
};

} // namespace Tarvo::Shell
