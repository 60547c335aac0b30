#include "catalog/ui/tforeignpriceview.h"

#include "catalog/prices/ourpricelist.h"
#include "catalog/prices/supplierprices.h"
#include "catalog/ui/bookfields.h"
#include "catalog/ui/lookupdelegate.h"
#include "catalog/ui/tlibrary_contragents_.h"
#include "catalog/ui/tvgrusootpr.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadodataset.h"
#include "messaging/tdataregistration.h"
#include "messaging/tourtvrexchange.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

const QString SupplierNames =
    u"select par_ID, NAME_USER from scm_partner join _partner on N_USER = par_nuser order by NAME_USER"_s;
const QString PriceNames = u"select prn_id, prn_name from scm_pricename order by prn_name"_s;

void setLookup(Widgets::TDataGrid* grid, const Data::TRowSet& rs, const QString& field,
               LookupDelegate* delegate)
{
    const int i = rs.fieldIndex(field);
    if (i >= 0)
        grid->setItemDelegateForColumn(i, delegate);
}

std::optional<QVariant> original(const Data::TRowSet& rs, const QString& field)
{
    return rs.state() == Data::RowSetState::Edit ? std::optional<QVariant>(rs.originalValue(field))
                                                 : std::nullopt;
}

} // namespace

TForeignPriceView::TForeignPriceView(Data::Database& db, Data::Database& readDb, QWidget* parent)
    : TCatalogView(parent), m_db(db), m_products(std::make_unique<OurPriceList>(readDb, db, true)),
      m_suppliers(std::make_unique<Data::TUpdatedADODataSet>(&db)),
      m_prices(std::make_unique<Data::TUpdatedADODataSet>(&db)),
      m_ourPrices(std::make_unique<Data::TUpdatedADODataSet>(&db))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(u"Поиск:"_s, this);
    m_searchField = new QComboBox(this);
    m_searchField->setAccessibleName(u"Поле поиска"_s);
    // Filled when the list opens, after the first show.
    m_searchField->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_searchEdit);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_searchField);
    searchRow->addWidget(m_searchEdit, 1);
    layout->addLayout(searchRow);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(150);
    connect(m_searchTimer, &QTimer::timeout, this, &TForeignPriceView::applySearch);
    connect(m_searchEdit, &QLineEdit::textEdited, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &TForeignPriceView::applySearch);
    connect(m_searchField, &QComboBox::activated, this, [this] {
        if (!m_searchEdit->text().isEmpty())
            applySearch();
    });

    auto* split = new QSplitter(Qt::Vertical, this);
    m_grid = new Widgets::TDataGrid(split);
    m_grid->setAccessibleName(u"Товары"_s);
    m_grid->setColumnsSection(u"TForeignPrice_Products"_s);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &TForeignPriceView::showSortMenu);
    buildDetails(split);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    // Lookups of the product columns that hold keys.
    auto* manufacturers =
        new LookupDelegate(db, u"select mn_id, mn_name from crm_manufacture order by mn_name"_s, this);
    manufacturers->setObjectName(u"lookupPR_MN_ID"_s);
    auto* equivalents = new LookupDelegate(
        db, u"select pe_id, pe_identity from crm_product_equivalent order by pe_identity"_s, this);
    equivalents->setObjectName(u"lookupPR_PE_ID"_s);
    auto* currencies =
        new LookupDelegate(db, u"select CODVALUT, CODVALUT from VALUTCOD order by CODVALUT"_s, this);
    currencies->setObjectName(u"lookupop_codval"_s);
    auto* kinds =
        new LookupDelegate(db, u"select SIGNIFIC, TIP_TOVAR from TIP_TOVR order by TIP_TOVAR"_s, this);
    kinds->setObjectName(u"lookupPR_TIP_TOVR"_s);

    m_products->beforePost = [](Data::TRowSet& rs) {
        requireText(rs, u"PR_ARTICUL"_s, u"Не задан артикул товара"_s);
        requireText(rs, u"PR_NAME"_s, u"Не задано наименование товара"_s);
    };
    // A new product has its key only once saved: the lists below follow it then.
    m_products->afterPost = [this](Data::TRowSet&) {
        for (Data::TUpdatedADODataSet* d : {m_suppliers.get(), m_prices.get(), m_ourPrices.get()}) {
            if (d->isActive() && d->parameter(u"sam_pr_id"_s) != QVariant(currentProduct())) {
                d->setParameter(u"sam_pr_id"_s, currentProduct());
                d->close();
                d->open();
            }
        }
    };
    m_products->onNewRecord = [this](Data::TRowSet& rs) {
        if (m_products->nodeId() > 0)
            rs.setValue(u"PR_GROUPID"_s, m_products->nodeId());
        rs.setValue(u"op_prval"_s, false);
    };
}

TForeignPriceView::~TForeignPriceView()
{
    for (Widgets::TDataGrid* g : {m_ourPriceGrid, m_priceGrid, m_supplierGrid, m_grid})
        g->setRowSet(nullptr);
    for (Data::TUpdatedADODataSet* d : {m_suppliers.get(), m_prices.get(), m_ourPrices.get()})
        d->setDataSource(nullptr, {});
}

QWidget* TForeignPriceView::gridBox(const QString& caption, Widgets::TDataGrid* grid, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(2, 2, 2, 2);
    grid->setParent(box);
    grid->setAccessibleName(caption);
    l->addWidget(grid);
    return box;
}

void TForeignPriceView::buildDetails(QWidget* parent)
{
    auto* lower = new QSplitter(Qt::Horizontal, parent);
    m_supplierGrid = new Widgets::TDataGrid;
    m_supplierGrid->setColumnsSection(u"TForeignPrice_Suppliers"_s);
    QWidget* supplierBox = gridBox(u"Перечень поставщиков товара"_s, m_supplierGrid, lower);
    auto* buttons = new QHBoxLayout;
    m_addSupplier = new QPushButton(u"Добавить"_s, supplierBox);
    m_removeSupplier = new QPushButton(u"Удалить"_s, supplierBox);
    m_shippers = new QPushButton(u"Грузоотпр"_s, supplierBox);
    for (QPushButton* b : {m_addSupplier, m_removeSupplier, m_shippers}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    static_cast<QVBoxLayout*>(supplierBox->layout())->addLayout(buttons);
    connect(m_addSupplier, &QPushButton::clicked, this, [this] { addSupplier(); });
    connect(m_removeSupplier, &QPushButton::clicked, this, &TForeignPriceView::removeSupplier);
    connect(m_shippers, &QPushButton::clicked, this, &TForeignPriceView::showShippers);

    m_priceGrid = new Widgets::TDataGrid;
    m_priceGrid->setColumnsSection(u"TForeignPrice_Prices"_s);
    gridBox(u"Дополнительные цены всех поставщиков"_s, m_priceGrid, lower);
    m_ourPriceGrid = new Widgets::TDataGrid;
    m_ourPriceGrid->setColumnsSection(u"TForeignPrice_OurPrices"_s);
    gridBox(u"Дополнительные цены"_s, m_ourPriceGrid, lower);

    QStringList offer{
        u"select sam_prv_id, sam_pr_id, NAME_USER, sam_artc, sam_deliverydelay, sam_minpartia,"_s,
        u" sam_pieceperpack, sam_price, sam_codval, sam_chaindelay, sam_name, sam_available,"_s,
        u" sam_extra1, sam_extra2, sam_updatedate, sam_extra3, sam_extra4, sam_extra5, sam_extra6,"_s,
        u" sam_extra7, sam_extra8"_s,
        u"from scm_artcmap join scm_partner on par_ID = sam_prv_id join _partner on N_USER = par_nuser"_s,
        u"where sam_pr_id=:sam_pr_id order by NAME_USER"_s};
    m_suppliers->setSql(offer);
    m_suppliers->onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        if (ds.state() == Data::RowSetState::Insert)
            throw Exception(u"Поставщика товара добавляет кнопка \"Добавить\""_s);
        SupplierPrices(m_db).saveOffer(ds.integer(u"sam_pr_id"_s), ds.integer(u"sam_prv_id"_s),
                                       [&ds](const QString& c) { return ds.value(c); });
    };
    m_suppliers->onInternalDelete = [this](Data::TUpdatedADODataSet& ds) {
        SupplierPrices(m_db).removeSupplier(ds.integer(u"sam_pr_id"_s), ds.integer(u"sam_prv_id"_s));
        m_prices->refresh();
    };

    m_prices->setSql(QStringList{u"select fp_price, fp_prn_id, fp_par_id, fp_pr_id from"_s,
                                 u"crm_foreignprice, scm_artcmap"_s, u"where"_s, u"fp_par_id=sam_prv_id"_s,
                                 u"and fp_pr_id=sam_pr_id"_s, u"and fp_pr_id=:sam_pr_id"_s});
    m_prices->onNewRecord = [this](Data::TRowSet& rs) {
        rs.setValue(u"fp_pr_id"_s, currentProduct());
        if (m_suppliers->isActive() && !m_suppliers->isEmpty())
            rs.setValue(u"fp_par_id"_s, m_suppliers->value(u"sam_prv_id"_s));
    };
    m_prices->beforePost = [](Data::TRowSet& rs) {
        if (rs.isNull(u"fp_par_id"_s))
            throw Exception(u"Не указан поставщик"_s);
        if (rs.isNull(u"fp_prn_id"_s))
            throw Exception(u"Не указан вид цены"_s);
    };
    m_prices->onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        std::optional<std::pair<qint64, qint64>> old;
        if (auto s = original(ds, u"fp_par_id"_s)) {
            const qint64 oldSupplier = s->toLongLong();
            const qint64 oldKind = ds.originalValue(u"fp_prn_id"_s).toLongLong();
            if (oldSupplier != ds.integer(u"fp_par_id"_s) || oldKind != ds.integer(u"fp_prn_id"_s))
                old = std::pair{oldSupplier, oldKind};
        }
        SupplierPrices(m_db).savePrice(ds.integer(u"fp_pr_id"_s), ds.integer(u"fp_par_id"_s),
                                       ds.integer(u"fp_prn_id"_s), ds.value(u"fp_price"_s), old);
    };
    m_prices->onInternalDelete = [this](Data::TUpdatedADODataSet& ds) {
        SupplierPrices(m_db).removePrice(ds.integer(u"fp_pr_id"_s), ds.integer(u"fp_par_id"_s),
                                         ds.integer(u"fp_prn_id"_s));
    };

    m_ourPrices->setSql(QStringList{u"select ODC_PRICE,ODC_RATIO,ODC_VALPRICE,ODC_PR_ID,ODC_PRN_ID from"_s,
                                    u"  CRM_OURDOPPRICE where ODC_PR_ID = :sam_pr_id"_s});
    m_ourPrices->onNewRecord = [this](Data::TRowSet& rs) { rs.setValue(u"ODC_PR_ID"_s, currentProduct()); };
    m_ourPrices->beforePost = [](Data::TRowSet& rs) {
        if (rs.isNull(u"ODC_PRN_ID"_s))
            throw Exception(u"Не указан вид цены"_s);
    };
    m_ourPrices->onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        std::optional<qint64> old;
        if (auto k = original(ds, u"ODC_PRN_ID"_s))
            old = k->toLongLong();
        SupplierPrices(m_db).saveOurPrice(
            ds.integer(u"ODC_PR_ID"_s), ds.integer(u"ODC_PRN_ID"_s),
            [&ds](const QString& c) { return ds.value(c); }, old);
    };
    m_ourPrices->onInternalDelete = [this](Data::TUpdatedADODataSet& ds) {
        SupplierPrices(m_db).removeOurPrice(ds.integer(u"ODC_PR_ID"_s), ds.integer(u"ODC_PRN_ID"_s));
    };

    auto* suppliersLookup = new LookupDelegate(m_db, SupplierNames, this);
    suppliersLookup->setObjectName(u"lookupfp_par_id"_s);
    auto* kindsLookup = new LookupDelegate(m_db, PriceNames, this);
    kindsLookup->setObjectName(u"lookupPriceKind"_s);
}

qint64 TForeignPriceView::currentProduct() const
{
    return m_products->isActive() && !m_products->isEmpty() ? m_products->integer(u"sam_pr_id"_s) : 0;
}

Data::TRowSet* TForeignPriceView::dataSet() const
{
    return m_products.get();
}

void TForeignPriceView::showNode(qint64 nodeId, bool withSubgroups)
{
    for (Widgets::TDataGrid* g : {m_ourPriceGrid, m_priceGrid, m_supplierGrid, m_grid})
        g->setRowSet(nullptr);
    for (Data::TUpdatedADODataSet* d : {m_suppliers.get(), m_prices.get(), m_ourPrices.get()})
        d->close();
    OurPriceQuery::Search search;
    if (!m_searchEdit->text().isEmpty())
        search = {m_searchField->currentData().toString(), m_searchEdit->text()};
    m_products->showNode(nodeId, withSubgroups, search);
    m_grid->setRowSet(m_products.get());
    BookFields::applyHidden(*m_products, m_grid);
    if (!m_products->keptSort().isEmpty())
        m_grid->sortRowSetWhenRead(m_products->keptSort(), m_products->keptSortCollation());
    for (const char* f : {"PR_MN_ID", "PR_PE_ID", "op_codval", "PR_TIP_TOVR"})
        setLookup(m_grid, *m_products, QString::fromLatin1(f),
                  findChild<LookupDelegate*>(u"lookup"_s + QString::fromLatin1(f)));

    if (m_searchField->count() == 0) {
        for (int i = 0; i < m_products->fieldCount(); ++i) {
            const Data::RowSetField& f = m_products->field(i);
            if (f.displayLabel != u"-"_s)
                m_searchField->addItem(f.caption(), f.name);
        }
        m_searchField->setCurrentIndex(
            qMax(0, m_searchField->findData(u"PR_NAME"_s, Qt::UserRole, Qt::MatchFixedString)));
    }
    reopenDetails();
}

void TForeignPriceView::reopenDetails()
{
    const QVariant product = currentProduct();
    for (Data::TUpdatedADODataSet* d : {m_suppliers.get(), m_prices.get(), m_ourPrices.get()}) {
        d->setDataSource(m_products.get(), {u"sam_pr_id"_s});
        d->setParameter(u"sam_pr_id"_s, product);
        d->open();
    }
    BookFields(*m_suppliers)
        .hide(u"sam_prv_id"_s)
        .hide(u"sam_pr_id"_s)
        .label(u"NAME_USER"_s, u"Поставщик"_s)
        .label(u"sam_artc"_s, u"Артикул поставщика"_s)
        .label(u"sam_deliverydelay"_s, u"Срок поставки"_s)
        .label(u"sam_minpartia"_s, u"Мин. партия"_s)
        .label(u"sam_pieceperpack"_s, u"В упаковке"_s)
        .label(u"sam_price"_s, u"Цена"_s)
        .label(u"sam_codval"_s, u"Валюта"_s)
        .label(u"sam_chaindelay"_s, u"Срок доставки"_s)
        .label(u"sam_name"_s, u"Наименование у поставщика"_s)
        .label(u"sam_available"_s, u"Наличие"_s)
        .label(u"sam_updatedate"_s, u"Обновлено"_s);
    // What a price-list import module put into the eight free columns.
    for (int i = 1; i <= 8; ++i)
        BookFields(*m_suppliers).label(u"sam_extra%1"_s.arg(i), u"Доп. поле %1"_s.arg(i));
    BookFields(*m_prices)
        .label(u"fp_price"_s, u"Цена"_s)
        .label(u"fp_prn_id"_s, u"Вид цены"_s)
        .label(u"fp_par_id"_s, u"Поставщик"_s)
        .hide(u"fp_pr_id"_s);
    BookFields(*m_ourPrices)
        .label(u"ODC_PRICE"_s, u"Цена, руб."_s)
        .label(u"ODC_RATIO"_s, u"Коэффициент"_s)
        .label(u"ODC_VALPRICE"_s, u"Цена в валюте"_s)
        .hide(u"ODC_PR_ID"_s)
        .label(u"ODC_PRN_ID"_s, u"Вид цены"_s);
    m_supplierGrid->setRowSet(m_suppliers.get());
    m_priceGrid->setRowSet(m_prices.get());
    m_ourPriceGrid->setRowSet(m_ourPrices.get());
    BookFields::applyHidden(*m_suppliers, m_supplierGrid);
    BookFields::applyHidden(*m_prices, m_priceGrid);
    BookFields::applyHidden(*m_ourPrices, m_ourPriceGrid);
    auto* supplierLookup = findChild<LookupDelegate*>(u"lookupfp_par_id"_s);
    auto* kindLookup = findChild<LookupDelegate*>(u"lookupPriceKind"_s);
    setLookup(m_priceGrid, *m_prices, u"fp_par_id"_s, supplierLookup);
    setLookup(m_priceGrid, *m_prices, u"fp_prn_id"_s, kindLookup);
    setLookup(m_ourPriceGrid, *m_ourPrices, u"ODC_PRN_ID"_s, kindLookup);
    m_priceGrid->fitColumnsToValues();
    m_ourPriceGrid->fitColumnsToValues();
}

void TForeignPriceView::applySearch()
{
    m_searchTimer->stop();
    if (m_products->isActive())
        showNode(m_products->nodeId(), m_products->withSubgroups());
}

void TForeignPriceView::sortByColumn(int column)
{
    if (column >= 0 && column < m_products->fieldCount())
        m_grid->sortRowSetWhenRead(m_products->field(column).name);
}

void TForeignPriceView::showSortMenu(const QPoint& at)
{
    const int column = m_grid->columnAt(at.x());
    if (column < 0 || !m_products->isActive())
        return;
    QMenu menu(this);
    QAction* sort = menu.addAction(u"Сортировать по полю <%1>"_s.arg(m_products->field(column).caption()));
    connect(sort, &QAction::triggered, this, [this, column] { sortByColumn(column); });
    menu.exec(m_grid->viewport()->mapToGlobal(at));
}

void TForeignPriceView::insertRecord()
{
    if (!m_products->isActive())
        return;
    m_products->append();
    const int name = m_products->fieldIndex(u"PR_ARTICUL"_s);
    m_grid->setFocus();
    if (name >= 0 && m_grid->model())
        m_grid->edit(m_grid->model()->index(m_grid->gridRow(m_products->recordCount()), name)); // the new row
}

void TForeignPriceView::editRecord()
{
    if (!m_products->isActive() || m_products->isEmpty())
        return;
    m_grid->setFocus();
    m_grid->edit(m_grid->currentIndex());
}

void TForeignPriceView::deleteRecord()
{
    if (!m_products->isActive() || m_products->isEmpty())
        return;
    if (m_products->state() != Data::RowSetState::Browse) {
        m_products->cancel();
        return;
    }
    const QString name = m_products->string(u"PR_NAME"_s).trimmed();
    if (QMessageBox::question(this, windowTitle(), u"Удалить товар %1"_s.arg(name)) != QMessageBox::Yes)
        return;
    m_products->remove();
    reopenDetails();
}

void TForeignPriceView::choose()
{
    if (!m_products->isActive() || m_products->isEmpty() || m_products->state() != Data::RowSetState::Browse)
        return;
    Messaging::DataRegistration().Notify(m_products->exchange());
}

void TForeignPriceView::addSupplier(qint64 supplierId)
{
    const qint64 product = currentProduct();
    if (product == 0 || m_products->state() != Data::RowSetState::Browse)
        return;
    if (supplierId == 0) {
        const QString picked = TLibrary_Contragents_::pickOne(m_db, this);
        if (picked.isEmpty())
            return;
        supplierId = picked.toLongLong();
    }
    SupplierPrices(m_db).addSupplier(product, supplierId);
    m_suppliers->setParameter(u"sam_pr_id"_s, product);
    m_suppliers->close();
    m_suppliers->open();
    m_suppliers->locate({u"sam_prv_id"_s}, {supplierId});
}

void TForeignPriceView::removeSupplier()
{
    if (!m_suppliers->isActive() || m_suppliers->isEmpty())
        return;
    const QString name = m_suppliers->string(u"NAME_USER"_s).trimmed();
    if (QMessageBox::question(this, windowTitle(), u"Удалить поставщика %1?"_s.arg(name)) != QMessageBox::Yes)
        return;
    m_suppliers->remove();
}

void TForeignPriceView::showShippers()
{
    TvGrusoOtpr shippers(m_db, this);
    if (m_suppliers->isActive() && !m_suppliers->isEmpty()) {
        Data::Query q(m_db, u"select par_nuser from scm_partner where par_ID = ?"_s);
        q.bindAll({m_suppliers->value(u"sam_prv_id"_s)}).exec();
        if (q.next())
            shippers.partners().locate({u"n_user"_s}, {q.string(0)});
    }
    shippers.exec();
}

} // namespace Tarvo::Catalog
