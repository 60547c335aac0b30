#pragma once

#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowsetsubscription.h"

#include <QAbstractTableModel>
#include <limits>

namespace Tarvo::Data {

class TRowSet;

// Shows a row set in a grid: one column per field, captions from the field labels.
// An edit starts the row set's edit state; the row is posted when the view submits
// or moves to another row, and cancelled by revert. A dataset read in batches that knows how many
// rows remain unread is shown at its full length: the rows not read yet are blank placeholders
// after the others, filled in as their batches arrive.
class TRowSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Any number of models may show one row set; one whose row set is destroyed shows nothing.
    explicit TRowSetModel(TRowSet& rowSet, QObject* parent = nullptr);
    ~TRowSetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A big row set read in batches: the next batch as the view scrolls to the end.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    bool hasUnreadRows() const;
    // Reads batches until the row is read (or no rows remain unread).
    void fetchUpTo(int row);
    void fetchAll() { fetchUpTo(std::numeric_limits<int>::max()); }
    // A row shown before its batch is read.
    bool isPlaceholder(int row) const { return m_rowSet && row >= m_rows - m_placeholders && row < m_rows; }
    int placeholderCount() const { return m_placeholders; }
    bool submit() override;
    void revert() override;
    // A heading click: strings in Russian order without regard to case (the row set's user sort);
    // a column below 0 restores the natural order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // nullptr once the row set is destroyed.
    TRowSet* rowSet() const { return m_rowSet; }
    // Text of a value as the grid shows it: numbers in the Russian format of NumberFormat (Money by
    // its display format), dates as dd.MM.yyyy [HH:mm], flags as "Да"/"Нет".
    static QString displayText(const QVariant& value, FieldType type, const QString& format);
    // What an editor's text means for a number field ("2,5", "2.5", "1 234,5"; empty is null);
    // other values pass unchanged. Throws a Russian message for text that is no number.
    static QVariant typedValue(FieldType type, const QVariant& value);

private:
    void rowSetChanged(int row);
    void rowSetDestroyed();
    // The rows shown, worked out again from the row set (only while the view is told).
    void recount();
    int placeholdersNow() const;

    TRowSet* m_rowSet;
    RowSetSubscription m_changed;
    RowSetSubscription m_destroyed;
    bool m_inChange = false;
    // What the view was last told: the rows shown, the placeholders among them.
    int m_rows = 0;
    int m_placeholders = 0;
    bool m_sortedByHeading = false;
};

} // namespace Tarvo::Data
