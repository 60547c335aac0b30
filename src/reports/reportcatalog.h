#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Reports {

// What the administration window of reports does to the catalogue (folders, templates, call
// places, menus and their denials). Every name is a bound value. New keys are the maximum plus
// one, taken behind a savepoint and taken again when another administrator got there first.
// Menu siblings are ordered by (NUMORD, IDITEM) and renumbered on every move, so siblings of
// equal NUMORD pass each other. A move into one's own descendant is refused (it would cut a
// loop off the tree), a submenu goes with its whole subtree in one transaction.
class ReportCatalog
{
public:
    struct Node
    {
        int id = 0;
        QString name;
        bool hasChildren = false;
    };
    struct Report
    {
        int id = 0;
        QString name;
    };
    struct Place
    {
        int id = 0;
        QString name;
    };
    struct MenuItem
    {
        int id = 0;
        QString caption;
        int report = 0;
        QString reportName;
        bool hasChildren = false;
        bool isSeparator() const { return caption == QLatin1String("-"); }
    };

    explicit ReportCatalog(Data::Database& db) : m_db(db) {}

    // Folders (parent 0: the top).
    QList<Node> folders(int parent);
    int createFolder(int parent);
    void renameFolder(int id, const QString& name);
    void deleteFolder(int id);
    void moveFolder(int id, int newParent);

    QList<Report> reports(int folder);
    int createReport(int folder);
    void renameReport(int id, const QString& name);
    void deleteReport(int id);
    void moveReport(int id, int folder);
    QString reportName(int id);
    // Null when the report has no template yet.
    QByteArray reportData(int id);
    void setReportData(int id, const QByteArray& data);

    QList<Place> places();

    QList<MenuItem> menu(int place, int parent);
    MenuItem menuItem(int id);
    int createSubmenu(int place, int parent);
    int createSeparator(int place, int parent);
    int addReportItem(int place, int parent, int report);
    // A submenu named after the folder with its reports and subfolders, recursively.
    int addFolderItems(int place, int parent, int folder);
    void renameItem(int id, const QString& name);
    // The item and everything under it, with their denials.
    void deleteItem(int id);
    // One place up (-1) or down (+1) among its siblings; false at the end of the list.
    bool moveItem(int id, int step);
    // To the end of another parent of the same place (0: the top).
    void reparentItem(int id, int newParent);
    // The source place's whole menu with new keys, its parents remapped and its denials, after
    // the target's own items.
    void copyMenu(int fromPlace, int toPlace);

    // Runs `work` in one transaction (or inside the caller's).
    void inTransaction(const std::function<void()>& work);

private:
    int newKey(const QString& table, const QString& column, const std::function<void(int key)>& insert);
    int nextOrder(int place, int parent);
    void renumber(int place, int parent);
    int insertItem(int place, int parent, const QString& caption, int report);
    QList<int> itemAncestry(int id);
    void requireChanged(int rows, const QString& what);

    Data::Database& m_db;
};

} // namespace Tarvo::Reports
