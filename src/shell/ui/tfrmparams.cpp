#include "shell/ui/tfrmparams.h"

#include "core/exception.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace Tarvo::Shell {

TfrmParams::TfrmParams(Data::Database& db, QWidget* parent) : QDialog(parent), m_module(db)
{
    setWindowTitle(QStringLiteral("Параметры"));
    m_module.open();
    auto* form = new QFormLayout;
    for (const TTDMParams::Parameter& p : TTDMParams::parameters()) {
        const QString value = m_module.value(p.key);
        if (p.kind == TTDMParams::Kind::Flag) {
            auto* box = new QCheckBox(p.label);
            box->setObjectName(p.key);
            box->setChecked(TTDMParams::isTrue(value));
            m_flags.insert(p.key, box);
            form->addRow(box);
            continue;
        }
        auto* combo = new QComboBox;
        combo->setObjectName(p.key);
        // Editable, so a value can be typed where the lookup table is empty or absent.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const TTDMParams::Choice& c : m_module.choices(p.key))
            combo->addItem(c.caption.isEmpty() ? c.value : c.caption, c.value);
        const int i = combo->findData(value.trimmed());
        if (i >= 0)
            combo->setCurrentIndex(i);
        else
            combo->setEditText(value); // a value outside the list is kept, not lost
        m_lookups.insert(p.key, combo);
        form->addRow(p.label, combo);
    }
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString TfrmParams::lookupValue(const QString& key) const
{
    const QComboBox* combo = m_lookups.value(key);
    const int i = combo->currentIndex();
    if (i >= 0 && combo->itemText(i) == combo->currentText())
        return combo->itemData(i).toString();
    return combo->currentText().trimmed();
}

void TfrmParams::accept()
{
    for (auto it = m_lookups.cbegin(); it != m_lookups.cend(); ++it)
        m_module.setValue(it.key(), lookupValue(it.key()));
    for (auto it = m_flags.cbegin(); it != m_flags.cend(); ++it)
        m_module.setValue(it.key(), TTDMParams::flagText(it.value()->isChecked()));
    try {
        m_module.save();
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    QDialog::accept();
}

} // namespace Tarvo::Shell
