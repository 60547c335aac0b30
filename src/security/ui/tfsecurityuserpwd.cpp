#include "security/ui/tfsecurityuserpwd.h"

#include "security/currentuser.h"
#include "security/rights.h"
#include "security/tdmusers.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace Tarvo::Security {

namespace {

QLineEdit* passwordEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(100);
    return e;
}

} // namespace

TfSecurityUserPwd::TfSecurityUserPwd(TdmUsers& users, bool requireCurrent, QWidget* parent)
    : QDialog(parent), m_users(users), m_requireCurrent(requireCurrent)
{
    setWindowTitle(QStringLiteral("Смена пароля"));
    auto* form = new QFormLayout;
    auto* name = new QLineEdit(users.userQuery().string(QStringLiteral("US_NAME")), this);
    name->setReadOnly(true);
    m_current = passwordEdit(this);
    m_current->setObjectName(QStringLiteral("edCurrent"));
    m_current->setEnabled(requireCurrent);
    m_new = passwordEdit(this);
    m_new->setObjectName(QStringLiteral("edNew"));
    m_confirm = passwordEdit(this);
    m_confirm->setObjectName(QStringLiteral("edConfirm"));
    form->addRow(QStringLiteral("По&льзователь"), name);
    form->addRow(QStringLiteral("&Текущий пароль"), m_current);
    form->addRow(QStringLiteral("&Новый пароль"), m_new);
    form->addRow(QStringLiteral("Новый пароль (&подтверждение)"), m_confirm);
    Widgets::DialogButtons buttons(this, QStringLiteral("Сохранить"), QStringLiteral("Не сохранять"), false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, &TfSecurityUserPwd::save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box());
    (requireCurrent ? m_current : m_new)->setFocus();
}

void TfSecurityUserPwd::save()
{
    if (m_requireCurrent && !m_users.passwordMatches(m_current->text())) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Введен неверный текущий пароль!"));
        return;
    }
    if (m_new->text() != m_confirm->text()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Новый пароль и его подтверждение не совпадают!"));
        return;
    }
    m_users.setPassword(m_new->text());
    QMessageBox::information(this, windowTitle(), QStringLiteral("Пароль изменен успешно!"));
    accept();
}

bool TfSecurityUserPwd::execute(TdmUsers& users, QWidget* parent)
{
    if (users.userQuery().isEmpty())
        return false;
    const bool own = users.currentUserId() == CurrentUserId();
    const bool administrator = !own && CurrentUserId() != 0 && HasRight(Right::Users);
    TfSecurityUserPwd dialog(users, !administrator, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace Tarvo::Security
