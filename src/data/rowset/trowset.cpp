#include "data/rowset/trowset.h"

#include "data/engine/query.h"
#include "data/engine/resultreader.h"
#include "data/rowset/trowsetfilter.h"
#include "core/exception.h"

#include <QCollator>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <unordered_map>

namespace Tarvo::Data {

struct RowSetStore
{
    QList<RowSetField> fields;
    QHash<QString, int> index; // lower-case name
    QHash<QString, int> exact; // the name as given: most callers spell it so, without lowering
    // Rows and the values they were loaded with live in the arena: no heap block per row.
    // Declared before the rows that point into it.
    RowArena arena;
    std::vector<RowSetRow*> spare;
    std::vector<RowSetRow*> rows; // natural order
    quint64 nextBookmark = 1;
    quint64 version = 0;
    // Grows whenever fields are replaced or added: filters, sorts and links find theirs again.
    quint64 fieldsVersion = 1;
    bool cloneWrites = true;
    // While above zero, change notices wait: a delete tells its own when done.
    int heldNotices = 0;
    std::vector<TRowSet*> members; // the row set and its clones, for change notices

    // The rows that changed one at a time since `journalFrom`: a filtered or linked view looks
    // at those again instead of at every row. Anything else clears it.
    std::vector<RowSetRow*> journal;
    quint64 journalFrom = 0;
    static constexpr size_t JournalLimit = 256;

    void changed()
    {
        ++version;
        journal.clear();
        journalFrom = version;
    }
    void rowChanged(RowSetRow* row)
    {
        ++version;
        if (journal.size() >= JournalLimit) {
            journal.clear();
            journalFrom = version;
        } else {
            journal.push_back(row);
        }
    }
    // The rows changed since `since`, when the journal still holds them all.
    bool changedSince(quint64 since, std::vector<RowSetRow*>& out) const
    {
        if (since < journalFrom || since > version)
            return false;
        out.assign(journal.end() - qsizetype(version - since), journal.end());
        return true;
    }
    RowSetRow* newRow()
    {
        if (!spare.empty()) {
            RowSetRow* r = spare.back();
            spare.pop_back();
            return r;
        }
        void* memory = arena.allocate(sizeof(RowSetRow));
        return new (memory) RowSetRow();
    }
    // A row's new values, as a posted edit writes them: the first change keeps the loaded ones.
    void write(RowSetRow* row, RowValues&& values)
    {
        if (row->status == UpdateStatus::Unchanged) {
            row->original = std::move(row->values);
            row->status = UpdateStatus::Modified;
        }
        row->values = std::move(values);
        rowChanged(row);
    }
    // A pending insert, appended with the next bookmark.
    RowSetRow* append(RowValues&& values)
    {
        RowSetRow* row = newRow();
        row->values = std::move(values);
        row->status = UpdateStatus::Inserted;
        row->bookmark = nextBookmark++;
        rows.push_back(row);
        rowChanged(row);
        return row;
    }
    void release(RowSetRow* row)
    {
        *row = RowSetRow();
        spare.push_back(row);
    }
    // Rows stay in the order of their bookmarks: each new row is appended with the next one.
    std::vector<RowSetRow*>::iterator find(const RowSetRow* row)
    {
        auto it = std::lower_bound(rows.begin(), rows.end(), row->bookmark,
                                   [](const RowSetRow* r, quint64 b) { return r->bookmark < b; });
        return it != rows.end() && *it == row ? it : std::find(rows.begin(), rows.end(), row);
    }
    void erase(RowSetRow* row)
    {
        auto it = find(row);
        if (it != rows.end()) {
            rows.erase(it);
            release(row);
            rowChanged(row);
        } else {
            changed();
        }
    }
    // Drops the rows for which `drop` holds, keeping the order of the rest.
    template <class Pred> void eraseIf(Pred drop)
    {
        auto kept = rows.begin();
        for (RowSetRow* r : rows) {
            if (drop(r))
                release(r);
            else
                *kept++ = r;
        }
        rows.erase(kept, rows.end());
    }
    void clearRows()
    {
        for (RowSetRow* r : rows)
            r->~RowSetRow();
        for (RowSetRow* r : spare)
            r->~RowSetRow();
        rows.clear();
        spare.clear();
        arena.clear();
    }
    ~RowSetStore() { clearRows(); }
};

// Numbers are hashed by their value as doubles: numbers that compare equal, whatever their
// kind, give one double. Rows whose link values are not all numbers are kept aside and always
// looked at.
struct RowSetLinkIndex
{
    struct Slot
    {
        bool other = false;
        size_t hash = 0;
    };
    quint64 version = ~quint64(0);
    quint64 fieldsVersion = 0;
    QList<int> fields;
    std::unordered_map<size_t, std::vector<RowSetRow*>> buckets;
    std::vector<RowSetRow*> others;
    std::unordered_map<const RowSetRow*, Slot> placed;

    static bool hashOf(const QVariantList& values, size_t& out)
    {
        size_t h = 0;
        for (const QVariant& v : values) {
            if (!RowValues::isNumber(v))
                return false;
            double d = v.metaType() == QMetaType::fromType<Money>() ? v.value<Money>().toDouble() : v.toDouble();
            if (d == 0 || std::isnan(d))
                d = std::isnan(d) ? std::numeric_limits<double>::quiet_NaN() : 0.0;
            h = h * 1000003u ^ std::hash<double>()(d);
        }
        out = h;
        return true;
    }
    QVariantList linkValues(const RowSetRow* r) const
    {
        QVariantList values;
        for (int f : fields)
            values << r->values.at(f);
        return values;
    }
    static void insertInOrder(std::vector<RowSetRow*>& rows, RowSetRow* r)
    {
        rows.insert(std::upper_bound(rows.begin(), rows.end(), r->bookmark,
                                     [](quint64 b, const RowSetRow* x) { return b < x->bookmark; }),
                    r);
    }
    void place(RowSetRow* r)
    {
        Slot slot;
        slot.other = !hashOf(linkValues(r), slot.hash);
        insertInOrder(slot.other ? others : buckets[slot.hash], r);
        placed[r] = slot;
    }
    void remove(const RowSetRow* r)
    {
        const auto it = placed.find(r);
        if (it == placed.end())
            return;
        auto& rows = it->second.other ? others : buckets[it->second.hash];
        rows.erase(std::remove(rows.begin(), rows.end(), r), rows.end());
        placed.erase(it);
    }
    void clear()
    {
        buckets.clear();
        others.clear();
        placed.clear();
    }
};

namespace {

bool isNullValue(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

int compareValues(const QVariant& a, const QVariant& b)
{
    const bool an = isNullValue(a), bn = isNullValue(b);
    if (an || bn)
        return int(bn) - int(an); // nulls first
    if (RowValues::isNumber(a) && RowValues::isNumber(b))
        return RowValues::compareNumbers(a, b);
    if (a.metaType().id() == QMetaType::QDateTime || b.metaType().id() == QMetaType::QDateTime) {
        const QDateTime x = Query::parseDateTime(a), y = Query::parseDateTime(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.metaType().id() == QMetaType::Bool && b.metaType().id() == QMetaType::Bool)
        return int(a.toBool()) - int(b.toBool());
    return QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
}

bool valuesEqual(const QVariant& a, const QVariant& b)
{
    return compareValues(a, b) == 0;
}

// Russian alphabetical order without regard to case, as users expect of a sorted list.
int compareForUser(const QVariant& a, const QVariant& b)
{
    const bool an = isNullValue(a), bn = isNullValue(b);
    if (an || bn)
        return int(bn) - int(an);
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Russian, QLocale::Russia));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    // Folded first: the collator still tells the cases apart at its last level.
    const int c = collator.compare(a.toString().toCaseFolded(), b.toString().toCaseFolded());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QMetaType storedType(FieldType type)
{
    switch (type) {
    case FieldType::Money:
        return QMetaType::fromType<Money>();
    case FieldType::Integer:
        return QMetaType::fromType<qint64>();
    case FieldType::Float:
        return QMetaType::fromType<double>();
    case FieldType::Boolean:
        return QMetaType::fromType<bool>();
    case FieldType::DateTime:
        return QMetaType::fromType<QDateTime>();
    case FieldType::Bytes:
        return QMetaType::fromType<QByteArray>();
    case FieldType::String:
        return QMetaType::fromType<QString>();
    }
    return {};
}

// The cell a value of the type is kept in once normalised.
RowValues::Tag storedTag(FieldType type)
{
    switch (type) {
    case FieldType::Money:
        return RowValues::Tag::Money;
    case FieldType::Integer:
        return RowValues::Tag::Int64;
    case FieldType::Float:
        return RowValues::Tag::Double;
    case FieldType::Boolean:
        return RowValues::Tag::Bool;
    case FieldType::DateTime:
        return RowValues::Tag::LocalDateTime;
    case FieldType::Bytes:
        return RowValues::Tag::Bytes;
    case FieldType::String:
        return RowValues::Tag::Text;
    }
    return RowValues::Tag::Boxed;
}

QVariant normalise(const QVariant& v, FieldType type)
{
    if (isNullValue(v))
        return {};
    if (v.metaType() == storedType(type))
        return v;
    switch (type) {
    case FieldType::Money:
        return QVariant::fromValue(Money::fromVariant(v));
    case FieldType::Integer:
        return v.metaType() == QMetaType::fromType<Money>()
                   ? QVariant(qint64(v.value<Money>().raw() / Money::Scale))
                   : QVariant(v.toLongLong());
    case FieldType::Float:
        return v.metaType() == QMetaType::fromType<Money>() ? QVariant(v.value<Money>().toDouble())
                                                            : QVariant(v.toDouble());
    case FieldType::Boolean:
        return v.toBool();
    case FieldType::DateTime:
        return Query::parseDateTime(v);
    case FieldType::Bytes:
        return v.toByteArray();
    case FieldType::String:
        return v.toString();
    }
    return v;
}

} // namespace

TRowSet::TRowSet() : m_store(std::make_shared<RowSetStore>())
{
    m_store->members.push_back(this);
}

TRowSet::~TRowSet()
{
    // The order in which a window's members go must not matter.
    m_listeners->alive = false;
    RowSetListeners::notify(m_listeners, RowSetListeners::Kind::Destroyed);
    m_listeners->entries.clear();
    const auto followers = m_followers;
    m_followers.clear();
    for (TRowSet* f : followers)
        f->masterDestroyed(*this);
    if (m_master)
        m_master->removeFollower(this);
    auto& m = m_store->members;
    m.erase(std::remove(m.begin(), m.end(), this), m.end());
}

void TRowSet::addFollower(TRowSet* follower)
{
    m_followers.push_back(follower);
}

void TRowSet::removeFollower(TRowSet* follower)
{
    // One link at a time: a set may follow the same master by two links.
    auto it = std::find(m_followers.begin(), m_followers.end(), follower);
    if (it != m_followers.end())
        m_followers.erase(it);
}

void TRowSet::masterLeaving(TRowSet&)
{
    settleFollowers();
    if (m_state == RowSetState::Browse)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void TRowSet::settleFollowers()
{
    const auto followers = m_followers;
    for (TRowSet* f : followers)
        f->masterLeaving(*this);
}

void TRowSet::followMaster(TRowSet& master)
{
    if (&master != m_master)
        return;
    // The view follows the master's key: one that did not change keeps it.
    ensureView();
    notifyChanged();
    // Told even when the current row looks the same: the master's rows may be new ones.
    recordChanged();
}

void TRowSet::masterDestroyed(TRowSet& master)
{
    if (&master != m_master)
        return;
    m_master = nullptr;
    m_masterNames.clear();
    m_detailNames.clear();
    m_masterFields.clear();
    m_detailFields.clear();
    m_viewMasterKey.clear();
    invalidate();
}

void TRowSet::setCloneWrites(bool allowed)
{
    m_store->cloneWrites = allowed;
}

void TRowSet::leaveRow()
{
    settleFollowers();
    checkBrowseMode();
}

bool TRowSet::afterLast() const
{
    ensureView();
    return m_afterLast || view().empty();
}

void TRowSet::toFirst()
{
    ensureView();
    m_pos = view().empty() ? -1 : 0;
    m_current = m_pos >= 0 ? view()[0] : nullptr;
    m_bof = true;
    m_eof = view().empty();
    m_afterLast = false;
}

void TRowSet::addField(const QString& name, FieldType type, int size)
{
    if (!m_store->rows.empty())
        throw Exception(QStringLiteral("Поля добавляются до первой строки"));
    if (fieldIndex(name) >= 0)
        throw Exception(QStringLiteral("Поле '%1' уже есть").arg(name));
    RowSetField f;
    f.name = name;
    f.type = type;
    f.size = size;
    m_store->index.insert(name.toLower(), int(m_store->fields.size()));
    m_store->exact.insert(name, int(m_store->fields.size()));
    m_store->fields << f;
    ++m_store->fieldsVersion;
    m_store->changed();
}

void TRowSet::addCalculatedField(const QString& name, FieldType type,
                                 std::function<QVariant(const TRowSet&)> calculate)
{
    if (fieldIndex(name) >= 0)
        throw Exception(QStringLiteral("Поле '%1' уже есть").arg(name));
    if (m_state != RowSetState::Browse)
        throw Exception(QStringLiteral("Поля не добавляются во время редактирования"));
    RowSetField f;
    f.name = name;
    f.type = type;
    f.readOnly = true;
    f.calculate = std::move(calculate);
    m_store->index.insert(name.toLower(), int(m_store->fields.size()));
    m_store->exact.insert(name, int(m_store->fields.size()));
    m_store->fields << f;
    ++m_store->fieldsVersion;
    for (RowSetRow* row : m_store->rows) {
        QVariantList values = row->values.toList();
        values.append(QVariant());
        row->values = RowValues(values);
        if (!row->original.isEmpty()) {
            QVariantList original = row->original.toList();
            original.append(QVariant());
            row->original = RowValues(original);
        }
    }
    m_store->changed();
    recalculate();
}

void TRowSet::addLookupField(const QString& name, FieldType type, const QString& keyField,
                             const TRowSet& lookup, const QString& lookupKeyField, const QString& resultField)
{
    // A clone of its own, so looking up never moves the lookup set's cursor.
    std::shared_ptr<TRowSet> source(lookup.clone());
    source->fieldIndexOrThrow(lookupKeyField);
    source->fieldIndexOrThrow(resultField);
    const int key = fieldIndexOrThrow(keyField);
    // Whole-number keys are found through a hash of the lookup's rows, rebuilt when they change:
    // a loaded row then costs no walk through the lookup set.
    struct Index
    {
        quint64 version = ~quint64(0);
        quint64 fieldsVersion = 0;
        bool usable = false;
        int result = -1;
        QHash<qint64, const RowSetRow*> rows;
    };
    auto index = std::make_shared<Index>();
    const auto isWhole = [](const QVariant& v) {
        const int id = v.metaType().id();
        return id == QMetaType::LongLong || id == QMetaType::Int;
    };
    addCalculatedField(name, type, [source, key, lookupKeyField, resultField, index, isWhole](const TRowSet& rs) {
        const QVariant k = rs.value(key);
        if (k.isNull())
            return QVariant();
        if (isWhole(k)) {
            source->ensureView();
            const RowSetStore& store = *source->m_store;
            if (index->version != store.version || index->fieldsVersion != store.fieldsVersion) {
                index->rows.clear();
                index->usable = true;
                const int lk = source->fieldIndex(lookupKeyField);
                index->result = source->fieldIndex(resultField);
                if (lk < 0 || index->result < 0)
                    index->usable = false;
                for (const RowSetRow* r : source->view()) {
                    if (!index->usable)
                        break;
                    const RowValues::Tag t = r->values.tag(lk);
                    if (t == RowValues::Tag::Int32 || t == RowValues::Tag::Int64) {
                        const qint64 v = r->values.at(lk).toLongLong();
                        if (!index->rows.contains(v)) // the first such row, as a walk finds it
                            index->rows.insert(v, r);
                    }
                    else if (t != RowValues::Tag::Null)
                        index->usable = false; // keys of other kinds compare by value: walk
                }
                index->version = store.version;
                index->fieldsVersion = store.fieldsVersion;
            }
            if (index->usable) {
                const auto it = index->rows.constFind(k.toLongLong());
                return it == index->rows.constEnd() ? QVariant() : (*it)->values.at(index->result);
            }
        }
        if (!source->locate({lookupKeyField}, {k}))
            return QVariant();
        return source->value(resultField);
    });
}

void TRowSet::recalculateValues(QVariantList& values)
{
    const QVariantList* saved = m_calcSource;
    m_calcSource = &values;
    try {
        for (int i = 0; i < m_store->fields.size(); ++i) {
            const RowSetField& f = m_store->fields.at(i);
            if (f.isCalculated())
                values[i] = normalise(f.calculate(*this), f.type);
        }
    } catch (...) {
        m_calcSource = saved;
        throw;
    }
    m_calcSource = saved;
}

void TRowSet::recalculateRow(RowSetRow* row)
{
    QVariantList values = row->values.toList();
    recalculateValues(values);
    row->values = RowValues(values);
}

void TRowSet::recalculate()
{
    bool any = false;
    for (const RowSetField& f : m_store->fields)
        any = any || f.isCalculated();
    if (!any)
        return;
    for (RowSetRow* row : m_store->rows)
        recalculateRow(row);
    m_store->changed();
    notifyChanged();
}

int TRowSet::fieldCount() const
{
    return int(m_store->fields.size());
}

const RowSetField& TRowSet::field(int i) const
{
    return m_store->fields.at(i);
}

RowSetField& TRowSet::field(int i)
{
    return m_store->fields[i];
}

int TRowSet::fieldIndex(const QString& name) const
{
    const auto it = m_store->exact.constFind(name);
    if (it != m_store->exact.constEnd())
        return *it;
    return m_store->index.value(name.toLower(), -1);
}

int TRowSet::fieldIndexOrThrow(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw Exception(QStringLiteral("Поле '%1' не найдено").arg(name));
    return i;
}

QList<RowSetField> TRowSet::fields() const
{
    return m_store->fields;
}

void TRowSet::setLoadedFields(const QVector<ResultColumn>& columns, const QList<RowSetField>& previous)
{
    m_state = RowSetState::Browse;
    m_store->clearRows();
    m_store->fields.clear();
    m_store->index.clear();
    m_store->exact.clear();
    for (const auto& [name, type] : columns) {
        addField(name, type);
        // Captions and formats set by the window survive a re-read.
        for (const RowSetField& old : previous)
            if (old.name.compare(name, Qt::CaseInsensitive) == 0) {
                RowSetField& f = m_store->fields.last();
                f.displayLabel = old.displayLabel;
                f.displayFormat = old.displayFormat;
                f.readOnly = old.readOnly;
            }
    }
    for (const RowSetField& old : previous)
        if (old.isCalculated() && fieldIndex(old.name) < 0) {
            m_store->index.insert(old.name.toLower(), int(m_store->fields.size()));
            m_store->exact.insert(old.name, int(m_store->fields.size()));
            m_store->fields << old;
        }
}

void TRowSet::loadFrom(Query& query)
{
    settleFollowers();
    const QList<RowSetField> previous = m_store->fields;
    const auto result = ResultReader::open(query);
    setLoadedFields(result->columns(), previous);
    try {
        readRows(*result);
    } catch (...) {
        // Half a result is no result: the set stays empty rather than silently short.
        m_store->clearRows();
        m_store->changed();
        m_current = nullptr;
        m_pos = -1;
        notifyChanged();
        recordChanged();
        throw;
    }
    m_store->changed();
    m_current = nullptr;
    m_pos = -1;
    toFirst();
    notifyChanged();
    recordChanged();
    // A filter, sort or link that names a column the new result lacks shows nothing; say why.
    for (TRowSet* m : m_store->members) {
        if (!m->resolveFields())
            throw Exception(m->m_unresolved);
        for (TRowSet* f : m->m_followers)
            if (!f->resolveFields())
                throw Exception(f->m_unresolved);
    }
}

int TRowSet::dataFieldCount() const
{
    int n = 0;
    for (const RowSetField& f : m_store->fields)
        n += f.isCalculated() ? 0 : 1;
    return n;
}

RowSetRow* TRowSet::loadedRow(QVariantList& values, int dataFields, RowValues::Builder& builder)
{
    if (values.size() != fieldCount() && values.size() != dataFields)
        throw Exception(QStringLiteral("Число значений не совпадает с числом полей"));
    while (values.size() < fieldCount())
        values.append(QVariant());
    for (int i = 0; i < values.size(); ++i)
        if (!m_store->fields[i].isCalculated())
            values[i] = normalise(values[i], m_store->fields[i].type);
    if (dataFields != fieldCount())
        recalculateValues(values);
    builder.start(int(values.size()));
    for (int i = 0; i < values.size(); ++i)
        builder.setVariant(i, values[i]);
    return storeBuilt(builder, false);
}

RowSetRow* TRowSet::storeBuilt(RowValues::Builder& builder, bool calculate)
{
    RowSetRow* row = m_store->newRow();
    row->values = builder.finish(&m_store->arena);
    if (calculate)
        recalculateRow(row);
    row->bookmark = m_store->nextBookmark++;
    m_store->rows.push_back(row);
    return row;
}

void TRowSet::dropRowsFrom(size_t count)
{
    auto& rows = m_store->rows;
    while (rows.size() > count) {
        m_store->release(rows.back());
        rows.pop_back();
    }
}

void TRowSet::appendLoaded(QVariantList values)
{
    RowValues::Builder builder;
    RowSetRow* row = loadedRow(values, dataFieldCount(), builder);
    m_store->rowChanged(row);
    notifyChanged();
}

void TRowSet::appendLoadedRows(QList<QVariantList> rows)
{
    if (rows.isEmpty())
        return;
    const int dataFields = dataFieldCount();
    auto& stored = m_store->rows;
    const size_t before = stored.size();
    stored.reserve(before + size_t(rows.size()));
    RowValues::Builder builder;
    try {
        for (QVariantList& values : rows)
            loadedRow(values, dataFields, builder);
    } catch (...) {
        // All the rows or none: a load refused half-way leaves what was there.
        dropRowsFrom(before);
        throw;
    }
    m_store->changed();
    notifyChanged();
}

int TRowSet::appendResult(ResultReader& result, const QList<int>& fieldOfColumn, const ResultRowHandler& complete)
{
    const int n = int(result.columns().size());
    const int total = fieldCount();
    if (fieldOfColumn.size() != n)
        throw Exception(QStringLiteral("Число значений не совпадает с числом полей"));
    for (const int f : fieldOfColumn)
        if (f >= total || (f >= 0 && m_store->fields[f].isCalculated()))
            throw Exception(QStringLiteral("Столбец результата указывает на поле %1, которого нельзя заполнить").arg(f));
    const bool calculated = dataFieldCount() != total;
    auto& rows = m_store->rows;
    const size_t before = rows.size();
    RowValues::Builder read;
    RowValues::Builder builder;
    read.start(n);
    builder.start(total);
    try {
        while (result.next(read)) {
            const RowValues values = read.finish();
            for (int c = 0; c < n; ++c) {
                const int f = fieldOfColumn[c];
                if (f < 0 || values.isNull(c))
                    continue;
                const FieldType type = m_store->fields[f].type;
                if (values.tag(c) == storedTag(type))
                    builder.copyValue(f, values, c);
                else
                    builder.setVariant(f, normalise(values.at(c), type));
            }
            if (complete && !complete(values, builder)) {
                builder.start(total);
                continue;
            }
            storeBuilt(builder, calculated);
        }
    } catch (...) {
        // All the rows or none, as appendLoadedRows.
        dropRowsFrom(before);
        throw;
    }
    const int appended = int(rows.size() - before);
    if (appended > 0) {
        m_store->changed();
        notifyChanged();
    }
    return appended;
}

const RowSetRow* TRowSet::lastRow() const
{
    return m_store->rows.empty() ? nullptr : m_store->rows.back();
}

int TRowSet::appendFrom(Query& query)
{
    const auto result = ResultReader::open(query);
    int dataFields = 0;
    for (const RowSetField& f : m_store->fields)
        dataFields += f.isCalculated() ? 0 : 1;
    if (int(result->columns().size()) != dataFields)
        throw Exception(QStringLiteral("Число значений не совпадает с числом полей"));
    const size_t before = m_store->rows.size();
    readRows(*result); // a batch read in part is dropped whole: the next fetch reads it again
    m_store->changed();
    notifyChanged();
    return int(m_store->rows.size() - before);
}

void TRowSet::readRows(ResultReader& result)
{
    const int n = int(result.columns().size());
    const int total = fieldCount();
    const size_t before = m_store->rows.size();
    RowValues::Builder builder;
    builder.start(total);
    try {
        while (result.next(builder))
            storeBuilt(builder, total > n);
    } catch (...) {
        dropRowsFrom(before);
        throw;
    }
}

void TRowSet::fetchAll()
{
    while (canFetchMore())
        fetchMore();
}

void TRowSet::clearRows()
{
    settleFollowers();
    m_state = RowSetState::Browse;
    m_store->clearRows();
    m_store->changed();
    m_current = nullptr;
    m_pos = -1;
    notifyChanged();
    recordChanged();
}

bool TRowSet::resolveFields() const
{
    const quint64 masterVersion = m_master ? m_master->m_store->fieldsVersion : 0;
    if (m_resolvedFields == m_store->fieldsVersion && m_resolvedMasterFields == masterVersion)
        return m_unresolved.isEmpty();
    m_resolvedFields = m_store->fieldsVersion;
    m_resolvedMasterFields = masterVersion;
    m_unresolved.clear();
    m_filter.reset();
    m_sortFields.clear();
    m_masterFields.clear();
    m_detailFields.clear();
    try {
        if (!m_filterText.isEmpty())
            m_filter = std::make_shared<TRowSetFilter>(m_filterText, m_store->fields);
        for (const auto& [name, desc] : m_sortNames)
            m_sortFields.append({fieldIndexOrThrow(name), desc});
        if (m_master)
            for (int i = 0; i < m_masterNames.size(); ++i) {
                m_masterFields << m_master->fieldIndexOrThrow(m_masterNames[i]);
                m_detailFields << fieldIndexOrThrow(m_detailNames[i]);
            }
    } catch (const Exception& e) {
        m_unresolved = QStringLiteral("Отбор, сортировка или связь набора данных указывают на поле, "
                                      "которого больше нет: %1")
                           .arg(e.message());
    }
    return m_unresolved.isEmpty();
}

QVariantList TRowSet::masterKey() const
{
    QVariantList key;
    if (m_masterFields.size() != m_masterNames.size())
        return key;
    for (int f : m_masterFields)
        key << (m_master->recNo() >= 0 || m_master->state() == RowSetState::Insert ? m_master->value(f)
                                                                                   : QVariant());
    return key;
}

void TRowSet::ensureView() const
{
    const bool fieldsChanged = m_resolvedFields != m_store->fieldsVersion ||
                               m_resolvedMasterFields != (m_master ? m_master->m_store->fieldsVersion : 0);
    const bool resolved = resolveFields();
    QVariantList key;
    if (m_master && resolved)
        key = masterKey();
    const bool masterMoved =
        m_master && (key.size() != m_viewMasterKey.size() ||
                     !std::equal(key.begin(), key.end(), m_viewMasterKey.begin(),
                                 [](const QVariant& a, const QVariant& b) {
                                     return isNullValue(a) == isNullValue(b) && valuesEqual(a, b);
                                 }));
    if (m_viewVersion == m_store->version && !masterMoved && !fieldsChanged)
        return;
    const bool everyRow = resolved && !m_master && !m_filter && !m_pendingOnly && m_sortFields.isEmpty() &&
                          std::none_of(m_store->rows.begin(), m_store->rows.end(),
                                       [](const RowSetRow* r) { return r->status == UpdateStatus::Deleted; });
    const bool keyIsNull = m_master && std::any_of(key.begin(), key.end(), isNullValue);
    const auto shows = [&](const RowSetRow* r) {
        if (m_pendingOnly ? r->status == UpdateStatus::Unchanged : r->status == UpdateStatus::Deleted)
            return false;
        if (m_master) {
            if (keyIsNull)
                return false;
            for (int i = 0; i < m_detailFields.size(); ++i)
                if (!valuesEqual(r->values.at(m_detailFields[i]), key.at(i)))
                    return false;
        }
        return !m_filter || m_filter->matches(r->values);
    };
    // A few rows changed one at a time (a part edited, a request row added): only they are
    // looked at again, so a long document is not filtered anew for every post.
    std::vector<RowSetRow*> changedRows;
    if (!everyRow && resolved && !masterMoved && !fieldsChanged && m_sortFields.isEmpty() &&
        m_viewRows == &m_ownView && m_store->changedSince(m_viewVersion, changedRows)) {
        std::sort(changedRows.begin(), changedRows.end());
        changedRows.erase(std::unique(changedRows.begin(), changedRows.end()), changedRows.end());
        const auto isChanged = [&](RowSetRow* r) {
            return std::binary_search(changedRows.begin(), changedRows.end(), r);
        };
        m_ownView.erase(std::remove_if(m_ownView.begin(), m_ownView.end(), isChanged), m_ownView.end());
        for (RowSetRow* r : changedRows) {
            // A released row has no bookmark; the others are among the rows.
            if (r->bookmark == 0 || !shows(r))
                continue;
            m_ownView.insert(std::upper_bound(m_ownView.begin(), m_ownView.end(), r->bookmark,
                                              [](quint64 b, const RowSetRow* x) { return b < x->bookmark; }),
                             r);
        }
    } else {
        m_ownView.clear();
        if (everyRow) {
            m_ownView.shrink_to_fit();
            m_viewRows = &m_store->rows;
        } else {
            m_viewRows = &m_ownView;
            std::vector<RowSetRow*> candidates;
            // A master moving over a long detail set looks only at the rows of its key.
            if (resolved && m_master && !keyIsNull && m_store->rows.size() > 64 && linkCandidates(key, candidates)) {
                for (RowSetRow* r : candidates)
                    if (shows(r))
                        m_ownView.push_back(r);
            } else if (resolved) {
                m_ownView.reserve(m_store->rows.size());
                for (RowSetRow* r : m_store->rows)
                    if (shows(r))
                        m_ownView.push_back(r);
            }
        }
    }
    if (!m_sortFields.isEmpty()) {
        std::stable_sort(m_ownView.begin(), m_ownView.end(), [this](const RowSetRow* a, const RowSetRow* b) {
            for (const auto& [f, desc] : m_sortFields) {
                const int c = m_collation == SortCollation::User && m_store->fields[f].type == FieldType::String
                                  ? compareForUser(a->values.at(f), b->values.at(f))
                                  : RowValues::compare(a->values, f, b->values, f, compareValues);
                if (c != 0)
                    return desc ? c > 0 : c < 0;
            }
            return false;
        });
    }
    m_viewVersion = m_store->version;
    m_viewMasterKey = key;
    const auto& rows = view();
    const int size = int(rows.size());
    auto found = masterMoved ? rows.end() : std::find(rows.begin(), rows.end(), m_current);
    if (found != rows.end() && m_current) {
        m_pos = int(found - rows.begin());
    } else {
        // The row left the view: the one that followed it becomes current.
        m_pos = masterMoved ? (size ? 0 : -1) : std::min(std::max(m_pos, 0), size - 1);
        m_eof = size == 0;
        m_bof = size == 0 || masterMoved;
    }
    m_current = m_pos >= 0 ? rows[m_pos] : nullptr;
}

bool TRowSet::linkCandidates(const QVariantList& key, std::vector<RowSetRow*>& out) const
{
    size_t hash = 0;
    if (!RowSetLinkIndex::hashOf(key, hash))
        return false;
    if (!m_linkIndex)
        m_linkIndex = std::make_unique<RowSetLinkIndex>();
    RowSetLinkIndex& ix = *m_linkIndex;
    const bool sameFields = ix.fieldsVersion == m_store->fieldsVersion && ix.fields == m_detailFields;
    std::vector<RowSetRow*> changed;
    if (!sameFields || !m_store->changedSince(ix.version, changed)) {
        ix.clear();
        ix.fields = m_detailFields;
        ix.fieldsVersion = m_store->fieldsVersion;
        for (RowSetRow* r : m_store->rows)
            ix.place(r);
    } else {
        std::sort(changed.begin(), changed.end());
        changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
        // All out first: a released row in a bucket would mislead the ordered inserts.
        for (RowSetRow* r : changed)
            ix.remove(r);
        for (RowSetRow* r : changed)
            if (r->bookmark != 0)
                ix.place(r);
    }
    ix.version = m_store->version;
    const auto bucket = ix.buckets.find(hash);
    static const std::vector<RowSetRow*> none;
    const auto& rows = bucket == ix.buckets.end() ? none : bucket->second;
    out.clear();
    out.reserve(rows.size() + ix.others.size());
    std::merge(rows.begin(), rows.end(), ix.others.begin(), ix.others.end(), std::back_inserter(out),
               [](const RowSetRow* a, const RowSetRow* b) { return a->bookmark < b->bookmark; });
    return true;
}

void TRowSet::invalidate()
{
    m_viewVersion = ~quint64(0);
}

RowSetRow* TRowSet::current() const
{
    ensureView();
    return m_current;
}

int TRowSet::recordCount() const
{
    ensureView();
    return int(view().size());
}

int TRowSet::recNo() const
{
    ensureView();
    return m_pos;
}

bool TRowSet::bof() const
{
    ensureView();
    return m_bof;
}

bool TRowSet::eof() const
{
    ensureView();
    return m_eof;
}

void TRowSet::first()
{
    leaveRow();
    ensureView();
    const RowSetRow* before = m_current;
    toFirst();
    scrolled(before);
}

void TRowSet::last()
{
    leaveRow();
    fetchAll();
    ensureView();
    const RowSetRow* before = m_current;
    m_pos = int(view().size()) - 1;
    m_current = m_pos >= 0 ? view()[m_pos] : nullptr;
    m_eof = true;
    m_bof = view().empty();
    m_afterLast = false;
    scrolled(before);
}

void TRowSet::next()
{
    leaveRow();
    ensureView();
    const RowSetRow* before = m_current;
    if (m_pos + 1 < int(view().size())) {
        m_current = view()[++m_pos];
        m_bof = false;
        m_eof = false;
    } else {
        m_eof = true;
        m_afterLast = true;
    }
    scrolled(before);
}

void TRowSet::prior()
{
    leaveRow();
    ensureView();
    const RowSetRow* before = m_current;
    if (m_pos > 0) {
        m_current = view()[--m_pos];
        m_eof = false;
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_afterLast = false;
    scrolled(before);
}

bool TRowSet::moveTo(int recNo)
{
    leaveRow();
    ensureView();
    if (recNo < 0 || recNo >= int(view().size()))
        return false;
    const RowSetRow* before = m_current;
    m_pos = recNo;
    m_current = view()[recNo];
    m_bof = m_eof = m_afterLast = false;
    scrolled(before);
    return true;
}

bool TRowSet::locate(const QStringList& fields, const QVariantList& values)
{
    QList<int> idx;
    for (const QString& f : fields)
        idx << fieldIndexOrThrow(f);
    leaveRow();
    fetchAll();
    ensureView();
    for (int p = 0; p < int(view().size()); ++p) {
        bool match = true;
        for (int i = 0; i < idx.size() && match; ++i) {
            const QVariant v = view()[p]->values.at(idx[i]);
            match = isNullValue(v) == isNullValue(values.value(i)) && valuesEqual(v, values.value(i));
        }
        if (match)
            return moveTo(p);
    }
    return false;
}

QVariant TRowSet::value(int field) const
{
    if (field < 0 || field >= fieldCount())
        throw Exception(QStringLiteral("Поле %1 не найдено").arg(field));
    if (m_calcSource)
        return m_calcSource->at(field);
    if (m_state != RowSetState::Browse) {
        const RowSetField& f = m_store->fields.at(field);
        if (f.isCalculated()) {
            // Follows the user's typing before the row is posted.
            const QVariantList* saved = m_calcSource;
            auto* self = const_cast<TRowSet*>(this);
            self->m_calcSource = &m_buffer;
            QVariant v;
            try {
                v = normalise(f.calculate(*this), f.type);
            } catch (...) {
                self->m_calcSource = saved;
                throw;
            }
            self->m_calcSource = saved;
            return v;
        }
        return m_buffer.at(field);
    }
    const RowSetRow* r = current();
    return r ? r->values.at(field) : QVariant();
}

QVariant TRowSet::originalValue(const QString& name) const
{
    const int f = fieldIndexOrThrow(name);
    const RowSetRow* r = current();
    if (!r)
        return {};
    return r->original.isEmpty() ? r->values.at(f) : r->original.at(f);
}

void TRowSet::setValue(int field, const QVariant& value)
{
    setValueChecked(field, value, false);
}

void TRowSet::forceValue(int field, const QVariant& value)
{
    setValueChecked(field, value, true);
}

void TRowSet::setValueChecked(int field, const QVariant& value, bool force)
{
    if (m_state == RowSetState::Browse)
        throw Exception(QStringLiteral("Набор данных не в режиме редактирования"));
    if (field < 0 || field >= fieldCount())
        throw Exception(QStringLiteral("Поле %1 не найдено").arg(field));
    const RowSetField& f = m_store->fields[field];
    if (f.isCalculated())
        throw Exception(QStringLiteral("Поле '%1' вычисляемое, его нельзя изменить").arg(f.name));
    if (f.readOnly && !force)
        throw Exception(QStringLiteral("Поле '%1' только для чтения").arg(f.caption()));
    const QVariant v = normalise(value, f.type);
    if (!force && validate && !validate(*this, field, v))
        return;
    if (force || !onFieldChange) {
        m_buffer[field] = v;
        m_modified = true;
        return;
    }
    // A change the handler refuses leaves the field as it was: the row must not post a value the
    // user was told was refused.
    const QVariant before = m_buffer[field];
    const bool wasModified = m_modified;
    m_buffer[field] = v;
    m_modified = true;
    try {
        onFieldChange(*this, field);
    } catch (...) {
        if (m_state != RowSetState::Browse && field < m_buffer.size()) {
            m_buffer[field] = before;
            m_modified = wasModified;
        }
        throw;
    }
}

UpdateStatus TRowSet::updateStatus() const
{
    const RowSetRow* r = current();
    return r ? r->status : UpdateStatus::Unchanged;
}

void TRowSet::requireModifiable() const
{
    if (!canModify())
        throw Exception(QStringLiteral("Набор данных только для чтения"));
    if (m_isClone && !m_store->cloneWrites)
        throw Exception(QStringLiteral("Изменения вносятся только через сам набор данных, не через его копию"));
}

RowSetRow* TRowSet::editRow() const
{
    if (!m_editRow)
        return nullptr;
    RowSetRow* r = current();
    if (r != m_editRow) {
        // The row may have left the view (a clone changed it): look for it among all rows.
        const auto& rows = m_store->rows;
        auto it = std::find(rows.begin(), rows.end(), m_editRow);
        r = it != rows.end() ? *it : nullptr;
    }
    // A freed row may have been handed out again: the bookmark tells.
    if (!r || r->bookmark != m_editBookmark || r->status == UpdateStatus::Deleted)
        return nullptr;
    return r;
}

void TRowSet::scrolled(const RowSetRow* before)
{
    if (before != m_current)
        recordChanged();
}

void TRowSet::recordChanged()
{
    const auto followers = m_followers;
    for (TRowSet* f : followers)
        f->followMaster(*this);
    RowSetListeners::notify(m_listeners, RowSetListeners::Kind::Scrolled);
}

RowSetSubscription TRowSet::subscribeChanged(std::function<void(int row)> listener)
{
    return {m_listeners, m_listeners->add(RowSetListeners::Kind::Changed, std::move(listener))};
}

RowSetSubscription TRowSet::subscribeScrolled(std::function<void()> listener)
{
    return {m_listeners, m_listeners->add(RowSetListeners::Kind::Scrolled, [l = std::move(listener)](int) { l(); })};
}

RowSetSubscription TRowSet::subscribeDestroyed(std::function<void()> listener)
{
    return {m_listeners, m_listeners->add(RowSetListeners::Kind::Destroyed, [l = std::move(listener)](int) { l(); })};
}

void TRowSet::edit()
{
    if (m_state != RowSetState::Browse)
        return;
    requireModifiable();
    const RowSetRow* r = current();
    if (!r)
        throw Exception(QStringLiteral("Нет текущей записи"));
    if (r->status == UpdateStatus::Deleted)
        throw Exception(QStringLiteral("Запись удалена"));
    m_buffer = r->values.toList();
    m_editRow = const_cast<RowSetRow*>(r);
    m_editBookmark = r->bookmark;
    m_modified = false;
    m_state = RowSetState::Edit;
}

void TRowSet::insert()
{
    requireModifiable();
    leaveRow();
    m_buffer = QVariantList(fieldCount());
    m_state = RowSetState::Insert;
    if (m_master) {
        const QVariantList key = masterKey();
        for (int i = 0; i < m_detailFields.size(); ++i)
            m_buffer[m_detailFields[i]] = normalise(key.at(i), m_store->fields[m_detailFields[i]].type);
    }
    try {
        if (onNewRecord)
            onNewRecord(*this);
    } catch (...) {
        m_state = RowSetState::Browse;
        m_buffer.clear();
        throw;
    }
    // Values the program filled in are not the user's typing.
    m_modified = false;
    notifyChanged();
    recordChanged();
}

void TRowSet::post()
{
    // A grid told of the new row while it is being posted asks to post it again: ignored, or the
    // row would be written twice.
    static thread_local QSet<const TRowSet*> posting;
    if (m_state == RowSetState::Browse || posting.contains(this))
        return;
    // Never into another row: the one edited may have gone meanwhile (deleted through a clone,
    // discarded).
    if (m_state == RowSetState::Edit && !editRow())
        throw Exception(QStringLiteral("Редактируемая запись удалена"));
    if (beforePost)
        beforePost(*this);
    const RowSetRow* edited = m_state == RowSetState::Edit ? editRow() : nullptr;
    const quint64 editedBookmark = edited ? edited->bookmark : 0;
    const size_t rowsBefore = m_store->rows.size();
    const quint64 fieldsBefore = m_store->fieldsVersion;
    {
        posting.insert(this);
        const auto done = qScopeGuard([this] { posting.remove(this); });
        internalPost();
    }
    m_state = RowSetState::Browse;
    m_buffer.clear();
    m_editRow = nullptr;
    // An edited row keeps its place unless the post reloaded the rows: views then redraw one row
    // instead of starting over (a sorted grid of a million rows would sort them all again).
    if (edited && m_store->rows.size() == rowsBefore && m_store->fieldsVersion == fieldsBefore &&
        current() == edited && edited->bookmark == editedBookmark)
        notifyRowChanged(edited);
    else
        notifyChanged();
    recordChanged();
    if (afterPost)
        afterPost(*this);
}

void TRowSet::internalPost()
{
    recalculateValues(m_buffer);
    if (m_state == RowSetState::Edit) {
        RowSetRow* r = editRow();
        if (!r)
            throw Exception(QStringLiteral("Редактируемая запись удалена"));
        m_store->write(r, RowValues(m_buffer));
    } else {
        m_current = m_store->append(RowValues(m_buffer));
        m_eof = m_bof = false;
    }
}

void TRowSet::cancel()
{
    if (m_state == RowSetState::Browse)
        return;
    if (beforeCancel)
        beforeCancel(*this);
    m_state = RowSetState::Browse;
    m_buffer.clear();
    m_editRow = nullptr;
    notifyChanged();
    recordChanged();
}

void TRowSet::remove()
{
    if (m_state == RowSetState::Insert) {
        cancel();
        return;
    }
    requireModifiable();
    cancel();
    settleFollowers();
    if (!current())
        throw Exception(QStringLiteral("Нет текущей записи"));
    if (beforeDelete)
        beforeDelete(*this);
    // Where each member shows the row, and its neighbours: a view that afterwards shows the same
    // rows without it is told only that this row went (a sorted grid keeps its order).
    struct Place
    {
        TRowSet* member;
        int pos;
        int size;
        const RowSetRow* before;
        const RowSetRow* after;
        quint64 beforeMark, afterMark;
    };
    std::vector<Place> places;
    const RowSetRow* gone = current();
    const quint64 fields = m_store->fieldsVersion;
    for (TRowSet* m : m_store->members) {
        if (m->m_pendingOnly)
            continue;
        m->ensureView();
        const auto& rows = m->view();
        int pos = m == this ? m_pos : -1;
        if (pos < 0 || pos >= int(rows.size()) || rows[pos] != gone) {
            auto it = std::find(rows.begin(), rows.end(), gone);
            pos = it == rows.end() ? -1 : int(it - rows.begin());
        }
        if (pos < 0)
            continue;
        const RowSetRow* b = pos > 0 ? rows[pos - 1] : nullptr;
        const RowSetRow* a = pos + 1 < int(rows.size()) ? rows[pos + 1] : nullptr;
        places.push_back({m, pos, int(rows.size()), b, a, b ? b->bookmark : 0, a ? a->bookmark : 0});
    }
    {
        ++m_store->heldNotices;
        const auto release = qScopeGuard([this] { --m_store->heldNotices; });
        internalDelete();
    }
    std::vector<std::pair<TRowSet*, int>> removals;
    if (m_store->fieldsVersion == fields) {
        for (const Place& p : places) {
            if (std::find(m_store->members.begin(), m_store->members.end(), p.member) == m_store->members.end())
                continue;
            p.member->ensureView();
            const auto& rows = p.member->view();
            const bool same = int(rows.size()) == p.size - 1 &&
                              (!p.before || (rows[p.pos - 1] == p.before && p.before->bookmark == p.beforeMark)) &&
                              (!p.after || (rows[p.pos] == p.after && p.after->bookmark == p.afterMark));
            if (same)
                removals.emplace_back(p.member, p.pos);
        }
    }
    notifyRemoved(removals);
    recordChanged();
    if (afterDelete)
        afterDelete(*this);
}

void TRowSet::internalDelete()
{
    RowSetRow* r = current();
    if (!r)
        return;
    if (r->status == UpdateStatus::Inserted) {
        m_store->erase(r);
        return;
    }
    if (r->status == UpdateStatus::Unchanged)
        r->original = r->values;
    r->status = UpdateStatus::Deleted;
    m_store->rowChanged(r);
}

void TRowSet::checkBrowseMode()
{
    if (m_state != RowSetState::Browse)
        post();
}

void TRowSet::discardCurrent()
{
    cancel();
    if (RowSetRow* r = current()) {
        m_store->erase(r);
        notifyChanged();
    }
}

void TRowSet::acceptCurrent()
{
    RowSetRow* r = current();
    if (!r)
        return;
    if (r->status == UpdateStatus::Deleted) {
        m_store->erase(r);
    } else {
        r->status = UpdateStatus::Unchanged;
        r->original.clear();
        m_store->rowChanged(r);
    }
    notifyChanged();
}

void TRowSet::acceptAll()
{
    m_store->eraseIf([](const RowSetRow* r) { return r->status == UpdateStatus::Deleted; });
    for (RowSetRow* r : m_store->rows) {
        r->status = UpdateStatus::Unchanged;
        r->original.clear();
    }
    m_store->changed();
    notifyChanged();
}

void TRowSet::cancelUpdates()
{
    cancel();
    m_store->eraseIf([](const RowSetRow* r) { return r->status == UpdateStatus::Inserted; });
    for (RowSetRow* r : m_store->rows) {
        if (r->status != UpdateStatus::Unchanged) {
            r->values = std::move(r->original);
            r->original.clear();
            r->status = UpdateStatus::Unchanged;
        }
    }
    m_store->changed();
    notifyChanged();
}

bool TRowSet::hasPendingChanges() const
{
    return std::any_of(m_store->rows.begin(), m_store->rows.end(),
                       [](const auto& r) { return r->status != UpdateStatus::Unchanged; });
}

std::unique_ptr<TRowSet> TRowSet::clone() const
{
    auto c = std::make_unique<TRowSet>();
    auto& own = c->m_store->members;
    own.clear();
    c->m_store = m_store;
    c->m_isClone = true;
    m_store->members.push_back(c.get());
    c->first();
    return c;
}

void TRowSet::setFilter(const QString& expression)
{
    checkBrowseMode();
    fetchAll();
    const QString text = expression.trimmed();
    if (!text.isEmpty())
        TRowSetFilter(text, m_store->fields); // a malformed text is refused here, not on first use
    m_filterText = text;
    m_resolvedFields = 0;
    invalidate();
    first();
    notifyChanged();
}

void TRowSet::setPendingOnly(bool on)
{
    checkBrowseMode();
    m_pendingOnly = on;
    invalidate();
    first();
    notifyChanged();
}

void TRowSet::setSort(const QString& sort, SortCollation collation)
{
    checkBrowseMode();
    fetchAll();
    QList<QPair<QString, bool>> fields;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        const bool desc =
            words.size() > 1 && words[1].compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
        fieldIndexOrThrow(words[0]);
        fields.append({words[0], desc});
    }
    m_sortNames = fields;
    m_sortText = sort;
    m_collation = collation;
    m_resolvedFields = 0;
    invalidate();
    ensureView();
    notifyChanged();
}

TRowSet::Bookmark TRowSet::bookmark() const
{
    const RowSetRow* r = current();
    return r ? r->bookmark : 0;
}

bool TRowSet::gotoBookmark(Bookmark b)
{
    leaveRow();
    ensureView();
    const auto& rows = view();
    if (m_sortFields.isEmpty()) {
        // Unsorted views keep the rows in the order of their bookmarks.
        auto it = std::lower_bound(rows.begin(), rows.end(), b,
                                   [](const RowSetRow* r, quint64 mark) { return r->bookmark < mark; });
        return it != rows.end() && (*it)->bookmark == b && moveTo(int(it - rows.begin()));
    }
    for (int p = 0; p < int(rows.size()); ++p)
        if (rows[p]->bookmark == b)
            return moveTo(p);
    return false;
}

void TRowSet::setMaster(TRowSet* master, const QStringList& masterFields, const QStringList& detailFields)
{
    if (masterFields.size() != detailFields.size())
        throw Exception(QStringLiteral("Число полей связи не совпадает"));
    if (master)
        for (int i = 0; i < masterFields.size(); ++i) {
            master->fieldIndexOrThrow(masterFields[i]);
            fieldIndexOrThrow(detailFields[i]);
        }
    checkBrowseMode();
    if (m_master)
        m_master->removeFollower(this);
    m_master = master;
    if (m_master)
        m_master->addFollower(this);
    m_masterNames = master ? masterFields : QStringList();
    m_detailNames = master ? detailFields : QStringList();
    m_resolvedFields = 0;
    m_viewMasterKey.clear();
    invalidate();
    first();
    notifyChanged();
}

const RowSetRow* TRowSet::rowAt(int recNo) const
{
    ensureView();
    return recNo >= 0 && recNo < int(view().size()) ? view()[recNo] : nullptr;
}

void TRowSet::notifyChanged()
{
    notifyRowChanged(nullptr);
}

void TRowSet::notifyRemoved(const std::vector<std::pair<TRowSet*, int>>& removals)
{
    const auto store = m_store;
    const auto members = store->members;
    for (TRowSet* m : members) {
        if (std::find(store->members.begin(), store->members.end(), m) == store->members.end())
            continue;
        int change = RowSetChange::Any;
        for (const auto& [member, pos] : removals)
            if (member == m)
                change = RowSetChange::removed(pos);
        if (m->onChanged)
            m->onChanged();
        RowSetListeners::notify(m->m_listeners, RowSetListeners::Kind::Changed, change);
    }
}

void TRowSet::notifyRowChanged(const RowSetRow* row)
{
    if (m_store->heldNotices > 0)
        return;
    // A handler may close the window that owns this set: the store is kept alive meanwhile.
    const auto store = m_store;
    const auto members = store->members;
    for (TRowSet* m : members) {
        // A member gone meanwhile is not called.
        if (std::find(store->members.begin(), store->members.end(), m) == store->members.end())
            continue;
        int at = -1;
        if (row) {
            // The row keeps its place only where nothing filters or orders the rows.
            m->ensureView();
            const auto& rows = m->view();
            if (m->m_viewRows == &store->rows) {
                if (m->m_pos >= 0 && m->m_pos < int(rows.size()) && rows[m->m_pos] == row)
                    at = m->m_pos;
                else if (auto it = std::find(rows.begin(), rows.end(), row); it != rows.end())
                    at = int(it - rows.begin());
            }
        }
        if (m->onChanged)
            m->onChanged();
        RowSetListeners::notify(m->m_listeners, RowSetListeners::Kind::Changed, at);
    }
}

namespace {

// The row of the bookmark among rows kept in the order of their bookmarks; nullptr when gone.
RowSetRow* rowOfBookmark(const std::vector<RowSetRow*>& rows, quint64 bookmark)
{
    const auto it = std::lower_bound(rows.begin(), rows.end(), bookmark,
                                     [](const RowSetRow* r, quint64 b) { return r->bookmark < b; });
    return it != rows.end() && (*it)->bookmark == bookmark ? *it : nullptr;
}

} // namespace

TRowSet::Bookmark TRowSet::replaceRows(const QList<Bookmark>& gone, QList<QVariantList> added)
{
    if (!added.isEmpty())
        requireModifiable();
    // Every new row is made before anything changes: a value refused leaves the rows as they were.
    const int total = fieldCount();
    const int dataFields = dataFieldCount();
    std::vector<RowValues> made;
    made.reserve(size_t(added.size()));
    for (QVariantList& values : added) {
        if (values.size() != total && values.size() != dataFields)
            throw Exception(QStringLiteral("Число значений не совпадает с числом полей"));
        if (values.size() != total) {
            // Calculated fields are left out: their places are made in the fields' order.
            QVariantList full;
            full.reserve(total);
            int next = 0;
            for (int i = 0; i < total; ++i)
                full << (m_store->fields[i].isCalculated() ? QVariant() : values[next++]);
            values = std::move(full);
        }
        for (int i = 0; i < total; ++i)
            if (!m_store->fields[i].isCalculated())
                values[i] = normalise(values[i], m_store->fields[i].type);
        if (dataFields != total)
            recalculateValues(values);
        made.emplace_back(values);
    }
    bool changed = false;
    for (const Bookmark b : gone)
        if (RowSetRow* r = rowOfBookmark(m_store->rows, b)) {
            m_store->erase(r);
            changed = true;
        }
    Bookmark first = 0;
    for (RowValues& values : made) {
        const RowSetRow* row = m_store->append(std::move(values));
        if (first == 0)
            first = row->bookmark;
    }
    if (changed || first != 0)
        notifyChanged();
    return first;
}

bool TRowSet::setRowValues(Bookmark row, const QList<QPair<int, QVariant>>& values)
{
    requireModifiable();
    RowSetRow* r = rowOfBookmark(m_store->rows, row);
    if (!r || r->status == UpdateStatus::Deleted)
        return false;
    QVariantList buffer = r->values.toList();
    for (const auto& [field, value] : values) {
        if (field < 0 || field >= fieldCount())
            throw Exception(QStringLiteral("Поле %1 не найдено").arg(field));
        const RowSetField& f = m_store->fields[field];
        if (f.isCalculated())
            throw Exception(QStringLiteral("Поле '%1' вычисляемое, его нельзя изменить").arg(f.name));
        buffer[field] = normalise(value, f.type);
    }
    recalculateValues(buffer);
    m_store->write(r, RowValues(buffer));
    notifyRowChanged(r);
    return true;
}

} // namespace Tarvo::Data
