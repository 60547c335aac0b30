#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace Tarvo::Test {

// Types text into a widget key by key, as a user would; unlike QTest::keyClicks it takes any
// characters (Cyrillic included).
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace Tarvo::Test
