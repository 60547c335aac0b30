#include "data/rowset/trowsetmodel.h"

#include "data/engine/money.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowset.h"
#include "core/exception.h"

namespace Tarvo::Data {

TRowSetModel::TRowSetModel(TRowSet& rowSet, QObject* parent)
    : QAbstractTableModel(parent), m_rowSet(&rowSet),
      m_changed(rowSet.subscribeChanged([this](int row) { rowSetChanged(row); })),
      m_destroyed(rowSet.subscribeDestroyed([this] { rowSetDestroyed(); }))
{
    recount();
}

int TRowSetModel::placeholdersNow() const
{
    // Only rows in the dataset's own order can stand in for rows not read yet.
    if (!m_rowSet || m_rowSet->state() == RowSetState::Insert || !m_rowSet->sort().isEmpty() ||
        !m_rowSet->filter().isEmpty() || m_rowSet->pendingOnly() || !m_rowSet->canFetchMore())
        return 0;
    return qMax(0, m_rowSet->expectedUnreadRows());
}

void TRowSetModel::recount()
{
    m_placeholders = placeholdersNow();
    // A row being inserted is shown after the others.
    m_rows = m_rowSet ? m_rowSet->recordCount() + (m_rowSet->state() == RowSetState::Insert ? 1 : 0) + m_placeholders
                      : 0;
}

TRowSetModel::~TRowSetModel() = default;

void TRowSetModel::rowSetChanged(int row)
{
    if (m_inChange)
        return;
    if (RowSetChange::isRemoval(row)) {
        const int at = RowSetChange::removedRow(row);
        if (at < m_rows - m_placeholders) {
            beginRemoveRows({}, at, at);
            --m_rows;
            endRemoveRows();
            return;
        }
        row = RowSetChange::Any;
    }
    if (row >= 0 && row < rowCount() && columnCount() > 0) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    }
    beginResetModel();
    recount();
    endResetModel();
}

void TRowSetModel::rowSetDestroyed()
{
    beginResetModel();
    m_rowSet = nullptr;
    recount();
    endResetModel();
}

int TRowSetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_rowSet)
        return 0;
    return m_rows;
}

int TRowSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_rowSet ? 0 : m_rowSet->fieldCount();
}

QString TRowSetModel::displayText(const QVariant& value, FieldType type, const QString& format)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (type) {
    case FieldType::Money:
        return NumberFormat::byFormat(Money::fromVariant(value), format);
    case FieldType::Float:
        return NumberFormat::real(value.toDouble());
    case FieldType::DateTime: {
        const QDateTime d = value.toDateTime();
        if (!format.isEmpty())
            return d.toString(format);
        return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("dd.MM.yyyy"))
                                       : d.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    }
    case FieldType::Boolean:
        if (const qsizetype semi = format.indexOf(QLatin1Char(';')); semi >= 0)
            return value.toBool() ? format.left(semi) : format.mid(semi + 1);
        return value.toBool() ? QStringLiteral("Да") : QStringLiteral("Нет");
    default:
        return value.toString();
    }
}

QVariant TRowSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_rowSet)
        return {};
    const RowSetField& f = m_rowSet->field(index.column());
    QVariant v;
    const bool editingThisRow =
        (m_rowSet->state() == RowSetState::Edit && index.row() == m_rowSet->recNo()) ||
        (m_rowSet->state() == RowSetState::Insert && index.row() == m_rowSet->recordCount());
    if (editingThisRow) {
        v = m_rowSet->value(index.column());
    } else {
        const RowSetRow* r = m_rowSet->rowAt(index.row());
        if (!r)
            return {};
        v = r->values.at(index.column());
    }
    switch (role) {
    case Qt::DisplayRole:
        return displayText(v, f.type, f.displayFormat);
    case Qt::EditRole:
        // An editor starts from the text the cell shows ("2,5", "36 807,91").
        return f.type == FieldType::Money || f.type == FieldType::Float ? QVariant(displayText(v, f.type, f.displayFormat))
                                                                          : v;
    case Qt::TextAlignmentRole:
        if (f.type == FieldType::Money || f.type == FieldType::Integer || f.type == FieldType::Float)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool TRowSetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !m_rowSet || role != Qt::EditRole || isPlaceholder(index.row()) ||
        m_rowSet->field(index.column()).readOnly)
        return false;
    const QVariant v = typedValue(m_rowSet->field(index.column()).type, value);
    m_inChange = true;
    try {
        const bool inserting =
            m_rowSet->state() == RowSetState::Insert && index.row() == m_rowSet->recordCount();
        if (!inserting) {
            if (index.row() != m_rowSet->recNo())
                m_rowSet->moveTo(index.row());
            m_rowSet->edit();
        }
        m_rowSet->setValue(index.column(), v);
    } catch (...) {
        m_inChange = false;
        throw;
    }
    m_inChange = false;
    emit dataChanged(index, index);
    return true;
}

QVariant TRowSetModel::typedValue(FieldType type, const QVariant& value)
{
    if ((type != FieldType::Money && type != FieldType::Float) || value.metaType().id() != QMetaType::QString)
        return value;
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    // The Russian text as shown, and as typed: a comma or a point, digit groups or none.
    if (type == FieldType::Money) {
        if (const auto m = Money::parse(text))
            return m->toVariant();
    } else {
        QString plain = text;
        plain.remove(QLatin1Char(' ')).remove(QChar(0x00A0)).remove(QChar(0x202F)).replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double d = plain.toDouble(&ok);
        if (ok)
            return d;
    }
    throw Exception(QStringLiteral("«%1» — не число. Введите число, например 2,5 или 1 234,56.").arg(text));
}

QVariant TRowSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_rowSet && orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_rowSet->fieldCount())
        return m_rowSet->field(section).caption();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TRowSetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_rowSet && !isPlaceholder(index.row()) && !m_rowSet->field(index.column()).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TRowSetModel::canFetchMore(const QModelIndex& parent) const
{
    // Placeholders stand for the rest: the grid reads what comes into sight itself.
    return !parent.isValid() && hasUnreadRows() && m_placeholders == 0;
}

bool TRowSetModel::hasUnreadRows() const
{
    return m_rowSet && m_rowSet->state() == RowSetState::Browse && m_rowSet->canFetchMore();
}

void TRowSetModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !hasUnreadRows())
        return;
    const int before = m_rowSet->recordCount();
    const int shownBefore = m_rows;
    m_inChange = true;
    try {
        m_rowSet->fetchMore();
    } catch (...) {
        m_inChange = false;
        throw;
    }
    m_inChange = false;
    const int after = m_rowSet->recordCount();
    // Unsorted and unfiltered, the batch follows the rows shown: the view keeps its place.
    if (!m_rowSet->sort().isEmpty() || !m_rowSet->filter().isEmpty() || after < before) {
        beginResetModel();
        recount();
        endResetModel();
        return;
    }
    const int placeholders = placeholdersNow();
    const int shown = after + placeholders;
    // The placeholders the batch filled in, then as many rows more or fewer as the count was off.
    if (after > before && before < shownBefore) {
        m_placeholders = qMax(0, shownBefore - after);
        Q_EMIT dataChanged(index(before, 0), index(qMin(after, shownBefore) - 1, columnCount() - 1));
    }
    if (shown > shownBefore) {
        beginInsertRows({}, shownBefore, shown - 1);
        m_rows = shown;
        m_placeholders = placeholders;
        endInsertRows();
    } else if (shown < shownBefore) {
        beginRemoveRows({}, shown, shownBefore - 1);
        m_rows = shown;
        m_placeholders = placeholders;
        endRemoveRows();
    }
    m_rows = shown;
    m_placeholders = placeholders;
}

void TRowSetModel::fetchUpTo(int row)
{
    while (m_rowSet && m_rowSet->recordCount() <= row && hasUnreadRows())
        fetchMore({});
}

bool TRowSetModel::submit()
{
    if (m_rowSet)
        m_rowSet->checkBrowseMode();
    return true;
}

void TRowSetModel::sort(int column, Qt::SortOrder order)
{
    // Without a heading chosen the program's own order stays (a grid asks this when attached).
    if (!m_rowSet || column >= m_rowSet->fieldCount() || (column < 0 && !m_sortedByHeading))
        return;
    m_sortedByHeading = column >= 0;
    const QString sort = column < 0 ? QString()
                                    : QStringLiteral("%1%2").arg(m_rowSet->field(column).name,
                                                                   order == Qt::DescendingOrder
                                                                       ? QStringLiteral(" desc")
                                                                       : QString());
    m_rowSet->setSort(sort, TRowSet::SortCollation::User);
}

void TRowSetModel::revert()
{
    if (m_rowSet)
        m_rowSet->cancel();
}

} // namespace Tarvo::Data
