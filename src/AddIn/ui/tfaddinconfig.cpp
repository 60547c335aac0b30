#include "AddIn/ui/tfaddinconfig.h"

#include "AddIn/addinregistry.h"
#include "AddIn/ui/addinlistwidget.h"
#include "core/exception.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Tarvo::AddIn {

bool TfAddInConfig::sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0 || a.toCaseFolded() == b.toCaseFolded();
}

TfAddInConfig::TfAddInConfig(Data::Database& db, QWidget* parent) : QDialog(parent), m_db(db)
{
    setWindowTitle(QStringLiteral("Регистрация модулей расширения"));
    setObjectName(QStringLiteral("TfAddInConfig"));
    m_failed = DiscoverAddIns(m_discovered);
    m_stored.load(db, QString::fromUtf8(TAddInCollection::BlobName));

    const QStringList columns{QStringLiteral("Название"), QStringLiteral("Тип")};
    auto* allBox = new QGroupBox(QStringLiteral("Все модули расширения"), this);
    m_all = makeAddInList(allBox, QStringLiteral("listAllModules"), allBox->title(), columns);
    auto* add = new QPushButton(QStringLiteral("Добавить"), allBox);
    add->setObjectName(QStringLiteral("btnAdd"));
    auto* allLayout = new QVBoxLayout(allBox);
    allLayout->addWidget(m_all);
    allLayout->addWidget(add, 0, Qt::AlignLeft);

    auto* regBox = new QGroupBox(QStringLiteral("Зарегистрированные модули расширения"), this);
    m_registered = makeAddInList(regBox, QStringLiteral("listRegisteredModules"), regBox->title(), columns);
    auto* remove = new QPushButton(QStringLiteral("Удалить"), regBox);
    remove->setObjectName(QStringLiteral("btnRemove"));
    auto* regLayout = new QVBoxLayout(regBox);
    regLayout->addWidget(m_registered);
    regLayout->addWidget(remove, 0, Qt::AlignLeft);

    auto* failBox = new QGroupBox(QStringLiteral("Библиотеки, которые не загрузились"), this);
    m_failures = makeAddInList(failBox, QStringLiteral("listFailedLibraries"), failBox->title(),
                               {QStringLiteral("Файл"), QStringLiteral("Причина")});
    m_failures->setMinimumHeight(80);
    (new QVBoxLayout(failBox))->addWidget(m_failures);
    for (const AddInLoadFailure& f : m_failed)
        addRow(m_failures, {f.fileName, f.reason});
    failBox->setVisible(!m_failed.isEmpty());

    auto* lists = new QHBoxLayout;
    lists->addWidget(allBox);
    lists->addWidget(regBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(failBox);
    layout->addWidget(
        Widgets::DialogButtons(this, QStringLiteral("Сохранить"), QStringLiteral("Закрыть")).box());

    connect(add, &QPushButton::clicked, this, &TfAddInConfig::addSelected);
    connect(m_all, &QTreeWidget::itemDoubleClicked, this, &TfAddInConfig::addSelected);
    connect(remove, &QPushButton::clicked, this, &TfAddInConfig::removeSelected);
    fill();
}

void TfAddInConfig::fill()
{
    m_all->clear();
    for (int i = 0; i < m_discovered.count(); ++i) {
        const auto& item = m_discovered.item(i);
        addRow(m_all, {item.descr, AddInRegistry::AddInTypeName(item.type)});
    }
    m_registered->clear();
    for (int i = 0; i < m_stored.count(); ++i) {
        const auto& item = m_stored.item(i);
        addRow(m_registered, {item.descr, AddInRegistry::AddInTypeName(item.type)});
    }
}

void TfAddInConfig::addSelected()
{
    const int row = selectedRow(m_all);
    if (row < 0)
        return;
    const TAddInCollectionItem& chosen = m_discovered.item(row);
    for (int i = 0; i < m_stored.count(); ++i) {
        const auto& r = m_stored.item(i);
        if (r.type == chosen.type && sameName(r.descr, chosen.descr)) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Модуль с таким именем и типом зарегистрирован."));
            return;
        }
    }
    m_stored.append(chosen);
    fill();
    m_registered->setCurrentItem(m_registered->topLevelItem(m_registered->topLevelItemCount() - 1));
}

void TfAddInConfig::removeSelected()
{
    const int row = selectedRow(m_registered);
    if (row < 0)
        return;
    m_stored.remove(row);
    fill();
}

void TfAddInConfig::accept()
{
    try {
        const bool saved = m_stored.save(m_db, QString::fromUtf8(TAddInCollection::BlobName),
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
