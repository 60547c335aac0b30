#pragma once

#include "shell/programparameters.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

namespace Tarvo::Shell {

// "Настройка": the workstation parameters of "scm_cfg.ini".
class TSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSetupDialog(QWidget* parent = nullptr, QString path = ProgramParameters::defaultPath());

    ProgramParameters parameters() const;
    void accept() override;

    QSpinBox* quantityDecimals() const { return m_quantity; }
    QSpinBox* roubleDecimals() const { return m_rouble; }
    QSpinBox* currencyDecimals() const { return m_currency; }
    QCheckBox* paintOrdersInColor() const { return m_paint; }
    QCheckBox* paritetImportArtc() const { return m_paritet; }

private:
    QString m_path;
    QSpinBox* m_quantity;
    QSpinBox* m_rouble;
    QSpinBox* m_currency;
    QCheckBox* m_paint;
    QCheckBox* m_paritet;
};

} // namespace Tarvo::Shell
