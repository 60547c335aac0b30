#pragma once

namespace Tarvo::Shell {

// Qt's own texts (standard buttons, the edit fields' context menu, file dialogs)
// in Russian, from the translations installed with Qt ("qt6-translations-l10n").
class QtTranslation
{
public:
    // Installs the translation into the running application; false (with a
    // warning) when the translation files are missing.
    static bool install();
};

} // namespace Tarvo::Shell
