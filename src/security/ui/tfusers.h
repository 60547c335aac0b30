#pragma once

#include "shell/ui/tsaveform.h"

#include <memory>

class QLabel;
class QToolBar;

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Security {

class TdmUsers;

// "Сотрудники": the user list with "Правка" (Ins, F4, Ctrl+Del), "Найти", "Настройка" (toolbar
// appearance) and "Выход"; a double click or Enter edits.
class TfUsers : public Shell::TSaveForm
{
    Q_OBJECT
public:
    explicit TfUsers(QWidget* parent = nullptr);
    ~TfUsers() override;

    TdmUsers& users() { return *m_users; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    QString statusText() const;

    void addUser();
    void editUser();
    void deleteUser();

    // The one window of the main menu's "Пользователи" (an MDI child of the main window).
    static TfUsers* open();

private:
    void updateStatus();
    void setToolbarStyle(Qt::ToolButtonStyle style);

    std::unique_ptr<TdmUsers> m_users;
    Widgets::TDataGrid* m_grid;
    QToolBar* m_toolbar;
    QLabel* m_status;
};

} // namespace Tarvo::Security
