#include "SupplierOrders/ui/tedsupplierorder2.h"

#include "BusOffer/ui/editorwidgets.h"
#include "SupplierOrders/tsupplierproductexchange.h"
#include "core/exception.h"
#include "data/modules/tdatatablefieldmap.h"
#include "shell/ui/menuhooks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

using namespace BusOffer::EditorWidgets;
using BusOffer::OfferEditorRowSet;

const QString TedSupplierOrder2::LinesKey = u"SuoDetails"_s;

namespace {

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
    : LineEditorWindow(std::make_unique<SupplierOrderDocument>(db), parent), m_db(db)
{
    setObjectName(u"TedSupplierOrder2"_s);
    setWindowTitle(caption());
    QGroupBox* header = buildHeader();
    finish(header, lineColumns(), LinesKey, u"Товары заказа"_s, u"Дата доставки"_s,
           QList<QWidget*>{m_dopNomer, m_urgency, m_date, m_currency, m_description, m_sNomer, m_warehouse,
                           m_contract, m_accepted, m_planStart, m_planEnd, m_rubToVal, m_valToRub});
    resize(980, 600);
}

TedSupplierOrder2::~TedSupplierOrder2()
{
    released();
}

QGroupBox* TedSupplierOrder2::buildHeader()
{
    auto* box = new QGroupBox(this);
    box->setObjectName(u"headerBox"_s);
    auto* g = new QGridLayout(box);
    const auto label = [box](const QString& text, QWidget* buddy) { return buddyLabel(text, buddy, box); };
    m_number->setAccessibleName(u"Номер заказа"_s);
    m_supplier = new QLineEdit(box);
    m_supplier->setObjectName(u"edSupplier"_s);
    m_supplier->setReadOnly(true);
    m_supplier->setFocusPolicy(Qt::NoFocus);
    m_warehouse = new QComboBox(box);
    m_warehouse->setObjectName(u"cbWarehouse"_s);
    m_contract = new QComboBox(box);
    m_contract->setObjectName(u"cbContract"_s);
    m_contract->setMaxVisibleItems(24);
    m_contract->setMinimumContentsLength(24);
    m_accepted = new QCheckBox(u"Одобр&ен"_s, box);
    m_accepted->setObjectName(u"chkAccepted"_s);

    auto* plan = new QGroupBox(u"План"_s, box);
    plan->setObjectName(u"gbPlan"_s);
    auto* pl = new QHBoxLayout(plan);
    pl->addWidget(label(u"Нача&ло"_s, m_planStart));
    pl->addWidget(m_planStart);
    pl->addWidget(label(u"Коне&ц"_s, m_planEnd));
    pl->addWidget(m_planEnd);
    m_planStart->setAccessibleName(u"Начало"_s);
    m_planEnd->setAccessibleName(u"Конец"_s);

    placeCommonHeader(g, box, u"Кому"_s, m_supplier, u"&Дата заказа"_s);
    g->addWidget(label(u"С&клад"_s, m_warehouse), 4, 0);
    g->addWidget(m_warehouse, 4, 1);
    g->addWidget(label(u"Дого&вор"_s, m_contract), 4, 2);
    g->addWidget(m_contract, 4, 3);
    g->addWidget(m_accepted, 4, 4);
    g->addWidget(plan, 5, 0, 1, 4);
    g->addWidget(m_directionBox, 5, 4, 1, 2);

    writesChoice(m_warehouse, u"suo_id_sclad"_s);
    writesChoice(m_contract, u"dg_idst_id"_s);
    clearedByDelete(m_warehouse, u"suo_id_sclad"_s);
    clearedByDelete(m_contract, u"dg_idst_id"_s);
    connect(m_accepted, &QCheckBox::clicked, this,
            [this](bool on) { guarded([&] { document().setHeaderValue(u"suo_accepted"_s, on); }); });
    return box;
}

void TedSupplierOrder2::loadOrder(qint64 suoId)
{
    if (guarded([&] { document().open(suoId); }))
        opened();
}

void TedSupplierOrder2::newOrder(qint64 supplierId, const QString& supplierName)
{
    if (guarded([&] { document().openNew(supplierId, supplierName); }))
        opened();
}

void TedSupplierOrder2::opened()
{
    // The picker serves the order it was opened for.
    if (m_picker && m_picker->orderId() != document().suoId())
        m_picker->close();
    shown(u"sop_amount"_s, m_description);
}

void TedSupplierOrder2::fillOwn(const OfferEditorRowSet& h, bool open)
{
    SupplierOrderLookups& lookups = document().lookups();
    auto fill = [](QComboBox* box, const QList<SupplierOrderLookups::Item>& items, bool blank) {
        box->clear();
        if (blank)
            box->addItem(QString(), QVariant());
        for (const auto& i : items)
            box->addItem(i.text, i.key);
    };
    fill(m_urgency, lookups.urgencies(), true);
    fill(m_currency, lookups.currencies(), false);
    fill(m_warehouse, lookups.warehouses(), true);
    fill(m_contract, lookups.contracts(), true);
    auto value = [&](const QString& f) { return open ? h.value(f) : QVariant(); };
    auto select = [](QComboBox* box, const QVariant& key) {
        box->setCurrentIndex(std::max(0, indexOfKey(box, key)));
    };
    m_supplier->setText(value(u"name_user"_s).toString());
    select(m_warehouse, value(u"suo_id_sclad"_s));
    const QString contract = value(u"dg_idst_id"_s).toString();
    select(m_contract, contract.isEmpty() ? QVariant() : QVariant(contract));
    m_accepted->setChecked(value(u"suo_accepted"_s).toBool());
    // Approval is the right's holders' own.
    m_accepted->setEnabled(open && document().mayApprove());
}

void TedSupplierOrder2::stateShown()
{
    setWindowTitle(document().isOpen() ? caption() + u": "_s + document().title() : caption());
}

void TedSupplierOrder2::newProduct()
{
    SupplierOrderDocument& doc = document();
    if (!doc.isOpen())
        return;
    // The header is saved first: the lines need its number.
    if (!guarded([&] {
            doc.postHeader();
            doc.postLines();
        }))
        return;
    updateState();
    if (!doc.isSaved())
        return;
    if (!m_pickerCalls.get()) {
        m_pickerCalls =
            Messaging::TRegistrationGuard(Messaging::DataRegistration().Register<TSupplierProductExchange>(
                [this](TSupplierProductExchange& e) { exchange(e); }, this));
    }
    if (!m_picker) {
        m_picker = new TSelectSupplProducts(m_db, doc.supplierId(), doc.supplierName(), doc.suoId(), this);
        m_picker->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_picker->show();
    m_picker->raise();
    m_picker->activateWindow();
}

void TedSupplierOrder2::exchange(TSupplierProductExchange& e)
{
    SupplierOrderDocument& doc = document();
    if (!doc.isOpen() || e.supplierId != doc.supplierId())
        return;
    switch (e.operation) {
    case TSupplierProductExchange::Operation::Add:
        guarded([&] { doc.addProduct(e.product); });
        break;
    case TSupplierProductExchange::Operation::SetAmount:
        guarded([&] { doc.setAmount(e.product, e.amount); });
        break;
    case TSupplierProductExchange::Operation::ReadAmount:
    case TSupplierProductExchange::Operation::ReadFiltered:
        break;
    }
    if (e.reply)
        e.reply(e.operation == TSupplierProductExchange::Operation::ReadFiltered
                    ? doc.filteredProductAmount(e.product.productId)
                    : doc.productAmount(e.product.productId));
    updateState();
}

void TedSupplierOrder2::released()
{
    m_pickerCalls.reset();
    if (m_picker)
        m_picker->close();
}

bool TedSupplierOrder2::eventFilter(QObject* watched, QEvent* event)
{
    if (grid() && watched == grid() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        // Inserting a line asks the assortment for the product.
        newProduct();
        return true;
    }
    return LineEditorWindow::eventFilter(watched, event);
}

} // namespace Tarvo::SupplierOrders
