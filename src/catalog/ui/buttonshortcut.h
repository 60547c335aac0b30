#pragma once

#include <QAbstractButton>
#include <QAction>

namespace Tarvo::Catalog {

// A key that presses the button at once (a button's own shortcut clicks only after its
// animation), while the button is visible and enabled in the active window.
inline void bindShortcut(QAbstractButton* button, const QKeySequence& key)
{
    auto* a = new QAction(button);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    button->addAction(a);
    button->setToolTip(key.toString(QKeySequence::NativeText));
    QObject::connect(a, &QAction::triggered, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}

} // namespace Tarvo::Catalog
