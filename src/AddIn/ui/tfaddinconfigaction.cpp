#include "AddIn/ui/tfaddinconfigaction.h"

#include "AddIn/addinregistry.h"
#include "AddIn/ui/addinlistwidget.h"
#include "core/exception.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Tarvo::AddIn {

TfAddinConfigAction::TfAddinConfigAction(Data::Database& db, QWidget* parent) : QDialog(parent), m_db(db)
{
    setWindowTitle(QStringLiteral("Регистрация действий программы"));
    setObjectName(QStringLiteral("TfAddinConfigAction"));
    const QList<AddInLoadFailure> failed = DiscoverAddIns(m_discovered);
    m_stored.load(db, QString::fromUtf8(TAddInActionCollection::BlobName));

    auto* actionBox = new QGroupBox(QStringLiteral("Действия программы"), this);
    m_actions = new QListWidget(actionBox);
    m_actions->setObjectName(QStringLiteral("listActions"));
    m_actions->setAccessibleName(actionBox->title());
    (new QVBoxLayout(actionBox))->addWidget(m_actions);
    for (const TAddInActionItem& a : AddInRegistry::actions())
        m_actions->addItem(a.name);

    auto* moduleBox = new QGroupBox(QStringLiteral("Модули расширения"), this);
    m_modules = makeAddInList(moduleBox, QStringLiteral("listModules"), moduleBox->title(),
                              {QStringLiteral("Название"), QStringLiteral("Тип")});
    auto* add = new QPushButton(QStringLiteral("Добавить"), moduleBox);
    add->setObjectName(QStringLiteral("btnAdd"));
    auto* moduleLayout = new QVBoxLayout(moduleBox);
    moduleLayout->addWidget(m_modules);
    moduleLayout->addWidget(add, 0, Qt::AlignLeft);

    auto* bindBox = new QGroupBox(QStringLiteral("Зарегистрированные действия программы"), this);
    m_bindings = makeAddInList(
        bindBox, QStringLiteral("listBindings"), bindBox->title(),
        {QStringLiteral("Действие"), QStringLiteral("Модуль расширения"), QStringLiteral("Тип модуля")});
    auto* remove = new QPushButton(QStringLiteral("Удалить"), bindBox);
    remove->setObjectName(QStringLiteral("btnRemove"));
    auto* bindLayout = new QVBoxLayout(bindBox);
    bindLayout->addWidget(m_bindings);
    bindLayout->addWidget(remove, 0, Qt::AlignLeft);

    auto* failBox = new QGroupBox(QStringLiteral("Библиотеки, которые не загрузились"), this);
    m_failures = makeAddInList(failBox, QStringLiteral("listFailedLibraries"), failBox->title(),
                               {QStringLiteral("Файл"), QStringLiteral("Причина")});
    m_failures->setMinimumHeight(80);
    (new QVBoxLayout(failBox))->addWidget(m_failures);
    for (const AddInLoadFailure& f : failed)
        addRow(m_failures, {f.fileName, f.reason});
    failBox->setVisible(!failed.isEmpty());

    auto* top = new QHBoxLayout;
    top->addWidget(actionBox);
    top->addWidget(moduleBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(bindBox, 1);
    layout->addWidget(failBox);
    layout->addWidget(
        Widgets::DialogButtons(this, QStringLiteral("Сохранить"), QStringLiteral("Закрыть")).box());

    connect(m_actions, &QListWidget::currentRowChanged, this, &TfAddinConfigAction::actionChosen);
    connect(add, &QPushButton::clicked, this, &TfAddinConfigAction::addBinding);
    connect(remove, &QPushButton::clicked, this, &TfAddinConfigAction::removeBinding);
    if (m_actions->count())
        m_actions->setCurrentRow(0);
    fillBindings();
}

void TfAddinConfigAction::actionChosen()
{
    const int row = m_actions->currentRow();
    m_discovered.setFilter(row >= 0 ? AddInRegistry::actions()[row].type : QUuid());
    m_modules->clear();
    if (row < 0)
        return;
    for (int i = 0; i < m_discovered.count(); ++i) {
        const auto& item = m_discovered.item(i);
        addRow(m_modules, {item.descr, AddInRegistry::AddInTypeName(item.type)});
    }
}

void TfAddinConfigAction::fillBindings()
{
    m_bindings->clear();
    for (int i = 0; i < m_stored.count(); ++i) {
        const auto& b = m_stored.item(i);
        addRow(m_bindings,
               {AddInRegistry::actionName(b.typeAction), b.descr, AddInRegistry::AddInTypeName(b.type)});
    }
}

void TfAddinConfigAction::addBinding()
{
    const int action = m_actions->currentRow();
    const int module = selectedRow(m_modules);
    if (action < 0 || module < 0) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Необходимо выбрать действие и модуль расширения."));
        return;
    }
    const QUuid actionId = AddInRegistry::actions()[action].action;
    for (const auto& b : m_stored.storedItems())
        if (b.typeAction == actionId) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Такое действие уже зарегистрированно."));
            return;
        }
    TAddInActionCollectionItem binding;
    static_cast<TAddInCollectionItem&>(binding) = m_discovered.item(module);
    binding.typeAction = actionId;
    m_stored.append(binding);
    fillBindings();
}

void TfAddinConfigAction::removeBinding()
{
    const int row = selectedRow(m_bindings);
    if (row < 0)
        return;
    m_stored.remove(row);
    fillBindings();
}

void TfAddinConfigAction::accept()
{
    try {
        const bool saved = m_stored.save(m_db, QString::fromUtf8(TAddInActionCollection::BlobName),
                                         [this] { return confirmOverwrite(this); });
        if (!saved)
            return;
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    QDialog::accept();
}

} // namespace Tarvo::AddIn
