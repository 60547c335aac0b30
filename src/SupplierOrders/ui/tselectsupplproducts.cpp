#include "SupplierOrders/ui/tselectsupplproducts.h"

#include "SupplierOrders/supplierproductlist.h"
#include "SupplierOrders/tsupplierproductexchange.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/ui/buttonshortcut.h"
#include "catalog/ui/pricewindows.h"
#include "catalog/ui/ttreelink.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "messaging/tdataregistration.h"
#include "widgets/tdatagrid.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

const QString TSelectSupplProducts::ProductsKey = u"Temp_Select_Products1"_s;

namespace {

using Op = TSupplierProductExchange::Operation;

} // namespace

TSelectSupplProducts::TSelectSupplProducts(Data::Database& db, qint64 supplierId, const QString& supplierName,
                                           qint64 orderId, QWidget* parent)
    : QDialog(parent), m_db(db), m_supplier(supplierId), m_order(orderId),
      m_products(std::make_unique<SupplierProductList>(Catalog::productReader(db), supplierId, orderId)),
      m_prices(std::make_unique<Data::TUpdatedADOQuery>(&db)),
      m_root(std::make_unique<Catalog::TSCMTreePanel>(db, this))
{
    setObjectName(u"TSelectSupplProducts"_s);
    setWindowTitle(u"Выбор товара от "_s + supplierName);
    resize(1000, 600);
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Horizontal, this);
    m_tree = new QTreeWidget(split);
    m_tree->setObjectName(u"tvGroups"_s);
    m_tree->setAccessibleName(u"Группы товаров"_s);
    m_tree->setHeaderHidden(true);
    auto* right = new QSplitter(Qt::Vertical, split);
    m_grid = new Widgets::TDataGrid(right);
    m_grid->setObjectName(u"gridProducts"_s);
    m_grid->setAccessibleName(u"Товары поставщика"_s);
    m_pricesGrid = new Widgets::TDataGrid(right);
    m_pricesGrid->setObjectName(u"gridPrices"_s);
    m_pricesGrid->setAccessibleName(u"Цены поставщика"_s);
    m_pricesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    auto* chooseButton = new QPushButton(u"Выбрать"_s, this);
    chooseButton->setObjectName(u"btnChoose"_s);
    chooseButton->setAutoDefault(false);
    auto* closeButton = new QPushButton(u"Закрыть"_s, this);
    closeButton->setObjectName(u"btnClose"_s);
    closeButton->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(chooseButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(chooseButton, &QPushButton::clicked, this, [this] { choose(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { close(); });

    // The typed amount goes to the order; what the order then holds is shown.
    m_products->onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        if (m_showing)
            return;
        const Money amount = Money::fromVariant(ds.value(u"in_order"_s));
        ds.setValue(u"in_order"_s, ask(int(Op::SetAmount), currentProduct(), amount).toVariant());
    };
    m_grid->setRowSet(m_products.get());
    m_grid->setColumnsSection(ProductsKey);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { choose(); });
    m_scrolled = m_products->subscribeScrolled([this] { readPrices(); });

    m_prices->setReadOnly(true);
    m_prices->setSql(
        u"select prn_name, fp_price from CRM_FOREIGNPRICE join scm_pricename on fp_prn_id = prn_id "
        "where fp_pr_id = :pr and fp_par_id = :par order by prn_name"_s);

    m_link = new Catalog::TTreeLink(m_tree, m_root.get());
    m_link->setSelectFlag(true);
    m_link->rebuild();
    // "Все" first.
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(m_tree->topLevelItemCount() - 1));
    if (!m_products->isActive())
        selectNode(Catalog::AllProducts, true);
    m_grid->setFocus();
}

TSelectSupplProducts::~TSelectSupplProducts()
{
    m_grid->setRowSet(nullptr);
    m_pricesGrid->setRowSet(nullptr);
    m_tree->clear();
}

void TSelectSupplProducts::selectNode(qint64 nodeId, bool)
{
    try {
        m_products->showNode(nodeId);
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    const QList<std::pair<QString, QString>> captions{{u"sam_artc"_s, u"Артикул поставщика"_s},
                                                      {u"pr_articul"_s, u"Артикул"_s},
                                                      {u"pr_name"_s, u"Наименование"_s},
                                                      {u"pg_groupname"_s, u"Группа"_s},
                                                      {u"in_order"_s, u"В заказе"_s},
                                                      {u"sam_price"_s, u"Цена"_s},
                                                      {u"sam_codval"_s, u"Валюта"_s},
                                                      {u"sam_minpartia"_s, u"Мин. партия"_s},
                                                      {u"sam_pieceperpack"_s, u"В упаковке"_s},
                                                      {u"sam_deliverydelay"_s, u"Срок поставки"_s},
                                                      {u"sam_chaindelay"_s, u"Срок по цепочке"_s}};
    QList<Widgets::TDataGrid::Column> columns;
    for (const auto& [field, title] : captions)
        columns.append({field, title, 0});
    m_grid->setColumns(columns);
    readPrices();
}

SupplierProduct TSelectSupplProducts::currentProduct() const
{
    const SupplierProductList& p = *m_products;
    SupplierProduct s;
    s.productId = p.integer(u"pr_id"_s);
    s.articul = p.string(u"pr_articul"_s).trimmed();
    s.name = p.string(u"pr_name"_s).trimmed();
    s.dop1 = p.string(u"pr_dop1"_s);
    s.dop2 = p.string(u"pr_dop2"_s);
    s.dop3 = p.string(u"pr_dop3"_s);
    s.price = p.money(u"sam_price"_s);
    s.code = p.string(u"sam_codval"_s).trimmed();
    s.amount = std::max(p.money(u"sam_minpartia"_s), Money(1));
    return s;
}

Money TSelectSupplProducts::ask(int operation, const SupplierProduct& product, Money amount)
{
    auto e = std::make_unique<TSupplierProductExchange>();
    e->operation = Op(operation);
    e->supplierId = m_supplier;
    e->product = product;
    e->amount = amount;
    Money answer;
    e->reply = [&answer](Money held) { answer = held; };
    Messaging::DataRegistration().Notify(std::move(e));
    return answer;
}

void TSelectSupplProducts::choose()
{
    if (!m_products->isActive() || m_products->isEmpty())
        return;
    m_products->checkBrowseMode();
    const SupplierProduct product = currentProduct();
    showAmount(ask(int(Op::Add), product, product.amount));
}

void TSelectSupplProducts::showAmount(Money amount)
{
    m_showing = true;
    try {
        m_products->edit();
        m_products->setValue(u"in_order"_s, amount == Money() ? QVariant() : amount.toVariant());
        m_products->post();
    } catch (...) {
        m_showing = false;
        if (m_products->state() != Data::RowSetState::Browse)
            m_products->cancel();
        throw;
    }
    m_showing = false;
}

void TSelectSupplProducts::readPrices()
{
    m_pricesGrid->setRowSet(nullptr);
    m_prices->close();
    m_prices->setParameter(u"pr"_s, m_products->isActive() && !m_products->isEmpty()
                                        ? m_products->value(u"pr_id"_s)
                                        : QVariant(qint64(0)));
    m_prices->setParameter(u"par"_s, m_supplier);
    m_prices->open();
    m_prices->field(0).displayLabel = u"Вид цены"_s;
    m_prices->field(1).displayLabel = u"Цена"_s;
    m_pricesGrid->setRowSet(m_prices.get());
}

} // namespace Tarvo::SupplierOrders
