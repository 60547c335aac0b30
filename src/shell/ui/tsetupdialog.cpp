#include "shell/ui/tsetupdialog.h"

#include "core/exception.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QSizePolicy>
#include <QFormLayout>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Tarvo::Shell {

namespace {
QSpinBox* decimalsBox(int value)
{
    auto* box = new QSpinBox;
    box->setRange(0, ProgramParameters::MaxDecimals);
    box->setValue(value);
    // As wide as its largest value, not the whole row.
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return box;
}
} // namespace

TSetupDialog::TSetupDialog(QWidget* parent, QString path) : QDialog(parent), m_path(std::move(path))
{
    setWindowTitle(QStringLiteral("Настройка"));
    const ProgramParameters& p = ProgramParameters::current();
    auto* digits = new QGroupBox(QStringLiteral("Количество знаков после запятой"));
    auto* form = new QFormLayout(digits);
    m_quantity = decimalsBox(p.quantityDecimals);
    m_rouble = decimalsBox(p.roubleDecimals);
    m_currency = decimalsBox(p.currencyDecimals);
    form->addRow(QStringLiteral("В &количествах"), m_quantity);
    form->addRow(QStringLiteral("В &рублевых ценах и суммах"), m_rouble);
    form->addRow(QStringLiteral("В &валютных ценах и суммах"), m_currency);
    m_paint =
        new QCheckBox(QStringLiteral("&Подсвечивать в реестре заказов несоответсвие сумм и количеств"));
    m_paint->setChecked(p.paintOrdersInColor);
    m_paritet =
        new QCheckBox(QStringLiteral("&Новый артикул - макс. значение(для проц разбора прайс-листов)"));
    m_paritet->setChecked(p.paritetImportArtc);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(digits);
    layout->addWidget(m_paint);
    layout->addWidget(m_paritet);
    layout->addWidget(Widgets::DialogButtons(this, QStringLiteral("Ok"), QStringLiteral("Отмена")).box());
}

ProgramParameters TSetupDialog::parameters() const
{
    ProgramParameters p;
    p.quantityDecimals = m_quantity->value();
    p.roubleDecimals = m_rouble->value();
    p.currencyDecimals = m_currency->value();
    p.paintOrdersInColor = m_paint->isChecked();
    p.paritetImportArtc = m_paritet->isChecked();
    return p;
}

void TSetupDialog::accept()
{
    const ProgramParameters p = parameters();
    try {
        p.writeTo(m_path);
    } catch (const Exception& e) {
        // The dialog stays open so that nothing typed is lost.
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    ProgramParameters::setCurrent(p);
    QDialog::accept();
}

} // namespace Tarvo::Shell
