#include "SupplierOrders/ui/ttfsupplierorder3.h"

#include "widgets/guardedcommand.h"
#include "SupplierOrders/tdmaggsupplierorder.h"
#include "SupplierOrders/ui/choicecolumndelegate.h"
#include "SupplierOrders/ui/formgrids.h"
#include "core/exception.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using Tarvo::Data::FieldType;

namespace Tarvo::SupplierOrders {

namespace {
QWidget* titled(QWidget* parent, const QString& title, QWidget* content)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(title, box);
    label->setBuddy(content);
    layout->addWidget(label);
    content->setParent(box);
    layout->addWidget(content);
    return box;
}

void addGridAction(QWidget* grid, const QString& name, const QString& text, const QKeySequence& key,
               const std::function<void()>& run)
{
    auto* a = new QAction(text, grid);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(a, &QAction::triggered, grid, run);
    grid->addAction(a);
}

void editable(Widgets::TDataGrid* grid)
{
    grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                          QAbstractItemView::DoubleClicked);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
}

QList<ChoiceColumnDelegate::Choice> choicesOf(const QList<BusOffer::OfferEditorLookups::Item>& items)
{
    QList<ChoiceColumnDelegate::Choice> result;
    for (const auto& i : items)
        result << ChoiceColumnDelegate::Choice{i.key, i.text};
    return result;
}
} // namespace

QString TTfSupplierOrder3::title()
{
    return u"Формирование заказа поставщику"_s;
}

QString TTfSupplierOrder3::preparedText(int orders)
{
    return u"Подготовлено %1 заказов"_s.arg(orders);
}

TTfSupplierOrder3::TTfSupplierOrder3(Data::Database& db, TdmAggSupplierOrder& dm, QWidget* parent)
    : QDialog(parent), m_db(db), m_dm(dm), m_products(std::make_unique<Data::TRowSet>()),
      m_providers(std::make_unique<Data::TRowSet>()), m_supplies(std::make_unique<Data::TRowSet>())
{
    setObjectName(u"TTfSupplierOrder3"_s);
    setWindowTitle(title());
    setModal(true);
    m_suppliers = BusOffer::OfferEditorLookups::readCounterparties(db, u"Т"_s);
    const QList<BusOffer::OfferEditorLookups::Item> currencies = BusOffer::OfferEditorLookups::readCurrencies(db);

    FormGrids::define(*m_products,
                      {{u"sam_pr_id"_s, int(FieldType::Integer), u"Код"_s},
                       {u"pr_articul"_s, int(FieldType::String), u"Артикул"_s},
                       {u"pr_name"_s, int(FieldType::String), u"Название"_s},
                       {u"AggAmount"_s, int(FieldType::Money), u"Требуется"_s},
                       {u"bof_str"_s, int(FieldType::String), u"Заявки"_s},
                       {u"UrgencyStr"_s, int(FieldType::String), u"Срочность"_s}},
                      {});
    m_products->field(m_products->fieldIndex(u"AggAmount"_s)).displayFormat = Data::NumberFormat::Quantity;
    FormGrids::define(*m_providers,
                      {{u"sam_prv_id"_s, int(FieldType::Integer), u"Код поставщика"_s},
                       {u"old_prv_id"_s, int(FieldType::Integer), u"Код поставщика"_s},
                       {u"n_user"_s, int(FieldType::String), u"Краткое название"_s},
                       {u"name_user"_s, int(FieldType::String), u"Поставщик"_s},
                       {u"sam_artc"_s, int(FieldType::String), u"Артикул поставщика"_s},
                       {u"sam_deliverydelay"_s, int(FieldType::Integer), u"Задержка доставки"_s},
                       {u"sam_minpartia"_s, int(FieldType::Money), u"Мин. партия"_s},
                       {u"sam_pieceperpack"_s, int(FieldType::Money), u"Кол в упаковке"_s},
                       {u"sam_price"_s, int(FieldType::Money), u"Базовая цена"_s},
                       {u"sam_codval"_s, int(FieldType::String), u"Валюта"_s},
                       {u"sam_chaindelay"_s, int(FieldType::Integer), u"Время в пути"_s},
                       {u"sam_updatedate"_s, int(FieldType::DateTime), u"Дата изменения"_s}},
                      {});
    m_providers->field(m_providers->fieldIndex(u"sam_pieceperpack"_s)).displayFormat = Data::NumberFormat::Quantity;
    m_providers->field(m_providers->fieldIndex(u"sam_updatedate"_s)).readOnly = true;
    FormGrids::define(*m_supplies,
                      {{u"row"_s, int(FieldType::Integer), u"Строка"_s},
                       {u"supplier_id"_s, int(FieldType::Integer), u"Код поставщика"_s},
                       {u"supplier_name"_s, int(FieldType::String), u"Поставщик"_s},
                       {u"amount"_s, int(FieldType::Money), u"Количество"_s},
                       {u"cod_valut"_s, int(FieldType::String), u"Валюта"_s},
                       {u"sop_price"_s, int(FieldType::Money), u"Цена руб."_s}},
                      {});
    // The supplier is chosen through its column's combo box, which hands the choice to the
    // document instead of the row.
    for (int i = 0; i < m_supplies->fieldCount(); ++i)
        m_supplies->field(i).readOnly =
            m_supplies->field(i).name != u"amount"_s && m_supplies->field(i).name != u"supplier_name"_s;

    m_productsGrid = FormGrids::make(this, u"gridAggProducts"_s, u"Товары для заказа"_s, *m_products,
                                     {u"pr_articul"_s, u"pr_name"_s, u"AggAmount"_s, u"bof_str"_s, u"UrgencyStr"_s},
                                     objectName() + u"g1"_s);
    m_providersGrid = FormGrids::make(this, u"gridProviders"_s, u"Поставщики выбранного товара"_s, *m_providers,
                                      {u"name_user"_s, u"sam_artc"_s, u"sam_deliverydelay"_s, u"sam_minpartia"_s,
                                       u"sam_pieceperpack"_s, u"sam_price"_s, u"sam_codval"_s, u"sam_chaindelay"_s,
                                       u"sam_updatedate"_s},
                                      objectName() + u"g2"_s);
    m_suppliesGrid = FormGrids::make(this, u"gridSupplies"_s, u"Заказать у поставщика"_s, *m_supplies,
                                     {u"supplier_name"_s, u"amount"_s}, objectName() + u"g3"_s);
    editable(m_providersGrid);
    m_providersGrid->setPostsNewRowOnLeave(true);
    editable(m_suppliesGrid);

    // The assortment's supplier: any supplier counterparty, one not yet registered included.
    m_providersGrid->setItemDelegateForColumn(
        m_providersGrid->fieldColumn(u"name_user"_s),
        new ChoiceColumnDelegate(
            [this] { return choicesOf(m_suppliers); }, [this] { return m_providers->value(u"sam_prv_id"_s); },
            [this](const QVariant& key) {
                for (const auto& s : m_suppliers)
                    if (s.key == key) {
                        if (m_providers->state() == Data::RowSetState::Browse)
                            m_providers->edit();
                        m_providers->setValue(u"sam_prv_id"_s, key);
                        m_providers->setValue(u"n_user"_s, s.code);
                        m_providers->setValue(u"name_user"_s, s.text);
                    }
            },
            m_providersGrid));
    m_providersGrid->setItemDelegateForColumn(
        m_providersGrid->fieldColumn(u"sam_codval"_s),
        new ChoiceColumnDelegate([currencies] { return choicesOf(currencies); },
                                 [this] { return QVariant(m_providers->string(u"sam_codval"_s)); },
                                 [this](const QVariant& key) {
                                     if (m_providers->state() == Data::RowSetState::Browse)
                                         m_providers->edit();
                                     m_providers->setValue(u"sam_codval"_s, key.toString());
                                 },
                                 m_providersGrid));
    // The supplier of an order row: one of the product's assortment.
    m_suppliesGrid->setItemDelegateForColumn(
        m_suppliesGrid->fieldColumn(u"supplier_name"_s),
        new ChoiceColumnDelegate(
            [this] {
                QList<ChoiceColumnDelegate::Choice> c;
                for (const SupplierOffer& o : m_dm.offers(currentProduct()))
                    c << ChoiceColumnDelegate::Choice{o.supplierId, o.supplierName};
                return c;
            },
            [this] { return m_supplies->value(u"supplier_id"_s); },
            [this](const QVariant& key) {
                const int row = currentSupply();
                if (row < 0)
                    return;
                try {
                    m_dm.setSupplier(row, key.toLongLong());
                } catch (const Abort&) {
                    scheduleRefill(false);
                    throw;
                }
                scheduleRefill(false);
            },
            m_suppliesGrid));

    for (QAbstractItemDelegate* d : {m_suppliesGrid->itemDelegate(), m_suppliesGrid->itemDelegateForColumn(
                                                                           m_suppliesGrid->fieldColumn(u"supplier_name"_s))})
        connect(
            d, &QAbstractItemDelegate::closeEditor, this,
            [this] {
                if (m_refillDeferred) {
                    m_refillDeferred = false;
                    scheduleRefill(false);
                }
            },
            Qt::QueuedConnection);

    m_supplies->validate = [this](Data::TRowSet& rows, int field, const QVariant& value) {
        if (rows.field(field).name != u"amount"_s)
            return true;
        m_dm.setAmount(currentSupply(), Money::fromVariant(value));
        scheduleRefill(false);
        return true;
    };
    m_providers->onNewRecord = [this](Data::TRowSet&) { newProvider(); };
    m_providers->beforePost = [this](Data::TRowSet&) { postProvider(); };
    m_providers->afterPost = [this](Data::TRowSet&) { scheduleRefill(false); };

    addGridAction(m_suppliesGrid, u"actAddSupply"_s, u"Добавить поставщика"_s, QKeySequence(Qt::Key_Insert),
              [this] { guarded([this] { addSupply(); }); });
    addGridAction(m_suppliesGrid, u"actRemoveSupply"_s, u"Удалить поставщика"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete),
              [this] { guarded([this] { removeSupply(); }); });
    addGridAction(m_providersGrid, u"actAddProvider"_s, u"Добавить строку ассортимента"_s, QKeySequence(Qt::Key_Insert),
              [this] { guarded([this] { addProvider(); }); });

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->setObjectName(u"HSplit"_s);
    lower->addWidget(titled(lower, u"Поставщики выбранного товара"_s, m_providersGrid));
    lower->addWidget(titled(lower, u"Заказать у поставщика"_s, m_suppliesGrid));
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(u"VSplit"_s);
    split->addWidget(titled(split, u"Товары для заказа"_s, m_productsGrid));
    split->addWidget(lower);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    Widgets::DialogButtons buttons(this, u"Далее"_s, u"Закрыть"_s, false);
    buttons.acceptButton()->setObjectName(u"btnNext"_s);
    buttons.rejectButton()->setObjectName(u"btnClose"_s);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] { guarded([this] { next(); }); });
    // The upper grid is read-only: Enter there is the default button's, as anywhere else.
    connect(m_productsGrid, &Widgets::TDataGrid::rowActivated, buttons.acceptButton(), &QPushButton::click);
    layout->addWidget(buttons.box());
    setTabOrder(m_productsGrid, m_providersGrid);
    setTabOrder(m_providersGrid, m_suppliesGrid);
    resize(1000, 640);

    for (const OpenProduct& p : m_dm.products())
        m_products->appendLoaded({p.productId, p.article, p.name, p.required.toVariant(), p.requests, p.urgencyName});
    m_products->first();
    // The lower grids follow the product at once: a key typed right after the move must reach
    // the new product's rows.
    m_productMoved = m_products->subscribeScrolled([this] {
        if (m_filling || currentProduct() == m_shownProduct)
            return;
        // An assortment row being typed is saved as leaving it would; the order rows hold
        // nothing the document has not taken already.
        if (m_providers->state() != Data::RowSetState::Browse) {
            try {
                m_providers->post();
            } catch (const Exception& e) {
                m_providers->cancel();
                QMessageBox::warning(this, windowTitle(), e.message());
            }
        }
        if (m_supplies->state() != Data::RowSetState::Browse)
            m_supplies->cancel();
        fillProviders();
        fillSupplies();
    });
    fillProviders();
    fillSupplies();
    m_productsGrid->setFocus();
}

TTfSupplierOrder3::~TTfSupplierOrder3()
{
    for (Widgets::TDataGrid* g : {m_productsGrid, m_providersGrid, m_suppliesGrid})
        g->setRowSet(nullptr);
}

void TTfSupplierOrder3::guarded(const std::function<void()>& command)
{
    Widgets::guardedCommand(this, windowTitle(), command, Widgets::FailureBox::Warning);
}

qint64 TTfSupplierOrder3::currentProduct() const
{
    return m_products->recNo() < 0 ? 0 : m_products->integer(u"sam_pr_id"_s);
}

int TTfSupplierOrder3::currentSupply() const
{
    return m_supplies->recNo() < 0 ? -1 : int(m_supplies->integer(u"row"_s));
}

void TTfSupplierOrder3::fillProviders()
{
    const qint64 product = currentProduct();
    m_shownProduct = product;
    m_filling = true;
    m_providers->clearRows();
    if (product != 0)
        for (const SupplierOffer& o : m_dm.offers(product))
            m_providers->appendLoaded({o.supplierId, o.supplierId, o.shortName, o.supplierName, o.article,
                                       o.deliveryDelay, o.minLot.toVariant(), o.piecesPerPack.toVariant(),
                                       o.price.toVariant(), o.currency, o.chainDelay, QVariant()});
    m_providers->first();
    m_filling = false;
}

void TTfSupplierOrder3::fillSupplies(int keepRow)
{
    ++m_fills;
    m_filling = true;
    m_supplies->clearRows();
    for (int i : m_dm.suppliesOf(currentProduct())) {
        const SupplyRow& r = m_dm.supplies().at(i);
        m_supplies->appendLoaded({i, r.supplierId, r.supplierName, r.amount.isZero() ? QVariant() : r.amount.toVariant(),
                                  r.currency, r.roublePrice.toVariant()});
    }
    if (keepRow < 0 || !m_supplies->locate({u"row"_s}, {keepRow}))
        m_supplies->first();
    m_filling = false;
}

void TTfSupplierOrder3::scheduleRefill(bool providersToo)
{
    m_refillProviders = m_refillProviders || providersToo;
    if (m_refillPending)
        return;
    m_refillPending = true;
    const int fills = m_fills;
    // Not from inside the row set's own notification or the grid's commit of a typed value.
    QTimer::singleShot(0, this, [this, fills] {
        m_refillPending = false;
        const bool providers = m_refillProviders || currentProduct() != m_shownProduct;
        m_refillProviders = false;
        // Filled meanwhile by a command (a row added): a second fill would close the editor the
        // user has opened since.
        if (!providers && fills != m_fills)
            return;
        // A cell opened since the change: refilling would close it under the typing.
        if (!providers && m_suppliesGrid->indexWidget(m_suppliesGrid->currentIndex())) {
            m_refillDeferred = true;
            return;
        }
        if (m_supplies->state() != Data::RowSetState::Browse)
            m_supplies->cancel();
        if (providers) {
            if (m_providers->state() != Data::RowSetState::Browse)
                m_providers->cancel();
            fillProviders();
        }
        fillSupplies(currentSupply());
    });
}

void TTfSupplierOrder3::newProvider()
{
    // A provisional supplier's article the user may overwrite: unique enough to be told apart.
    QElapsedTimer ticks;
    ticks.start();
    m_providers->setValue(u"sam_artc"_s, QString::number(ticks.msecsSinceReference(), 16));
    m_providers->setValue(u"sam_minpartia"_s, Money(1).toVariant());
    m_providers->setValue(u"sam_pieceperpack"_s, Money(1).toVariant());
    m_providers->setValue(u"sam_deliverydelay"_s, 0);
    m_providers->setValue(u"sam_chaindelay"_s, 0);
    m_providers->setValue(u"sam_codval"_s, QString());
    m_providers->forceValue(m_providers->fieldIndex(u"old_prv_id"_s), 0);
}

void TTfSupplierOrder3::postProvider()
{
    if (m_filling)
        return;
    TdmAggSupplierOrder::OfferEdit e;
    e.productId = currentProduct();
    e.supplierId = m_providers->integer(u"sam_prv_id"_s);
    e.supplierCode = m_providers->string(u"n_user"_s);
    e.oldSupplierId = m_providers->integer(u"old_prv_id"_s);
    e.article = m_providers->string(u"sam_artc"_s);
    e.deliveryDelay = int(m_providers->integer(u"sam_deliverydelay"_s));
    e.minLot = m_providers->money(u"sam_minpartia"_s);
    e.piecesPerPack = m_providers->money(u"sam_pieceperpack"_s);
    if (m_providers->isNull(u"sam_price"_s))
        throw Exception(u"Укажите базовую цену"_s);
    e.price = m_providers->money(u"sam_price"_s);
    e.currency = m_providers->string(u"sam_codval"_s).trimmed();
    e.chainDelay = int(m_providers->integer(u"sam_chaindelay"_s));
    const qint64 id = m_dm.saveOffer(e);
    m_providers->forceValue(m_providers->fieldIndex(u"sam_prv_id"_s), id);
    m_providers->forceValue(m_providers->fieldIndex(u"old_prv_id"_s), id);
    m_providers->forceValue(m_providers->fieldIndex(u"sam_updatedate"_s), QDateTime::currentDateTime());
    // The supplier now has a row of its own: no placeholder any more.
    m_suppliers = BusOffer::OfferEditorLookups::readCounterparties(m_db, u"Т"_s);
}

void TTfSupplierOrder3::addProvider()
{
    if (currentProduct() == 0)
        return;
    m_providers->checkBrowseMode();
    m_providers->append();
    // Straight into the supplier's choice on the new row, as a moved cursor would post it empty.
    m_providersGrid->setFocus();
    // The row being inserted is shown after the stored ones. The cursor goes there too: Tab and
    // the arrows go on from there.
    const QModelIndex at =
        m_providersGrid->model()->index(m_providersGrid->gridRow(m_providers->recordCount()),
                                        m_providersGrid->fieldColumn(u"name_user"_s));
    m_providersGrid->setCurrentIndex(at);
    m_providersGrid->edit(at);
}

void TTfSupplierOrder3::addSupply()
{
    const qint64 product = currentProduct();
    if (product == 0)
        return;
    m_supplies->checkBrowseMode();
    const int row = m_dm.addSupply(product);
    fillSupplies(row);
    m_suppliesGrid->setFocus();
    m_suppliesGrid->setCurrentIndex(
        m_suppliesGrid->model()->index(m_supplies->recNo(), m_suppliesGrid->fieldColumn(u"supplier_name"_s)));
}

void TTfSupplierOrder3::removeSupply()
{
    const int row = currentSupply();
    if (row < 0)
        return;
    if (m_supplies->state() != Data::RowSetState::Browse)
        m_supplies->cancel();
    m_dm.removeSupply(row);
    fillSupplies();
}

void TTfSupplierOrder3::next()
{
    m_providers->checkBrowseMode();
    if (m_supplies->state() != Data::RowSetState::Browse)
        m_supplies->post();
    try {
        m_dm.requireRates();
    } catch (const Abort&) {
        fillSupplies(currentSupply());
        throw;
    }
    const PreparedOrders prepared = m_dm.prepare();
    const int orders = int(prepared.orders.size());
    if (orders > 0 &&
        QMessageBox::question(this, windowTitle(), preparedText(orders), QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Ok) == QMessageBox::Ok) {
        try {
            m_saved = m_dm.save(prepared);
        } catch (const Exception& e) {
            QMessageBox::warning(this, windowTitle(), e.message());
        }
    }
    accept();
}

} // namespace Tarvo::SupplierOrders
