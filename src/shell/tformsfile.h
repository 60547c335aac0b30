#pragma once

#include "shell/formplacement.h"
#include "shell/tappinifile.h"

namespace Tarvo::Shell {

// "forms.ini": window placements in section "DESKTOP" (one key per window
// class) and one section per window class for its own layout values.
class TFormsFile : public TAppIniFile
{
public:
    TFormsFile();

    static const QString Desktop;
    std::optional<FormPlacement> placement(const QString& className) const;
    void writePlacement(const QString& className, const FormPlacement& placement);
};

} // namespace Tarvo::Shell
