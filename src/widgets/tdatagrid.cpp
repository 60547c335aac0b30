#include "widgets/tdatagrid.h"

#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace Tarvo::Widgets {

TDataGrid::TDataGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsMovable(true);
    // A heading click sorts as users read (the model's sort); nothing is sorted until then.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { Q_EMIT rowActivated(); });
}

TDataGrid::~TDataGrid()
{
    if (!m_section.isEmpty() && m_rowSet)
        saveColumns();
}

void TDataGrid::setRowSet(Data::TRowSet* rowSet)
{
    if (rowSet == m_rowSet)
        return;
    setModel(nullptr);
    m_model.reset();
    m_rowSet = rowSet;
    if (!m_rowSet)
        return;
    m_model = std::make_unique<Data::TRowSetModel>(*m_rowSet);
    setModel(m_model.get());
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, &TDataGrid::syncFromRowSet);
    if (!m_section.isEmpty())
        restoreColumns();
    syncFromRowSet();
}

void TDataGrid::setColumnsSection(const QString& section)
{
    m_section = section;
    if (m_rowSet)
        restoreColumns();
}

// The per-user column settings come with the column settings model; until then the grid shows the
// fields as the row set defines them.
void TDataGrid::restoreColumns() {}
void TDataGrid::saveColumns() {}

void TDataGrid::syncFromRowSet()
{
    if (!m_rowSet || m_syncing)
        return;
    m_syncing = true;
    const int row = m_rowSet->recNo();
    if (row >= 0 && row < m_model->rowCount())
        setCurrentIndex(m_model->index(row, qMax(0, currentIndex().column())));
    m_syncing = false;
}

void TDataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_rowSet || !current.isValid() || current.row() == previous.row())
        return;
    if (current.row() < m_rowSet->recordCount() && current.row() != m_rowSet->recNo()) {
        m_syncing = true;
        m_rowSet->moveTo(current.row());
        m_syncing = false;
    }
}

void TDataGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState &&
        event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        Q_EMIT rowActivated();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace Tarvo::Widgets
