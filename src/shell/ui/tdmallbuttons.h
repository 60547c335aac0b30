#pragma once

#include <QIcon>
#include <QSize>

namespace Tarvo::Shell {

// The icons shared by every toolbar: the desktop theme's icon where the theme
// has one, else the style's own, so that toolbars look alike in every window.
class TdmAllButtons
{
public:
    enum Action
    {
        New,
        Open,
        Edit,
        Delete,
        Save,
        Cancel,
        Refresh,
        Print,
        Find,
        Filter,
        Export,
        Close,
        Help
    };

    static QIcon icon(Action action);
    // Toolbars of registers use the large size, small toolbars of dialogs the small one.
    static QSize largeSize() { return {22, 22}; }
    static QSize smallSize() { return {16, 16}; }
};

} // namespace Tarvo::Shell
