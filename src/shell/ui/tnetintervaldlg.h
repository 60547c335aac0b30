#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

namespace Tarvo::Shell {

// "Настройка обновлений": what a change notice does and how often they are collected.
class TNetIntervalDlg : public QDialog
{
    Q_OBJECT
public:
    enum Mode
    {
        ShowMessage = 0,
        RefreshWindows = 1
    };
    static constexpr int MaxPeriod = 10000;

    TNetIntervalDlg(int mode, int periodSeconds, QWidget* parent = nullptr);

    int mode() const;
    int period() const;
    QSpinBox* periodBox() const { return m_period; }

private:
    QRadioButton* m_message;
    QRadioButton* m_refresh;
    QSpinBox* m_period;
};

} // namespace Tarvo::Shell
