#pragma once

#include <QString>

class QIcon;
class QMenu;
class QToolBar;
class QToolButton;

namespace Tarvo::Widgets {

// A toolbar button that opens a menu at a click. It is the toolbar's own button for an action,
// so it shows its caption and icon as the toolbar's style says, like the buttons beside it.
class ToolbarMenuButton
{
public:
    static QToolButton* add(QToolBar* bar, const QString& text, const QIcon& icon, QMenu* menu);
};

} // namespace Tarvo::Widgets
