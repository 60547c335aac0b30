#pragma once

#include <QAbstractProxyModel>
#include <QHash>
#include <functional>
#include <vector>

namespace Tarvo::Data {
class TRowSetModel;
}

namespace Tarvo::Widgets {

// What the data grid puts between itself and the row set's model: the order of a heading click
// (the row set's own order is left alone, so windows walking the rows see it unchanged), column
// titles of explicit columns, and the program's money formats. Rows map one to one; only cells
// on screen are ever asked for.
class GridProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit GridProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    Data::TRowSetModel* rowSetModel() const;

    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QModelIndex mapFromSource(const QModelIndex& source) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int sourceRow(int row) const;
    int proxyRow(int sourceRow) const;

    // Sorts by a column (-1: the row set's own order); strings in Russian alphabetical order
    // without regard to case.
    void sortBy(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // A title replacing the field's caption (explicit columns); empty removes it.
    void setTitle(int column, const QString& title);
    QString title(int column) const { return m_titles.value(column); }

    // The display format (decimals, or a quantity's) of a money column without one of its own.
    void setMoneyFormat(std::function<QString(int column)> format) { m_moneyFormat = std::move(format); }

    // The key strings are ordered by: lower case, "ё" right after "е".
    static QString sortKey(const QString& text);

private:
    void rebuildOrder();

    std::vector<int> m_toSource;
    std::vector<int> m_fromSource;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QHash<int, QString> m_titles;
    std::function<QString(int)> m_moneyFormat;
};

} // namespace Tarvo::Widgets
