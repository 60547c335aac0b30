#include "widgets/toolbarmenubutton.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace Tarvo::Widgets {

QToolButton* ToolbarMenuButton::add(QToolBar* bar, const QString& text, const QIcon& icon, QMenu* menu)
{
    auto* action = new QAction(icon, text, bar);
    action->setMenu(menu);
    bar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return button;
}

} // namespace Tarvo::Widgets
