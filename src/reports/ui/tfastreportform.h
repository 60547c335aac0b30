#pragma once

#include "reports/reportcatalog.h"

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;

namespace Tarvo::Reports {

// "Настройка отчетов": the report folders and their templates, the call places and the menu tree
// of the chosen place, with every command of the catalogue. Dragging a folder or report onto a
// folder moves it, onto the menu adds it; dragging within the menu moves an item into a submenu.
// Every move is also a keyboard command ("Переместить в…", "Добавить в меню").
class TFastReportForm : public QWidget
{
    Q_OBJECT
public:
    explicit TFastReportForm(QWidget* parent = nullptr);
    ~TFastReportForm() override;

    // The single window, as an MDI child of the main window.
    static TFastReportForm* open();

    QTreeWidget* folderTree() const { return m_folders; }
    QListWidget* reportList() const { return m_reports; }
    QListWidget* placeList() const { return m_places; }
    QTreeWidget* menuTree() const { return m_menu; }
    QLabel* info() const { return m_info; }
    QAction* command(const QString& name) const;

    int currentFolder() const;
    int currentReport() const;
    int currentPlace() const;
    int currentItem() const;

    void refreshFolders();
    void refreshMenu();
    // A report file checked, then stored as the current report's template.
    void loadReportFile(const QString& path);
    void saveReportFile(const QString& path);
    // What a drop does.
    void moveFolderTo(int folder, int newParent);
    void moveReportTo(int report, int folder);
    void addToMenu(bool folder, int id, int parentItem);
    void moveItemTo(int item, int parentItem);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(QWidget* on, const QString& name, const QString& text, const QKeySequence& key,
                        const std::function<void()>& command);
    void guarded(const std::function<void()>& command);
    bool ask(const QString& question);
    QString askName(const QString& title, const QString& current);

    void fillFolderLevel(QTreeWidgetItem* parent, int parentId);
    void fillMenuLevel(QTreeWidgetItem* parent, int parentId);
    void showReports();
    void showInfo();
    void selectFolder(int id);
    void selectItem(int id);
    // The submenu a new item goes into: the current submenu, or the current item's parent.
    int insertionParent() const;
    int chooseFolder(const QString& title, int except);
    int chooseSubmenu(const QString& title, int except);

    void createFolder();
    void renameFolder();
    void deleteFolder();
    void createReport();
    void renameReport();
    void deleteReport();
    void loadReport();
    void saveReport();
    void editReport();
    void createMenuItem(bool separator);
    void renameItem();
    void deleteItem();
    void setRights();
    void copyMenu();

    std::unique_ptr<ReportCatalog> m_catalog;
    QTreeWidget* m_folders;
    QListWidget* m_reports;
    QListWidget* m_places;
    QTreeWidget* m_menu;
    QLabel* m_info;
};

} // namespace Tarvo::Reports
