#include "Proformas/ui/tedproformainvoice.h"

#include "widgets/guardedcommand.h"
#include "widgets/mdihost.h"
#include "Proformas/ui/refusingdelegate.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
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

namespace Tarvo::Proformas {

const QString TedProformaInvoice::SavedMessage = u"Сохранено"_s;
const QString TedProformaInvoice::SwitchQuestion = u"Проформа модифицировалась. Сохранить?"_s;
const QString TedProformaInvoice::CloseQuestion = u"Документ изменился. Сохранить перед закрытием?"_s;

namespace {

namespace MdiHost = Widgets::MdiHost;

QPointer<TedProformaInvoice>& theEditor()
{
    static QPointer<TedProformaInvoice> editor;
    return editor;
}

TedProformaInvoice* editorToUse()
{
    if (TedProformaInvoice* open = theEditor().data())
        return open;
    auto* editor = new TedProformaInvoice(Data::Database::openMain());
    theEditor() = editor;
    MdiHost::adopt(editor);
    return editor;
}

// A number typed as users type it: spaces ignored, a comma as the decimal point.
Money typedMoney(const QString& text, const QString& field)
{
    QString t = text.trimmed();
    t.remove(u' ').replace(u',', u'.');
    if (t.isEmpty())
        return Money();
    const std::optional<Money> m = Money::parse(t);
    if (!m)
        throw Exception(u"Поле \"%1\": \"%2\" не число"_s.arg(field, text));
    return *m;
}

} // namespace

TedProformaInvoice* TedProformaInvoice::instance()
{
    return theEditor().data();
}

TedProformaInvoice* TedProformaInvoice::openNew(const QList<qint64>& orderIds)
{
    const bool existed = instance();
    TedProformaInvoice* editor = editorToUse();
    if (!editor->releaseDocument())
        return nullptr;
    if (!editor->guarded([&] { editor->loadNew(orderIds); })) {
        if (!existed)
            MdiHost::frameOf(editor)->close();
        return nullptr;
    }
    MdiHost::bringForward(editor);
    return editor;
}

TedProformaInvoice* TedProformaInvoice::openProforma(qint64 pfId, Mode mode)
{
    const bool existed = instance();
    TedProformaInvoice* editor = editorToUse();
    if (!editor->releaseDocument())
        return nullptr;
    if (!editor->guarded([&] { editor->loadProforma(pfId, mode); })) {
        if (!existed)
            MdiHost::frameOf(editor)->close();
        return nullptr;
    }
    MdiHost::bringForward(editor);
    return editor;
}

TedProformaInvoice::TedProformaInvoice(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<TdmEditProforma>(&db))
{
    setObjectName(u"TedProformaInvoice"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(u"toolbar"_s);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* saveAction = m_toolbar->addAction(u"Сохранить"_s, this, [this] { save(); });
    saveAction->setObjectName(u"actSave"_s);
    saveAction->setShortcut(QKeySequence::Save);
    QAction* sum = m_toolbar->addAction(u"Сумма тов"_s, this, [this] { sumFromProducts(); });
    sum->setObjectName(u"actSumFromProducts"_s);
    sum->setToolTip(u"Вычислить сумму счета из сумм товаров"_s);
    sum->setStatusTip(sum->toolTip());
    layout->addWidget(m_toolbar);

    auto* header = new QWidget(this);
    auto* columns = new QHBoxLayout(header);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    m_id = addField(left, u"editId"_s, u"Уникальный номер"_s, true);
    m_currency = addField(left, u"editCurrency"_s, u"Валюта"_s, true);
    m_supplier = addField(left, u"editSupplier"_s, u"Поставщик"_s, true);
    m_date = new QDateEdit(header);
    m_date->setObjectName(u"editDate"_s);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(u"dd.MM.yyyy"_s);
    auto* dateLabel = new QLabel(u"Дата"_s, header);
    dateLabel->setBuddy(m_date);
    left->addRow(dateLabel, m_date);
    m_number = addField(left, u"editNumber"_s, u"Номер"_s, false);
    m_extraNumber = addField(right, u"editExtraNumber"_s, u"Доп номер"_s, false);
    m_extraNumber->setMaxLength(20);
    m_sum = addField(right, u"editSum"_s, u"Сумма"_s, false);
    m_plan = addField(right, u"editPlan"_s, u"Схема оплат"_s, false);
    m_plan->setMaxLength(100);
    m_surcharge = addField(right, u"editSurcharge"_s, u"Доп.расходы"_s, false);
    layout->addWidget(header);
    for (QLineEdit* e : {m_number, m_extraNumber, m_sum, m_plan, m_surcharge})
        connect(e, &QLineEdit::editingFinished, this, [this] { guarded([this] { applyHeader(); }); });
    connect(m_date, &QDateEdit::dateChanged, this, [this] {
        if (!m_showing)
            guarded([this] { applyHeader(); });
    });

    auto* split = new QSplitter(Qt::Vertical, this);
    m_products = new Widgets::TDataGrid(split);
    m_products->setObjectName(u"gridProducts"_s);
    m_products->setColumns({{u"pr_articul"_s, u"Артикул"_s, 90},
                            {u"pr_name"_s, u"Наименование"_s, 220},
                            {u"amount"_s, u"Кол-во"_s, 80},
                            {u"price"_s, u"Цена"_s, 90},
                            {u"sum"_s, u"Сумма"_s, 100}});
    m_products->setRowSet(&m_doc->dsProducts);
    m_products->setColumnsSection(u"TedProformaInvoice.Products"_s);
    auto* lower = new QSplitter(Qt::Horizontal, split);
    m_parts = new Widgets::TDataGrid(lower);
    m_parts->setObjectName(u"gridParts"_s);
    m_parts->setColumns({{u"suo_id"_s, u"№ заказа"_s, 80},
                         {u"deliveryDate"_s, u"Дата отгр"_s, 100},
                         {u"Amount"_s, u"Кол-во"_s, 80},
                         {u"sde_id"_s, u"Инвойс"_s, 70},
                         {u"swb_id"_s, u"Посылка"_s, 70}});
    m_parts->setRowSet(&m_doc->dsProductsOrder);
    m_parts->setColumnsSection(u"TedProformaInvoice.Parts"_s);
    m_requests = new Widgets::TDataGrid(lower);
    m_requests->setObjectName(u"gridRequests"_s);
    m_requests->setColumns({{u"bof_id"_s, u"Заявка"_s, 70},
                            {u"amount"_s, u"Кол-во"_s, 80},
                            {u"bof_person"_s, u"Кому"_s, 100},
                            {u"bof_plan_start"_s, u"Период"_s, 100}});
    m_requests->setRowSet(&m_doc->dsProductsOffer);
    m_requests->setColumnsSection(u"TedProformaInvoice.Requests"_s);
    layout->addWidget(split, 1);
    for (Widgets::TDataGrid* g : {m_products, m_parts})
        g->setItemDelegate(new RefusingDelegate(g));
    // Ctrl+Del in a grid: a part goes with its request parts, a product with its parts.
    for (Widgets::TDataGrid* g : {m_products, m_parts}) {
        auto* remove = new QAction(u"Удалить"_s, g);
        remove->setObjectName(g == m_products ? u"actDeleteProduct"_s : u"actDeletePart"_s);
        remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
        remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        g->addAction(remove);
        connect(remove, &QAction::triggered, this, [this, g] { deleteRow(g == m_products); });
    }
    m_status = new QLabel(this);
    m_status->setObjectName(u"labelMode"_s);
    layout->addWidget(m_status);

    connect(m_doc.get(), &Data::TDefferedDataModule::modifiedChanged, this, [this] { updateCaption(); });
    resize(860, 600);
    updateCaption();
}

TedProformaInvoice::~TedProformaInvoice()
{
    for (Widgets::TDataGrid* g : {m_requests, m_parts, m_products})
        g->setRowSet(nullptr);
}

QLineEdit* TedProformaInvoice::addField(QFormLayout* form, const QString& name, const QString& label, bool readOnly)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    form->addRow(caption, edit);
    return edit;
}

bool TedProformaInvoice::guarded(const std::function<void()>& action)
{
    return Widgets::guardedCommand(this, windowTitle(), action, Widgets::FailureBox::Warning);
}

QString TedProformaInvoice::modeText() const
{
    switch (m_mode) {
    case Mode::New:
        return u"Новый"_s;
    case Mode::Edit:
        return u"Редактирование"_s;
    case Mode::View:
        return u"Просмотр"_s;
    }
    return {};
}

void TedProformaInvoice::updateCaption()
{
    switch (m_mode) {
    case Mode::New:
        setWindowTitle(u"Создание нового счета"_s);
        break;
    case Mode::Edit:
        setWindowTitle(u"Редактирование счета %1"_s.arg(m_doc->proformaId()));
        break;
    case Mode::View:
        setWindowTitle(u"Просмотр счета %1"_s.arg(m_doc->proformaId()));
        break;
    }
    m_status->setText(modeText());
    const bool editable = m_mode != Mode::View;
    for (QLineEdit* e : {m_number, m_extraNumber, m_sum, m_plan, m_surcharge})
        e->setReadOnly(!editable);
    m_date->setReadOnly(!editable);
    for (Widgets::TDataGrid* g : {m_products, m_parts})
        g->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::AnyKeyPressed
                                    : QAbstractItemView::NoEditTriggers);
    for (const char* name : {"actSave", "actSumFromProducts"})
        if (QAction* a = findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(editable);
}

void TedProformaInvoice::showHeader()
{
    m_showing = true;
    auto& h = m_doc->dsHead;
    h.first();
    const auto text = [&](const QString& f) { return h.isEmpty() || h.isNull(f) ? QString() : h.value(f).toString(); };
    const auto money = [&](const QString& f) {
        return h.isEmpty() || h.isNull(f) ? QString() : h.money(f).toString(2);
    };
    m_id->setText(text(u"pf_id"_s));
    m_currency->setText(text(u"pf_cod_valut"_s));
    m_supplier->setText(text(u"supplier_name"_s));
    m_date->setDate(h.isEmpty() ? QDate::currentDate() : h.value(u"pf_date"_s).toDateTime().date());
    m_number->setText(text(u"pf_dopnomer"_s));
    m_extraNumber->setText(text(u"pf_snomer"_s));
    m_sum->setText(money(u"pf_sum"_s));
    m_plan->setText(text(u"pf_plan_oplat"_s));
    m_surcharge->setText(money(u"pf_surcharge"_s));
    m_showing = false;
}

void TedProformaInvoice::applyHeader()
{
    if (m_showing || m_mode == Mode::View)
        return;
    auto& h = m_doc->dsHead;
    h.first();
    if (h.isEmpty())
        return;
    QVariant number;
    const QString numberText = m_number->text().trimmed();
    if (!numberText.isEmpty()) {
        bool ok = false;
        const int n = numberText.toInt(&ok);
        if (!ok)
            throw Exception(u"Номер счета должен быть целым числом"_s);
        number = n;
    }
    const Money sum = typedMoney(m_sum->text(), u"Сумма"_s);
    const Money surcharge = typedMoney(m_surcharge->text(), u"Доп.расходы"_s);
    const QVariant extra = m_extraNumber->text().isEmpty() ? QVariant() : QVariant(m_extraNumber->text());
    const QVariant plan = m_plan->text().isEmpty() ? QVariant() : QVariant(m_plan->text());
    const QDateTime date(m_date->date(), QTime(0, 0));
    // Written only when a field really changed, so that showing a document never marks it.
    const QString storedNumber = h.isNull(u"pf_dopnomer"_s) ? QString() : QString::number(h.integer(u"pf_dopnomer"_s));
    const bool same = storedNumber == (number.isNull() ? QString() : QString::number(number.toInt())) &&
                      h.money(u"pf_sum"_s) == sum && h.money(u"pf_surcharge"_s) == surcharge &&
                      h.string(u"pf_snomer"_s) == extra.toString() && h.string(u"pf_plan_oplat"_s) == plan.toString() &&
                      h.value(u"pf_date"_s).toDateTime().date() == date.date();
    if (same)
        return;
    h.edit();
    h.setValue(u"pf_dopnomer"_s, number);
    h.setValue(u"pf_sum"_s, sum.toVariant());
    h.setValue(u"pf_surcharge"_s, surcharge.toVariant());
    h.setValue(u"pf_snomer"_s, extra);
    h.setValue(u"pf_plan_oplat"_s, plan);
    h.setValue(u"pf_date"_s, date);
    h.post();
}

void TedProformaInvoice::loadNew(const QList<qint64>& orderIds)
{
    m_doc->loadFromOrders(orderIds);
    m_mode = Mode::New;
    showHeader();
    updateCaption();
}

void TedProformaInvoice::loadProforma(qint64 pfId, Mode mode)
{
    m_doc->loadProforma(pfId);
    m_mode = mode == Mode::View ? Mode::View : Mode::Edit;
    showHeader();
    updateCaption();
}

bool TedProformaInvoice::isModified()
{
    if (m_mode == Mode::View)
        return false;
    bool modified = false;
    if (!guarded([&] {
            applyHeader();
            modified = m_doc->modified();
        }))
        return true;
    return modified;
}

bool TedProformaInvoice::save()
{
    if (m_mode == Mode::View)
        return false;
    bool saved = false;
    if (!guarded([&] {
            applyHeader();
            saved = m_doc->saveDocument();
        }) ||
        !saved)
        return false;
    m_mode = Mode::Edit;
    showHeader();
    updateCaption();
    QMessageBox::information(this, windowTitle(), SavedMessage);
    return true;
}

void TedProformaInvoice::deleteRow(bool product)
{
    if (m_mode == Mode::View)
        return;
    Data::TRowSet& rows = product ? m_doc->dsProducts : m_doc->dsProductsOrder;
    guarded([&] {
        rows.checkBrowseMode();
        if (!rows.isEmpty())
            rows.remove();
    });
}

void TedProformaInvoice::sumFromProducts()
{
    guarded([&] {
        applyHeader();
        m_doc->sumFromProducts();
        showHeader();
    });
}

bool TedProformaInvoice::releaseDocument()
{
    if (m_doc->dsHead.clone()->isEmpty() || !isModified())
        return true;
    MdiHost::bringForward(this);
    const auto answer = QMessageBox::question(this, windowTitle(), SwitchQuestion,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer == QMessageBox::No || save();
}

void TedProformaInvoice::closeEvent(QCloseEvent* event)
{
    if (!m_doc->dsHead.clone()->isEmpty() && isModified()) {
        const auto answer = QMessageBox::question(this, windowTitle(), CloseQuestion,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !save())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace Tarvo::Proformas
