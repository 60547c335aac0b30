#pragma once

#include <QDialog>
#include <QVariant>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QWidget;

namespace Tarvo::Security {

class TdmUsers;

// "Карточка сотрудника" over the current row of the user list (put into edit state when it is
// not being inserted). "Сохранить" posts and closes only when the post succeeded, "Не сохранять"
// cancels; any other close asks "Сохранить изменения?" when something changed. The password is
// not on the card.
class TfSecurityUserEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TfSecurityUserEdit(TdmUsers& users, QWidget* parent = nullptr);

    // The editor of a column (for tests and the screen reader names).
    QWidget* editor(const QString& column) const;
    // Moves the editors' values into the row.
    void storeValues();
    bool isChanged() const;

    void done(int result) override;

private:
    struct Binding
    {
        QString column;
        QWidget* editor;
    };
    QVariant editorValue(const Binding& b) const;
    void setEditorValue(const Binding& b, const QVariant& value);
    QVariantList snapshot() const;
    bool post();

    TdmUsers& m_users;
    QList<Binding> m_bindings;
    QVariantList m_initial;
    bool m_closing = false;
};

} // namespace Tarvo::Security
