#include "catalog/import/ui/tvwpriceimports.h"

#include "AddIn/ui/addinlistwidget.h"
#include "catalog/import/priceimportrun.h"
#include "catalog/import/ui/priceimportdialogs.h"
#include "catalog/import/ui/tedpricemappings.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "shell/programparameters.h"
#include "widgets/guardedcommand.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TvwPriceImports::TvwPriceImports(Data::Database& db, QWidget* parent) : QDialog(parent), m_db(db)
{
    setObjectName(u"TvwPriceImports"_s);
    setWindowTitle(u"Настройка импорта прайсов"_s);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"listImports"_s);
    m_list->setAccessibleName(u"Импорты прайс-листов"_s);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({u"Файл прайса"_s, u"Поставщик"_s, u"Импорт"_s});

    const auto button = [this](const QString& name, const QString& text, QKeySequence key) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        if (!key.isEmpty()) {
            b->setShortcut(key);
            b->setToolTip(u"%1 (%2)"_s.arg(text, key.toString(QKeySequence::NativeText)));
        }
        return b;
    };
    QPushButton* add = button(u"btnAdd"_s, u"Добавить"_s, QKeySequence(Qt::Key_Insert));
    QPushButton* edit = button(u"btnEdit"_s, u"Изменить"_s, QKeySequence(Qt::Key_F2));
    QPushButton* remove = button(u"btnRemove"_s, u"Удалить"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QPushButton* save = button(u"btnSave"_s, u"Сохранить"_s, QKeySequence::Save);
    QPushButton* run = button(u"btnRun"_s, u"Выполнить"_s, QKeySequence(Qt::Key_F9));
    QPushButton* close = button(u"btnClose"_s, u"Закрыть"_s, {});
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {add, edit, remove, save, run})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(760, 400);

    const auto guarded = [this](auto f) { return [this, f] { Widgets::guardedCommand(this, windowTitle(), [&] { (this->*f)(); }); }; };
    connect(add, &QPushButton::clicked, this, guarded(&TvwPriceImports::addEntry));
    connect(edit, &QPushButton::clicked, this, guarded(&TvwPriceImports::editEntry));
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, guarded(&TvwPriceImports::editEntry));
    connect(remove, &QPushButton::clicked, this, guarded(&TvwPriceImports::removeEntry));
    connect(save, &QPushButton::clicked, this, [this] { Widgets::guardedCommand(this, windowTitle(), [this] { saveList(); }); });
    connect(run, &QPushButton::clicked, this, guarded(&TvwPriceImports::runEntry));
    connect(close, &QPushButton::clicked, this, &TvwPriceImports::reject);

    m_imports.load(db);
    fill(0);
}

int TvwPriceImports::current() const
{
    return m_list->indexOfTopLevelItem(m_list->currentItem());
}

void TvwPriceImports::fill(int select)
{
    m_list->clear();
    for (const TFPPrice& p : m_imports.prices()) {
        QString supplier = p.supplierName;
        Data::Query q(m_db, u"select NAME_USER from _partner where N_USER = ?"_s);
        q.bindAll({p.supplierName}).exec();
        if (q.next() && !q.string(0).trimmed().isEmpty())
            supplier = q.string(0);
        new QTreeWidgetItem(m_list, {p.sourceName, supplier, p.prgName});
    }
    if (select >= 0 && select < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(select));
}

bool TvwPriceImports::editAt(int index)
{
    TedPriceMappings d(m_db, m_imports.prices()[index], this);
    if (d.exec() != QDialog::Accepted)
        return false;
    m_imports.prices()[index] = d.entry();
    m_modified = true;
    fill(index);
    return true;
}

void TvwPriceImports::addEntry()
{
    m_imports.prices().append(TFPPrice{});
    const int index = int(m_imports.prices().size()) - 1;
    if (!editAt(index)) {
        m_imports.prices().removeAt(index);
        fill(index - 1);
    }
}

void TvwPriceImports::editEntry()
{
    const int i = current();
    if (i >= 0)
        editAt(i);
}

void TvwPriceImports::removeEntry()
{
    const int i = current();
    if (i < 0)
        return;
    m_imports.prices().removeAt(i);
    m_modified = true;
    fill(std::min(i, int(m_imports.prices().size()) - 1));
}

bool TvwPriceImports::saveList()
{
    if (!m_imports.save(m_db, [this] { return AddIn::confirmOverwrite(this); }))
        return false;
    m_modified = false;
    return true;
}

void TvwPriceImports::runEntry()
{
    const int i = current();
    if (i < 0)
        throw Exception(u"Выберите импорт в списке"_s);
    PriceImportDialogs prompts(m_db, this, Shell::ProgramParameters::current().paritetImportArtc);
    PriceImportRun(m_db, prompts, quint64(winId())).run(m_imports.prices()[i]);
}

void TvwPriceImports::reject()
{
    if (m_modified) {
        const auto answer = QMessageBox::question(this, windowTitle(), u"Список импортов изменён. Сохранить изменения?"_s,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes &&
            !Widgets::guardedCommand(this, windowTitle(), [this] {
                if (!saveList())
                    throw Abort();
            }))
            return;
    }
    QDialog::reject();
}

} // namespace Tarvo::Catalog
