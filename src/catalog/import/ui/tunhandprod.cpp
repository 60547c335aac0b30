#include "catalog/import/ui/tunhandprod.h"

#include "catalog/import/pricenewproduct.h"
#include "catalog/import/ui/tfanalogselection.h"
#include "catalog/import/unhandledproducts.h"
#include "core/exception.h"
#include "shell/programparameters.h"
#include "widgets/guardedcommand.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TUnHandProd::TUnHandProd(Data::Database& db, QWidget* parent) : QDialog(parent), m_db(db)
{
    setObjectName(u"TUnHandProd"_s);
    setWindowTitle(u"Разбор прайс-листов"_s);
    m_suppliers = new QComboBox(this);
    m_suppliers->setObjectName(u"comboSupplier"_s);
    auto* label = new QLabel(u"Поставщик:"_s, this);
    label->setBuddy(m_suppliers);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_suppliers, 1);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"listUnhandled"_s);
    m_list->setAccessibleName(u"Отложенные артикулы"_s);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({u"Артикул"_s, u"Наименование"_s, u"Цена"_s, u"Валюта"_s});

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
    QPushButton* match = button(u"btnMatch"_s, u"Сопоставить"_s, QKeySequence(Qt::Key_F3));
    QPushButton* create = button(u"btnNew"_s, u"Новая"_s, QKeySequence(Qt::Key_Insert));
    QPushButton* remove = button(u"btnRemove"_s, u"Удалить"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QPushButton* byArticle = button(u"btnMatchByArticle"_s, u"Сопоставить по артикулу"_s, {});
    QPushButton* close = button(u"btnClose"_s, u"Закрыть"_s, {});
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {match, create, remove, byArticle})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(760, 480);

    const auto guarded = [this](void (TUnHandProd::*f)()) {
        return [this, f] { Widgets::guardedCommand(this, windowTitle(), [&] { (this->*f)(); }); };
    };
    connect(match, &QPushButton::clicked, this, guarded(&TUnHandProd::matchCurrent));
    connect(m_list, &QTreeWidget::itemActivated, this, guarded(&TUnHandProd::matchCurrent));
    connect(create, &QPushButton::clicked, this, guarded(&TUnHandProd::newProduct));
    connect(remove, &QPushButton::clicked, this, guarded(&TUnHandProd::removeCurrent));
    connect(byArticle, &QPushButton::clicked, this, guarded(&TUnHandProd::matchByArticle));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_suppliers, &QComboBox::currentIndexChanged, this, [this] {
        Widgets::guardedCommand(this, windowTitle(), [this] { reload(); });
    });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (m_more && v >= m_list->verticalScrollBar()->maximum() - 5)
            Widgets::guardedCommand(this, windowTitle(), [this] { readMore(); });
    });

    for (const auto& [id, nuser, name] : UnhandledProducts::suppliers(db))
        m_suppliers->addItem(name.trimmed().isEmpty() ? nuser : name, id);
    if (m_suppliers->count() == 0)
        reload();
}

TUnHandProd::~TUnHandProd() = default;

TfAnalogSelection* TUnHandProd::selection()
{
    if (!m_selection)
        m_selection = std::make_unique<TfAnalogSelection>(m_db, this);
    return m_selection.get();
}

qint64 TUnHandProd::supplier() const
{
    return m_suppliers->currentIndex() >= 0 ? m_suppliers->currentData().toLongLong() : 0;
}

qint64 TUnHandProd::currentRow() const
{
    const QTreeWidgetItem* i = m_list->currentItem();
    return i ? i->data(0, Qt::UserRole).toLongLong() : 0;
}

void TUnHandProd::reload()
{
    m_list->clear();
    m_lastKey = 0;
    m_more = true;
    readMore();
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void TUnHandProd::readMore()
{
    if (!m_more || supplier() == 0) {
        m_more = false;
        return;
    }
    const auto rows = UnhandledProducts::page(m_db, supplier(), m_lastKey, Batch);
    for (const auto& r : rows) {
        auto* item = new QTreeWidgetItem(m_list, {r.article, r.name, r.price.toString(2), r.currency});
        item->setData(0, Qt::UserRole, r.id);
        m_lastKey = r.id;
    }
    m_more = rows.size() == Batch;
}

void TUnHandProd::after(bool changed)
{
    if (!changed)
        return;
    const int at = m_list->indexOfTopLevelItem(m_list->currentItem());
    delete m_list->currentItem();
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(std::min(at, m_list->topLevelItemCount() - 1)));
}

void TUnHandProd::matchCurrent()
{
    const qint64 row = currentRow();
    if (!row)
        return;
    const QTreeWidgetItem* item = m_list->currentItem();
    const QString article = item->text(0);
    const QString name = item->text(1);
    const auto answer = selection()->ask(article, name);
    qint64 product = 0;
    if (answer == TfAnalogSelection::Chosen)
        product = selection()->productId();
    else if (answer == TfAnalogSelection::New)
        product = PriceNewProduct::create(m_db, article, name, Shell::ProgramParameters::current().paritetImportArtc);
    if (!product)
        return;
    after(UnhandledProducts::match(m_db, row, product, [this](const QString& other) {
        return QMessageBox::question(this, windowTitle(),
                                     u"Товар уже сопоставлен артикулу %1 этого поставщика. Заменить?"_s.arg(other),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    }));
}

void TUnHandProd::newProduct()
{
    const qint64 row = currentRow();
    if (!row)
        return;
    const QTreeWidgetItem* item = m_list->currentItem();
    const qint64 product = PriceNewProduct::create(m_db, item->text(0), item->text(1),
                                                   Shell::ProgramParameters::current().paritetImportArtc);
    after(UnhandledProducts::match(m_db, row, product, {}));
}

void TUnHandProd::removeCurrent()
{
    const qint64 row = currentRow();
    if (!row)
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить артикул %1 из разбора?"_s.arg(m_list->currentItem()->text(0)),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    UnhandledProducts::remove(m_db, row);
    after(true);
}

void TUnHandProd::matchByArticle()
{
    if (!supplier())
        return;
    const int n = UnhandledProducts::countByArticle(m_db, supplier());
    if (n == 0) {
        QMessageBox::information(this, windowTitle(), u"Нет артикулов, совпадающих с артикулами товаров каталога"_s);
        return;
    }
    if (QMessageBox::question(this, windowTitle(),
                              u"Сопоставить по артикулу %1 строк(и) с товарами, у которых такой же артикул?"_s.arg(n),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return;
    const int done = UnhandledProducts::matchByArticle(m_db, supplier());
    reload();
    QMessageBox::information(this, windowTitle(), u"Сопоставлено строк: %1"_s.arg(done));
}

} // namespace Tarvo::Catalog
