#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QProgressBar;

namespace Tarvo::Shell {

// The window of TStatusMessage: two lines and a progress bar, no title-bar buttons.
class TfStatusMessage : public QDialog
{
    Q_OBJECT
public:
    TfStatusMessage();

    QLabel* lStatus;
    QLabel* lStatus1;
    QProgressBar* sb;
    // Hidden unless the operation can be cancelled (TStatusMessage::allowCancel).
    QPushButton* bCancel;
    bool cancelled = false;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace Tarvo::Shell
