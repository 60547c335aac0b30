#pragma once

#include "data/rowset/rowsetsubscription.h"
#include "data/rowset/trowset.h"

#include <QHash>
#include <QTableView>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QTimer;

namespace Tarvo::Data {
class TRowSet;
class TRowSetModel;
} // namespace Tarvo::Data

namespace Tarvo::Widgets {

class GridProxyModel;

// The one data grid of every list and document window: shows a row set's fields in field order with
// their display labels and widths (or explicit columns), follows and moves the row set's cursor,
// sorts by a heading click (Russian alphabetical order, case ignored) without touching the row
// set's own order, searches a column ("Найти"), shows money with the program's decimals, and
// keeps the user's column choice (order, captions, visibility, widths) in the per-user
// "columns.ini". Rows are painted on demand, so a million rows open and scroll at once.
class TDataGrid : public QTableView
{
    Q_OBJECT
public:
    // An explicit column: a field of the row set with its own title and width.
    struct Column
    {
        QString field;
        QString title;
        int width = 0;
    };

    explicit TDataGrid(QWidget* parent = nullptr);
    ~TDataGrid() override;

    // Shows the row set (nullptr detaches). The row set must outlive the grid or be detached first.
    void setRowSet(Data::TRowSet* rowSet);
    Data::TRowSet* rowSet() const { return m_rowSet; }
    Data::TRowSetModel* rowSetModel() const { return m_model.get(); }
    GridProxyModel* proxyModel() const { return m_proxy; }

    // Only these fields, in this order, with these titles; the others are hidden and are not part
    // of the saved settings. An empty list goes back to every field.
    void setColumns(const QList<Column>& columns);
    // Measures the shown values again (after a window gave columns delegates of their own), unless
    // the user's saved widths hold.
    void fitColumnsToValues()
    {
        m_valuesFitted = false;
        fitValues();
    }
    bool hasExplicitColumns() const { return !m_explicit.isEmpty(); }

    // The section of "columns.ini" that keeps this grid's columns (usually the window's class name
    // followed by a grid word). Setting it restores the saved columns; they are saved again when
    // the grid is hidden (its window closes).
    void setColumnsSection(const QString& section);
    const QString& columnsSection() const { return m_section; }
    // "columns.ini" unless set ("dbgColumns.ini" for the price-import grids).
    void setColumnsFile(const QString& bareName) { m_columnsFile = bareName; }
    const QString& columnsFile() const { return m_columnsFile; }
    void restoreColumns();
    void saveColumns();

    // Columns by model index ("logical"), independent of their place on screen.
    int fieldColumn(const QString& field) const;
    QString columnField(int column) const;
    QString columnCaption(int column) const;
    // The row set field's display label (every view of the row set shows it).
    void setFieldLabel(int column, const QString& label);
    // A title of this grid only.
    void setColumnTitle(int column, const QString& title);
    bool isColumnShown(int column) const { return !isColumnHidden(column); }
    void setColumnShown(int column, bool shown);
    // The width also of a hidden column (what it gets back when shown).
    int keptColumnWidth(int column) const;
    void setKeptColumnWidth(int column, int width);
    void moveColumnTo(int column, int position);
    // The columns in screen order: explicit ones only when there are explicit columns.
    QList<int> columnsInDisplayOrder() const;

    // The row set's row at a grid row and back (they differ while sorted by a heading).
    int rowSetRow(int gridRow) const;
    int gridRow(int rowSetRow) const;
    // Sorts as a heading click does; -1 restores the row set's order. Rows of a list read in
    // batches that are not read yet are read first, one batch per turn of the event loop (see
    // startReading); the order shown changes only once every row is read.
    void sortBy(int column, Qt::SortOrder order = Qt::AscendingOrder);

    // Work on rows still unread that must not freeze the window: `step` runs once per turn of the
    // event loop (each reading at most one batch) until it returns true, then `done` runs. The
    // grid stays usable meanwhile and shows "Чтение…" with the rows read; Esc on the grid (or
    // cancelReading, or a new reading) stops it and runs `cancelled` instead. A step that throws
    // ends it as cancelled, and the error goes on to the caller.
    void startReading(std::function<bool()> step, std::function<void()> done,
                      std::function<void()> cancelled = {});
    bool isReading() const { return m_reading.active; }
    // Orders the row set itself (TRowSet::setSort) once its unread batches are read, a batch
    // per turn as startReading reads them; Esc leaves the order it had.
    void sortRowSetWhenRead(const QString& sort,
                            Data::TRowSet::SortCollation collation = Data::TRowSet::SortCollation::Exact);
    void cancelReading();

    // The "Найти" menu: the column to search (remembered as "SearchIndex"), "Найти..." (Ctrl+F)
    // and "Найти далее" (F3).
    QMenu* searchMenu();
    int searchColumn() const { return m_searchColumn; }
    void setSearchColumn(int column);
    // Moves to the next row (after the current one, wrapping round) whose search column shows the
    // text, case ignored. False when no row does.
    bool findNext(const QString& text);
    // The same from the event loop a slice at a time, with its progress shown; Esc stops it.
    // searchFinished tells the outcome ("Строка не найдена" is said when `tell`).
    void startSearch(const QString& text, bool tell = true);
    bool isSearching() const { return m_search.active; }
    void cancelSearch();
    void find();
    // Opens the column setup dialog.
    void setupColumns();
    // Commands a later feature adds to every grid's context menu (the export).
    // Enter in a cell of a new row keeps the row open: it posts when the user leaves it (rows
    // whose cells are typed one after the other, each incomplete on its own).
    void setPostsNewRowOnLeave(bool onLeave) { m_newRowOnLeave = onLeave; }

    static void setContextMenuExtension(std::function<void(TDataGrid& grid, QMenu& menu)> extension);

Q_SIGNALS:
    // A double click or Enter on a row (windows open the row's editor here).
    void rowActivated();
    // A search begun by startSearch ended: found (and current), not found, or stopped.
    void searchFinished(bool found);

protected Q_SLOTS:
    // A value the row set refuses (text that is no number, a read-only field) is said in a box;
    // the row keeps what it had.
    void commitData(QWidget* editor) override;
    // A post refused on closing an editor is said in a box and the row stays as typed.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void syncFromRowSet();
    // Widens shown columns to the values of the rows read so far.
    void fitValues();
    // Makes the row of a grid index the row set's current row; false when the row set cannot
    // leave its row (an edit elsewhere, a refused post).
    bool makeCurrent(const QModelIndex& index);
    // The rows on screen not read yet are read a batch at a time from the event loop.
    void scheduleFill();
    void fillVisibleRows();
    // The user reached a row not read yet: read up to it and stand on it.
    void readUpTo(int gridRow);
    void layoutFields();
    void applyDefaultLayout();
    void applyExplicitColumns();
    QString searchSettingsSection() const;
    int searchColumnOrFirst() const;
    void searchSlice();
    void readingTurn();
    void applySort(int column, Qt::SortOrder order);
    // Reads one batch through the model; false when none was read.
    bool readBatch();
    void endSearch(bool found);
    // What the grid is busy with in the background (a sort, a search), shown over its corner.
    void updateBusy();
    void rebuildSearchMenu();

    Data::TRowSet* m_rowSet = nullptr;
    // Forgets the row set when it is destroyed before the grid (the model then shows nothing).
    Data::RowSetSubscription m_rowSetGone;
    // Every move of the row set's cursor (a search, a locate, a re-read) moves the grid's row.
    Data::RowSetSubscription m_rowSetScrolled;
    std::unique_ptr<Data::TRowSetModel> m_model;
    GridProxyModel* m_proxy = nullptr;
    QList<Column> m_explicit;
    QString m_section;
    QString m_columnsFile;
    QHash<int, int> m_hiddenWidths;
    // The fields the columns were laid out for (lower case).
    QStringList m_laidOut;
    bool m_savedWidths = false;
    bool m_valuesFitted = false;
    QMenu* m_searchMenu = nullptr;
    int m_searchColumn = -1;
    QString m_searchText;
    bool m_syncing = false;
    // The editor whose value is being handed over: a commit asked for meanwhile is not another.
    QWidget* m_committing = nullptr;
    bool m_newRowOnLeave = false;
    QTimer* m_fillTimer = nullptr;
    struct Search
    {
        bool active = false;
        bool tell = true;
        QString text;
        int column = -1;
        int start = 0;
        int scanned = 0;
        // The next row looked at, and whether the search has gone round to the first row.
        int next = 0;
        bool wrapped = false;
    } m_search;
    struct Reading
    {
        bool active = false;
        std::function<bool()> step;
        std::function<void()> done;
        std::function<void()> cancelled;
    } m_reading;
    QTimer* m_readTimer = nullptr;
    QTimer* m_searchTimer = nullptr;
    QLabel* m_busy = nullptr;
    bool m_restored = false;
};

} // namespace Tarvo::Widgets
