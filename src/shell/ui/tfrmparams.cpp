#include "shell/ui/tfrmparams.h"

#include "core/exception.h"
#include "widgets/dialogbuttons.h"

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
        // Only the list's values can be chosen; typing picks from the list.
        auto* combo = new QComboBox;
        combo->setObjectName(p.key);
        for (const TTDMParams::Choice& c : m_module.choices(p.key))
            combo->addItem(c.caption.isEmpty() ? c.value : c.caption, c.value);
        int i = combo->findData(value.trimmed());
        if (i < 0 && !value.trimmed().isEmpty()) {
            // A stored value that the list no longer holds stays until another is chosen.
            combo->addItem(QStringLiteral("%1 (нет в списке)").arg(value.trimmed()), value);
            i = combo->count() - 1;
        }
        combo->setCurrentIndex(i);
        m_lookups.insert(p.key, combo);
        form->addRow(p.label, combo);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Widgets::DialogButtons(this, QStringLiteral("Сохранить"), QStringLiteral("Отмена")).box());
}

QString TfrmParams::lookupValue(const QString& key) const
{
    const QComboBox* combo = m_lookups.value(key);
    const int i = combo->currentIndex();
    return i >= 0 ? combo->itemData(i).toString() : m_module.value(key);
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
