#include "newLookup/ui/tfrmsetupcolumns.h"

#include "newLookup/tcollist.h"
#include "newLookup/ui/movebuttons.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace Tarvo::NewLookup {

TfrmSetupColumns::TfrmSetupColumns(const QList<TColInfo>& columns, QWidget* parent)
    : QDialog(parent), m_columns(columns)
{
    setWindowTitle(QStringLiteral("Настройка колонок"));
    auto* layout = new QGridLayout(this);
    auto* listLabel = new QLabel(QStringLiteral("&Колонки:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lbColumns"));
    listLabel->setBuddy(m_list);
    for (const TColInfo& c : std::as_const(m_columns)) {
        auto* item = new QListWidgetItem(c.caption, m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(c.visible ? Qt::Checked : Qt::Unchecked);
    }
    auto* captionLabel = new QLabel(QStringLiteral("Н&азвание"), this);
    m_caption = new QLineEdit(this);
    m_caption->setObjectName(QStringLiteral("edCaption"));
    captionLabel->setBuddy(m_caption);
    Widgets::DialogButtons buttons(this, QStringLiteral("Ok"), QStringLiteral("Отмена"));

    layout->addWidget(listLabel, 0, 0, 1, 2);
    layout->addWidget(m_list, 1, 0, 3, 1);
    layout->addLayout(moveButtons(this, Qt::Vertical, [this](int delta) { move(delta); }), 1, 1, 2, 1);
    layout->addWidget(captionLabel, 4, 0, 1, 2);
    layout->addWidget(m_caption, 5, 0, 1, 2);
    layout->addWidget(buttons.box(), 6, 0, 1, 2);

    connect(m_list, &QListWidget::currentRowChanged, this, &TfrmSetupColumns::showCurrent);
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = m_list->row(item);
        if (row >= 0 && row < m_columns.size())
            m_columns[row].visible = item->checkState() == Qt::Checked;
    });
    connect(m_caption, &QLineEdit::textEdited, this, &TfrmSetupColumns::captionEdited);
    if (!m_columns.isEmpty())
        m_list->setCurrentRow(0);
    m_list->setFocus();
}

void TfrmSetupColumns::showCurrent()
{
    const int row = m_list->currentRow();
    m_caption->setText(row >= 0 && row < m_columns.size() ? m_columns.at(row).caption : QString());
}

void TfrmSetupColumns::captionEdited(const QString& text)
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_columns.size())
        return;
    // A tab or line break would break the column's line in the settings file.
    const QString clean = TColInfo::cleanCaption(text);
    m_columns[row].caption = clean;
    const QSignalBlocker block(m_list);
    m_list->item(row)->setText(clean);
}

void TfrmSetupColumns::move(int delta)
{
    const int row = m_list->currentRow();
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= m_columns.size())
        return;
    m_columns.move(row, to);
    const QSignalBlocker block(m_list);
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(to, item);
    m_list->setCurrentRow(to);
}

bool TfrmSetupColumns::execute(TColList& list, QWidget* parent)
{
    list.collect();
    TfrmSetupColumns dialog(list.items(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    list.items() = dialog.columns();
    list.applyAll();
    return true;
}

} // namespace Tarvo::NewLookup
