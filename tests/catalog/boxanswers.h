#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace Tarvo::Test {

// Answers the message boxes that show up, one after the other, with the given buttons.
class BoxAnswers : public QObject
{
public:
    explicit BoxAnswers(QList<QMessageBox::StandardButton> buttons) : m_buttons(std::move(buttons))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == m_last || m_buttons.isEmpty())
                return;
            m_last = box;
            texts << box->text();
            box->button(m_buttons.takeFirst())->click();
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QList<QMessageBox::StandardButton> m_buttons;
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

} // namespace Tarvo::Test
