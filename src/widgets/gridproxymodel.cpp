#include "widgets/gridproxymodel.h"

#include "data/engine/money.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>
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

// Bytes that compare as the number orders: the sign bit flipped, most significant byte first.
void appendOrderedInteger(qint64 value, std::string& out)
{
    const quint64 u = quint64(value) ^ (quint64(1) << 63);
    for (int shift = 56; shift >= 0; shift -= 8)
        out += char((u >> shift) & 0xFF);
}

// Negative doubles with every bit inverted, the others with the sign bit set; NaN goes last.
void appendOrderedDouble(double value, std::string& out)
{
    quint64 u = 0;
    std::memcpy(&u, &value, sizeof u);
    u = (u >> 63) ? ~u : (u | (quint64(1) << 63));
    for (int shift = 56; shift >= 0; shift -= 8)
        out += char((u >> shift) & 0xFF);
}

constexpr size_t KeyHead = 22;

// A row's key: its first bytes kept in the entry itself, so that comparisons rarely leave the
// entries; the whole key in the tail when longer.
struct SortKey
{
    std::array<unsigned char, KeyHead> head;
    quint8 headLength;
    bool present;
    int row;
    quint32 offset;
    quint32 length;
};

// Nulls first (a null sorts below every value, the empty text included); equal keys keep the
// row set's order in both directions, as a stable sort would.
struct KeyLess
{
    bool desc;
    const char* tail;
    bool operator()(const SortKey& a, const SortKey& b) const
    {
        int c = int(a.present) - int(b.present);
        if (c == 0) {
            c = std::memcmp(a.head.data(), b.head.data(), std::min(a.headLength, b.headLength));
            if (c == 0 && a.length > KeyHead && b.length > KeyHead)
                c = std::string_view(tail + a.offset, a.length).compare(std::string_view(tail + b.offset, b.length));
            else if (c == 0)
                c = int(a.length) - int(b.length);
        }
        if (c != 0)
            return desc ? c > 0 : c < 0;
        return a.row < b.row;
    }
};

bool hasKeys(Data::FieldType type)
{
    switch (type) {
    case Data::FieldType::String:
    case Data::FieldType::Float:
    case Data::FieldType::Integer:
    case Data::FieldType::Money:
    case Data::FieldType::DateTime:
    case Data::FieldType::Boolean:
        return true;
    default:
        return false;
    }
}

// The key bytes of one value; false for a null.
bool keyBytes(const Data::RowValues& values, int column, Data::FieldType type, std::string& out)
{
    if (values.isNull(column))
        return false;
    const QVariant v = values.at(column);
    switch (type) {
    case Data::FieldType::String:
        appendSortBytes(GridProxyModel::sortKey(v.toString()), out);
        break;
    case Data::FieldType::Float:
        appendOrderedDouble(v.toDouble(), out);
        break;
    case Data::FieldType::Money:
        appendOrderedInteger(Tarvo::Money::fromVariant(v).raw(), out);
        break;
    case Data::FieldType::DateTime: {
        // Wall-clock time orders as the dates shown, without a time-zone lookup per row.
        const QDateTime d = v.toDateTime();
        appendOrderedInteger(Data::RowValues::wallClockMsecs(d.date(), d.time()), out);
        break;
    }
    default:
        appendOrderedInteger(v.toLongLong(), out);
        break;
    }
    return true;
}

// The order of a snapshot of keys, worked out anywhere (a worker thread for big lists).
std::vector<int> sortedOrder(const GridProxyModel::Keys& keys, bool desc);

} // namespace

struct GridProxyModel::Keys
{
    int column = -1;
    std::vector<SortKey> keys; // in the source's order; `row` is set when sorting
    std::string tail;
};

namespace {

std::vector<int> sortedOrder(const GridProxyModel::Keys& source, bool desc)
{
    std::vector<SortKey> keys = source.keys;
    for (size_t i = 0; i < keys.size(); ++i)
        keys[i].row = int(i);
    std::sort(keys.begin(), keys.end(), KeyLess{desc, source.tail.data()});
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].row;
    return order;
}

} // namespace

GridProxyModel::GridProxyModel(QObject* parent) : QAbstractProxyModel(parent)
{
    m_keyTimer = new QTimer(this);
    m_keyTimer->setSingleShot(true);
    m_keyTimer->setInterval(0);
    connect(m_keyTimer, &QTimer::timeout, this, [this] { buildKeys(false); });
    m_watcher = new QFutureWatcher<std::vector<int>>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_pending != Pending::Sort || m_watchedTicket != m_ticket || m_watcher->future().resultCount() == 0)
            return;
        applyOrder(m_watcher->future().takeResult());
    });
}

GridProxyModel::~GridProxyModel()
{
    // A sort in flight keeps its own keys; its result is simply never looked at.
    m_watcher->disconnect(this);
}

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
            sourceReset();
            endResetModel();
        });
        connect(source, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& tl, const QModelIndex& br, const QList<int>& roles) {
                    if (tl.row() == br.row() || m_toSource.empty())
                        Q_EMIT dataChanged(mapFromSource(tl), mapFromSource(br), roles);
                    else
                        Q_EMIT dataChanged(index(0, tl.column()), index(rowCount() - 1, br.column()), roles);
                });
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { beginResetModel(); });
        connect(source, &QAbstractItemModel::layoutChanged, this, [this] {
            sourceReset();
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
            if (m_sortColumn < 0) {
                endInsertRows();
            } else {
                sourceReset();
                endResetModel();
            }
        });
        // A deleted row leaves the others in their order.
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    if (m_toSource.empty())
                        beginRemoveRows({}, first, last);
                    else if (first == last)
                        beginRemoveRows({}, proxyRow(first), proxyRow(first));
                    else
                        beginResetModel();
                });
        connect(source, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
            const bool single = m_toSource.empty() || first == last;
            removeSourceRows(first, last);
            if (single)
                endRemoveRows();
            else
                endResetModel();
        });
    }
    m_keys.reset();
    m_toSource.clear();
    m_fromSource.clear();
    setPending(Pending::None);
    ++m_ticket;
    if (m_sortColumn >= 0 && rowSetModel() && rowSetModel()->rowSet() && m_sortColumn < columnCount())
        startSort();
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
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && m_moneyFormat && rowSetModel() &&
        rowSetModel()->rowSet()) {
        const Data::TRowSet& rs = *rowSetModel()->rowSet();
        const Data::RowSetField& f = rs.field(index.column());
        if (f.type == Data::FieldType::Money && f.displayFormat.isEmpty()) {
            const bool editing =
                (rs.state() == Data::RowSetState::Edit && source.row() == rs.recNo()) ||
                (rs.state() == Data::RowSetState::Insert && source.row() >= rs.recordCount());
            const Data::RowSetRow* row = editing ? nullptr : rs.rowAt(source.row());
            if (!editing && !row)
                return {};
            const QVariant v = row ? row->values.at(index.column()) : rs.value(index.column());
            return Data::TRowSetModel::displayText(v, f.type, m_moneyFormat(index.column()));
        }
    }
    return source.data(role);
}

bool GridProxyModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // An editor left as it opened changes nothing: the value keeps its decimals beyond those shown.
    if (role == Qt::EditRole && value.metaType().id() == QMetaType::QString && index.isValid() &&
        rowSetModel() && rowSetModel()->rowSet()) {
        const Data::FieldType type = rowSetModel()->rowSet()->field(index.column()).type;
        if ((type == Data::FieldType::Money || type == Data::FieldType::Float) &&
            value.toString() == data(index, Qt::EditRole).toString())
            return true;
    }
    return QAbstractProxyModel::setData(index, value, role);
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

void GridProxyModel::setPending(Pending pending)
{
    const bool was = isSorting();
    m_pending = pending;
    if (pending != Pending::Keys)
        m_keyTimer->stop();
    if (was != isSorting())
        Q_EMIT sortingChanged(isSorting());
}

void GridProxyModel::sortBy(int column, Qt::SortOrder order)
{
    Data::TRowSetModel* model = rowSetModel();
    if (!model || !model->rowSet() || column >= model->columnCount())
        column = -1;
    // Rows still unread would be left out of the order.
    if (column >= 0)
        model->fetchAll();
    ++m_ticket;
    m_sortColumn = column;
    m_sortOrder = order;
    if (column < 0) {
        setPending(Pending::None);
        m_keys.reset();
        if (!m_toSource.empty()) {
            beginResetModel();
            m_toSource.clear();
            m_fromSource.clear();
            endResetModel();
        }
        return;
    }
    startSort();
}

void GridProxyModel::sourceReset()
{
    // Called between the reset's begin and end: a small list is ordered at once, a big one
    // shows the row set's order until its keys are sorted.
    ++m_ticket;
    m_keys.reset();
    m_toSource.clear();
    m_fromSource.clear();
    setPending(Pending::None);
    if (m_sortColumn >= 0 && rowSetModel() && rowSetModel()->rowSet() && m_sortColumn < columnCount())
        startSort();
}

void GridProxyModel::startSort()
{
    const Data::TRowSet& rs = *rowSetModel()->rowSet();
    const int n = rs.recordCount();
    const Data::FieldType type = rs.field(m_sortColumn).type;
    if (!hasKeys(type)) {
        // Rare field types compare their values, at once.
        std::vector<int> order(static_cast<size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        const int column = m_sortColumn;
        const bool desc = m_sortOrder == Qt::DescendingOrder;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = Data::RowValues::compare(rs.rowAt(a)->values, column, rs.rowAt(b)->values, column,
                                                   compareVariants);
            return desc ? c > 0 : c < 0;
        });
        applyOrder(std::move(order));
        return;
    }
    const bool keysReady = m_keys && m_keys->column == m_sortColumn && m_keysBuilt == n &&
                           int(m_keys->keys.size()) == n;
    const bool background = n >= m_backgroundRows;
    if (!keysReady) {
        m_keys = std::make_shared<Keys>();
        m_keys->column = m_sortColumn;
        m_keys->keys.reserve(size_t(n));
        m_keysBuilt = 0;
        ++m_keyBuilds;
        if (background) {
            setPending(Pending::Keys);
            m_keyTimer->start();
            return;
        }
        buildKeys(true);
    }
    if (!background) {
        applyOrder(sortedOrder(*m_keys, m_sortOrder == Qt::DescendingOrder));
        return;
    }
    launchSort();
}

void GridProxyModel::buildKeys(bool wholeList)
{
    Data::TRowSetModel* model = rowSetModel();
    if (!model || !model->rowSet() || !m_keys)
        return;
    const Data::TRowSet& rs = *model->rowSet();
    const int n = rs.recordCount();
    const int column = m_keys->column;
    const Data::FieldType type = rs.field(column).type;
    std::string bytes;
    QElapsedTimer slice;
    slice.start();
    while (m_keysBuilt < n) {
        // A slice of the event loop's time; the rest on its next turn.
        if (!wholeList && (m_keysBuilt & 1023) == 0 && slice.elapsed() >= 15) {
            m_keyTimer->start();
            return;
        }
        const Data::RowSetRow* row = rs.rowAt(m_keysBuilt);
        SortKey k{};
        bytes.clear();
        k.present = row && keyBytes(row->values, column, type, bytes);
        k.length = quint32(bytes.size());
        k.headLength = quint8(std::min(bytes.size(), KeyHead));
        std::memcpy(k.head.data(), bytes.data(), k.headLength);
        k.offset = quint32(m_keys->tail.size());
        if (bytes.size() > KeyHead)
            m_keys->tail += bytes;
        m_keys->keys.push_back(k);
        ++m_keysBuilt;
    }
    if (!wholeList)
        launchSort();
}

void GridProxyModel::launchSort()
{
    setPending(Pending::Sort);
    m_watchedTicket = m_ticket;
    auto promise = std::make_shared<QPromise<std::vector<int>>>();
    m_watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start(
        [promise, keys = std::shared_ptr<const Keys>(m_keys), desc = m_sortOrder == Qt::DescendingOrder] {
            promise->addResult(sortedOrder(*keys, desc));
            promise->finish();
        });
}

void GridProxyModel::applyOrder(std::vector<int> order)
{
    const bool wasSorting = isSorting();
    if (wasSorting) {
        beginResetModel();
        m_pending = Pending::None;
    }
    const size_t n = order.size();
    m_toSource = std::move(order);
    m_fromSource.assign(n, 0);
    for (size_t i = 0; i < n; ++i)
        m_fromSource[size_t(m_toSource[i])] = int(i);
    if (wasSorting) {
        endResetModel();
        Q_EMIT sortingChanged(false);
    }
}

void GridProxyModel::keysChanged()
{
    // A sort in flight works on the keys as they were.
    if (m_keys && m_keys.use_count() > 1)
        m_keys = std::make_shared<Keys>(*m_keys);
}

void GridProxyModel::removeSourceRows(int first, int last)
{
    const int count = last - first + 1;
    if (!m_toSource.empty()) {
        std::vector<int> kept;
        kept.reserve(m_toSource.size());
        for (int s : m_toSource) {
            if (s >= first && s <= last)
                continue;
            kept.push_back(s > last ? s - count : s);
        }
        m_toSource = std::move(kept);
        m_fromSource.assign(m_toSource.size(), 0);
        for (size_t i = 0; i < m_toSource.size(); ++i)
            m_fromSource[size_t(m_toSource[i])] = int(i);
    }
    if (m_keys) {
        keysChanged();
        auto& keys = m_keys->keys;
        const int end = std::min(last + 1, int(keys.size()));
        if (first < end)
            keys.erase(keys.begin() + first, keys.begin() + end);
        if (first < m_keysBuilt)
            m_keysBuilt -= std::min(m_keysBuilt, last + 1) - first;
    }
    // An order in the making is made again from the keys left.
    if (m_pending == Pending::Sort) {
        ++m_ticket;
        launchSort();
    }
}

} // namespace Tarvo::Widgets
