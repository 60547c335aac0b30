#pragma once

#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowsetsubscription.h"
#include "messaging/ichangereceiver.h"
#include "otbor/registerotbors.h"
#include "shell/ui/tdmallbuttons.h"
#include "shell/ui/tsaveform.h"
#include "widgets/tdatagrid.h"

#include <QUuid>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;

namespace Tarvo::Data {
class Database;
class TUpdatedADOQuery;
} // namespace Tarvo::Data
namespace Tarvo::Messaging {
class TChangeSubscription;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::Registers {

class KeyRangeList;

// The frame every document register shares: toolbar, the list grid above the details in a
// splitter, the status line, the register's own filter list (a change re-reads after a pause of
// typing, the caption names the active filters), the change subscriptions (a notice from elsewhere
// re-reads keeping the document, or says so in the status line) and the commands' error handling.
// A register adds its list, grid, details and commands.
class RegisterFrame : public Shell::TSaveForm, public Messaging::IChangeReceiver
{
    Q_OBJECT
public:
    RegisterFrame(Data::Database& db, Otbor::OtborRegister filters, const QString& title,
                  const QString& splitName, QWidget* parent = nullptr);
    ~RegisterFrame() override;

    QAction* action(const QString& objectName) const;
    // The text that tells of a change notice in message mode (empty otherwise).
    QString statusText() const;

    // Reads the list again for the current filters, keeping the document, and rebuilds the caption.
    void reopen();
    void updateCaption();
    // Enables the commands by the list's rows (and rights where the register asks at once).
    virtual void updateActions() = 0;

    // IChangeReceiver
    void refresh(const QUuid& event, int mode) override;
    bool notice(const QUuid& event, const QByteArray& payload) override;

    using Columns = QList<Widgets::TDataGrid::Column>;
    // The column titles the caption dictionary's table gives, else the grid's own.
    static Columns dictionaryColumns(const QString& table, const Columns& columns);
    // The caption dictionary's title of the table, else `fallback`.
    static QString dictionaryTitle(const QString& table, const QString& fallback);
    // A read-only grid of whole rows, as the details use them.
    static Widgets::TDataGrid* makeGrid(QWidget* parent, const QString& name, const QString& accessible);
    // A read-only detail query over the statement.
    static std::unique_ptr<Data::TUpdatedADOQuery> detailQuery(Data::Database& db, const QString& sql);
    // SQLite gives computed columns no declared type: both engines show them alike.
    static void showAs(Data::TRowSet& rows, const QStringList& fields, Data::FieldType type,
                       const QString& displayFormat = {});

protected:
    // The register's list and its grid (the register's destructor takes the list off the grid, as
    // the list goes before the frame): the grid shows the list, its pop-up (popup()) opens on
    // the right button with the commands enabled afresh, and the details follow the current row.
    void setList(KeyRangeList* list, Widgets::TDataGrid* grid);
    // After the register has built everything: subscribes to the notices and reads the list.
    void start(const QList<QUuid>& events, const QString& changedText);

    // The document shown in the details changed (0: none).
    virtual void showDocument(qint64 key) = 0;
    // The same document is listed again after a re-read: its details are read again.
    virtual void refreshShown() { showDocument(m_shownKey); }
    // Before the list is read again (a pending edit written, say).
    virtual void beforeReload() {}
    virtual QString registerTitle() const { return m_title; }

    QAction* addCommand(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                        const std::function<void()>& command);
    QAction* addTool(const QString& name, const QString& text, Shell::TdmAllButtons::Action icon,
                     const QKeySequence& key, const std::function<void()>& command);
    QToolButton* addMenuButton(const QString& name, const QString& text, Shell::TdmAllButtons::Action icon,
                               QMenu* menu);
    // "Печать реестра" and the report menu "Отчеты FR" of the report group; without reports the
    // menu offers one item that says when they come.
    QMenu* addPrintMenu(int reportGroup, const QString& registerText, const QString& reportsItem,
                        const QString& reportsText);
    // "Печать реестра" runs `printRegister`; "Отчеты FR" is filled by `fillReports` whenever it opens.
    QMenu* addPrintMenu(const std::function<void()>& printRegister, const std::function<void(QMenu*)>& fillReports);
    // Toolbar buttons take focus by Tab only, so the grid keeps it.
    void finishToolbar();
    // A pop-up's "Упорядочить по" and "Настроить колонки" over a grid.
    void addSortAndSetup(QMenu* menu, Widgets::TDataGrid* grid, const QString& naturalOrder);
    // A pop-up's search menu and "Настроить колонки" over a grid.
    void addSearchAndSetup(QMenu* menu, Widgets::TDataGrid* grid);
    // The toolbar's document commands: `newText` (Shift+F4; none without `create`), "Редактировать"
    // (F4, also Enter or a double click on a row of the grid), "Удалить" (Ctrl+Del) and "Обновить" (F5).
    void addDocumentTools(Widgets::TDataGrid* grid, const QString& newText, const std::function<void()>& create,
                          const std::function<void()>& edit, const std::function<void()>& remove);
    // The named commands act on the current document: enabled while the list has rows.
    void enableWithRows(const QStringList& commands);
    // Reads the details query again for the document shown (none for a key of 0 or less), the
    // `money` fields shown as sums on both engines; a failure is shown in a box.
    void showDetails(Data::TUpdatedADOQuery& details, const QString& parameter, qint64 key,
                     const QStringList& money);
    // On "Да" to the question, `remove` deletes the current document and the list is read again.
    void deleteAfterQuestion(const QString& question, const std::function<void()>& remove);

    // Runs a command; its failure is shown in a box, a cancel ends it silently.
    void guarded(const std::function<void()>& command);
    // Asks the server for the right now; without it says which right is missing.
    bool mayDo(int right, const QString& refused);
    // Tells of a command whose document is not part of the program yet.
    void arrivesWith(const QString& what);
    // Re-reads after a delete: the row that follows takes the deleted one's place.
    void reloadAtRow(int row);
    void showCurrentRow();
    void currentMoved();
    bool hasRows() const;

    static void restoreSplitter(QSplitter* split, const QString& section, int total);
    static void saveSplitter(QSplitter* split, const QString& section);

    Data::Database& database() const { return m_db; }
    Otbor::TVarList& filters() const { return *m_filters; }
    const QByteArray& ownNotice() const { return m_ownNotice; }
    QToolBar* toolbar() const { return m_toolbar; }
    QMenu* popup() const { return m_popup; }
    QSplitter* split() const { return m_split; }
    QTimer* reopenTimer() const { return m_reopenTimer; }
    qint64 shownKey() const { return m_shownKey; }
    void forgetShown() { m_shownKey = -1; }

private:
    void addColumnSetup(QMenu* menu, Widgets::TDataGrid* grid);

    Data::Database& m_db;
    QString m_title;
    std::unique_ptr<Otbor::TVarList> m_filters;
    KeyRangeList* m_list = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
    std::vector<std::unique_ptr<Messaging::TChangeSubscription>> m_subscriptions;
    QString m_changedText;
    QToolBar* m_toolbar;
    QMenu* m_popup;
    QSplitter* m_split;
    QLabel* m_status;
    QTimer* m_reopenTimer;
    Data::RowSetSubscription m_scrolled;
    qint64 m_shownKey = -1;
    QByteArray m_ownNotice;
};

} // namespace Tarvo::Registers
