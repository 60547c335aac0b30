#include "catalog/import/ui/tedpricemappings.h"

#include "AddIn/addinguid.h"
#include "AddIn/taddinsmanager.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "tarvo/addin.h"
#include "widgets/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString TedPriceMappings::DuplicateColumn = u"Колонка с таким номером уже существует"_s;

TedPriceMappings::TedPriceMappings(Data::Database& db, const TFPPrice& entry, QWidget* parent)
    : QDialog(parent), m_db(db), m_entry(entry), m_manager(AddIn::AddInsManager(db))
{
    setObjectName(u"TedPriceMappings"_s);
    setWindowTitle(u"Настройка колонок в прайсе"_s);

    m_path = new QLineEdit(m_entry.sourceName, this);
    m_path->setObjectName(u"editPath"_s);
    m_path->setReadOnly(true);
    m_path->setAccessibleName(u"Путь к файлу прайса поставщика"_s);
    auto* browse = new QPushButton(u"Обзор..."_s, this);
    browse->setObjectName(u"btnBrowse"_s);
    browse->setAutoDefault(false);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);

    m_suppliers = new QComboBox(this);
    m_suppliers->setObjectName(u"comboSupplier"_s);
    {
        Data::Query q(db, u"select n_user, name_user from _partner\nwhere my_organiz = ?\norder by name_user"_s);
        q.bindAll({u"Т"_s}).exec();
        while (q.next())
            m_suppliers->addItem(q.string(1).trimmed().isEmpty() ? q.string(0) : q.string(1), q.string(0));
    }
    m_suppliers->setCurrentIndex(m_suppliers->findData(m_entry.supplierName));

    m_modules = new QComboBox(this);
    m_modules->setObjectName(u"comboModule"_s);
    m_manager->setFilter(AddIn::Guid::toUuid(tarvo::ADDIN_TYPE_PRICE_IMPORT));
    for (int i = 0; i < m_manager->count(); ++i) {
        const auto& item = m_manager->item(i);
        m_modules->addItem(item.descr, i);
        if (item.dllname == m_entry.libName && item.initData == m_entry.initData)
            m_modules->setCurrentIndex(i);
    }
    if (m_modules->count() > 0 && m_entry.libName.isEmpty())
        m_modules->setCurrentIndex(-1);

    m_number = new QSpinBox(this);
    m_number->setObjectName(u"spinColumn"_s);
    m_number->setRange(0, 16383);
    m_number->setAccessibleName(u"Номер колонки"_s);
    m_letter = new QLabel(u"(A)"_s, this);
    m_names = new QComboBox(this);
    m_names->setObjectName(u"comboColumnName"_s);
    m_names->setAccessibleName(u"Колонки в прайсе"_s);
    m_names->setEditable(true); // a new kind of price may be typed as "ЦЕНА:<вид>"
    m_names->addItems(THostComponent::columnNames());
    {
        Data::Query q(db, u"select prn_name from scm_pricename order by prn_name"_s);
        q.exec();
        while (q.next())
            m_names->addItem(QString::fromUtf8(THostComponent::PricePrefix) + q.string(0));
    }
    auto* add = new QPushButton(u"Добавить"_s, this);
    add->setObjectName(u"btnAddColumn"_s);
    add->setAutoDefault(false);
    auto* remove = new QPushButton(u"Удалить"_s, this);
    remove->setObjectName(u"btnRemoveColumn"_s);
    remove->setAutoDefault(false);
    auto* columnRow = new QHBoxLayout;
    columnRow->addWidget(new QLabel(u"Номер колонки"_s, this));
    columnRow->addWidget(m_number);
    columnRow->addWidget(m_letter);
    columnRow->addWidget(new QLabel(u"Колонки в прайсе"_s, this));
    columnRow->addWidget(m_names, 1);
    columnRow->addWidget(add);
    columnRow->addWidget(remove);

    m_columns = new QTreeWidget(this);
    m_columns->setObjectName(u"listColumns"_s);
    m_columns->setRootIsDecorated(false);
    m_columns->setAccessibleName(u"Колонки прайса"_s);
    m_columns->setHeaderLabels({u"Номер"_s, u"Значение"_s});
    m_columns->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* form = new QFormLayout;
    form->addRow(u"Путь к файлу прайса поставщика"_s, pathRow);
    form->addRow(u"Поставщик"_s, m_suppliers);
    form->addRow(u"Программа обработки"_s, m_modules);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(columnRow);
    layout->addWidget(m_columns, 1);
    layout->addWidget(Widgets::DialogButtons(this, u"OK"_s, u"Отмена"_s).box());
    resize(640, 480);

    connect(browse, &QPushButton::clicked, this, &TedPriceMappings::chooseFile);
    connect(add, &QPushButton::clicked, this, &TedPriceMappings::addColumn);
    connect(remove, &QPushButton::clicked, this, &TedPriceMappings::removeColumn);
    connect(m_number, &QSpinBox::valueChanged, this,
            [this](int v) { m_letter->setText(u"(%1)"_s.arg(TFPPrice::columnLetter(v))); });
    fillColumns();
}

TedPriceMappings::~TedPriceMappings() = default;

void TedPriceMappings::chooseFile()
{
    const QString path =
        QFileDialog::getOpenFileName(this, u"Файл прайса поставщика"_s, m_path->text(), u"Все файлы (*)"_s);
    if (!path.isEmpty())
        m_path->setText(path);
}

void TedPriceMappings::fillColumns()
{
    m_columns->clear();
    for (const TColumnMapping& c : m_entry.columns)
        new QTreeWidgetItem(m_columns, {u"%1 (%2)"_s.arg(c.columnId).arg(TFPPrice::columnLetter(c.columnId)), c.name});
}

bool TedPriceMappings::addColumn()
{
    const QString name = m_names->currentText().trimmed();
    if (name.isEmpty())
        return false;
    for (const TColumnMapping& c : m_entry.columns)
        if (c.columnId == m_number->value()) {
            QMessageBox::warning(this, windowTitle(), DuplicateColumn);
            return false;
        }
    const QString prefix = QString::fromUtf8(THostComponent::PricePrefix);
    if (!THostComponent::columnNames().contains(name) && !(name.startsWith(prefix) && name.size() > prefix.size())) {
        QMessageBox::warning(this, windowTitle(),
                             u"«%1» не является колонкой прайса: выберите её из списка или введите «ЦЕНА:<вид цены>»"_s
                                 .arg(name));
        return false;
    }
    m_entry.columns << TColumnMapping{name, m_number->value()};
    fillColumns();
    m_number->setValue(m_number->value() + 1);
    return true;
}

void TedPriceMappings::removeColumn()
{
    const int row = m_columns->indexOfTopLevelItem(m_columns->currentItem());
    if (row < 0 || row >= m_entry.columns.size())
        return;
    m_entry.columns.removeAt(row);
    fillColumns();
}

void TedPriceMappings::accept()
{
    m_entry.sourceName = m_path->text();
    if (m_suppliers->currentIndex() >= 0)
        m_entry.supplierName = m_suppliers->currentData().toString();
    if (m_modules->currentIndex() >= 0) {
        const auto& item = m_manager->item(m_modules->currentData().toInt());
        m_entry.libName = item.dllname;
        m_entry.initData = item.initData;
        m_entry.prgName = item.descr;
    }
    QDialog::accept();
}

} // namespace Tarvo::Catalog
