#include "shell/ui/tfstatusmessage.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace Tarvo::Shell {

TfStatusMessage::TfStatusMessage()
    : QDialog(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      lStatus(new QLabel), lStatus1(new QLabel), sb(new QProgressBar)
{
    setMinimumSize(377, 91);
    lStatus1->setStyleSheet(QStringLiteral("color: navy"));
    sb->setRange(0, 100);
    sb->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lStatus);
    layout->addWidget(lStatus1);
    layout->addWidget(sb);
    resize(minimumSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace Tarvo::Shell
