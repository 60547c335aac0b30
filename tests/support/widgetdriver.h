#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace Tarvo::Test {

// Acts on the next modal dialog of type Dialog once it is shown, as a user would.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act)
{
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
        QPointer<QWidget> shown = QApplication::activeModalWidget();
        act(qobject_cast<Dialog*>(shown.data()));
        // A failed check leaves the dialog open: close it, or the test waits in its exec() until
        // the watchdog kills it instead of reporting the failure.
        if (QTest::currentTestFailed() && shown && shown->isVisible()) {
            if (auto* d = qobject_cast<QDialog*>(shown.data()))
                d->reject();
            else
                shown->close();
        }
    });
}

// The dialog's button with this caption, or nullptr.
inline QAbstractButton* button(QWidget* dialog, const QString& text)
{
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Clicks the dialog's button with this caption; fails the test when there is none.
inline void clickButton(QWidget* dialog, const QString& text)
{
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->text() == text) {
            b->click();
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

} // namespace Tarvo::Test

namespace Tarvo::Test {

// The control that has the keyboard focus now.
inline QWidget* focused()
{
    return QApplication::focusWidget();
}

// Presses Tab until `target` has the focus; fails when Tab never reaches it.
inline bool tabTo(QWidget* target)
{
    for (int i = 0; i < 60; ++i) {
        if (focused() == target)
            return true;
        QTest::keyClick(focused(), Qt::Key_Tab);
    }
    return false;
}

// The controls that Tab visits from the focused one, in order, until it comes back round.
inline QList<QWidget*> tabCycle()
{
    QList<QWidget*> seen;
    for (int i = 0; i < 60 && focused() && !seen.contains(focused()); ++i) {
        seen << focused();
        QTest::keyClick(focused(), Qt::Key_Tab);
    }
    return seen;
}

// Whether a screen reader can name the control: its own text, an accessible name or a label buddy.
inline bool isNamed(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
        return true;
    if (!w->accessibleName().isEmpty())
        return true;
    for (QLabel* l : w->window()->findChildren<QLabel*>())
        if (l->buddy() == w)
            return true;
    return false;
}

// Every control of the dialog that takes the focus by Tab is reached by Tab and named.
inline void checkTabReachesEveryControl(QWidget* dialog)
{
    const QList<QWidget*> cycle = tabCycle();
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled() || w->focusProxy())
            continue;
        QVERIFY2(cycle.contains(w), qPrintable(QStringLiteral("Tab never reaches ") + w->metaObject()->className() +
                                               QLatin1Char(' ') + w->objectName()));
        QVERIFY2(isNamed(w), qPrintable(QStringLiteral("no name or label for ") + w->metaObject()->className() +
                                        QLatin1Char(' ') + w->objectName()));
    }
}

} // namespace Tarvo::Test
