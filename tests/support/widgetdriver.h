#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace Tarvo::Test {

// Acts on the next modal dialog of type Dialog once it is shown, as a user would.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act)
{
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
        act(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
    });
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
