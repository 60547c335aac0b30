#include "shell/ui/tnetintervaldlg.h"

#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Tarvo::Shell {

TNetIntervalDlg::TNetIntervalDlg(int mode, int periodSeconds, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Настройка обновлений"));
    auto* group = new QGroupBox(QStringLiteral("Что делается при обновлении"));
    m_message = new QRadioButton(QStringLiteral("Выводить &сообщение об изменениях"));
    m_refresh = new QRadioButton(QStringLiteral("&Обновлять окна"));
    (mode == RefreshWindows ? m_refresh : m_message)->setChecked(true);
    auto* modes = new QVBoxLayout(group);
    modes->addWidget(m_message);
    modes->addWidget(m_refresh);

    m_period = new QSpinBox;
    m_period->setRange(0, MaxPeriod);
    m_period->setValue(qBound(0, periodSeconds, MaxPeriod));
    m_period->setToolTip(QStringLiteral("0 — не обновлять"));
    m_period->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Период обновления, с"), m_period);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(form);
    layout->addWidget(Widgets::DialogButtons(this, QStringLiteral("OK"), QStringLiteral("Отмена")).box());
}

int TNetIntervalDlg::mode() const
{
    return m_refresh->isChecked() ? RefreshWindows : ShowMessage;
}

int TNetIntervalDlg::period() const
{
    return m_period->value();
}

} // namespace Tarvo::Shell
