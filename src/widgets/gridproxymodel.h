#pragma once

#include <QAbstractProxyModel>
#include <QHash>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
template <typename T> class QFutureWatcher;

namespace Tarvo::Data {
class TRowSetModel;
}

namespace Tarvo::Widgets {

// What the data grid puts between itself and the row set's model: the order of a heading click
// (the row set's own order is left alone, so windows walking the rows see it unchanged), column
// titles of explicit columns, and the program's money formats. Rows map one to one; only cells
// on screen are ever asked for.
// A heading sort makes one key per row once (kept while the rows stay, so the other direction or
// a delete needs no new keys); a big list makes them a slice per turn of the event loop and
// sorts them on a worker thread, keeping the order shown until the new one is ready. A deleted
// row leaves the order as it was.
class GridProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit GridProxyModel(QObject* parent = nullptr);
    ~GridProxyModel() override;

    void setSourceModel(QAbstractItemModel* source) override;
    Data::TRowSetModel* rowSetModel() const;

    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QModelIndex mapFromSource(const QModelIndex& source) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Number cells give their editors the text they show (the same Russian format).
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int sourceRow(int row) const;
    int proxyRow(int sourceRow) const;

    // Sorts by a column (-1: the row set's own order); strings in Russian alphabetical order
    // without regard to case.
    void sortBy(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // A sort asked for is still being prepared: the rows show the previous order meanwhile.
    bool isSorting() const { return m_pending != Pending::None; }
    // Lists of at least this many rows sort in the background (0: every list).
    void setBackgroundSortRows(int rows) { m_backgroundRows = qMax(0, rows); }
    static constexpr int DefaultBackgroundSortRows = 20000;
    // How many times keys were made for every row (for tests: a delete or the other direction
    // makes none).
    int keyBuilds() const { return m_keyBuilds; }

    // A title replacing the field's caption (explicit columns); empty removes it.
    void setTitle(int column, const QString& title);
    QString title(int column) const { return m_titles.value(column); }

    // The display format (decimals, or a quantity's) of a money column without one of its own.
    void setMoneyFormat(std::function<QString(int column)> format) { m_moneyFormat = std::move(format); }

    // The key strings are ordered by: lower case, "ё" right after "е".
    static QString sortKey(const QString& text);

    struct Keys;

Q_SIGNALS:
    // A background sort began or ended (applied, or given up for another).
    void sortingChanged(bool sorting);

private:
    enum class Pending
    {
        None,
        Keys,
        Sort
    };
    // The rows changed wholesale: keys and order are made again.
    void sourceReset();
    void removeSourceRows(int first, int last);
    void startSort();
    void buildKeys(bool wholeList);
    void launchSort();
    void applyOrder(std::vector<int> order);
    void setPending(Pending pending);
    void keysChanged();

    std::vector<int> m_toSource;
    std::vector<int> m_fromSource;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QHash<int, QString> m_titles;
    std::function<QString(int)> m_moneyFormat;

    // One key per source row for m_keys->column, in the source's order; shared with a sort in
    // flight (changed as a copy then).
    std::shared_ptr<Keys> m_keys;
    int m_keysBuilt = 0;
    int m_keyBuilds = 0;
    Pending m_pending = Pending::None;
    // Grows with every change of the rows or of the order asked for: a result made before is dropped.
    quint64 m_ticket = 0;
    int m_backgroundRows = DefaultBackgroundSortRows;
    QTimer* m_keyTimer = nullptr;
    QFutureWatcher<std::vector<int>>* m_watcher = nullptr;
    quint64 m_watchedTicket = 0;
};

} // namespace Tarvo::Widgets
