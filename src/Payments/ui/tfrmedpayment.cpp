#include "Payments/ui/tfrmedpayment.h"

#include "Payments/ui/mdihost.h"
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
#include <QMessageBox>
#include <QPointer>
#include <QToolBar>
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

void selectData(QComboBox* combo, const QVariant& value)
{
    int i = value.isNull() ? -1 : combo->findData(value.toString());
    combo->setCurrentIndex(i);
}

} // namespace

TfrmEdPayment* TfrmEdPayment::openNew()
{
    auto* editor = new TfrmEdPayment(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadNew(); })) {
        delete editor;
        return nullptr;
    }
    MdiHost::show(editor);
    return editor;
}

TfrmEdPayment* TfrmEdPayment::openPayment(qint64 spmId, bool view)
{
    if (TfrmEdPayment* open = openPayments().value(spmId).data()) {
        MdiHost::bringForward(open);
        return open;
    }
    auto* editor = new TfrmEdPayment(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadPayment(spmId, view); })) {
        delete editor;
        return nullptr;
    }
    MdiHost::show(editor);
    return editor;
}

TfrmEdPayment::TfrmEdPayment(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<TdmEditPayment>(&db))
{
    setObjectName(u"TfrmEdPayment"_s);
    setWindowTitle(u"Платеж"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(u"toolbar"_s);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* saveAction = toolbar->addAction(u"Сохранить"_s, this, [this] { save(); });
    saveAction->setObjectName(u"actSave"_s);
    saveAction->setShortcut(QKeySequence::Save);
    QAction* add = toolbar->addAction(u"Добавить счет"_s, this, [this] { addProformas(); });
    add->setObjectName(u"actAddProforma"_s);
    add->setShortcut(QKeySequence(Qt::Key_Insert));
    add->setShortcutContext(Qt::WindowShortcut);
    QAction* remove = toolbar->addAction(u"Удалить счет"_s, this, [this] { deleteRow(); });
    remove->setObjectName(u"actDeleteProforma"_s);
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    layout->addWidget(toolbar);

    auto* header = new QWidget(this);
    auto* columns = new QHBoxLayout(header);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    const auto row = [&](QFormLayout* form, QWidget* w, const QString& name, const QString& label) {
        w->setObjectName(name);
        auto* l = new QLabel(label, header);
        l->setBuddy(w);
        form->addRow(l, w);
    };
    const auto line = [&](QFormLayout* form, const QString& name, const QString& label) {
        auto* e = new QLineEdit(header);
        row(form, e, name, label);
        return e;
    };
    m_id = line(left, u"editId"_s, u"Уник номер"_s);
    m_id->setReadOnly(true);
    m_date = new QDateEdit(header);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(u"dd.MM.yyyy"_s);
    row(left, m_date, u"editDate"_s, u"Дата"_s);
    m_sum = line(left, u"editSum"_s, u"Сумма"_s);
    m_number = line(left, u"editNumber"_s, u"Номер"_s);
    m_number->setMaxLength(20);
    m_extraNumber = line(left, u"editExtraNumber"_s, u"Доп номер"_s);
    m_extraNumber->setMaxLength(20);
    m_payer = partnerCombo(db, u"comboPayer"_s, u"Я"_s);
    row(left, m_payer, u"comboPayer"_s, u"От кого"_s);
    m_currency = new QComboBox(header);
    m_currency2 = new QComboBox(header);
    for (QComboBox* c : {m_currency, m_currency2}) {
        c->addItem(QString(), u""_s);
        Data::Query q(db, u"select CODVALUT, NAMEVALUT from VALUTCOD order by CODVALUT"_s);
        q.exec();
        while (q.next())
            c->addItem(q.string(0), q.string(0));
    }
    row(right, m_currency, u"comboCurrency"_s, u"Код валюты"_s);
    m_recipient = partnerCombo(db, u"comboRecipient"_s, u"Т"_s);
    row(right, m_recipient, u"comboRecipient"_s, u"Кому"_s);
    row(right, m_currency2, u"comboCurrency2"_s, u"Валюта поставщика"_s);
    m_sum2 = line(right, u"editSum2"_s, u"Сумма поставщика"_s);
    m_cash = new QComboBox(header);
    m_cash->addItem(u"Бнал"_s, 0);
    m_cash->addItem(u"Нал"_s, 1);
    row(right, m_cash, u"comboCash"_s, u"Наличный"_s);
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
    comboField(m_payer, u"spm_payer"_s);
    comboField(m_recipient, u"spm_recipient"_s);
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

QComboBox* TfrmEdPayment::partnerCombo(Data::Database& db, const QString& name, const QString& kind)
{
    auto* c = new QComboBox(this);
    c->setObjectName(name);
    Data::Query q(db, u"select p.par_id, n.NAME_USER, n.N_USER from scm_partner p join _partner n on n.N_USER = p.par_nuser "
                  "where n.MY_ORGANIZ = ? order by n.NAME_USER"_s);
    q.bindAll({kind}).exec();
    while (q.next())
        c->addItem(q.string(1).isEmpty() ? q.string(2) : q.string(1), QString::number(q.integer(0)));
    return c;
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
    selectData(m_payer, any ? d.value(u"spm_payer"_s) : QVariant());
    selectData(m_recipient, any ? d.value(u"spm_recipient"_s) : QVariant());
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
    for (QComboBox* c : {m_payer, m_recipient, m_currency, m_currency2, m_cash})
        c->setEnabled(editable);
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
    if (changed) {
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

} // namespace Tarvo::Payments
