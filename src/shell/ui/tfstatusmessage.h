#pragma once

#include <QDialog>

class QLabel;
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
};

} // namespace Tarvo::Shell
