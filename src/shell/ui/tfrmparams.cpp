#include "shell/ui/tfrmparams.h"

#include "core/exception.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
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
    // Parented by the layout below, after the fields above: the focus order follows.
    auto* othersBox = new QGroupBox(QStringLiteral("Другие параметры (модулей расширения)"));
    m_others = new QTableWidget(0, 2, othersBox);
    m_others->setObjectName(QStringLiteral("tableOtherParams"));
    m_others->setAccessibleName(othersBox->title());
    m_others->setHorizontalHeaderLabels({QStringLiteral("Параметр"), QStringLiteral("Значение")});
    m_others->horizontalHeader()->setStretchLastSection(true);
    m_others->verticalHeader()->hide();
    m_others->setMinimumHeight(140);
    for (auto it = m_module.others().cbegin(); it != m_module.others().cend(); ++it) {
        const int row = m_others->rowCount();
        m_others->insertRow(row);
        m_others->setItem(row, 0, new QTableWidgetItem(it.key()));
        m_others->setItem(row, 1, new QTableWidgetItem(it.value()));
    }
    auto* add = new QPushButton(QStringLiteral("Добавить параметр"), othersBox);
    add->setObjectName(QStringLiteral("btnAddParam"));
    auto* remove = new QPushButton(QStringLiteral("Удалить параметр"), othersBox);
    remove->setObjectName(QStringLiteral("btnRemoveParam"));
    connect(add, &QPushButton::clicked, this, &TfrmParams::addOther);
    connect(remove, &QPushButton::clicked, this, &TfrmParams::removeOther);
    auto* otherButtons = new QHBoxLayout;
    otherButtons->addWidget(add);
    otherButtons->addWidget(remove);
    otherButtons->addStretch();
    auto* othersLayout = new QVBoxLayout(othersBox);
    othersLayout->addWidget(m_others);
    othersLayout->addLayout(otherButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(othersBox, 1);
    layout->addWidget(Widgets::DialogButtons(this, QStringLiteral("Сохранить"), QStringLiteral("Отмена")).box());
}

void TfrmParams::addOther()
{
    const int row = m_others->rowCount();
    m_others->insertRow(row);
    m_others->setItem(row, 0, new QTableWidgetItem);
    m_others->setItem(row, 1, new QTableWidgetItem);
    m_others->setCurrentCell(row, 0);
    m_others->editItem(m_others->item(row, 0));
}

void TfrmParams::removeOther()
{
    const int row = m_others->currentRow();
    if (row >= 0)
        m_others->removeRow(row);
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
        QList<std::pair<QString, QString>> rows;
        for (int r = 0; r < m_others->rowCount(); ++r) {
            const auto text = [&](int c) { return m_others->item(r, c) ? m_others->item(r, c)->text() : QString(); };
            // A row added and left empty is no parameter.
            if (text(0).trimmed().isEmpty() && text(1).isEmpty())
                continue;
            rows.append({text(0), text(1)});
        }
        m_module.setOthers(rows);
        m_module.save();
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    QDialog::accept();
}

} // namespace Tarvo::Shell
