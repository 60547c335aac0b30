#include "widgets/tdatagrid.h"

#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"
#include "newLookup/tcolumnsinifile.h"
#include "newLookup/ui/tdbgcollist.h"
#include "newLookup/ui/tdscollist.h"
#include "newLookup/ui/tfrmsetupcolumns.h"
#include "shell/tinistorage.h"
#include "widgets/gridproxymodel.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTimer>

namespace Tarvo::Widgets {

namespace {

QString withoutDigitGroups(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != QChar(0x00A0) && c != QChar(0x202F))
            plain += c;
    return plain;
}

// The text a user typed matches a cell as shown; a number also as typed without its digit groups
// and with a decimal point ("22541.8" finds "22 541,86").
struct ShownTextMatch
{
    QString text;
    QString number;
    explicit ShownTextMatch(const QString& typed) : text(typed), number(withoutDigitGroups(typed))
    {
        number.replace(u'.', u',');
    }
    bool operator()(const QString& shown) const
    {
        if (shown.contains(text, Qt::CaseInsensitive))
            return true;
        if (number.isEmpty() || (number == text && !shown.contains(QChar(0x00A0))))
            return false;
        return withoutDigitGroups(shown).contains(number, Qt::CaseInsensitive);
    }
};

} // namespace

namespace {

constexpr int MaxDefaultChars = 40;

// While a grid applies the user's saved columns: their widths are the user's, also narrow ones.
int g_restoringColumns = 0;

// What a column's title needs: the header's own measure (its font, margins, the sort arrow's room).
int titleWidth(const QTableView& grid, int column)
{
    return grid.horizontalHeader()->sectionSizeHint(column) + grid.fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

// The column if it is shown, else the first shown one on screen.
int shownColumn(const QTableView& grid, int column)
{
    if (column >= 0 && column < grid.model()->columnCount() && !grid.isColumnHidden(column))
        return column;
    for (int position = 0; position < grid.horizontalHeader()->count(); ++position)
        if (const int c = grid.horizontalHeader()->logicalIndex(position); !grid.isColumnHidden(c))
            return c;
    return 0;
}

// Widens a shown column to its title (never narrows it).
void fitTitle(QTableView& grid, int column)
{
    if (!grid.isColumnHidden(column) && grid.columnWidth(column) < titleWidth(grid, column))
        grid.setColumnWidth(column, titleWidth(grid, column));
}

// The arrows would start from a hidden column and jump into it. Only the column changes, so the
// row set's cursor stays where it is.
void keepCurrentCellShown(QTableView& grid)
{
    const QModelIndex current = grid.currentIndex();
    if (!current.isValid() || !grid.isColumnHidden(current.column()))
        return;
    grid.selectionModel()->setCurrentIndex(grid.model()->index(current.row(), shownColumn(grid, current.column())),
                                           QItemSelectionModel::NoUpdate);
}

} // namespace

TDataGrid::TDataGrid(QWidget* parent)
    : QTableView(parent), m_columnsFile(QString::fromLatin1(NewLookup::TColumnsIniFile::ColumnsFile))
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Every row has the same height, so nothing is measured over all rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSortIndicatorClearable(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setContextMenuPolicy(Qt::DefaultContextMenu);
    setAccessibleName(QStringLiteral("Таблица"));
    m_proxy = new GridProxyModel(this);
    m_proxy->setMoneyFormat([this](int column) { return Catalog::MoneyFormats::forField(columnField(column)); });
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) { sortBy(section, order); });
    // The row double-clicked is current before anything acts on it.
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (makeCurrent(index))
            Q_EMIT rowActivated();
    });
    m_fillTimer = new QTimer(this);
    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, &TDataGrid::fillVisibleRows);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TDataGrid::scheduleFill);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &TDataGrid::scheduleFill);
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, &TDataGrid::scheduleFill);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(0);
    connect(m_searchTimer, &QTimer::timeout, this, &TDataGrid::searchSlice);
    m_readTimer = new QTimer(this);
    m_readTimer->setSingleShot(true);
    m_readTimer->setInterval(0);
    connect(m_readTimer, &QTimer::timeout, this, &TDataGrid::readingTurn);
    // Rows replaced under a search: what it went through is no longer there.
    connect(m_proxy, &QAbstractItemModel::modelReset, this, [this] {
        if (m_search.active)
            cancelSearch();
    });
    m_busy = new QLabel(this);
    m_busy->setObjectName(QStringLiteral("gridBusy"));
    m_busy->setAutoFillBackground(true);
    m_busy->setFrameShape(QFrame::StyledPanel);
    m_busy->setMargin(3);
    m_busy->hide();
    connect(m_proxy, &GridProxyModel::sortingChanged, this, &TDataGrid::updateBusy);
    // A result with other fields lays them out (the cursor follows in setRowSet's own handler).
    connect(m_proxy, &QAbstractItemModel::modelReset, this, [this] { layoutFields(); });
    // A result with another number of columns: the heading has its sections only now.
    connect(horizontalHeader(), &QHeaderView::sectionCountChanged, this, [this] { layoutFields(); });
    // Columns that arrive with a reopened row set, and titles given later, are not cut.
    connect(horizontalHeader(), &QHeaderView::sectionCountChanged, this, [this](int before, int now) {
        for (int c = before; c < now; ++c)
            fitTitle(*this, c);
    });
    connect(m_proxy, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation o, int first, int last) {
        if (o == Qt::Horizontal && !g_restoringColumns)
            for (int c = first; c <= last && c < m_proxy->columnCount(); ++c)
                fitTitle(*this, c);
    });
    // A window hiding the column of the current cell (the header marks it hidden after telling).
    connect(
        horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int, int, int size) {
            if (size == 0)
                keepCurrentCellShown(*this);
        },
        Qt::QueuedConnection);

    auto* findAction = new QAction(QStringLiteral("Найти..."), this);
    findAction->setShortcut(QKeySequence::Find);
    findAction->setShortcutContext(Qt::WidgetShortcut);
    connect(findAction, &QAction::triggered, this, &TDataGrid::find);
    addAction(findAction);
    auto* nextAction = new QAction(QStringLiteral("Найти далее"), this);
    nextAction->setShortcut(QKeySequence::FindNext);
    nextAction->setShortcutContext(Qt::WidgetShortcut);
    connect(nextAction, &QAction::triggered, this, [this] {
        if (m_searchText.isEmpty())
            find();
        else if (!m_search.active)
            startSearch(m_searchText);
    });
    addAction(nextAction);
}

TDataGrid::~TDataGrid() = default;

void TDataGrid::setRowSet(Data::TRowSet* rowSet)
{
    if (rowSet == m_rowSet)
        return;
    cancelReading();
    cancelSearch();
    if (m_rowSet && m_restored && !m_section.isEmpty())
        saveColumns();
    setModel(nullptr);
    m_proxy->setSourceModel(nullptr);
    m_model.reset();
    m_rowSet = rowSet;
    m_rowSetGone.reset();
    m_rowSetScrolled.reset();
    m_hiddenWidths.clear();
    m_restored = false;
    m_savedWidths = false;
    m_valuesFitted = false;
    m_laidOut.clear();
    if (!m_rowSet)
        return;
    m_rowSetGone = m_rowSet->subscribeDestroyed([this] { m_rowSet = nullptr; });
    m_rowSetScrolled = m_rowSet->subscribeScrolled([this] { syncFromRowSet(); });
    m_model = std::make_unique<Data::TRowSetModel>(*m_rowSet);
    m_proxy->setSourceModel(m_model.get());
    setModel(m_proxy);
    // After the view's own handling of a reset (which forgets the current row), not before it.
    disconnect(m_proxy, &QAbstractItemModel::modelReset, this, &TDataGrid::syncFromRowSet);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &TDataGrid::syncFromRowSet);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &TDataGrid::fitValues, Qt::UniqueConnection);
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, &TDataGrid::fitValues, Qt::UniqueConnection);
    // The view would post the edited row whenever its current row changes, also when it only
    // follows the row set (a new row being shown): the grid posts on the user's moves only.
    disconnect(selectionModel(), SIGNAL(currentRowChanged(QModelIndex, QModelIndex)), m_proxy, SLOT(submit()));
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    layoutFields();
    // Laid out from inside setModel, before the view had its model and rows to measure.
    fitValues();
    if (m_searchColumn >= m_rowSet->fieldCount())
        m_searchColumn = -1;
    syncFromRowSet();
}

void TDataGrid::layoutFields()
{
    // A window may show its row set before reading it: the fields, and with them the explicit
    // columns and the saved settings, are laid out when they are first known (and again when a
    // re-read brings other ones), never on every re-read.
    if (!m_rowSet || horizontalHeader()->count() != m_rowSet->fieldCount())
        return;
    QStringList names;
    for (int c = 0; c < m_rowSet->fieldCount(); ++c)
        names << m_rowSet->field(c).name.toLower();
    if (names == m_laidOut)
        return;
    m_laidOut = names;
    if (names.isEmpty())
        return;
    m_valuesFitted = false;
    applyDefaultLayout();
    fitValues();
    restoreColumns();
}

void TDataGrid::fitValues()
{
    // Once, with the first rows, and never over the user's saved widths; up to the default's
    // limit, so a long free text does not push the other columns away.
    if (m_valuesFitted || m_savedWidths || !m_rowSet || !model() ||
        model()->columnCount() != m_rowSet->fieldCount() || model()->rowCount() == 0)
        return;
    m_valuesFitted = true;
    const int rows = qMin(model()->rowCount(), 50);
    const int limit = MaxDefaultChars * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 8;
    for (int c = 0; c < m_rowSet->fieldCount() && rows > 0; ++c) {
        if (isColumnHidden(c))
            continue;
        int need = 0;
        for (int r = 0; r < rows; ++r)
            need = qMax(need, sizeHintForIndex(model()->index(r, c)).width());
        // The grid line takes a pixel of the cell, as in QTableView's own measure.
        need += showGrid() ? 1 : 0;
        if (need > columnWidth(c))
            setColumnWidth(c, qMin(need, qMax(limit, columnWidth(c))));
    }
}

void TDataGrid::applyDefaultLayout()
{
    const QFontMetrics fm = fontMetrics();
    const int charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < m_rowSet->fieldCount(); ++c) {
        const Data::RowSetField& f = m_rowSet->field(c);
        int chars = 12;
        switch (f.type) {
        case Data::FieldType::String:
            chars = f.size > 0 ? qMin(f.size, MaxDefaultChars) : 20;
            break;
        case Data::FieldType::DateTime:
            chars = 16;
            break;
        case Data::FieldType::Boolean:
            chars = 5;
            break;
        case Data::FieldType::Integer:
            chars = 8;
            break;
        default:
            break;
        }
        setColumnWidth(c, qMax(chars * charWidth + 8, titleWidth(*this, c)));
    }
    applyExplicitColumns();
}

void TDataGrid::setColumns(const QList<Column>& columns)
{
    m_explicit = columns;
    if (m_rowSet)
        applyExplicitColumns();
}

void TDataGrid::applyExplicitColumns()
{
    if (m_explicit.isEmpty())
        return;
    for (int c = 0; c < m_rowSet->fieldCount(); ++c)
        setColumnHidden(c, true);
    int position = 0;
    for (const Column& col : std::as_const(m_explicit)) {
        const int c = fieldColumn(col.field);
        if (c < 0)
            continue;
        setColumnHidden(c, false);
        setColumnTitle(c, col.title);
        // A window's width is at least what its title needs, so no title is cut.
        if (col.width > 0)
            setColumnWidth(c, qMax(col.width, titleWidth(*this, c)));
        else
            setColumnWidth(c, qMax(columnWidth(c), titleWidth(*this, c)));
        moveColumnTo(c, position++);
    }
    m_valuesFitted = false;
    fitValues();
    keepCurrentCellShown(*this);
}

void TDataGrid::setColumnsSection(const QString& section)
{
    m_section = section;
    if (m_rowSet)
        restoreColumns();
}

void TDataGrid::restoreColumns()
{
    if (m_section.isEmpty() || !m_rowSet || m_rowSet->fieldCount() == 0)
        return;
    // A damaged or unreadable file leaves the grid as the window built it.
    ++g_restoringColumns;
    const auto restored = qScopeGuard([] { --g_restoringColumns; });
    try {
        NewLookup::TColumnsIniFile file(m_columnsFile);
        if (hasExplicitColumns()) {
            NewLookup::TDBGColList list(*this);
            m_savedWidths = file.restore(list, m_section);
        } else {
            NewLookup::TDSColList list(*this);
            m_savedWidths = file.restore(list, m_section);
        }
    } catch (const Exception&) {
    }
    m_restored = true;
    if (!m_section.isEmpty()) {
        const int saved =
            Shell::TIniStorage(searchSettingsSection()).readInteger(QStringLiteral("SearchIndex"), -1);
        if (saved >= 0 && saved < m_rowSet->fieldCount())
            m_searchColumn = saved;
    }
}

void TDataGrid::saveColumns()
{
    // Columns never laid out (the row set was never read) would erase the saved ones.
    if (m_section.isEmpty() || !m_rowSet || m_rowSet->fieldCount() == 0 || !m_restored)
        return;
    NewLookup::TColumnsIniFile file(m_columnsFile);
    if (hasExplicitColumns()) {
        NewLookup::TDBGColList list(*this);
        file.save(list, m_section);
    } else {
        NewLookup::TDSColList list(*this);
        file.save(list, m_section);
    }
}

void TDataGrid::hideEvent(QHideEvent* event)
{
    // The window is closing (or being minimised): the row set is still alive here, which it may
    // no longer be when the grid itself is destroyed.
    if (m_restored && m_rowSet && !m_section.isEmpty()) {
        try {
            saveColumns();
        } catch (const Exception&) {
            // A full disk must not keep a window from closing.
        }
    }
    QTableView::hideEvent(event);
}

int TDataGrid::fieldColumn(const QString& field) const
{
    return m_rowSet ? m_rowSet->fieldIndex(field) : -1;
}

QString TDataGrid::columnField(int column) const
{
    return m_rowSet && column >= 0 && column < m_rowSet->fieldCount() ? m_rowSet->field(column).name
                                                                      : QString();
}

QString TDataGrid::columnCaption(int column) const
{
    return m_proxy->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

void TDataGrid::setFieldLabel(int column, const QString& label)
{
    if (!m_rowSet || column < 0 || column >= m_rowSet->fieldCount())
        return;
    m_rowSet->field(column).displayLabel = label;
    Q_EMIT m_proxy->headerDataChanged(Qt::Horizontal, column, column);
}

void TDataGrid::setColumnTitle(int column, const QString& title)
{
    m_proxy->setTitle(column, title);
}

void TDataGrid::setColumnShown(int column, bool shown)
{
    if (shown == isColumnShown(column))
        return;
    if (!shown)
        m_hiddenWidths.insert(column, columnWidth(column));
    setColumnHidden(column, !shown);
    keepCurrentCellShown(*this);
    if (shown && m_hiddenWidths.contains(column))
        setColumnWidth(column, m_hiddenWidths.take(column));
}

int TDataGrid::keptColumnWidth(int column) const
{
    if (isColumnHidden(column))
        return m_hiddenWidths.value(column, horizontalHeader()->defaultSectionSize());
    return columnWidth(column);
}

void TDataGrid::setKeptColumnWidth(int column, int width)
{
    if (width <= 0)
        return;
    if (isColumnHidden(column))
        m_hiddenWidths.insert(column, width);
    else
        setColumnWidth(column, width);
}

void TDataGrid::moveColumnTo(int column, int position)
{
    QHeaderView* h = horizontalHeader();
    const int from = h->visualIndex(column);
    if (from >= 0 && position >= 0 && position < h->count() && from != position)
        h->moveSection(from, position);
}

QList<int> TDataGrid::columnsInDisplayOrder() const
{
    QList<int> r;
    if (!m_rowSet)
        return r;
    const QHeaderView* h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (hasExplicitColumns()) {
            const QString name = columnField(c);
            const bool listed = std::any_of(m_explicit.cbegin(), m_explicit.cend(), [&](const Column& col) {
                return col.field.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (!listed)
                continue;
        }
        r << c;
    }
    return r;
}

int TDataGrid::rowSetRow(int gridRow) const
{
    return m_proxy->sourceRow(gridRow);
}

int TDataGrid::gridRow(int rowSetRow) const
{
    return m_proxy->proxyRow(rowSetRow);
}

void TDataGrid::sortBy(int column, Qt::SortOrder order)
{
    if (!m_rowSet)
        return;
    // A sort asked for before and still reading gives way to this one.
    cancelReading();
    if (column >= 0 && column < m_proxy->columnCount() && m_model->hasUnreadRows()) {
        QHeaderView* h = horizontalHeader();
        if (h->sortIndicatorSection() != column || h->sortIndicatorOrder() != order) {
            const QSignalBlocker block(h);
            h->setSortIndicator(column, order);
        }
        startReading([this] { return !readBatch() || !m_model->hasUnreadRows(); },
                     [this, column, order] { applySort(column, order); },
                     // Nothing of the sort is applied: the heading shows the order the rows have.
                     [this] {
                         QHeaderView* h = horizontalHeader();
                         const QSignalBlocker block(h);
                         h->setSortIndicator(m_proxy->sortColumn(), m_proxy->sortOrder());
                     });
        return;
    }
    applySort(column, order);
}

void TDataGrid::applySort(int column, Qt::SortOrder order)
{
    if (!m_rowSet)
        return;
    if (column != m_proxy->sortColumn() || order != m_proxy->sortOrder())
        m_proxy->sortBy(column, order);
    QHeaderView* h = horizontalHeader();
    if (h->sortIndicatorSection() != column || h->sortIndicatorOrder() != order) {
        const QSignalBlocker block(h);
        h->setSortIndicator(column, order);
    }
    // An order made at once is not announced as a reset: the highlight follows the row set's row
    // to its new place (one sorted in the background follows on its reset).
    viewport()->update();
    syncFromRowSet();
}

void TDataGrid::sortRowSetWhenRead(const QString& sort, Data::TRowSet::SortCollation collation)
{
    if (!m_rowSet)
        return;
    startReading([this] { return !readBatch() || !m_model->hasUnreadRows(); },
                 [this, sort, collation] {
                     if (m_rowSet)
                         m_rowSet->setSort(sort, collation);
                 });
}

bool TDataGrid::readBatch()
{
    if (!m_model || !m_model->hasUnreadRows())
        return false;
    const int before = m_rowSet->recordCount();
    m_model->fetchMore({});
    return m_rowSet && m_rowSet->recordCount() != before;
}

void TDataGrid::startReading(std::function<bool()> step, std::function<void()> done,
                             std::function<void()> cancelled)
{
    cancelReading();
    m_reading.active = true;
    m_reading.step = std::move(step);
    m_reading.done = std::move(done);
    m_reading.cancelled = std::move(cancelled);
    updateBusy();
    m_readTimer->start();
}

void TDataGrid::readingTurn()
{
    if (!m_reading.active)
        return;
    bool finished = false;
    try {
        finished = !m_rowSet || m_reading.step();
    } catch (...) {
        cancelReading();
        throw;
    }
    if (!m_reading.active)
        return;
    if (!finished) {
        updateBusy();
        m_readTimer->start();
        return;
    }
    const std::function<void()> done = std::move(m_reading.done);
    m_reading = {};
    updateBusy();
    if (done && m_rowSet)
        done();
}

void TDataGrid::cancelReading()
{
    if (!m_reading.active)
        return;
    const std::function<void()> cancelled = std::move(m_reading.cancelled);
    m_reading = {};
    m_readTimer->stop();
    updateBusy();
    if (cancelled)
        cancelled();
}

QString TDataGrid::searchSettingsSection() const
{
    return m_section.isEmpty() ? objectName() : m_section;
}

void TDataGrid::setSearchColumn(int column)
{
    m_searchColumn = column;
    const QString section = searchSettingsSection();
    if (!section.isEmpty()) {
        try {
            Shell::TIniStorage(section).writeInteger(QStringLiteral("SearchIndex"), column);
        } catch (const Exception&) {
        }
    }
}

QMenu* TDataGrid::searchMenu()
{
    if (!m_searchMenu) {
        m_searchMenu = new QMenu(QStringLiteral("Найти"), this);
        connect(m_searchMenu, &QMenu::aboutToShow, this, &TDataGrid::rebuildSearchMenu);
        rebuildSearchMenu();
    }
    return m_searchMenu;
}

void TDataGrid::rebuildSearchMenu()
{
    m_searchMenu->clear();
    auto* group = new QActionGroup(m_searchMenu);
    const QList<int> columns = columnsInDisplayOrder();
    int current = m_searchColumn;
    if (current < 0 || isColumnHidden(current))
        current = columns.isEmpty() ? -1 : columns.first();
    for (int c : columns) {
        if (isColumnHidden(c))
            continue;
        QAction* a = m_searchMenu->addAction(columnCaption(c));
        a->setCheckable(true);
        a->setChecked(c == current);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, c] { setSearchColumn(c); });
    }
    m_searchMenu->addSeparator();
    for (QAction* a : actions())
        m_searchMenu->addAction(a);
}

void TDataGrid::find()
{
    if (!m_rowSet)
        return;
    if (m_searchColumn < 0 || isColumnHidden(m_searchColumn)) {
        const QList<int> columns = columnsInDisplayOrder();
        for (int c : columns)
            if (!isColumnHidden(c)) {
                m_searchColumn = c;
                break;
            }
    }
    if (m_searchColumn < 0)
        return;
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("Найти"),
                              QStringLiteral("Искать в колонке \"%1\":").arg(columnCaption(m_searchColumn)),
                              QLineEdit::Normal, m_searchText, &ok);
    if (!ok || text.isEmpty())
        return;
    startSearch(text);
}

int TDataGrid::searchColumnOrFirst() const
{
    if (m_searchColumn >= 0)
        return m_searchColumn;
    const QList<int> columns = columnsInDisplayOrder();
    return columns.isEmpty() ? -1 : columns.first();
}

void TDataGrid::startSearch(const QString& text, bool tell)
{
    cancelSearch();
    const int column = searchColumnOrFirst();
    if (!m_rowSet || text.isEmpty() || column < 0) {
        Q_EMIT searchFinished(false);
        return;
    }
    m_searchText = text;
    m_search.active = true;
    m_search.tell = tell;
    m_search.text = text;
    m_search.column = column;
    m_search.start = currentIndex().isValid() ? currentIndex().row() + 1 : 0;
    m_search.next = m_search.start;
    m_search.wrapped = false;
    m_search.scanned = 0;
    updateBusy();
    searchSlice();
}

void TDataGrid::searchSlice()
{
    if (!m_search.active)
        return;
    const ShownTextMatch matches(m_search.text);
    QElapsedTimer slice;
    slice.start();
    bool batchRead = false;
    for (;;) {
        // The rows read so far; the unread ones of a list read in batches come a batch per turn.
        const int read = m_proxy->rowCount() - m_model->placeholderCount();
        if (m_search.next >= read && m_model->hasUnreadRows()) {
            if (batchRead) {
                updateBusy();
                m_searchTimer->start();
                return;
            }
            batchRead = true;
            if (readBatch())
                continue;
        }
        if (m_search.next >= read) {
            if (m_search.wrapped)
                break;
            m_search.wrapped = true;
            m_search.next = 0;
        }
        if (m_search.wrapped && m_search.next >= m_search.start)
            break;
        if ((m_search.scanned & 255) == 0 && slice.elapsed() >= 15) {
            updateBusy();
            m_searchTimer->start();
            return;
        }
        const int row = m_search.next++;
        ++m_search.scanned;
        const QString shown = m_proxy->index(row, m_search.column).data(Qt::DisplayRole).toString();
        if (matches(shown)) {
            endSearch(true);
            setCurrentIndex(m_proxy->index(row, m_search.column));
            scrollTo(currentIndex());
            Q_EMIT searchFinished(true);
            return;
        }
    }
    const bool tell = m_search.tell;
    endSearch(false);
    if (tell)
        QMessageBox::information(this, QStringLiteral("Найти"), QStringLiteral("Строка не найдена"));
    Q_EMIT searchFinished(false);
}

void TDataGrid::endSearch(bool)
{
    m_search.active = false;
    m_searchTimer->stop();
    updateBusy();
}

void TDataGrid::cancelSearch()
{
    if (!m_search.active)
        return;
    endSearch(false);
    Q_EMIT searchFinished(false);
}

void TDataGrid::updateBusy()
{
    QString text;
    const int read = m_rowSet ? m_rowSet->recordCount() : 0;
    const int unread = m_model && m_model->hasUnreadRows() ? m_rowSet->expectedUnreadRows() : 0;
    if (m_search.active) {
        if (m_model && m_model->hasUnreadRows() && unread < 0)
            text = QStringLiteral("Поиск… прочитано строк: %1 (Esc — прервать)").arg(read);
        else
            text = QStringLiteral("Поиск… %1 % (Esc — прервать)")
                       .arg(qint64(m_search.scanned) * 100 / qMax(1, m_proxy->rowCount()));
    } else if (m_reading.active) {
        text = unread >= 0 ? QStringLiteral("Чтение… %1 из %2 строк (Esc — прервать)").arg(read).arg(read + unread)
                           : QStringLiteral("Чтение… прочитано строк: %1 (Esc — прервать)").arg(read);
    } else if (m_proxy->isSorting()) {
        text = QStringLiteral("Сортировка…");
    }
    if (text.isEmpty()) {
        m_busy->hide();
        viewport()->unsetCursor();
        return;
    }
    m_busy->setText(text);
    m_busy->adjustSize();
    const QRect area = viewport()->geometry();
    m_busy->move(area.right() - m_busy->width() - 4, area.top() + 4);
    m_busy->show();
    m_busy->raise();
    // The grid stays usable meanwhile: the cursor says work goes on, not that it is blocked.
    viewport()->setCursor(Qt::BusyCursor);
}

bool TDataGrid::findNext(const QString& text)
{
    if (!m_rowSet || text.isEmpty())
        return false;
    const int column = searchColumnOrFirst();
    if (column < 0)
        return false;
    m_searchText = text;
    const ShownTextMatch matches(text);
    const auto findIn = [&](int from, int to) {
        for (int row = from; row < to; ++row) {
            if (matches(m_proxy->index(row, column).data(Qt::DisplayRole).toString())) {
                setCurrentIndex(m_proxy->index(row, column));
                scrollTo(currentIndex());
                return true;
            }
        }
        return false;
    };
    // The search goes round every row, the unread ones of a list read in batches too; they are
    // read one batch at a time, only as far as the next match.
    // Rows not yet read are shown as placeholders after the read ones.
    const auto readRows = [&] { return m_proxy->rowCount() - m_model->placeholderCount(); };
    const int start = currentIndex().isValid() ? currentIndex().row() + 1 : 0;
    int from = start;
    for (;;) {
        const int rows = readRows();
        if (findIn(from, rows))
            return true;
        if (!m_model->hasUnreadRows())
            break;
        from = rows;
        m_model->fetchMore(QModelIndex());
        if (readRows() == rows)
            break;
    }
    return findIn(0, qMin(start, readRows()));
}

void TDataGrid::setupColumns()
{
    if (!m_rowSet)
        return;
    if (hasExplicitColumns()) {
        NewLookup::TDBGColList list(*this);
        NewLookup::TfrmSetupColumns::execute(list, this);
    } else {
        NewLookup::TDSColList list(*this);
        NewLookup::TfrmSetupColumns::execute(list, this);
    }
}

namespace {
std::function<void(TDataGrid&, QMenu&)>& contextMenuExtension()
{
    static std::function<void(TDataGrid&, QMenu&)> extension;
    return extension;
}
} // namespace

void TDataGrid::setContextMenuExtension(std::function<void(TDataGrid&, QMenu&)> extension)
{
    contextMenuExtension() = std::move(extension);
}

void TDataGrid::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("menuGridContext"));
    menu.addMenu(searchMenu());
    QAction* setup = menu.addAction(QStringLiteral("Настройка колонок..."));
    connect(setup, &QAction::triggered, this, &TDataGrid::setupColumns);
    if (contextMenuExtension())
        contextMenuExtension()(*this, menu);
    menu.exec(event->globalPos());
}

void TDataGrid::syncFromRowSet()
{
    if (!m_rowSet || m_syncing || !m_model)
        return;
    // Also while a row is edited or inserted: the highlight goes back to it after a refused move
    // (the view's own post on a row change is off, and a move made here posts nothing).
    m_syncing = true;
    const bool inserting = m_rowSet->state() == Data::RowSetState::Insert;
    const int row = inserting ? m_rowSet->recordCount() : m_rowSet->recNo();
    if (row >= 0 && row < m_rowSet->recordCount() + (inserting ? 1 : 0)) {
        const QModelIndex at = m_proxy->index(gridRow(row), shownColumn(*this, currentIndex().column()));
        if (at != currentIndex())
            setCurrentIndex(at);
        scrollTo(at);
    }
    m_syncing = false;
}

bool TDataGrid::makeCurrent(const QModelIndex& index)
{
    if (!m_rowSet || !index.isValid())
        return false;
    if (index != currentIndex())
        setCurrentIndex(index);
    const int row = rowSetRow(index.row());
    return m_rowSet && row == m_rowSet->recNo() && row < m_rowSet->recordCount();
}

void TDataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_rowSet || !current.isValid() || current.row() == previous.row())
        return;
    // Whatever refuses the move, the highlight goes back to the row set's row once the view has
    // settled: the grid never shows one row and acts on another.
    const auto resync = [this] { QMetaObject::invokeMethod(this, &TDataGrid::syncFromRowSet, Qt::QueuedConnection); };
    // A row edited in place posts when the user moves off it; a refused post keeps the user there.
    if (previous.isValid() && m_rowSet->state() != Data::RowSetState::Browse) {
        try {
            m_model->submit();
        } catch (...) {
            resync();
            throw;
        }
    }
    // Moving would post a row being edited or inserted (by a card, say) behind the user's back.
    if (m_rowSet->state() != Data::RowSetState::Browse)
        return;
    const int row = rowSetRow(current.row());
    if (m_model->isPlaceholder(current.row())) {
        const int at = current.row();
        QMetaObject::invokeMethod(this, [this, at] { readUpTo(at); }, Qt::QueuedConnection);
        return;
    }
    if (row < m_rowSet->recordCount() && row != m_rowSet->recNo()) {
        m_syncing = true;
        try {
            m_rowSet->moveTo(row);
        } catch (...) {
            m_syncing = false;
            resync();
            throw;
        }
        m_syncing = false;
        // A handler of the move may have moved the cursor on again.
        if (m_rowSet && m_rowSet->recNo() != row)
            syncFromRowSet();
    }
}

void TDataGrid::scheduleFill()
{
    if (m_model && m_model->placeholderCount() > 0 && !m_fillTimer->isActive())
        m_fillTimer->start();
}

void TDataGrid::fillVisibleRows()
{
    if (!m_rowSet || !m_model || m_model->placeholderCount() == 0 || !isVisible())
        return;
    int bottom = rowAt(viewport()->height() - 1);
    if (bottom < 0)
        bottom = m_proxy->rowCount() - 1;
    // One batch a turn: the window stays usable while the rows dragged into sight are read.
    if (m_model->isPlaceholder(bottom) && m_model->hasUnreadRows()) {
        m_model->fetchMore({});
        scheduleFill();
    }
}

void TDataGrid::readUpTo(int at)
{
    if (!m_rowSet || !m_model || !m_model->isPlaceholder(at) || m_rowSet->state() != Data::RowSetState::Browse)
        return;
    m_model->fetchUpTo(at);
    // The list may be shorter than it was counted: the last row then.
    const int row = qMin(at, m_rowSet->recordCount() - 1);
    if (row >= 0 && row != m_rowSet->recNo())
        m_rowSet->moveTo(row);
    syncFromRowSet();
}

void TDataGrid::commitData(QWidget* editor)
{
    if (!editor || m_committing)
        return;
    // The view's own commit would be left half done by a refusal thrown through it (the editor
    // without its delegate's filter, every later commit of the grid ignored): the hand-over is
    // done here, as the view does it, with the refusal caught inside.
    QModelIndex index = currentIndex();
    if (indexWidget(index) != editor) {
        index = {};
        const int top = qMax(0, rowAt(0)), bottom = rowAt(viewport()->height());
        for (int r = top; !index.isValid() && r <= (bottom < 0 ? model()->rowCount() - 1 : bottom); ++r)
            for (int c = 0; c < model()->columnCount(); ++c)
                if (indexWidget(model()->index(r, c)) == editor) {
                    index = model()->index(r, c);
                    break;
                }
    }
    if (!index.isValid()) {
        QTableView::commitData(editor);
        return;
    }
    QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
    m_committing = editor;
    const auto done = qScopeGuard([this] { m_committing = nullptr; });
    editor->removeEventFilter(delegate);
    QString refusal;
    try {
        delegate->setModelData(editor, model(), index);
    } catch (const Abort&) {
    } catch (const Exception& e) {
        refusal = e.message();
    }
    editor->installEventFilter(delegate);
    // Said once the editor has closed: a box shown now would take its focus and close (delete)
    // it under the delegate, which closes it again after this commit.
    if (!refusal.isEmpty())
        QTimer::singleShot(0, this, [this, refusal] { QMessageBox::warning(this, window()->windowTitle(), refusal); });
}

void TDataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (m_newRowOnLeave && hint == QAbstractItemDelegate::SubmitModelCache && m_rowSet &&
        m_rowSet->state() == Data::RowSetState::Insert)
        hint = QAbstractItemDelegate::NoHint;
    try {
        QTableView::closeEditor(editor, hint);
    } catch (const Abort&) {
    } catch (const Exception& e) {
        QMessageBox::warning(this, window()->windowTitle(), e.message());
    }
}

void TDataGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    scheduleFill();
}

void TDataGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_search.active) {
        cancelSearch();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_reading.active) {
        cancelReading();
        return;
    }
    // Ctrl+End goes to the list's last row, not the last one read so far.
    if (event->key() == Qt::Key_End && (event->modifiers() & Qt::ControlModifier) && m_model &&
        m_rowSet && m_rowSet->state() == Data::RowSetState::Browse)
        m_model->fetchAll();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState &&
        event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        if (makeCurrent(currentIndex()))
            Q_EMIT rowActivated();
        return;
    }
    // Columns a window hid after the cursor was placed.
    keepCurrentCellShown(*this);
    QTableView::keyPressEvent(event);
}

} // namespace Tarvo::Widgets
