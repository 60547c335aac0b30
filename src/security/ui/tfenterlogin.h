#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace Tarvo::Security {

// "Введите имя и пароль": the server and database, a login picked from the list (no free text),
// the password.
class TfEnterLogin : public QDialog
{
    Q_OBJECT
public:
    TfEnterLogin(const QString& server, const QString& database, const QStringList& logins,
                 const QString& proposedLogin, QWidget* parent = nullptr);

    QString login() const;
    QString password() const;
    void setLogin(const QString& login);
    QComboBox* loginBox() const { return m_login; }
    QLineEdit* passwordEdit() const { return m_password; }

private:
    QComboBox* m_login;
    QLineEdit* m_password;
};

} // namespace Tarvo::Security
