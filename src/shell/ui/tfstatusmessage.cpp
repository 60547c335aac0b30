#include "shell/ui/tfstatusmessage.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace Tarvo::Shell {

TfStatusMessage::TfStatusMessage()
    : QDialog(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      lStatus(new QLabel), lStatus1(new QLabel), sb(new QProgressBar),
      bCancel(new QPushButton(QStringLiteral("Отмена")))
{
    setMinimumSize(377, 91);
    lStatus1->setStyleSheet(QStringLiteral("color: navy"));
    sb->setRange(0, 100);
    sb->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lStatus);
    layout->addWidget(lStatus1);
    layout->addWidget(sb);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    bCancel->setVisible(false);
    connect(bCancel, &QPushButton::clicked, this, [this] { cancelled = true; });
    layout->addWidget(bCancel, 0, Qt::AlignRight);
    resize(minimumSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfStatusMessage::keyPressEvent(QKeyEvent* event)
{
    // Esc would close the window under a running operation: it cancels instead, when allowed.
    if (event->key() == Qt::Key_Escape) {
        if (bCancel->isVisible())
            cancelled = true;
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace Tarvo::Shell
