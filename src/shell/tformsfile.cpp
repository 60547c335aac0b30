#include "shell/tformsfile.h"

namespace Tarvo::Shell {

const QString TFormsFile::Desktop = QStringLiteral("DESKTOP");

TFormsFile::TFormsFile() : TAppIniFile(QStringLiteral("forms.ini")) {}

std::optional<FormPlacement> TFormsFile::placement(const QString& className) const
{
    return FormPlacement::parse(readString(Desktop, className));
}

void TFormsFile::writePlacement(const QString& className, const FormPlacement& placement)
{
    writeString(Desktop, className, placement.toString());
}

} // namespace Tarvo::Shell
