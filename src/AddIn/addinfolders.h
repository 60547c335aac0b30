#pragma once

#include <QStringList>

namespace Tarvo::AddIn {

// Where module libraries are looked for: the installed module folder (lib/tarvo/modules beside
// the program's bin; in the build tree its modules folder), then "tarvo.ini" [CLIENT]
// "MODULES DIR".
namespace AddInFolders {

QStringList folders();
// The absolute path of the bare file name in the first folder that holds it; empty when none.
QString locate(const QString& bareName);

} // namespace AddInFolders

} // namespace Tarvo::AddIn
