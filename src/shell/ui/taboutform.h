#pragma once

#include <QDialog>

namespace Tarvo::Shell {

// "О программе...".
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

} // namespace Tarvo::Shell
