#pragma once

#include <QDialog>

class QTreeWidget;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// "Права на пункт меню": every user with "Разрешен" or "Запрещен" for one report menu item.
class TFRMenuRightsForm : public QDialog
{
    Q_OBJECT
public:
    TFRMenuRightsForm(Data::Database& db, int menuItem, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    void allowSelected() { apply(true); }
    void denySelected() { apply(false); }

private:
    void apply(bool allow);

    Data::Database& m_db;
    int m_item;
    QTreeWidget* m_list;
};

} // namespace Tarvo::Security
