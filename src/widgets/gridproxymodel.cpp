#include "widgets/gridproxymodel.h"

#include "data/engine/money.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>

namespace Tarvo::Widgets {

namespace {

int compareVariants(const QVariant& a, const QVariant& b)
{
    if (a.canConvert<Tarvo::Money>() && b.canConvert<Tarvo::Money>() &&
        (a.metaType() == QMetaType::fromType<Tarvo::Money>() ||
         b.metaType() == QMetaType::fromType<Tarvo::Money>())) {
        const Tarvo::Money x = Tarvo::Money::fromVariant(a), y = Tarvo::Money::fromVariant(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.metaType().id() == QMetaType::QDateTime && b.metaType().id() == QMetaType::QDateTime)
        return a.toDateTime() < b.toDateTime() ? -1 : (a.toDateTime() > b.toDateTime() ? 1 : 0);
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    if (okA && okB)
        return x < y ? -1 : (x > y ? 1 : 0);
    return QString::compare(GridProxyModel::sortKey(a.toString()), GridProxyModel::sortKey(b.toString()));
}

// Bytes in the order of the UTF-16 units: ASCII as itself, the (spread) Russian letters as one
// byte each, the rest as two or three bytes whose lead byte keeps them below or above the letters.
void appendSortBytes(const QString& key, std::string& out)
{
    for (const QChar ch : key) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            out += char(u);
        } else if (u < 0x0430) {
            out += char(0x80 + (u >> 8));
            out += char(u & 0xFF);
        } else if (u < 0x0470) {
            out += char(0xA0 + (u - 0x0430));
        } else {
            out += char(0xE0 + (u >> 12));
            out += char((u >> 4) & 0xFF);
            out += char(u & 0x0F);
        }
    }
}

} // namespace

GridProxyModel::GridProxyModel(QObject* parent) : QAbstractProxyModel(parent) {}

QString GridProxyModel::sortKey(const QString& text)
{
    QString key = text.toLower();
    for (QChar& c : key) {
        const char16_t u = c.unicode();
        if (u < 0x0400)
            continue;
        // а..я spread to even codes so that ё (U+0451) can sit right after е.
        if (u >= 0x0430 && u <= 0x044F)
            c = QChar(char16_t(0x0430 + (u - 0x0430) * 2));
        else if (u == 0x0451)
            c = QChar(char16_t(0x0430 + (0x0435 - 0x0430) * 2 + 1));
    }
    return key;
}

void GridProxyModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    if (source) {
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::modelReset, this, [this] {
            rebuildOrder();
            endResetModel();
        });
        connect(source, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& tl, const QModelIndex& br, const QList<int>& roles) {
                    if (tl.row() == br.row())
                        Q_EMIT dataChanged(mapFromSource(tl), mapFromSource(br), roles);
                    else
                        Q_EMIT dataChanged(index(0, tl.column()), index(rowCount() - 1, br.column()), roles);
                });
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::layoutChanged, this, [this] {
            rebuildOrder();
            endResetModel();
        });
        // In the row set's own order a batch read as the grid scrolls keeps the view where it is.
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    if (m_sortColumn < 0)
                        beginInsertRows({}, first, last);
                    else
                        beginResetModel();
                });
        connect(source, &QAbstractItemModel::rowsInserted, this, [this] {
            rebuildOrder();
            if (m_sortColumn < 0)
                endInsertRows();
            else
                endResetModel();
        });
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::rowsRemoved, this, [this] {
            rebuildOrder();
            endResetModel();
        });
    }
    rebuildOrder();
    endResetModel();
}

Data::TRowSetModel* GridProxyModel::rowSetModel() const
{
    return qobject_cast<Data::TRowSetModel*>(sourceModel());
}

int GridProxyModel::sourceRow(int row) const
{
    return row >= 0 && row < int(m_toSource.size()) ? m_toSource[size_t(row)] : row;
}

int GridProxyModel::proxyRow(int sourceRow) const
{
    return sourceRow >= 0 && sourceRow < int(m_fromSource.size()) ? m_fromSource[size_t(sourceRow)]
                                                                  : sourceRow;
}

QModelIndex GridProxyModel::mapToSource(const QModelIndex& proxy) const
{
    if (!proxy.isValid() || !sourceModel())
        return {};
    return sourceModel()->index(sourceRow(proxy.row()), proxy.column());
}

QModelIndex GridProxyModel::mapFromSource(const QModelIndex& source) const
{
    if (!source.isValid())
        return {};
    return index(proxyRow(source.row()), source.column());
}

QModelIndex GridProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

int GridProxyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->rowCount();
}

int GridProxyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

QVariant GridProxyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !sourceModel())
        return {};
    const QModelIndex source = mapToSource(index);
    if (role == Qt::DisplayRole && m_moneyFormat && rowSetModel() && rowSetModel()->rowSet()) {
        const Data::TRowSet& rs = *rowSetModel()->rowSet();
        const Data::RowSetField& f = rs.field(index.column());
        if (f.type == Data::FieldType::Money && f.displayFormat.isEmpty()) {
            const bool editing =
                (rs.state() == Data::RowSetState::Edit && source.row() == rs.recNo()) ||
                (rs.state() == Data::RowSetState::Insert && source.row() >= rs.recordCount());
            const Data::RowSetRow* row = editing ? nullptr : rs.rowAt(source.row());
            const QVariant v = row ? row->values.at(index.column()) : rs.value(index.column());
            return Data::TRowSetModel::displayText(v, f.type, m_moneyFormat(index.column()));
        }
    }
    return source.data(role);
}

QVariant GridProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_titles.contains(section))
        return m_titles.value(section);
    return sourceModel() ? sourceModel()->headerData(section, orientation, role) : QVariant();
}

void GridProxyModel::setTitle(int column, const QString& title)
{
    if (title.isEmpty())
        m_titles.remove(column);
    else
        m_titles.insert(column, title);
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void GridProxyModel::sortBy(int column, Qt::SortOrder order)
{
    // Rows still unread would be left out of the order.
    if (column >= 0 && sourceModel())
        while (sourceModel()->canFetchMore({}))
            sourceModel()->fetchMore({});
    beginResetModel();
    m_sortColumn = column;
    m_sortOrder = order;
    rebuildOrder();
    endResetModel();
}

void GridProxyModel::rebuildOrder()
{
    m_toSource.clear();
    m_fromSource.clear();
    Data::TRowSetModel* model = rowSetModel();
    if (m_sortColumn < 0 || !model || !model->rowSet() || m_sortColumn >= model->columnCount())
        return;
    const Data::TRowSet& rs = *model->rowSet();
    const int n = rs.recordCount();
    const int column = m_sortColumn;
    const bool desc = m_sortOrder == Qt::DescendingOrder;
    m_toSource.resize(static_cast<size_t>(n));
    // One key per row, made once; the row number breaks ties, so equal keys keep the row set's
    // order in both directions, as a stable sort would.
    const auto sortKeys = [&](auto& keys) {
        std::sort(keys.begin(), keys.end(), [desc](const auto& a, const auto& b) {
            if (a.first != b.first)
                return desc ? b.first < a.first : a.first < b.first;
            return a.second < b.second;
        });
        for (int i = 0; i < n; ++i)
            m_toSource[size_t(i)] = keys[size_t(i)].second;
    };
    switch (rs.field(column).type) {
    case Data::FieldType::String: {
        // Nulls first: a null sorts below every text, the empty one included.
        // Each key as bytes that compare like the key's characters (Russian letters take one
        // byte), its first bytes kept in the entry itself: comparisons rarely leave the entries.
        constexpr size_t Head = 22;
        struct Key
        {
            std::array<unsigned char, Head> head;
            quint8 headLength;
            bool present;
            int row;
            quint32 offset; // of the whole key in the buffer, when longer than the head
            quint32 length;
        };
        std::vector<Key> keys(static_cast<size_t>(n));
        std::string buffer;
        std::string bytes;
        for (int r = 0; r < n; ++r) {
            const Data::RowSetRow* row = rs.rowAt(r);
            Key& k = keys[size_t(r)];
            k.present = !row->values.isNull(column);
            k.row = r;
            bytes.clear();
            if (k.present)
                appendSortBytes(sortKey(row->values.at(column).toString()), bytes);
            k.length = quint32(bytes.size());
            k.headLength = quint8(std::min(bytes.size(), Head));
            std::memcpy(k.head.data(), bytes.data(), k.headLength);
            k.offset = quint32(buffer.size());
            if (bytes.size() > Head)
                buffer += bytes;
        }
        const char* tail = buffer.data();
        std::sort(keys.begin(), keys.end(), [desc, tail](const Key& a, const Key& b) {
            int c = int(a.present) - int(b.present);
            if (c == 0) {
                c = std::memcmp(a.head.data(), b.head.data(), std::min(a.headLength, b.headLength));
                if (c == 0 && a.length > Head && b.length > Head)
                    c = std::string_view(tail + a.offset, a.length)
                            .compare(std::string_view(tail + b.offset, b.length));
                else if (c == 0)
                    c = int(a.length) - int(b.length);
            }
            if (c != 0)
                return desc ? c > 0 : c < 0;
            return a.row < b.row;
        });
        for (int i = 0; i < n; ++i)
            m_toSource[size_t(i)] = keys[size_t(i)].row;
        break;
    }
    case Data::FieldType::Float: {
        std::vector<std::pair<std::pair<bool, double>, int>> keys(static_cast<size_t>(n));
        for (int r = 0; r < n; ++r) {
            const QVariant v = rs.rowAt(r)->values.at(column);
            keys[size_t(r)] = {{!v.isNull(), v.toDouble()}, r};
        }
        sortKeys(keys);
        break;
    }
    case Data::FieldType::Integer:
    case Data::FieldType::Money:
    case Data::FieldType::DateTime:
    case Data::FieldType::Boolean: {
        const Data::FieldType type = rs.field(column).type;
        std::vector<std::pair<std::pair<bool, qint64>, int>> keys(static_cast<size_t>(n));
        for (int r = 0; r < n; ++r) {
            const QVariant v = rs.rowAt(r)->values.at(column);
            qint64 k = 0;
            if (type == Data::FieldType::Money)
                k = Tarvo::Money::fromVariant(v).raw();
            else if (type == Data::FieldType::DateTime)
                k = v.toDateTime().toMSecsSinceEpoch();
            else
                k = v.toLongLong();
            keys[size_t(r)] = {{!v.isNull(), k}, r};
        }
        sortKeys(keys);
        break;
    }
    default: {
        std::iota(m_toSource.begin(), m_toSource.end(), 0);
        std::stable_sort(m_toSource.begin(), m_toSource.end(), [&](int a, int b) {
            const int c = Data::RowValues::compare(rs.rowAt(a)->values, column, rs.rowAt(b)->values, column,
                                                   compareVariants);
            return desc ? c > 0 : c < 0;
        });
    }
    }
    m_fromSource.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        m_fromSource[size_t(m_toSource[size_t(i)])] = i;
}

} // namespace Tarvo::Widgets
