#include "WayBills/ui/twaybilleditor.h"

#include "catalog/ui/tfviewourprice.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "messaging/tourtvrexchange.h"
#include "shell/formactivationregistry.h"
#include "shell/tformactivation.h"
#include "shell/ui/menuhooks.h"
#include "widgets/guardedcommand.h"
#include "widgets/mdihost.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::WayBills {

const QString TWayBillEditor::SwitchQuestion = u"Поставка модифицировалась. Сохранить?"_s;

namespace {

namespace MdiHost = Widgets::MdiHost;

constexpr int FormType = 93;

QPointer<TWayBillEditor>& theEditor()
{
    static QPointer<TWayBillEditor> editor;
    return editor;
}

TWayBillEditor* editorToUse()
{
    if (TWayBillEditor* open = theEditor().data())
        return open;
    auto* editor = new TWayBillEditor(Data::Database::openMain());
    theEditor() = editor;
    MdiHost::adopt(editor);
    return editor;
}

struct HeaderField
{
    QString name;
    QString label;
    enum Kind
    {
        Text,
        Date,
        Number,
        Amount,
        Stage
    } kind;
};

const QList<HeaderField>& headerFields()
{
    static const QList<HeaderField> f{
        {u"swb_departure_platform"_s, u"Станция отправления"_s, HeaderField::Text},
        {u"swb_arrival_platform"_s, u"Станция назначения"_s, HeaderField::Text},
        {u"swb_department"_s, u"Дата отправления"_s, HeaderField::Date},
        {u"swb_car_doc_id"_s, u"Номер ж/д накладной"_s, HeaderField::Text},
        {u"swb_car_id"_s, u"Номер вагона"_s, HeaderField::Text},
        {u"swb_plan_arrival_date"_s, u"Планируемая дата прибытия"_s, HeaderField::Date},
        {u"swb_delivery_condition"_s, u"Условия поставки"_s, HeaderField::Text},
        {u"swb_transport_tariff"_s, u"Транспортный тариф"_s, HeaderField::Amount},
        {u"swb_stepname"_s, u"Этап"_s, HeaderField::Stage},
        {u"swb_consignor"_s, u"Грузоотправитель"_s, HeaderField::Text},
        {u"swb_dopnomer"_s, u"Доп. номер 1"_s, HeaderField::Number},
        {u"swb_stepdate"_s, u"Дата начала этапа"_s, HeaderField::Date},
        {u"swb_snomer"_s, u"Доп.номер 2"_s, HeaderField::Text}};
    return f;
}

using Columns = QList<Widgets::TDataGrid::Column>;

} // namespace

TWayBillEditor* TWayBillEditor::instance()
{
    return theEditor().data();
}

TWayBillEditor* TWayBillEditor::openWayBill(int swbId)
{
    const bool existed = instance();
    TWayBillEditor* editor = editorToUse();
    if (!editor->releaseDocument())
        return nullptr;
    if (!editor->guarded([&] { editor->loadWayBill(swbId); })) {
        if (!existed)
            MdiHost::frameOf(editor)->close();
        return nullptr;
    }
    MdiHost::bringForward(editor);
    return editor;
}

TWayBillEditor* TWayBillEditor::addOrder(int suoId, bool newWayBill)
{
    const bool existed = instance();
    TWayBillEditor* editor = editorToUse();
    if ((newWayBill || !editor->document().isOpen()) && !editor->releaseDocument())
        return nullptr;
    const bool ok = editor->guarded([&] {
        if (newWayBill || !editor->document().isOpen())
            editor->loadWayBill(0);
        editor->m_mode = Mode::Edit;
        editor->applyHeader();
        editor->document().addOrder(suoId);
        editor->showHeader();
        editor->updateCaption();
    });
    if (!ok && !existed) {
        MdiHost::frameOf(editor)->close();
        return nullptr;
    }
    MdiHost::bringForward(editor);
    return ok ? editor : nullptr;
}

void TWayBillEditor::registerEditor()
{
    // One editor for every waybill; the parameter is the waybill (0: a new one).
    class Activator : public Shell::TFormActivation
    {
    public:
        void activate(int parameter) override { TWayBillEditor::openWayBill(parameter); }
        int formType() const override { return FormType; }
    };
    if (!Shell::FormActivationRegistry::instance().contains(FormType))
        Shell::FormActivationRegistry::instance().add(std::make_unique<Activator>());
}

TWayBillEditor::TWayBillEditor(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<Tdm_WayBills>(&db)), m_db(db)
{
    setObjectName(u"TWayBillEditor"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(u"toolbar"_s);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto command = [this](const QString& name, const QString& text, const QKeySequence& key,
                                std::function<void()> run) {
        QAction* a = m_toolbar->addAction(text, this, [this, run] { run(); });
        a->setObjectName(name);
        a->setShortcut(key);
        return a;
    };
    command(u"actSave"_s, u"Сохранить"_s, QKeySequence::Save, [this] { save(); });
    command(u"actAddInvoice"_s, u"Добавить счет"_s, QKeySequence(Qt::CTRL | Qt::Key_I), [this] { addInvoice(); });
    command(u"actAddProduct"_s, u"Добавить товар к счету"_s, QKeySequence(Qt::Key_Insert), [this] { addProduct(); });
    command(u"actDeleteProduct"_s, u"Удалить товар"_s, QKeySequence(), [this] { deleteProduct(); });
    command(u"actDeleteInvoice"_s, u"Удалить поставщика"_s, QKeySequence(), [this] { deleteInvoice(); });
    command(u"actCopyIntoNew"_s, u"Копировать в новый"_s, QKeySequence(), [this] { copyIntoNew(); });
    command(u"actExit"_s, u"Выход"_s, QKeySequence(Qt::Key_Escape), [this] { MdiHost::frameOf(this)->close(); });
    layout->addWidget(m_toolbar);

    m_caption = new QLabel(this);
    m_caption->setObjectName(u"labelWayBill"_s);
    layout->addWidget(m_caption);
    auto* header = new QWidget(this);
    auto* columns = new QHBoxLayout(header);
    QFormLayout* forms[3] = {new QFormLayout, new QFormLayout, new QFormLayout};
    for (QFormLayout* f : forms)
        columns->addLayout(f);
    int i = 0;
    for (const HeaderField& f : headerFields()) {
        QFormLayout* form = forms[i++ * 3 / int(headerFields().size())];
        QWidget* editor = nullptr;
        if (f.kind == HeaderField::Date) {
            auto* d = new QDateEdit(header);
            d->setCalendarPopup(true);
            d->setDisplayFormat(u"dd.MM.yyyy"_s);
            connect(d, &QDateEdit::dateChanged, this, [this] {
                if (!m_showing)
                    guarded([this] { applyHeader(); });
            });
            m_dates.insert(f.name, d);
            editor = d;
        } else if (f.kind == HeaderField::Stage) {
            m_stage = new QComboBox(header);
            m_stage->setEditable(true);
            Data::Query q(db, u"select sph_phrase from scm_phrases order by sph_phrase"_s);
            q.exec();
            while (q.next())
                m_stage->addItem(q.string(0));
            m_stage->lineEdit()->setMaxLength(50);
            connect(m_stage->lineEdit(), &QLineEdit::editingFinished, this, [this] { guarded([this] { applyHeader(); }); });
            connect(m_stage, &QComboBox::activated, this, [this] { guarded([this] { applyHeader(); }); });
            editor = m_stage;
        } else {
            auto* e = new QLineEdit(header);
            const int size = m_doc->wayBills.field(m_doc->wayBills.fieldIndex(f.name)).size;
            if (size > 0)
                e->setMaxLength(size);
            connect(e, &QLineEdit::editingFinished, this, [this] { guarded([this] { applyHeader(); }); });
            m_texts.insert(f.name, e);
            editor = e;
        }
        editor->setObjectName(u"edit_"_s + f.name);
        auto* label = new QLabel(f.label, header);
        label->setBuddy(editor);
        form->addRow(label, editor);
    }
    for (const QString& f : {u"swb_weight"_s, u"swb_volume"_s}) {
        auto* e = new QLineEdit(header);
        e->setReadOnly(true);
        e->setObjectName(u"edit_"_s + f);
        forms[2]->addRow(m_doc->wayBills.field(m_doc->wayBills.fieldIndex(f)).caption(), e);
        m_texts.insert(f, e);
    }
    layout->addWidget(header);

    auto* split = new QSplitter(Qt::Vertical, this);
    const auto grid = [&](QWidget* parent, const QString& name, const QString& title, Data::TRowSet& rows,
                          const Columns& cols, const QString& section) {
        auto* box = new QWidget(parent);
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(new QLabel(title, box));
        auto* g = new Widgets::TDataGrid(box);
        g->setObjectName(name);
        g->setColumns(cols);
        g->setRowSet(&rows);
        g->setColumnsSection(u"TWayBillEditor"_s + section);
        l->addWidget(g, 1);
        return g;
    };
    m_invoices = grid(split, u"gridInvoices"_s, u"Инвойсы поставщиков"_s, m_doc->deliveryInvoices,
                      {{u"supplier_name"_s, u"Поставщик"_s, 160},
                       {u"sde_invoice_num"_s, u"№ счета поставщика"_s, 110},
                       {u"sde_invoice_date"_s, u"Дата счета"_s, 90},
                       {u"sde_currency"_s, u"Валюта"_s, 60},
                       {u"sclad_name"_s, u"Склад"_s, 120},
                       {u"sde_unic"_s, u"№ инвойса"_s, 90},
                       {u"sde_weightb"_s, u"Вес брутто"_s, 80},
                       {u"sde_boxes"_s, u"Кол-во мест"_s, 70},
                       {u"sde_tarif"_s, u"Тариф"_s, 80},
                       {u"sde_complited"_s, u"Закрыт"_s, 60}},
                      u"Invoives"_s);
    m_products = grid(split, u"gridProducts"_s, u"Товары по инвойсу"_s, m_doc->deliveredProduct,
                      {{u"pr_articul"_s, u"Артикул"_s, 90},
                       {u"sam_artc"_s, u"Арт. поставщика"_s, 90},
                       {u"pr_name"_s, u"Название"_s, 200},
                       {u"sdp_amount"_s, u"Кол-во"_s, 70},
                       {u"sdp_amount2"_s, u"План кол-во"_s, 70},
                       {u"sdp_sum"_s, u"Сумма"_s, 90},
                       {u"sdp_sum_val"_s, u"Вал сумма"_s, 90},
                       {u"sdp_weight"_s, u"Вес единицы"_s, 70},
                       {u"sdp_volume"_s, u"Объем единицы"_s, 70},
                       {u"total_weight"_s, u"Общий вес"_s, 80},
                       {u"total_volume"_s, u"Общий объем"_s, 80},
                       {u"sdp_certnum"_s, u"Ном серт"_s, 80},
                       {u"sdp_certdate"_s, u"Дата серт"_s, 80},
                       {u"sdp_certorg"_s, u"Выдан"_s, 100}},
                      u"InvoivesProducts"_s);
    auto* lower = new QSplitter(Qt::Horizontal, split);
    m_orders = grid(lower, u"gridOrders"_s, u"По заказам"_s, m_doc->orderInvoice,
                    {{u"sdi_suo_id"_s, u"Заказ"_s, 70},
                     {u"sdi_soa_deliverydate"_s, u"Дата подтверждения"_s, 110},
                     {u"sdi_amount"_s, u"Кол-во"_s, 80}},
                    u"Orders"_s);
    m_offers = grid(lower, u"gridOffers"_s, u"По заявкам"_s, m_doc->offerInvoice,
                    {{u"soi_bof_id"_s, u"Заявка"_s, 70}, {u"soi_amount"_s, u"Кол-во"_s, 80}, {u"received"_s, u"Принято"_s, 80}},
                    u"Offers"_s);
    layout->addWidget(split, 1);
    // Ctrl+Del removes the grid's current row with the rows below it.
    const auto removeKey = [this](Widgets::TDataGrid* g, const QString& name, std::function<void()> run) {
        auto* remove = new QAction(u"Удалить"_s, g);
        remove->setObjectName(name);
        remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
        remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        g->addAction(remove);
        connect(remove, &QAction::triggered, this, run);
    };
    removeKey(m_invoices, u"actDeleteInvoiceKey"_s, [this] { deleteInvoice(); });
    removeKey(m_products, u"actDeleteProductKey"_s, [this] { deleteProduct(); });
    for (Widgets::TDataGrid* g : {m_orders, m_offers}) {
        auto* remove = new QAction(u"Удалить"_s, g);
        remove->setObjectName(g == m_orders ? u"actDeleteOrderRow"_s : u"actDeleteRequestRow"_s);
        remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
        remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        g->addAction(remove);
        connect(remove, &QAction::triggered, this, [this, g] {
            if (m_mode == Mode::View)
                return;
            guarded([&] {
                if (g == m_orders)
                    m_doc->deleteOrderRow();
                else
                    m_doc->deleteRequestRow();
            });
            showHeader();
        });
    }
    // The weight follows the products at once.
    m_doc->wayBills.onChanged = [this] {
        if (!m_showing && !m_doc->wayBills.isEmpty())
            for (const QString& f : {u"swb_weight"_s, u"swb_volume"_s})
                m_texts.value(f)->setText(m_doc->wayBills.money(f).toString());
    };
    connect(m_doc.get(), &Data::TDefferedDataModule::modifiedChanged, this, [this] { updateCaption(); });
    resize(1000, 700);
    updateCaption();
}

TWayBillEditor::~TWayBillEditor()
{
    m_doc->wayBills.onChanged = nullptr;
    for (Widgets::TDataGrid* g : {m_offers, m_orders, m_products, m_invoices})
        g->setRowSet(nullptr);
}

bool TWayBillEditor::guarded(const std::function<void()>& action)
{
    return Widgets::guardedCommand(this, windowTitle(), action, Widgets::FailureBox::Warning);
}

void TWayBillEditor::updateCaption()
{
    const QString name = Shell::MenuHooks::tableCaption(u"scm_waybill"_s);
    const QString title = name.isEmpty() ? u"Посылка"_s : name;
    const QString text = m_doc->wayBillId() ? u"%1 %2"_s.arg(title).arg(m_doc->wayBillId()) : u"%1 (новая)"_s.arg(title);
    setWindowTitle(text);
    m_caption->setText(text + (m_mode == Mode::View ? u" — Просмотр"_s : u" — Редактирование"_s));
    const bool editable = m_mode == Mode::Edit;
    for (QLineEdit* e : m_texts)
        e->setReadOnly(!editable || e->objectName() == u"edit_swb_weight"_s || e->objectName() == u"edit_swb_volume"_s);
    for (QDateEdit* d : m_dates)
        d->setReadOnly(!editable);
    m_stage->setEnabled(editable);
    for (Widgets::TDataGrid* g : {m_invoices, m_products, m_orders, m_offers})
        g->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::AnyKeyPressed
                                    : QAbstractItemView::NoEditTriggers);
    for (QAction* a : m_toolbar->actions())
        if (a->objectName() != u"actExit"_s && a->objectName() != u"actCopyIntoNew"_s)
            a->setEnabled(editable);
}

void TWayBillEditor::showHeader()
{
    m_showing = true;
    auto& h = m_doc->wayBills;
    for (const HeaderField& f : headerFields()) {
        const QVariant v = h.isEmpty() ? QVariant() : h.value(f.name);
        if (f.kind == HeaderField::Date)
            m_dates.value(f.name)->setDate(v.isNull() ? QDate::currentDate() : v.toDateTime().date());
        else if (f.kind == HeaderField::Stage)
            m_stage->setEditText(v.toString());
        else if (f.kind == HeaderField::Amount)
            m_texts.value(f.name)->setText(v.isNull() ? QString() : Money::fromVariant(v).toString());
        else
            m_texts.value(f.name)->setText(v.toString());
    }
    for (const QString& f : {u"swb_weight"_s, u"swb_volume"_s})
        m_texts.value(f)->setText(h.isEmpty() ? QString() : h.money(f).toString());
    m_showing = false;
}

void TWayBillEditor::applyHeader()
{
    if (m_showing || m_mode == Mode::View || m_doc->wayBills.isEmpty())
        return;
    auto& h = m_doc->wayBills;
    QVariantMap changed;
    for (const HeaderField& f : headerFields()) {
        QVariant v;
        if (f.kind == HeaderField::Date) {
            v = QDateTime(m_dates.value(f.name)->date(), QTime(0, 0));
            if (h.value(f.name).toDateTime().date() == m_dates.value(f.name)->date())
                continue;
        } else {
            const QString text = (f.kind == HeaderField::Stage ? m_stage->currentText() : m_texts.value(f.name)->text()).trimmed();
            if (f.kind == HeaderField::Amount) {
                QString t = text;
                t.remove(u' ').replace(u',', u'.');
                const std::optional<Money> m = t.isEmpty() ? std::optional<Money>(Money()) : Money::parse(t);
                if (!m)
                    throw Exception(u"Поле \"%1\": \"%2\" не число"_s.arg(f.label, text));
                if (h.money(f.name) == *m && !h.isNull(f.name))
                    continue;
                v = m->toVariant();
            } else if (f.kind == HeaderField::Number) {
                bool ok = true;
                const int n = text.toInt(&ok);
                if (!text.isEmpty() && !ok)
                    throw Exception(u"Поле \"%1\" должно быть целым числом"_s.arg(f.label));
                v = text.isEmpty() ? QVariant() : QVariant(n);
                if (h.value(f.name).toString() == v.toString())
                    continue;
            } else {
                if (h.string(f.name) == text)
                    continue;
                v = text.isEmpty() ? QVariant() : QVariant(text);
            }
        }
        changed.insert(f.name, v);
    }
    if (changed.isEmpty())
        return;
    const bool browsing = h.state() == Data::RowSetState::Browse;
    if (browsing)
        h.edit();
    try {
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            h.setValue(it.key(), it.value());
    } catch (...) {
        if (browsing)
            h.cancel();
        m_showing = false;
        showHeader();
        throw;
    }
    if (browsing)
        h.post();
}

void TWayBillEditor::loadWayBill(int swbId)
{
    if (swbId > 0) {
        m_doc->loadWayBill(swbId);
        // Everything received: the waybill is history and opens for viewing.
        m_mode = m_doc->fullyReceived() ? Mode::View : Mode::Edit;
    } else {
        m_doc->newWayBill();
        m_mode = Mode::Edit;
    }
    showHeader();
    updateCaption();
}

bool TWayBillEditor::isModified()
{
    if (m_mode == Mode::View || !m_doc->isOpen())
        return false;
    bool modified = false;
    if (!guarded([&] {
            applyHeader();
            modified = m_doc->modified();
        }))
        return true;
    return modified;
}

bool TWayBillEditor::save()
{
    if (m_mode == Mode::View)
        return false;
    // A value still in a cell's editor is saved with the rest (Ctrl+S while typing).
    if (QWidget* focus = QApplication::focusWidget())
        for (Widgets::TDataGrid* g : {m_invoices, m_products, m_orders, m_offers})
            if (focus != g && g->isAncestorOf(focus)) {
                g->setFocus();
                break;
            }
    bool saved = false;
    if (!guarded([&] {
            applyHeader();
            saved = m_doc->saveDocument();
        }) ||
        !saved)
        return false;
    showHeader();
    updateCaption();
    QMessageBox::information(this, windowTitle(), Tdm_WayBills::SavedMessage);
    return true;
}

void TWayBillEditor::addInvoice()
{
    if (m_mode == Mode::View)
        return;
    guarded([this] { m_doc->addInvoice(); });
}

void TWayBillEditor::addProduct()
{
    if (m_mode == Mode::View)
        return;
    if (!m_productPicked.get()) {
        m_productPicked = Messaging::TRegistrationGuard(Messaging::DataRegistration().Register<Messaging::TOurTvrExchange>(
            [this](Messaging::TOurTvrExchange& e) {
                if (m_mode == Mode::View)
                    return;
                guarded([&] { m_doc->addProduct(e.productId); });
            },
            this));
    }
    if (!guarded([this] {
            if (m_doc->deliveryInvoices.isEmpty())
                throw Exception(u"Сначала добавьте инвойс поставщика"_s);
        }))
        return;
    Catalog::TfViewOurPrice::showChooser(m_db);
}

void TWayBillEditor::deleteProduct()
{
    if (m_mode == Mode::View)
        return;
    guarded([this] { m_doc->deleteProduct(); });
    showHeader();
}

void TWayBillEditor::deleteInvoice()
{
    if (m_mode == Mode::View)
        return;
    guarded([this] { m_doc->deleteInvoice(); });
    showHeader();
}

void TWayBillEditor::copyIntoNew()
{
    if (!releaseDocument())
        return;
    guarded([this] {
        m_doc->copyIntoNew();
        m_mode = Mode::Edit;
    });
    showHeader();
    updateCaption();
}

bool TWayBillEditor::releaseDocument()
{
    if (!isModified())
        return true;
    MdiHost::bringForward(this);
    const auto answer = QMessageBox::question(this, windowTitle(), SwitchQuestion,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer == QMessageBox::No || save();
}

void TWayBillEditor::closeEvent(QCloseEvent* event)
{
    if (!releaseDocument()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace Tarvo::WayBills
