#include "Payments/ui/tfrmedpayment.h"

#include "Payments/ui/editorframe.h"
#include "widgets/mdihost.h"
#include "Payments/ui/partnerfield.h"
#include "Payments/ui/tfselectpf.h"
#include "Proformas/ui/refusingdelegate.h"
#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "widgets/guardedcommand.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString TfrmEdPayment::CloseQuestion = u"Платеж модифицировался. Сохранить?"_s;

namespace {

QHash<qint64, QPointer<TfrmEdPayment>>& openPayments()
{
    static QHash<qint64, QPointer<TfrmEdPayment>> open;
    return open;
}

// A number as users type it: blanks ignored, a comma as the decimal point.
QVariant typedMoney(const QString& text, const QString& field)
{
    if (text.trimmed().isEmpty())
        return QVariant(QMetaType::fromType<Money>());
    const std::optional<Money> m = Money::parse(text);
    if (!m)
        throw Exception(u"Поле \"%1\": \"%2\" не число"_s.arg(field, text));
    return m->toVariant();
}

} // namespace

TfrmEdPayment* TfrmEdPayment::openNew()
{
    auto* editor = new TfrmEdPayment(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadNew(); })) {
        delete editor;
        return nullptr;
    }
    Widgets::MdiHost::show(editor);
    return editor;
}

TfrmEdPayment* TfrmEdPayment::openPayment(qint64 spmId, bool view)
{
    if (TfrmEdPayment* open = openPayments().value(spmId).data()) {
        Widgets::MdiHost::bringForward(open);
        return open;
    }
    auto* editor = new TfrmEdPayment(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadPayment(spmId, view); })) {
        delete editor;
        return nullptr;
    }
    Widgets::MdiHost::show(editor);
    return editor;
}

TfrmEdPayment::TfrmEdPayment(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<TdmEditPayment>(&db))
{
    setObjectName(u"TfrmEdPayment"_s);
    setWindowTitle(u"Платеж"_s);
    EditorFrame frame(this);
    QVBoxLayout* layout = frame.layout();
    frame.command(u"actSave"_s, u"Сохранить"_s, QKeySequence::Save, [this] { save(); });
    frame.command(u"actAddProforma"_s, u"Добавить счет"_s, QKeySequence(Qt::Key_Insert), [this] { addProformas(); });
    QAction* remove = frame.command(u"actDeleteProforma"_s, u"Удалить счет"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete),
                                    [this] { deleteRow(); });

    auto* header = new QWidget(this);
    auto* columns = new QHBoxLayout(header);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    const auto line = [&](QFormLayout* form, const QString& name, const QString& label) {
        return EditorFrame::line(form, header, name, label);
    };
    m_id = line(left, u"editId"_s, u"Уник номер"_s);
    m_id->setReadOnly(true);
    m_date = new QDateEdit(header);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(u"dd.MM.yyyy"_s);
    EditorFrame::row(left, m_date, u"editDate"_s, u"Дата"_s);
    m_sum = line(left, u"editSum"_s, u"Сумма"_s);
    m_number = line(left, u"editNumber"_s, u"Номер"_s);
    m_number->setMaxLength(20);
    m_extraNumber = line(left, u"editExtraNumber"_s, u"Доп номер"_s);
    m_extraNumber->setMaxLength(20);
    // Payers are our own organisations, recipients suppliers.
    m_payer = new PartnerField(db, Catalog::PartnerList::Kind::Ours, u"От кого"_s, header);
    EditorFrame::row(left, m_payer, u"fieldPayer"_s, u"От кого"_s);
    QStringList codes{u""_s};
    {
        Data::Query q(db, u"select CODVALUT from VALUTCOD order by CODVALUT"_s);
        q.exec();
        while (q.next())
            codes << q.string(0);
    }
    // Created in the order shown, so that Tab follows the form.
    const auto currencyBox = [&] {
        auto* c = new QComboBox(header);
        for (const QString& code : codes)
            c->addItem(code, code);
        return c;
    };
    m_currency = currencyBox();
    EditorFrame::row(right, m_currency, u"comboCurrency"_s, u"Код валюты"_s);
    m_recipient = new PartnerField(db, Catalog::PartnerList::Kind::Suppliers, u"Кому"_s, header);
    EditorFrame::row(right, m_recipient, u"fieldRecipient"_s, u"Кому"_s);
    // Another recipient would leave rows of the former one's proformas.
    m_recipient->beforePick = [this] { m_doc->checkUndistributed(); };
    m_currency2 = currencyBox();
    EditorFrame::row(right, m_currency2, u"comboCurrency2"_s, u"Валюта поставщика"_s);
    m_sum2 = line(right, u"editSum2"_s, u"Сумма поставщика"_s);
    m_cash = new QComboBox(header);
    m_cash->addItem(u"Бнал"_s, 0);
    m_cash->addItem(u"Нал"_s, 1);
    EditorFrame::row(right, m_cash, u"comboCash"_s, u"Наличный"_s);
    layout->addWidget(header);

    connect(m_date, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { apply(u"spm_date"_s, QDateTime(d, QTime(0, 0))); });
    connect(m_sum, &QLineEdit::editingFinished, this, [this] {
        if (!m_showing && m_sum->isModified())
            guarded([this] { apply(u"spm_sum"_s, typedMoney(m_sum->text(), u"Сумма"_s)); });
    });
    connect(m_sum2, &QLineEdit::editingFinished, this, [this] {
        if (!m_showing && m_sum2->isModified())
            guarded([this] { apply(u"spm_sum2"_s, typedMoney(m_sum2->text(), u"Сумма поставщика"_s)); });
    });
    connect(m_number, &QLineEdit::editingFinished, this, [this] {
        if (m_number->isModified())
            apply(u"spm_inum"_s, m_number->text().trimmed());
    });
    connect(m_extraNumber, &QLineEdit::editingFinished, this, [this] {
        if (m_extraNumber->isModified())
            apply(u"spm_snum"_s, m_extraNumber->text().trimmed());
    });
    const auto comboField = [this](QComboBox* c, const QString& field) {
        connect(c, &QComboBox::activated, this, [this, c, field] { apply(field, c->currentData()); });
    };
    connect(m_payer, &PartnerField::picked, this, [this](qint64 id) { apply(u"spm_payer"_s, id); });
    connect(m_recipient, &PartnerField::picked, this, [this](qint64 id) { apply(u"spm_recipient"_s, id); });
    comboField(m_currency, u"spm_cod_valut"_s);
    comboField(m_currency2, u"spm_cod_valut2"_s);
    comboField(m_cash, u"spm_nal"_s);

    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridProformas"_s);
    m_grid->setAccessibleName(u"Счета платежа"_s);
    m_grid->setColumns({{u"spp_pf_id"_s, u"№ счета"_s, 80},
                        {u"pf_dopnomer"_s, u"Номер"_s, 70},
                        {u"pf_snomer"_s, u"Доп номер"_s, 90},
                        {u"pf_total"_s, u"Сумма счета"_s, 110},
                        {u"spp_sum"_s, u"Сумма"_s, 110}});
    m_grid->setRowSet(&m_doc->Body);
    m_grid->setColumnsSection(u"TfrmEdPaymentBody"_s);
    m_grid->setItemDelegate(new Proformas::RefusingDelegate(m_grid));
    m_grid->addAction(remove);
    layout->addWidget(m_grid, 1);
    m_rest = new QLabel(this);
    m_rest->setObjectName(u"labelRest"_s);
    layout->addWidget(m_rest);
    m_status = new QLabel(this);
    m_status->setObjectName(u"labelMode"_s);
    layout->addWidget(m_status);
    m_doc->Body.onChanged = [this, previous = m_doc->Body.onChanged] {
        if (previous)
            previous();
        if (!m_showing)
            showHeader();
    };
    resize(760, 520);
}

TfrmEdPayment::~TfrmEdPayment()
{
    m_grid->setRowSet(nullptr);
    if (m_doc->paymentId())
        openPayments().remove(m_doc->paymentId());
}

bool TfrmEdPayment::guarded(const std::function<void()>& action)
{
    return Widgets::guardedCommand(this, windowTitle(), action, Widgets::FailureBox::Warning);
}

QString TfrmEdPayment::modeText() const
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

void TfrmEdPayment::apply(const QString& field, const QVariant& value)
{
    if (m_showing || m_mode == Mode::View)
        return;
    const bool ok = guarded([&] {
        auto& d = m_doc->qData;
        if (d.state() == Data::RowSetState::Browse)
            d.edit();
        d.setValue(field, value);
    });
    Q_UNUSED(ok);
    showHeader();
}

void TfrmEdPayment::showHeader()
{
    m_showing = true;
    auto& d = m_doc->qData;
    const bool any = !d.isEmpty() || d.state() == Data::RowSetState::Insert;
    const auto text = [&](const QString& f) { return !any || d.isNull(f) ? QString() : d.value(f).toString(); };
    const QString code = text(u"spm_cod_valut"_s), code2 = text(u"spm_cod_valut2"_s);
    m_id->setText(text(u"spm_id"_s));
    m_date->setDate(any && !d.isNull(u"spm_date"_s) ? d.value(u"spm_date"_s).toDateTime().date() : QDate::currentDate());
    m_sum->setText(!any || d.isNull(u"spm_sum"_s) ? QString() : Catalog::MoneyFormats::text(d.money(u"spm_sum"_s), code));
    m_sum2->setText(!any || d.isNull(u"spm_sum2"_s) ? QString()
                                                     : Catalog::MoneyFormats::text(d.money(u"spm_sum2"_s), code2));
    m_number->setText(text(u"spm_inum"_s));
    m_extraNumber->setText(text(u"spm_snum"_s));
    m_payer->showPartner(any ? d.value(u"spm_payer"_s) : QVariant());
    m_recipient->showPartner(any ? d.value(u"spm_recipient"_s) : QVariant());
    m_currency->setCurrentIndex(qMax(0, m_currency->findData(code)));
    m_currency2->setCurrentIndex(qMax(0, m_currency2->findData(code2)));
    m_cash->setCurrentIndex(any && d.value(u"spm_nal"_s).toInt() == 1 ? 1 : 0);
    for (QLineEdit* e : {m_sum, m_sum2, m_number, m_extraNumber})
        e->setModified(false);
    m_rest->setText(u"Свободный остаток: %1"_s.arg(Catalog::MoneyFormats::text(m_doc->freeRest(), code2)));
    m_showing = false;
}

void TfrmEdPayment::updateMode()
{
    const bool editable = m_mode != Mode::View;
    setWindowTitle(m_mode == Mode::New ? u"Платеж"_s : u"Платеж %1"_s.arg(m_doc->paymentId()));
    m_status->setText(modeText());
    for (QLineEdit* e : {m_sum, m_sum2, m_number, m_extraNumber})
        e->setReadOnly(!editable);
    m_date->setReadOnly(!editable);
    for (QComboBox* c : {m_currency, m_currency2, m_cash})
        c->setEnabled(editable);
    m_payer->setEditable(editable);
    m_recipient->setEditable(editable);
    m_grid->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::AnyKeyPressed
                                     : QAbstractItemView::NoEditTriggers);
    for (const char* name : {"actSave", "actAddProforma", "actDeleteProforma"})
        if (QAction* a = findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(editable);
}

void TfrmEdPayment::loadNew()
{
    m_doc->newPayment();
    m_mode = Mode::New;
    showHeader();
    updateMode();
}

void TfrmEdPayment::loadPayment(qint64 spmId, bool view)
{
    m_doc->loadPayment(spmId);
    m_mode = view || m_doc->exportedNumber() ? Mode::View : Mode::Edit;
    openPayments().insert(spmId, this);
    showHeader();
    updateMode();
}

bool TfrmEdPayment::save()
{
    if (m_mode == Mode::View)
        return false;
    bool saved = false;
    if (!guarded([&] { saved = m_doc->saveDocument(); }) || !saved)
        return false;
    if (m_mode == Mode::New)
        openPayments().insert(m_doc->paymentId(), this);
    m_mode = Mode::Edit;
    showHeader();
    updateMode();
    return true;
}

void TfrmEdPayment::addProformas()
{
    if (m_mode == Mode::View)
        return;
    guarded([this] {
        m_doc->qData.checkBrowseMode();
        m_doc->checkCanAdd();
        TfSelectPf chooser(*m_doc, this);
        chooser.exec();
    });
    showHeader();
}

void TfrmEdPayment::deleteRow()
{
    if (m_mode == Mode::View)
        return;
    guarded([this] {
        m_doc->Body.checkBrowseMode();
        if (!m_doc->Body.isEmpty())
            m_doc->Body.remove();
    });
    showHeader();
}

void TfrmEdPayment::closeEvent(QCloseEvent* event)
{
    bool changed = false;
    if (m_mode == Mode::New && m_doc->untouched()) {
        event->accept();
        return;
    }
    if (m_mode != Mode::View && !guarded([&] { changed = m_doc->modified(); }))
        changed = true;
    if (changed && !EditorFrame::mayClose(this, CloseQuestion, [this] { return save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace Tarvo::Payments
