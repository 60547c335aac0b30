#pragma once

#include <QDialog>

class QLineEdit;

namespace Tarvo::Security {

class TdmUsers;

// "Смена пароля" for the current row of the user list. A user changing their own password types
// the current one; an administrator (right 100003) setting another user's password does not,
// since a stored hash cannot be shown or recovered.
class TfSecurityUserPwd : public QDialog
{
    Q_OBJECT
public:
    TfSecurityUserPwd(TdmUsers& users, bool requireCurrent, QWidget* parent = nullptr);

    QLineEdit* currentEdit() const { return m_current; }
    QLineEdit* newEdit() const { return m_new; }
    QLineEdit* confirmEdit() const { return m_confirm; }

    // Opens the dialog for the list's current row with the rule above.
    static bool execute(TdmUsers& users, QWidget* parent = nullptr);

private:
    void save();

    TdmUsers& m_users;
    bool m_requireCurrent;
    QLineEdit* m_current;
    QLineEdit* m_new;
    QLineEdit* m_confirm;
};

} // namespace Tarvo::Security
