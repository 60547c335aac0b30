#include "security/ui/tfsecurityuseredit.h"

#include "core/exception.h"
#include "security/tdmusers.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace Tarvo::Security {

namespace {

// The empty date: a date edit shows its blank special text at the minimum.
const QDate NoDate(1900, 1, 1);

QLineEdit* lineEdit(int maxLength, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setMaxLength(maxLength);
    return e;
}

QComboBox* choice(const QStringList& values, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setEditable(true);
    c->addItems(values);
    c->lineEdit()->setMaxLength(60);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

QDateEdit* dateEdit(QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setMinimumDate(NoDate);
    d->setSpecialValueText(QStringLiteral(" "));
    return d;
}

} // namespace

TfSecurityUserEdit::TfSecurityUserEdit(TdmUsers& users, QWidget* parent) : QDialog(parent), m_users(users)
{
    setWindowTitle(QStringLiteral("Карточка сотрудника"));
    Data::TRowSet& ds = m_users.userQuery();
    if (ds.state() == Data::RowSetState::Browse)
        ds.edit();

    auto bind = [this](const QString& column, QWidget* editor) {
        editor->setObjectName(column);
        m_bindings << Binding{column, editor};
        return editor;
    };
    auto group = [this](const QString& title) {
        auto* g = new QGroupBox(title, this);
        auto* f = new QFormLayout(g);
        return std::make_pair(g, f);
    };

    auto [secrecy, secrecyForm] = group(QStringLiteral(" Секретность "));
    secrecyForm->addRow(QStringLiteral("&Логин"), bind(QStringLiteral("US_LOGIN"), lineEdit(20, this)));
    secrecyForm->addRow(QStringLiteral("&Описание"), bind(QStringLiteral("US_DESCR"), lineEdit(60, this)));
    secrecyForm->addRow(bind(QStringLiteral("US_ACTIVE"), new QCheckBox(QStringLiteral("&Активен"), this)));
    secrecyForm->addRow(bind(
        QStringLiteral("US_NEW_SECUR_ACTIVE"),
        new QCheckBox(QStringLiteral("Автоматически разрешать доступ к новым пунктам секретности"), this)));

    auto [general, generalForm] = group(QStringLiteral(" Общая информация "));
    generalForm->addRow(QStringLiteral("&ФИО"), bind(QStringLiteral("US_NAME"), lineEdit(60, this)));
    generalForm->addRow(QStringLiteral("Дол&жность"),
                        bind(QStringLiteral("US_POSITION"), choice(m_users.positions(), this)));
    generalForm->addRow(QStringLiteral("О&тдел"),
                        bind(QStringLiteral("US_DEP"), choice(m_users.departments(), this)));

    auto [contacts, contactsForm] = group(QStringLiteral(" Реквизиты для связи  "));
    auto mailRow = [&](const QString& column, const QString& label) {
        auto* row = new QWidget(this);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        auto* edit = static_cast<QLineEdit*>(bind(column, lineEdit(60, this)));
        auto* send = new QPushButton(QStringLiteral("Отправить письмо"), row);
        send->setAutoDefault(false);
        send->setAccessibleName(QStringLiteral("Отправить письмо: ") +
                                QString(label).remove(QLatin1Char('&')));
        h->addWidget(edit);
        h->addWidget(send);
        connect(send, &QPushButton::clicked, this, [edit] {
            if (!edit->text().trimmed().isEmpty())
                QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + edit->text().trimmed()));
        });
        contactsForm->addRow(label, row);
        if (auto* l = qobject_cast<QLabel*>(contactsForm->labelForField(row)))
            l->setBuddy(edit);
    };
    mailRow(QStringLiteral("US_EMAILINSIDE"), QStringLiteral("Почта (вну&т)"));
    mailRow(QStringLiteral("US_EMAIL"), QStringLiteral("По&чта"));
    contactsForm->addRow(QStringLiteral("Телефон (в&нут)"),
                         bind(QStringLiteral("US_PHONEINSIDE"), lineEdit(10, this)));
    contactsForm->addRow(QStringLiteral("Телефон (до&м)"),
                         bind(QStringLiteral("US_PHONE"), lineEdit(20, this)));
    contactsForm->addRow(QStringLiteral("Телефон (мо&б)"),
                         bind(QStringLiteral("US_PHONE_MOB"), lineEdit(20, this)));
    contactsForm->addRow(QStringLiteral("&Комната"), bind(QStringLiteral("US_ROOMNUM"), lineEdit(10, this)));

    auto [dates, datesForm] = group(QStringLiteral(" Даты "));
    datesForm->addRow(QStringLiteral("Дата &приёма"), bind(QStringLiteral("US_DATEIN"), dateEdit(this)));
    datesForm->addRow(QStringLiteral("Дата &рождения"), bind(QStringLiteral("US_DATEBRD"), dateEdit(this)));
    datesForm->addRow(QStringLiteral("Дата &увольнения"), bind(QStringLiteral("US_DATEOUT"), dateEdit(this)));

    auto* noteForm = new QFormLayout;
    noteForm->addRow(QStringLiteral("Пр&имечание"), bind(QStringLiteral("US_NOTE"), lineEdit(60, this)));

    Widgets::DialogButtons buttons(this, QStringLiteral("Сохранить"), QStringLiteral("Не сохранять"), false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] {
        storeValues();
        if (post())
            QDialog::done(Accepted);
    });
    disconnect(buttons.box(), &QDialogButtonBox::rejected, this, nullptr);
    connect(buttons.rejectButton(), &QPushButton::clicked, this, [this] {
        m_users.userQuery().cancel();
        QDialog::done(Rejected);
    });

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(secrecy);
    left->addWidget(general);
    auto* right = new QVBoxLayout;
    right->addWidget(contacts);
    right->addWidget(dates);
    top->addLayout(left);
    top->addLayout(right);
    layout->addLayout(top);
    layout->addLayout(noteForm);
    layout->addWidget(buttons.box());

    for (const Binding& b : std::as_const(m_bindings))
        setEditorValue(b, ds.value(b.column));
    m_initial = snapshot();
    editor(QStringLiteral("US_LOGIN"))->setFocus();
}

QWidget* TfSecurityUserEdit::editor(const QString& column) const
{
    for (const Binding& b : m_bindings)
        if (b.column.compare(column, Qt::CaseInsensitive) == 0)
            return b.editor;
    return nullptr;
}

QVariant TfSecurityUserEdit::editorValue(const Binding& b) const
{
    if (auto* e = qobject_cast<QLineEdit*>(b.editor))
        return e->text().trimmed().isEmpty() ? QVariant() : QVariant(e->text().trimmed());
    if (auto* c = qobject_cast<QComboBox*>(b.editor))
        return c->currentText().trimmed().isEmpty() ? QVariant() : QVariant(c->currentText().trimmed());
    if (auto* c = qobject_cast<QCheckBox*>(b.editor))
        return c->isChecked();
    if (auto* d = qobject_cast<QDateEdit*>(b.editor))
        return d->date() == NoDate ? QVariant() : QVariant(QDateTime(d->date(), QTime(0, 0)));
    return {};
}

void TfSecurityUserEdit::setEditorValue(const Binding& b, const QVariant& value)
{
    if (auto* e = qobject_cast<QLineEdit*>(b.editor))
        e->setText(value.toString());
    else if (auto* c = qobject_cast<QComboBox*>(b.editor))
        c->setCurrentText(value.toString());
    else if (auto* c = qobject_cast<QCheckBox*>(b.editor))
        c->setChecked(value.toBool());
    else if (auto* d = qobject_cast<QDateEdit*>(b.editor))
        d->setDate(value.isNull() ? NoDate : value.toDateTime().date());
}

QVariantList TfSecurityUserEdit::snapshot() const
{
    QVariantList r;
    for (const Binding& b : m_bindings)
        r << editorValue(b);
    return r;
}

bool TfSecurityUserEdit::isChanged() const
{
    return snapshot() != m_initial;
}

void TfSecurityUserEdit::storeValues()
{
    Data::TRowSet& ds = m_users.userQuery();
    if (ds.state() == Data::RowSetState::Browse)
        return;
    for (const Binding& b : std::as_const(m_bindings))
        ds.setValue(b.column, editorValue(b));
}

bool TfSecurityUserEdit::post()
{
    try {
        m_users.userQuery().post();
        m_users.refreshLookups();
        return true;
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return false;
    }
}

void TfSecurityUserEdit::done(int result)
{
    // Esc, the window's close button: the close rules of the card.
    Data::TRowSet& ds = m_users.userQuery();
    if (ds.state() == Data::RowSetState::Browse || m_closing) {
        QDialog::done(result);
        return;
    }
    if (!isChanged()) {
        ds.cancel();
        QDialog::done(Rejected);
        return;
    }
    const auto answer = QMessageBox::question(this, windowTitle(), QStringLiteral("Сохранить изменения?"),
                                              QMessageBox::Ok | QMessageBox::No, QMessageBox::Ok);
    if (answer == QMessageBox::Ok) {
        storeValues();
        if (!post())
            return;
        QDialog::done(Accepted);
        return;
    }
    ds.cancel();
    QDialog::done(Rejected);
}

} // namespace Tarvo::Security
