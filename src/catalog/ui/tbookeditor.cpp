#include "catalog/ui/tbookeditor.h"
#include "catalog/ui/bookfields.h"
#include "catalog/ui/buttonshortcut.h"

#include "catalog/ui/gridedit.h"

#include "data/modules/tupdatedadodataset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TBookEditor::TBookEditor(const QString& caption, std::unique_ptr<Data::TUpdatedADODataSet> dataSet,
                         QWidget* parent)
    : QDialog(parent), m_dataSet(std::move(dataSet))
{
    setWindowTitle(caption);
    resize(640, 420);
    m_layout = new QVBoxLayout(this);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setAccessibleName(caption);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_layout->addWidget(m_grid);
    Widgets::DialogButtons buttons(this, u"Выход"_s, QString());
    m_add = buttons.addButton(u"Добавить"_s);
    m_save = buttons.addButton(u"Сохранить"_s);
    m_delete = buttons.addButton(u"Удалить"_s);
    bindShortcut(m_add, QKeySequence(Qt::Key_Insert));
    bindShortcut(m_save, QKeySequence(Qt::CTRL | Qt::Key_S));
    bindShortcut(m_delete, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(m_add, &QPushButton::clicked, this, &TBookEditor::addRecord);
    connect(m_save, &QPushButton::clicked, this, &TBookEditor::saveRecord);
    connect(m_delete, &QPushButton::clicked, this, &TBookEditor::deleteRecord);
    m_layout->addWidget(buttons.box());
    if (!m_dataSet->isActive())
        m_dataSet->open();
    m_grid->setRowSet(m_dataSet.get());
    BookFields::applyHidden(*m_dataSet, m_grid);
}

TBookEditor::~TBookEditor()
{
    m_grid->setRowSet(nullptr);
}

void TBookEditor::addRecord()
{
    commitGridEdit(m_grid);
    m_dataSet->checkBrowseMode();
    appendRow(m_grid, *m_dataSet);
    m_grid->setFocus();
}

void TBookEditor::saveRecord()
{
    commitGridEdit(m_grid);
    m_dataSet->checkBrowseMode();
}

void TBookEditor::deleteRecord()
{
    commitGridEdit(m_grid);
    if (m_dataSet->state() == Data::RowSetState::Insert) {
        m_dataSet->cancel();
        return;
    }
    if (m_dataSet->isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить запись ?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    m_dataSet->checkBrowseMode();
    m_dataSet->remove();
}

void TBookEditor::accept()
{
    saveRecord();
    QDialog::accept();
}

void TBookEditor::reject()
{
    if (m_dataSet->state() != Data::RowSetState::Browse)
        m_dataSet->cancel();
    QDialog::reject();
}

} // namespace Tarvo::Catalog
