#include "SupplierOrders/ui/tfsupplierorder.h"

#include "widgets/guardedcommand.h"
#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/ui/formgrids.h"
#include "SupplierOrders/ui/tpreparedsupplierorders.h"
#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
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
} // namespace

QString TfSupplierOrder::title()
{
    return u"Формирование заказа поставщику"_s;
}

QString TfSupplierOrder::nothingToOrderText()
{
    return u"Нет товаров для заказа."_s;
}

TfSupplierOrder::TfSupplierOrder(Data::Database& db, std::unique_ptr<SupplierOrderForming> forming, QWidget* parent)
    : TSaveForm(parent), m_db(db), m_forming(std::move(forming)), m_products(std::make_unique<Data::TRowSet>()),
      m_suppliers(std::make_unique<Data::TRowSet>()), m_assignments(std::make_unique<Data::TRowSet>())
{
    setObjectName(u"TfSupplierOrder"_s);
    setWindowTitle(title());

    FormGrids::define(*m_products,
                      {{u"pr_id"_s, int(FieldType::Integer), u"Код"_s},
                       {u"pr_articul"_s, int(FieldType::String), u"Артикул"_s},
                       {u"pr_name"_s, int(FieldType::String), u"Наименование"_s},
                       {u"required_amount"_s, int(FieldType::Money), u"Требуется"_s},
                       {u"assigned_amount"_s, int(FieldType::Money), u"Назначено"_s},
                       {u"bof_str"_s, int(FieldType::String), u"Заявки"_s},
                       {u"urgency_name"_s, int(FieldType::String), u"Срочность"_s}},
                      u"orders_products"_s);
    FormGrids::define(*m_suppliers,
                      {{u"sam_prv_id"_s, int(FieldType::Integer), u"Код поставщика"_s},
                       {u"name_user"_s, int(FieldType::String), u"Поставщик"_s},
                       {u"sam_artc"_s, int(FieldType::String), u"Артикул поставщика"_s},
                       {u"sam_price"_s, int(FieldType::Money), u"Цена"_s},
                       {u"sam_codval"_s, int(FieldType::String), u"Валюта"_s},
                       {u"rub_price"_s, int(FieldType::Money), u"Цена руб."_s},
                       {u"sam_minpartia"_s, int(FieldType::Money), u"Мин. партия"_s},
                       {u"sam_deliverydelay"_s, int(FieldType::Integer), u"Задержка доставки"_s},
                       {u"sam_chaindelay"_s, int(FieldType::Integer), u"Время в пути"_s}},
                      {});
    FormGrids::define(*m_assignments,
                      {{u"supplier_id"_s, int(FieldType::Integer), u"Код поставщика"_s},
                       {u"name_user"_s, int(FieldType::String), u"Поставщик"_s},
                       {u"assigned_amount"_s, int(FieldType::Money), u"Количество"_s},
                       {u"cod_valut"_s, int(FieldType::String), u"Валюта"_s},
                       {u"sop_price"_s, int(FieldType::Money), u"Цена руб."_s}},
                      {});
    for (int i = 0; i < m_assignments->fieldCount(); ++i)
        m_assignments->field(i).readOnly = m_assignments->field(i).name != u"assigned_amount"_s;
    m_assignments->validate = [this](Data::TRowSet&, int field, const QVariant& value) {
        return typedAmount(field, value);
    };

    m_productsGrid = FormGrids::make(this, u"gridProducts"_s, u"Товары для заказа"_s, *m_products,
                                     {u"pr_articul"_s, u"pr_name"_s, u"required_amount"_s, u"assigned_amount"_s,
                                      u"bof_str"_s, u"urgency_name"_s},
                                     u"TfSupplierOrder.Products"_s);
    m_suppliersGrid = FormGrids::make(this, u"gridSuppliers"_s, u"Поставщики выбранного товара"_s, *m_suppliers,
                                      {u"name_user"_s, u"sam_artc"_s, u"sam_price"_s, u"sam_codval"_s,
                                       u"rub_price"_s, u"sam_minpartia"_s, u"sam_deliverydelay"_s,
                                       u"sam_chaindelay"_s},
                                      u"TfSupplierOrder.Suppliers"_s);
    m_assignmentsGrid = FormGrids::make(this, u"gridAssignments"_s, u"Заказать у поставщика"_s, *m_assignments,
                                        {u"name_user"_s, u"assigned_amount"_s, u"cod_valut"_s, u"sop_price"_s},
                                        u"TfSupplierOrder.Assignments"_s);
    m_assignmentsGrid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                                       QAbstractItemView::DoubleClicked);
    m_assignmentsGrid->setSelectionBehavior(QAbstractItemView::SelectItems);

    auto* remove = new QAction(u"Удалить назначение"_s, m_assignmentsGrid);
    remove->setObjectName(u"actRemoveAssignment"_s);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this] { guarded([this] { removeCurrentAssignment(); }); });
    m_assignmentsGrid->addAction(remove);
    connect(m_suppliersGrid, &Widgets::TDataGrid::rowActivated, this,
            [this] { guarded([this] { assignRestToCurrentSupplier(); }); });

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->setObjectName(u"HSplit"_s);
    lower->addWidget(titled(lower, u"Поставщики выбранного товара (Enter — назначить остаток)"_s, m_suppliersGrid));
    lower->addWidget(titled(lower, u"Заказать у поставщика"_s, m_assignmentsGrid));
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(u"VSplit"_s);
    split->addWidget(titled(split, u"Товары для заказа"_s, m_productsGrid));
    split->addWidget(lower);

    auto* nextButton = new QPushButton(u"Далее"_s, this);
    nextButton->setObjectName(u"btnNext"_s);
    nextButton->setDefault(true);
    auto* closeButton = new QPushButton(u"Закрыть"_s, this);
    closeButton->setObjectName(u"btnClose"_s);
    connect(nextButton, &QPushButton::clicked, this, [this] { guarded([this] { next(); }); });
    connect(closeButton, &QPushButton::clicked, this, &TfSupplierOrder::closeWindow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(nextButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    setTabOrder(m_productsGrid, m_suppliersGrid);
    setTabOrder(m_suppliersGrid, m_assignmentsGrid);
    setTabOrder(m_assignmentsGrid, nextButton);
    setTabOrder(nextButton, closeButton);

    m_productMoved = m_products->subscribeScrolled([this] {
        if (!m_filling && currentProduct() != m_shownProduct)
            scheduleRefill();
    });
    fillProducts(0);
    m_productsGrid->setFocus();
}

TfSupplierOrder::~TfSupplierOrder()
{
    for (Widgets::TDataGrid* g : {m_productsGrid, m_suppliersGrid, m_assignmentsGrid})
        g->setRowSet(nullptr);
}

void TfSupplierOrder::guarded(const std::function<void()>& command)
{
    Widgets::guardedCommand(this, windowTitle(), command, Widgets::FailureBox::Warning);
}

qint64 TfSupplierOrder::currentProduct() const
{
    if (m_products->recNo() < 0)
        return 0;
    return m_products->integer(u"pr_id"_s);
}

void TfSupplierOrder::fillProductRows()
{
    m_products->clearRows();
    for (const OpenProduct& p : m_forming->products())
        m_products->appendLoaded({p.productId, p.article, p.name, p.required.toVariant(),
                                  m_forming->assigned(p.productId).toVariant(), p.requests, p.urgencyName});
}

void TfSupplierOrder::fillProducts(qint64 keepProduct)
{
    m_filling = true;
    try {
        fillProductRows();
        if (keepProduct == 0 || !m_products->locate({u"pr_id"_s}, {keepProduct}))
            m_products->first();
    } catch (...) {
        m_filling = false;
        throw;
    }
    m_filling = false;
    fillSuppliers();
    fillAssignments();
}

void TfSupplierOrder::fillSuppliers()
{
    const qint64 product = currentProduct();
    m_shownProduct = product;
    m_suppliers->clearRows();
    if (product == 0)
        return;
    for (const SupplierOffer& o : m_forming->offers(product))
        m_suppliers->appendLoaded({o.supplierId, o.supplierName, o.article, o.price.toVariant(), o.currency,
                                   o.roublePrice ? o.roublePrice->toVariant() : QVariant(), o.minLot.toVariant(),
                                   o.deliveryDelay, o.chainDelay});
    m_suppliers->first();
}

void TfSupplierOrder::fillAssignments()
{
    m_assignments->clearRows();
    for (const SupplierAssignment& a : m_forming->assignmentsOf(currentProduct()))
        m_assignments->appendLoaded(
            {a.supplierId, a.supplierName, a.amount.toVariant(), a.currency, a.roublePrice.toVariant()});
    m_assignments->first();
}

void TfSupplierOrder::scheduleRefill()
{
    if (m_refillPending)
        return;
    m_refillPending = true;
    // Not from inside the row set's own notification or the grid's commit of a typed value.
    QTimer::singleShot(0, this, [this] {
        m_refillPending = false;
        if (currentProduct() != m_shownProduct) {
            if (m_assignments->state() != Data::RowSetState::Browse)
                m_assignments->cancel();
            fillSuppliers();
            fillAssignments();
            return;
        }
        // A typed amount the document took: kept in its row, so the grid stays where it is.
        if (m_assignments->state() != Data::RowSetState::Browse)
            m_assignments->post();
        showAssignedTotal();
    });
}

void TfSupplierOrder::showAssignedTotal()
{
    const qint64 product = currentProduct();
    if (product == 0)
        return;
    const QVariant total = m_forming->assigned(product).toVariant();
    if (Money::fromVariant(m_products->value(u"assigned_amount"_s)) == Money::fromVariant(total))
        return;
    m_filling = true;
    try {
        m_products->edit();
        m_products->forceValue(m_products->fieldIndex(u"assigned_amount"_s), total);
        m_products->post();
    } catch (...) {
        m_filling = false;
        throw;
    }
    m_filling = false;
}

bool TfSupplierOrder::typedAmount(int field, const QVariant& value)
{
    if (m_assignments->field(field).name != u"assigned_amount"_s)
        return true;
    // A refusal leaves the row as it was (the grid says why); an amount taken is posted in the
    // row once the grid has closed its editor.
    m_forming->assign(currentProduct(), m_assignments->integer(u"supplier_id"_s), Money::fromVariant(value));
    scheduleRefill();
    return true;
}

void TfSupplierOrder::assignRestToCurrentSupplier()
{
    const qint64 product = currentProduct();
    if (product == 0 || m_suppliers->recNo() < 0)
        return;
    const qint64 supplier = m_suppliers->integer(u"sam_prv_id"_s);
    m_forming->assignRest(product, supplier);
    fillAssignments();
    showAssignedTotal();
    m_assignments->locate({u"supplier_id"_s}, {supplier});
}

void TfSupplierOrder::removeCurrentAssignment()
{
    if (m_assignments->recNo() < 0)
        return;
    m_forming->assign(currentProduct(), m_assignments->integer(u"supplier_id"_s), Money());
    fillAssignments();
    showAssignedTotal();
}

void TfSupplierOrder::next()
{
    if (m_forming->assignments().isEmpty())
        throw Exception(u"Ни одному поставщику не назначено количество товара"_s);
    const PreparedOrders prepared = m_forming->prepare();
    TPreparedSupplierOrders dialog(*m_forming, prepared, this);
    dialog.exec();
    // Saved or refused, what is open now is read again (a refusal drops the assignments too).
    if (!dialog.savedOrders().isEmpty() || dialog.refused())
        reload();
}

void TfSupplierOrder::reload()
{
    const qint64 product = currentProduct();
    m_forming->open();
    if (m_forming->isEmpty()) {
        QMessageBox::information(this, windowTitle(), nothingToOrderText());
        closeWindow();
        return;
    }
    fillProducts(product);
}

void TfSupplierOrder::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        closeWindow();
        return;
    }
    TSaveForm::keyPressEvent(event);
}

void TfSupplierOrder::closeWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

} // namespace Tarvo::SupplierOrders
