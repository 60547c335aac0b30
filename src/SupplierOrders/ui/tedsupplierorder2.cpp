#include "SupplierOrders/ui/tedsupplierorder2.h"

#include "BusOffer/ui/editorwidgets.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "BusOffer/ui/offereditorlinedelegate.h"
#include "SupplierOrders/tsupplierproductexchange.h"
#include "SupplierOrders/ui/tselectsupplproducts.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/ui/buttonshortcut.h"
#include "core/exception.h"
#include "data/modules/tdatatablefieldmap.h"
#include "shell/ui/menuhooks.h"
#include "widgets/tdatagrid.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

using namespace BusOffer::EditorWidgets;
using BusOffer::OfferEditorLineDelegate;
using BusOffer::OfferEditorRowSet;
using Direction = SupplierOrderDocument::Direction;

const QString TedSupplierOrder2::LinesKey = u"SuoDetails"_s;

namespace {

const QString DateField = u"sop_deliverydate"_s;

QString caption()
{
    const QString c = Shell::MenuHooks::tableCaption(u"su_orders"_s);
    return c.isEmpty() ? u"Заказ поставщику"_s : c;
}

// The lines' columns in their order, titled by the caption dictionary where it names them.
QList<Widgets::TDataGrid::Column> lineColumns()
{
    QList<Widgets::TDataGrid::Column> result{{u"sop_deliverydate"_s, u"Дата доставки"_s, 100},
                                             {u"sop_amount"_s, u"Количество"_s, 80},
                                             {u"sop_sum"_s, u"Сумма"_s, 100},
                                             {u"pr_name"_s, u"Наименование"_s, 200},
                                             {u"pr_articul"_s, u"Артикул"_s, 100},
                                             {u"sam_artc"_s, u"Артикул поставщика"_s, 100},
                                             {u"pr_dop1"_s, u"Доп. 1"_s, 80},
                                             {u"pr_dop2"_s, u"Доп. 2"_s, 80},
                                             {u"pr_dop3"_s, u"Доп. 3"_s, 80},
                                             {u"sop_price"_s, u"Цена"_s, 90},
                                             {u"sop_val_price"_s, u"Цена валютная"_s, 90},
                                             {u"sop_sum_valut"_s, u"Сумма валютная"_s, 100},
                                             {u"sop_ball"_s, u"Балл"_s, 60},
                                             {u"sop_balls"_s, u"Баллы"_s, 60},
                                             {u"sop_mark"_s, u"Особые отметки"_s, 160}};
    try {
        if (const Data::TableInfo* t = Data::TDataTableFieldMap::instance().findTable(u"orders_products"_s))
            for (auto& c : result)
                if (const Data::TFieldInfo* f = t->findField(c.field); f && !f->displayName.isEmpty())
                    c.title = f->displayName;
    } catch (const Exception&) {
        // No dictionary: the grid's own titles.
    }
    return result;
}

} // namespace

TedSupplierOrder2::TedSupplierOrder2(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_db(db), m_doc(std::make_unique<SupplierOrderDocument>(db))
{
    setObjectName(u"TedSupplierOrder2"_s);
    setWindowTitle(caption());
    auto* layout = new QVBoxLayout(this);
    buildHeader();
    buildLines();
    layout->addWidget(findChild<QGroupBox*>(u"headerBox"_s));
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    m_newProduct = new QPushButton(u"Нов. товар"_s, this);
    m_newProduct->setObjectName(u"btnNewProduct"_s);
    Catalog::bindShortcut(m_newProduct, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    m_deleteProduct = new QPushButton(u"Удал. товар"_s, this);
    m_deleteProduct->setObjectName(u"btnDeleteProduct"_s);
    Catalog::bindShortcut(m_deleteProduct, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m_save = new QPushButton(u"Сохранить"_s, this);
    m_save->setObjectName(u"btnSave"_s);
    Catalog::bindShortcut(m_save, QKeySequence(Qt::CTRL | Qt::Key_S));
    m_exit = new QPushButton(u"Выход"_s, this);
    m_exit->setObjectName(u"btnExit"_s);
    buttons->addWidget(m_newProduct);
    buttons->addWidget(m_deleteProduct);
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    connect(m_newProduct, &QPushButton::clicked, this, [this] { newProduct(); });
    connect(m_deleteProduct, &QPushButton::clicked, this, [this] { deleteProduct(); });
    connect(m_save, &QPushButton::clicked, this, [this] { save(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { closeWindow(); });

    const QList<QWidget*> order{m_dopNomer,  m_urgency,   m_date,     m_currency,   m_description, m_sNomer,
                                m_warehouse, m_contract,  m_accepted, m_planStart,  m_planEnd,     m_rubToVal,
                                m_valToRub,  m_grid,      m_newProduct, m_deleteProduct, m_save,   m_exit};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    resize(980, 600);
}

TedSupplierOrder2::~TedSupplierOrder2()
{
    m_pickerCalls.reset();
    if (m_picker)
        m_picker->close();
    m_grid->setRowSet(nullptr);
}

void TedSupplierOrder2::buildHeader()
{
    auto* box = new QGroupBox(this);
    box->setObjectName(u"headerBox"_s);
    auto* g = new QGridLayout(box);
    auto label = [box](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, box);
        l->setBuddy(buddy);
        return l;
    };
    auto readOnly = [box](const QString& name) {
        auto* e = new QLineEdit(box);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        return e;
    };

    m_number = new QLabel(box);
    m_number->setObjectName(u"lblNumber"_s);
    QFont bold = m_number->font();
    bold.setBold(true);
    m_number->setFont(bold);
    m_number->setAccessibleName(u"Номер заказа"_s);
    m_dopNomer = new QLineEdit(box);
    m_dopNomer->setObjectName(u"edDopNomer"_s);
    m_dopNomer->setValidator(new QIntValidator(0, std::numeric_limits<int>::max(), m_dopNomer));
    m_urgency = new QComboBox(box);
    m_urgency->setObjectName(u"cbUrgency"_s);
    m_supplier = readOnly(u"edSupplier"_s);
    m_date = dateEdit(box, u"deDate"_s);
    m_currency = new QComboBox(box);
    m_currency->setObjectName(u"cbCurrency"_s);
    m_sum = readOnly(u"edSum"_s);
    m_sum->setAlignment(Qt::AlignRight);
    m_sumValut = readOnly(u"edSumValut"_s);
    m_sumValut->setAlignment(Qt::AlignRight);
    m_description = new QLineEdit(box);
    m_description->setObjectName(u"edDescription"_s);
    m_description->setMaxLength(100);
    m_sNomer = new QLineEdit(box);
    m_sNomer->setObjectName(u"edSNomer"_s);
    m_sNomer->setMaxLength(20);
    m_warehouse = new QComboBox(box);
    m_warehouse->setObjectName(u"cbWarehouse"_s);
    m_contract = new QComboBox(box);
    m_contract->setObjectName(u"cbContract"_s);
    m_contract->setMaxVisibleItems(24);
    m_contract->setMinimumContentsLength(24);
    m_accepted = new QCheckBox(u"Одобр&ен"_s, box);
    m_accepted->setObjectName(u"chkAccepted"_s);
    m_planStart = dateEdit(box, u"dePlanStart"_s);
    m_planEnd = dateEdit(box, u"dePlanEnd"_s);

    auto* direction = new QGroupBox(u"Метод пересчета"_s, box);
    direction->setObjectName(u"gbDirection"_s);
    auto* dl = new QHBoxLayout(direction);
    m_rubToVal = new QRadioButton(u"из рублей в валюту"_s, direction);
    m_rubToVal->setObjectName(u"rbRubToVal"_s);
    m_valToRub = new QRadioButton(u"из валюты в рубли"_s, direction);
    m_valToRub->setObjectName(u"rbValToRub"_s);
    dl->addWidget(m_rubToVal);
    dl->addWidget(m_valToRub);
    m_directionGroup = new QButtonGroup(this);
    m_directionGroup->addButton(m_rubToVal, 0);
    m_directionGroup->addButton(m_valToRub, 1);

    auto* plan = new QGroupBox(u"План"_s, box);
    plan->setObjectName(u"gbPlan"_s);
    auto* pl = new QHBoxLayout(plan);
    pl->addWidget(label(u"Нача&ло"_s, m_planStart));
    pl->addWidget(m_planStart);
    pl->addWidget(label(u"Коне&ц"_s, m_planEnd));
    pl->addWidget(m_planEnd);
    m_planStart->setAccessibleName(u"План: начало"_s);
    m_planEnd->setAccessibleName(u"План: конец"_s);

    g->addWidget(m_number, 0, 0, 1, 2);
    g->addWidget(label(u"Дополнительный номер &1"_s, m_dopNomer), 0, 2);
    g->addWidget(m_dopNomer, 0, 3);
    g->addWidget(label(u"С&рочность"_s, m_urgency), 0, 4);
    g->addWidget(m_urgency, 0, 5);
    g->addWidget(label(u"Кому"_s, m_supplier), 1, 0);
    g->addWidget(m_supplier, 1, 1, 1, 3);
    g->addWidget(label(u"&Дата заказа"_s, m_date), 1, 4);
    g->addWidget(m_date, 1, 5);
    g->addWidget(label(u"&Код валюты"_s, m_currency), 2, 0);
    g->addWidget(m_currency, 2, 1);
    g->addWidget(label(u"Сумма"_s, m_sum), 2, 2);
    g->addWidget(m_sum, 2, 3);
    g->addWidget(label(u"Сумма валютная"_s, m_sumValut), 2, 4);
    g->addWidget(m_sumValut, 2, 5);
    g->addWidget(label(u"О&писание"_s, m_description), 3, 0);
    g->addWidget(m_description, 3, 1, 1, 3);
    g->addWidget(label(u"Дополнительный номер &2"_s, m_sNomer), 3, 4);
    g->addWidget(m_sNomer, 3, 5);
    g->addWidget(label(u"С&клад"_s, m_warehouse), 4, 0);
    g->addWidget(m_warehouse, 4, 1);
    g->addWidget(label(u"Дого&вор"_s, m_contract), 4, 2);
    g->addWidget(m_contract, 4, 3);
    g->addWidget(m_accepted, 4, 4);
    g->addWidget(plan, 5, 0, 1, 4);
    g->addWidget(direction, 5, 4, 1, 2);

    auto text = [this](QLineEdit* e, const QString& field, bool number) {
        connect(e, &QLineEdit::textEdited, this, [this, field, number](const QString& t) {
            if (m_filling)
                return;
            guarded([&] {
                m_doc->setHeaderValue(field, number ? (t.isEmpty() ? QVariant(QMetaType::fromType<qint64>())
                                                                  : QVariant(t.toLongLong()))
                                                    : QVariant(t));
            });
        });
    };
    text(m_dopNomer, u"suo_dopnomer"_s, true);
    text(m_description, u"suo_description"_s, false);
    text(m_sNomer, u"suo_snomer"_s, false);
    auto date = [this](QDateEdit* e, const QString& field) {
        connect(e, &QDateEdit::dateChanged, this, [this, e, field] {
            if (!m_filling)
                guarded([&] { m_doc->setHeaderValue(field, dateValue(e)); });
        });
        e->installEventFilter(this);
    };
    date(m_date, u"suo_date"_s);
    date(m_planStart, u"suo_plan_start"_s);
    date(m_planEnd, u"suo_plan_end"_s);
    auto choice = [this](QComboBox* box, const QString& field) {
        connect(box, &QComboBox::activated, this,
                [this, box, field](int i) { guarded([&] { m_doc->setHeaderValue(field, box->itemData(i)); }); });
        box->installEventFilter(this);
    };
    choice(m_urgency, u"Urgency_ID"_s);
    choice(m_warehouse, u"suo_id_sclad"_s);
    choice(m_contract, u"dg_idst_id"_s);
    connect(m_accepted, &QCheckBox::clicked, this, [this](bool on) {
        if (!guarded([&] { m_doc->setHeaderValue(u"suo_accepted"_s, on); }))
            fillHeader();
    });
    connect(m_currency, &QComboBox::activated, this, [this](int i) { currencyChosen(i); });
    m_currency->installEventFilter(this);
    connect(m_directionGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_doc->setDirection(id == 0 ? Direction::RoublesToCurrency : Direction::CurrencyToRoubles);
        applyDirection();
    });
}

void TedSupplierOrder2::buildLines()
{
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridLines"_s);
    m_grid->setAccessibleName(u"Товары заказа"_s);
    OfferEditorRowSet& lines = m_doc->lines();
    auto format = [&lines](const QString& field, const QString& f) {
        lines.field(lines.fieldIndex(field)).displayFormat = f;
    };
    format(DateField, u"dd.MM.yyyy"_s);
    format(u"sop_amount"_s, Catalog::MoneyFormats::quantity());
    format(u"sop_price"_s, Catalog::MoneyFormats::rouble());
    format(u"sop_sum"_s, Catalog::MoneyFormats::rouble());
    format(u"sop_sum_valut"_s, Catalog::MoneyFormats::currency());
    format(u"sop_val_price"_s, Catalog::MoneyFormats::currency());
    m_grid->setRowSet(&lines);
    m_grid->setColumns(lineColumns());
    m_grid->setColumnsSection(LinesKey);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_delegate = new OfferEditorLineDelegate([this](int column) { return m_grid->columnField(column); },
                                             [this](const QString& field) { return columnColour(field); }, this,
                                             DateField, u"Дата доставки"_s);
    m_grid->setItemDelegate(m_delegate);
    connect(m_delegate, &OfferEditorLineDelegate::fieldEdited, this,
            [this](const QString& field) { guarded([&] { m_doc->lineEdited(field); }); });
    connect(m_delegate, &OfferEditorLineDelegate::dateEllipsis, this, [this] { chooseDate(); },
            Qt::QueuedConnection);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { linesMenu()->popup(m_grid->viewport()->mapToGlobal(at)); });
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    m_linesChanged = lines.subscribeChanged([this](int) { updateState(); });
}

QMenu* TedSupplierOrder2::linesMenu()
{
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(u"menuLines"_s);
        QAction* all = m_menu->addAction(u"Установить все даты текущим значением"_s, this, [this] { setAllDates(); });
        all->setObjectName(u"actSetAllDates"_s);
        QAction* columns = m_menu->addAction(u"Настроить колонки"_s, this, [this] { m_grid->setupColumns(); });
        columns->setObjectName(u"actSetupColumns"_s);
    }
    m_menu->findChild<QAction*>(u"actSetAllDates"_s)
        ->setVisible(currentField().compare(DateField, Qt::CaseInsensitive) == 0 && !m_doc->lines().isEmpty());
    return m_menu;
}

QString TedSupplierOrder2::currentField() const
{
    const QModelIndex i = m_grid->currentIndex();
    return i.isValid() ? m_grid->columnField(i.column()) : QString();
}

QColor TedSupplierOrder2::columnColour(const QString& field) const
{
    const bool rub = m_doc->direction() == Direction::RoublesToCurrency;
    const bool rubSide = field.compare(u"sop_price"_s, Qt::CaseInsensitive) == 0 ||
                         field.compare(u"sop_sum"_s, Qt::CaseInsensitive) == 0;
    const bool valSide = field.compare(u"sop_val_price"_s, Qt::CaseInsensitive) == 0 ||
                         field.compare(u"sop_sum_valut"_s, Qt::CaseInsensitive) == 0;
    if (!rubSide && !valSide)
        return {};
    return rubSide == rub ? OfferEditorLineDelegate::inputColour() : OfferEditorLineDelegate::computedColour();
}

void TedSupplierOrder2::applyDirection()
{
    const bool rub = m_doc->direction() == Direction::RoublesToCurrency;
    m_rubToVal->setChecked(rub);
    m_valToRub->setChecked(!rub);
    m_grid->viewport()->update();
}

bool TedSupplierOrder2::guarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const Abort&) {
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    fillHeader();
    return false;
}

void TedSupplierOrder2::loadOrder(qint64 suoId)
{
    if (guarded([&] { m_doc->open(suoId); }))
        shown();
}

void TedSupplierOrder2::newOrder(qint64 supplierId, const QString& supplierName)
{
    if (guarded([&] { m_doc->openNew(supplierId, supplierName); }))
        shown();
}

void TedSupplierOrder2::shown()
{
    if (m_picker && m_picker->orderId() != m_doc->suoId())
        m_picker->close();
    fillHeader();
    applyDirection();
    m_grid->setCurrentIndex(m_grid->model()->index(0, m_grid->fieldColumn(u"sop_amount"_s)));
    (m_doc->isSaved() ? static_cast<QWidget*>(m_grid) : m_description)->setFocus();
}

void TedSupplierOrder2::fillHeader()
{
    m_filling = true;
    SupplierOrderLookups& lookups = m_doc->lookups();
    auto fill = [](QComboBox* box, const QList<SupplierOrderLookups::Item>& items, bool blank) {
        box->clear();
        if (blank)
            box->addItem(QString(), QVariant());
        for (const auto& i : items)
            box->addItem(i.text, i.key);
    };
    fill(m_urgency, lookups.urgencies(), true);
    fill(m_currency, lookups.currencies(), false);
    m_currency->setItemText(0, u"(рубли)"_s);
    fill(m_warehouse, lookups.warehouses(), true);
    fill(m_contract, lookups.contracts(), true);
    const OfferEditorRowSet& h = m_doc->header();
    const bool open = m_doc->isOpen();
    auto value = [&](const QString& f) { return open ? h.value(f) : QVariant(); };
    auto select = [](QComboBox* box, const QVariant& key) { box->setCurrentIndex(std::max(0, indexOfKey(box, key))); };
    m_dopNomer->setText(value(u"suo_dopnomer"_s).isNull() ? QString() : value(u"suo_dopnomer"_s).toString());
    select(m_urgency, value(u"Urgency_ID"_s));
    m_supplier->setText(value(u"name_user"_s).toString());
    showDate(m_date, value(u"suo_date"_s));
    const QString code = value(u"suo_cod_valut"_s).toString();
    select(m_currency, code.isEmpty() ? QVariant(QString()) : QVariant(code));
    m_description->setText(value(u"suo_description"_s).toString());
    m_sNomer->setText(value(u"suo_snomer"_s).toString());
    select(m_warehouse, value(u"suo_id_sclad"_s));
    const QString contract = value(u"dg_idst_id"_s).toString();
    select(m_contract, contract.isEmpty() ? QVariant() : QVariant(contract));
    m_accepted->setChecked(value(u"suo_accepted"_s).toBool());
    // Approval is the right's holders' own.
    m_accepted->setEnabled(open && m_doc->mayApprove());
    showDate(m_planStart, value(u"suo_plan_start"_s));
    showDate(m_planEnd, value(u"suo_plan_end"_s));
    m_filling = false;
    updateState();
}

void TedSupplierOrder2::updateState()
{
    if (!m_number)
        return;
    const bool open = m_doc->isOpen();
    m_newProduct->setEnabled(open);
    m_deleteProduct->setEnabled(open && !m_doc->lines().isEmpty());
    m_number->setText(open ? m_doc->title() : QString());
    setWindowTitle(open ? caption() + u": "_s + m_doc->title() : caption());
    if (open) {
        const OfferEditorRowSet& h = m_doc->header();
        m_sum->setText(Catalog::MoneyFormats::text(h.money(u"suo_sum"_s), QString()));
        m_sumValut->setText(Catalog::MoneyFormats::text(h.money(u"suo_sum_valut"_s), h.string(u"suo_cod_valut"_s)));
    }
}

void TedSupplierOrder2::save()
{
    guarded([&] {
        m_doc->postHeader();
        m_doc->postLines();
    });
    fillHeader();
}

void TedSupplierOrder2::newProduct()
{
    if (!m_doc->isOpen())
        return;
    // The header is saved first: the lines need its number.
    if (!guarded([&] {
            m_doc->postHeader();
            m_doc->postLines();
        }))
        return;
    updateState();
    if (!m_doc->isSaved())
        return;
    if (!m_pickerCalls.get()) {
        m_pickerCalls = Messaging::TRegistrationGuard(Messaging::DataRegistration().Register<TSupplierProductExchange>(
            [this](TSupplierProductExchange& e) { exchange(e); }, this));
    }
    if (!m_picker) {
        m_picker = new TSelectSupplProducts(m_db, m_doc->supplierId(), m_doc->supplierName(), m_doc->suoId(), this);
        m_picker->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_picker->show();
    m_picker->raise();
    m_picker->activateWindow();
}

void TedSupplierOrder2::exchange(TSupplierProductExchange& e)
{
    if (!m_doc->isOpen() || e.supplierId != m_doc->supplierId())
        return;
    switch (e.operation) {
    case TSupplierProductExchange::Operation::Add:
        guarded([&] { m_doc->addProduct(e.product); });
        break;
    case TSupplierProductExchange::Operation::SetAmount:
        guarded([&] { m_doc->setAmount(e.product, e.amount); });
        break;
    case TSupplierProductExchange::Operation::ReadAmount:
        break;
    }
    if (e.reply)
        e.reply(m_doc->productAmount(e.product.productId));
    updateState();
}

void TedSupplierOrder2::deleteProduct()
{
    if (m_doc->lines().isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить товар?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    guarded([&] { m_doc->deleteCurrentLine(); });
    updateState();
}

void TedSupplierOrder2::chooseDate()
{
    if (!guarded([&] { m_doc->postHeader(); }))
        return;
    OfferEditorRowSet& lines = m_doc->lines();
    if (lines.recNo() < 0)
        return;
    BusOffer::OfferEditorDateDialog dialog(lines.value(DateField).toDateTime().date(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    guarded([&] { m_doc->setLineDate(dialog.date()); });
}

void TedSupplierOrder2::setAllDates()
{
    m_grid->setUpdatesEnabled(false);
    guarded([&] { m_doc->setAllDates(); });
    m_grid->setUpdatesEnabled(true);
}

void TedSupplierOrder2::currencyChosen(int index)
{
    const QString code = m_currency->itemData(index).toString();
    if (!m_doc->isOpen() || code == m_doc->currencyCode())
        return;
    if (m_doc->isSaved() &&
        QMessageBox::question(this, windowTitle(), SupplierOrderDocument::CurrencyQuestion,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        fillHeader();
        return;
    }
    guarded([&] { m_doc->changeCurrency(code); });
    fillHeader();
}

bool TedSupplierOrder2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QDateEdit*>(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            focusNextPrevChild(key == Qt::Key_Tab && !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        const std::pair<QComboBox*, QString> cleared[] = {
            {m_urgency, u"Urgency_ID"_s}, {m_warehouse, u"suo_id_sclad"_s}, {m_contract, u"dg_idst_id"_s}};
        for (const auto& [box, field] : cleared) {
            if (watched != box)
                continue;
            box->setCurrentIndex(0);
            guarded([&] { m_doc->setHeaderValue(field, QVariant()); });
            return true;
        }
        if (watched == m_currency) {
            currencyChosen(0);
            return true;
        }
        if (auto* d = qobject_cast<QDateEdit*>(watched)) {
            d->setDate(NoDate);
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::FocusIn) {
        // Leaving the header for the lines saves it.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason) &&
            m_doc->isOpen() && guarded([&] { m_doc->postHeader(); }))
            updateState();
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        // Inserting a line asks the assortment for the product.
        newProduct();
        return true;
    }
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        newProduct();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TedSupplierOrder2::closeEvent(QCloseEvent* event)
{
    SupplierOrderDocument::Closing closing = SupplierOrderDocument::Closing::Nothing;
    try {
        closing = m_doc->close();
    } catch (const Abort&) {
        event->ignore();
        return;
    } catch (const Exception& e) {
        if (QMessageBox::question(this, windowTitle(),
                                  u"Заказ не сохранен: %1\r\nЗакрыть окно без сохранения?"_s.arg(e.message()),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_doc->discard();
    }
    m_pickerCalls.reset();
    if (m_picker)
        m_picker->close();
    if (closing == SupplierOrderDocument::Closing::Saved)
        QMessageBox::information(this, windowTitle(), SupplierOrderDocument::SavedMessage);
    event->accept();
}

void TedSupplierOrder2::closeWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

} // namespace Tarvo::SupplierOrders
