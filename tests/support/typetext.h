#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QtTest>

namespace Tarvo::Test {

// Types text into a widget key by key, as a user would; unlike QTest::keyClicks it takes any
// characters (Cyrillic included).
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Makes the window the active one, so that its shortcuts answer keys.
inline void activate(QWidget* window)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Presses a key in the widget of the active window (a modal dialog that closed may have left
// no window active). Processes no events first, so that a pending answer to the dialog the key
// opens does not run before it.
inline void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QApplication::activeWindow() != widget->window())
        QApplication::setActiveWindow(widget->window());
    QTest::keyClick(widget, key, modifiers);
}

} // namespace Tarvo::Test
