#include "shell/ui/tstatusmessage.h"

#include "shell/ui/tfstatusmessage.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace Tarvo::Shell {

TStatusMessage::TStatusMessage() : m_window(std::make_unique<TfStatusMessage>()) {}

TStatusMessage::~TStatusMessage() = default;

void TStatusMessage::setCaption(const QString& caption)
{
    if (m_window->windowTitle() == caption)
        return;
    m_window->setWindowTitle(caption);
    m_window->repaint();
}

void TStatusMessage::setStatus(const QString& text)
{
    if (m_window->lStatus->text() == text)
        return;
    m_window->lStatus->setText(text);
    m_window->repaint();
}

void TStatusMessage::setStatus1(const QString& text)
{
    if (m_window->lStatus1->text() == text)
        return;
    m_window->lStatus1->setText(text);
    m_window->repaint();
}

void TStatusMessage::setMaximum(int maximum)
{
    if (m_window->sb->maximum() == maximum)
        return;
    m_window->sb->setMaximum(maximum);
    m_window->repaint();
}

void TStatusMessage::setPosition(int position)
{
    if (m_window->sb->value() == position)
        return;
    m_window->sb->setValue(position);
    m_window->repaint();
}

void TStatusMessage::show()
{
    m_window->show();
    m_window->repaint();
}

void TStatusMessage::allowCancel()
{
    m_window->bCancel->setVisible(true);
    m_window->adjustSize();
}

bool TStatusMessage::cancelled() const
{
    return m_window->cancelled;
}

} // namespace Tarvo::Shell
