#include "security/ui/tfenterlogin.h"

#include "widgets/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace Tarvo::Security {

namespace {

QLineEdit* readOnlyLine(const QString& text, QWidget* parent)
{
    auto* e = new QLineEdit(text, parent);
    e->setReadOnly(true);
    e->setFrame(false);
    e->setFocusPolicy(Qt::NoFocus);
    // A server name or a database path is read whole, not cut at the dialog's edge.
    e->setMinimumWidth(qMin(e->fontMetrics().horizontalAdvance(text) + 16, 640));
    e->setCursorPosition(0);
    e->setToolTip(text);
    return e;
}

} // namespace

TfEnterLogin::TfEnterLogin(const QString& server, const QString& database, const QStringList& logins,
                           const QString& proposedLogin, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Введите имя и пароль"));
    auto* form = new QFormLayout;
    QLineEdit* serverEdit = readOnlyLine(server, this);
    serverEdit->setObjectName(QStringLiteral("edServer"));
    QLineEdit* baseEdit = readOnlyLine(database, this);
    baseEdit->setObjectName(QStringLiteral("edBase"));
    m_login = new QComboBox(this);
    m_login->setObjectName(QStringLiteral("cbLogin"));
    m_login->setEditable(false);
    QStringList sorted = logins;
    sorted.sort(Qt::CaseInsensitive);
    m_login->addItems(sorted);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Сервер"), serverEdit);
    form->addRow(QStringLiteral("База"), baseEdit);
    form->addRow(QStringLiteral("&Логин"), m_login);
    form->addRow(QStringLiteral("&Пароль"), m_password);
    Widgets::DialogButtons buttons(this, QStringLiteral("Ок"), QStringLiteral("Отменить"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box());
    setLogin(proposedLogin);
    if (m_login->count() > 0 && !proposedLogin.isEmpty() && m_login->currentText() == proposedLogin)
        m_password->setFocus();
    else
        m_login->setFocus();
}

void TfEnterLogin::setLogin(const QString& login)
{
    const int i = login.isEmpty() ? -1 : m_login->findText(login, Qt::MatchExactly);
    m_login->setCurrentIndex(i >= 0 ? i : (m_login->count() > 0 ? 0 : -1));
}

QString TfEnterLogin::login() const
{
    return m_login->currentText();
}

QString TfEnterLogin::password() const
{
    return m_password->text();
}

} // namespace Tarvo::Security
