#pragma once

#include "data/engine/money.h"
#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowsetsubscription.h"
#include "data/rowset/rowvalues.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace Tarvo::Data {

class Query;
class TRowSetFilter;
class ResultReader;
struct ResultColumn;

enum class UpdateStatus : quint8
{
    Unchanged,
    Modified,
    Inserted,
    Deleted
};
enum class RowSetState
{
    Browse,
    Edit,
    Insert
};

// One row of a row set with its pending status; original values are kept only while modified or deleted.
struct RowSetRow
{
    RowValues values;
    RowValues original;
    quint64 bookmark = 0;
    UpdateStatus status = UpdateStatus::Unchanged;
};

// The rows and fields that a row set and its clones share.
struct RowSetStore;
// A detail set's rows by the values of its link fields.
struct RowSetLinkIndex;

// An in-memory table with per-row pending status, detached from the server: edits, inserts and
// deletions stay pending until accepted. Clones share the rows and keep their own cursor, filter,
// sort and master link. Fields are found by name without regard to case.
class TRowSet
{
public:
    using Bookmark = quint64;
    using Handler = std::function<void(TRowSet&)>;

    // How strings order in a sort: exactly (as programs compare keys), or as a user reads them
    // (Russian alphabet, case ignored) for sorting by a grid's heading.
    enum class SortCollation
    {
        Exact,
        User
    };

    TRowSet();
    virtual ~TRowSet();
    TRowSet(const TRowSet&) = delete;
    TRowSet& operator=(const TRowSet&) = delete;

    // Structure: fields are added before the first row.
    void addField(const QString& name, FieldType type, int size = 0);
    // A read-only field computed from the current row; may be added after rows are loaded and
    // survives a reload.
    void addCalculatedField(const QString& name, FieldType type,
                            std::function<QVariant(const TRowSet&)> calculate);
    // A calculated field that shows `resultField` of the row of `lookup` whose `lookupKeyField`
    // equals this row's `keyField` (null when there is none). `lookup` must outlive this row set.
    void addLookupField(const QString& name, FieldType type, const QString& keyField, const TRowSet& lookup,
                        const QString& lookupKeyField, const QString& resultField);
    // Works out every calculated field of every row again (after a lookup set changed).
    void recalculate();
    int fieldCount() const;
    const RowSetField& field(int i) const;
    RowSetField& field(int i);
    // -1 when absent.
    int fieldIndex(const QString& name) const;
    // Throws when absent.
    int fieldIndexOrThrow(const QString& name) const;
    QList<RowSetField> fields() const;

    // Replaces fields and rows with the query's result; rows arrive unchanged. Runs the query when not
    // active.
    void loadFrom(Query& query);
    // Appends a row that is not pending (as loaded from the server).
    void appendLoaded(QVariantList values);
    // Appends rows as appendLoaded does, all or none, with one change notice for them all: the
    // way to load many rows read elsewhere.
    void appendLoadedRows(QList<QVariantList> rows);
    // Reads a result straight into rows appended as loaded, all or none, with one change notice:
    // result column c goes to field `fieldOfColumn[c]` (-1 leaves it out; other data fields start
    // null). `complete`, when given, sees each row as read (in the result's columns) and may fill
    // further fields of the stored row, or return false to leave the row out. Values keep their
    // cells when they already have the field's type, so no variant is made per value. Returns the
    // number of rows appended.
    using ResultRowHandler = std::function<bool(const RowValues& read, RowValues::Builder& row)>;
    int appendResult(ResultReader& result, const QList<int>& fieldOfColumn, const ResultRowHandler& complete = {});
    // Appends the query's rows (the columns of the last load) as loaded and returns their number;
    // the cursor stays.
    int appendFrom(Query& query);
    // The last of the shared rows in their natural order; nullptr without rows.
    const RowSetRow* lastRow() const;

    // A dataset may read a big result in batches as it is scrolled: whether rows remain unread,
    // and reading the next batch after the others (the cursor stays).
    virtual bool canFetchMore() const { return false; }
    virtual void fetchMore() {}
    // How many rows the batches still unread are expected to bring, when the dataset can tell
    // cheaply (a count taken with the first batch); -1 when it cannot. Views size themselves by
    // it and read on as those rows come into sight.
    virtual int expectedUnreadRows() const { return -1; }
    // Reads every remaining batch: sorting, filtering, locating and the last row need them all.
    void fetchAll();
    // Removes every row and every pending change; fields stay.
    void clearRows();

    // Navigation over the visible rows (filter, master link, pending view, sort).
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 0-based, -1 without a current row
    bool bof() const;
    bool eof() const;
    // True once next() found no further row: the cursor stands after the rows (eof() alone is also
    // true on the last row after last()).
    bool afterLast() const;
    void first();
    void last();
    void next();
    void prior();
    bool moveTo(int recNo);
    // Finds the first visible row whose fields equal the values (strings compare exactly).
    bool locate(const QStringList& fields, const QVariantList& values);

    // The current row's values (the edit buffer while editing or inserting).
    QVariant value(int field) const;
    QVariant value(const QString& field) const { return value(fieldIndexOrThrow(field)); }
    QString string(const QString& f) const { return value(f).toString(); }
    qint64 integer(const QString& f) const { return value(f).toLongLong(); }
    Money money(const QString& f) const { return Money::fromVariant(value(f)); }
    bool isNull(const QString& f) const { return value(f).isNull(); }
    // The value before the pending change (the value itself for unchanged and inserted rows).
    QVariant originalValue(const QString& field) const;
    // Only in edit or insert state; read-only and calculated fields refuse.
    void setValue(int field, const QVariant& value);
    void setValue(const QString& field, const QVariant& value) { setValue(fieldIndexOrThrow(field), value); }
    // Sets a read-only field too (rows copied in, keys written back after an insert); calculated
    // fields still refuse.
    void forceValue(int field, const QVariant& value);
    void forceValue(const QString& field, const QVariant& value) { forceValue(fieldIndexOrThrow(field), value); }
    // A value was set since the edit or insert began.
    bool modified() const { return m_modified; }
    UpdateStatus updateStatus() const;

    RowSetState state() const { return m_state; }
    void edit();
    void insert();
    void append() { insert(); }
    void post();
    void cancel();
    void remove();
    // Posts a pending edit or insert.
    void checkBrowseMode();
    // Before this row set leaves its row: the pending edits of the row sets that follow it are
    // posted (or dropped when nothing was typed), the deepest first. A refused post is passed on.
    void settleFollowers();

    // Drops the current row from the shared rows, leaving nothing pending for it.
    void discardCurrent();

    // Pending changes.
    void acceptCurrent();
    void acceptAll();
    // Undoes every pending change of the shared rows.
    void cancelUpdates();
    bool hasPendingChanges() const;

    // A row set over the same rows with its own cursor, no filter, no sort and no master link.
    std::unique_ptr<TRowSet> clone() const;
    // Empty text clears the filter; throws Tarvo::Exception for a malformed one.
    void setFilter(const QString& expression);
    const QString& filter() const { return m_filterText; }
    // Shows only rows with pending changes, deleted ones included.
    void setPendingOnly(bool on);
    bool pendingOnly() const { return m_pendingOnly; }
    // "field [asc|desc], ..."; empty restores the natural order.
    void setSort(const QString& sort, SortCollation collation = SortCollation::Exact);
    SortCollation sortCollation() const { return m_collation; }
    const QString& sort() const { return m_sortText; }

    Bookmark bookmark() const;
    bool gotoBookmark(Bookmark b);

    // Shows only rows whose detailFields equal the master's current masterFields; new rows take them.
    // Fields are kept by name and found again after either set is reloaded; a master destroyed first
    // unlinks this set.
    void setMaster(TRowSet* master, const QStringList& masterFields, const QStringList& detailFields);
    void clearMaster() { setMaster(nullptr, {}, {}); }

    // Event handlers, in the order a dataset calls them.
    Handler onNewRecord;
    Handler beforePost;
    Handler afterPost;
    Handler beforeDelete;
    Handler afterDelete;
    Handler beforeCancel;
    // A value set through setValue (forced ones pass by): false drops it without a word; after it
    // is in the buffer the change handler may set further fields of the row; a handler that throws
    // refuses the value, which is taken out again.
    std::function<bool(TRowSet&, int field, const QVariant& value)> validate;
    std::function<void(TRowSet&, int field)> onFieldChange;
    // Called after any change of rows, values or visible set (one handler, for the row set's owner).
    std::function<void()> onChanged;

    // Views and other listeners: each is called for as long as its subscription and this row set
    // both live, whichever goes first.
    // After any change of rows, values or visible set; the argument (RowSetChange) is the visible
    // row when only that row's values changed (its place unchanged), the row that alone left the
    // view after a delete, else -1.
    [[nodiscard]] RowSetSubscription subscribeChanged(std::function<void(int row)> listener);
    // After the cursor moved to another row, after the current row changed (an insert begun, a row
    // posted, cancelled or deleted) and after every load or clearing of the rows.
    [[nodiscard]] RowSetSubscription subscribeScrolled(std::function<void()> listener);
    // When this row set is being destroyed; it may not be used from the listener on.
    [[nodiscard]] RowSetSubscription subscribeDestroyed(std::function<void()> listener);

    // Row sets that follow this one (the in-memory master link, the datasets' data source): told
    // before this set leaves its row, after its row or rows changed, and when it is destroyed.
    void addFollower(TRowSet* follower);
    void removeFollower(TRowSet* follower);

    // False refuses edit, insert and delete.
    virtual bool canModify() const { return true; }

    // The visible row at a position (for views); nullptr outside.
    const RowSetRow* rowAt(int recNo) const;

protected:
    // The steps of post and delete that a dataset wraps with its own writes.
    virtual void internalPost();
    virtual void internalDelete();
    void notifyChanged();
    // After a delete: the members listed lost only that row at that place, the others are told
    // of a change.
    void notifyRemoved(const std::vector<std::pair<TRowSet*, int>>& removals);
    // Only the values of one row changed: members that show it in the same place are told which.
    void notifyRowChanged(const RowSetRow* row);
    // Tells the row sets that follow this one that its row or rows changed.
    void recordChanged();

    // `master` is about to leave its row; the default settles this set's pending edit.
    virtual void masterLeaving(TRowSet& master);
    // `master` moved, was reloaded, emptied or closed.
    virtual void followMaster(TRowSet& master);
    // `master` is being destroyed: drop every link to it (it may not be used any more).
    virtual void masterDestroyed(TRowSet& master);
    // Whether clones of this set may change the shared rows (a dataset that writes its changes
    // itself refuses them: they would bypass its writes).
    void setCloneWrites(bool allowed);

private:
    void ensureView() const;
    void invalidate();
    // Settles the followers' and this set's pending edits before the cursor moves.
    void leaveRow();
    // Stands on the first visible row without telling anyone.
    void toFirst();
    RowSetRow* current() const;
    QVariantList masterKey() const;
    void requireModifiable() const;
    void scrolled(const RowSetRow* before);
    // The row being edited, while it is still among the rows; nullptr once it is gone.
    RowSetRow* editRow() const;
    // Finds filter, sort and master link fields again by name after fields changed; false (with
    // the reason in m_unresolved) when a name no longer exists.
    bool resolveFields() const;
    void setValueChecked(int field, const QVariant& value, bool force);
    // The rows that may belong to the master's key, in their order; false when the index cannot
    // tell (the key is not made of numbers).
    bool linkCandidates(const QVariantList& key, std::vector<RowSetRow*>& out) const;
    // Appends the reader's rows as loaded; on failure the rows read so far are dropped again.
    void readRows(ResultReader& result);
    int dataFieldCount() const;
    // Normalises, calculates and stores one loaded row at the end (no notice).
    RowSetRow* loadedRow(QVariantList& values, int dataFields, RowValues::Builder& builder);
    // Stores the built row at the end with the next bookmark, calculated first when asked (no notice).
    RowSetRow* storeBuilt(RowValues::Builder& builder, bool calculate);
    // Drops the rows stored after the first `count`: a load refused half way leaves what was there.
    void dropRowsFrom(size_t count);

    std::shared_ptr<RowSetStore> m_store;
    RowSetState m_state = RowSetState::Browse;
    QVariantList m_buffer;
    // While calculated fields are worked out, value() reads this row instead of the cursor's.
    const QVariantList* m_calcSource = nullptr;
    void recalculateValues(QVariantList& values);
    void recalculateRow(RowSetRow* row);
    void setLoadedFields(const QVector<ResultColumn>& columns, const QList<RowSetField>& previous);

    bool m_modified = false;
    RowSetRow* m_editRow = nullptr;
    quint64 m_editBookmark = 0;
    bool m_isClone = false;
    bool m_afterLast = false;

    QString m_filterText;
    mutable std::shared_ptr<TRowSetFilter> m_filter;
    bool m_pendingOnly = false;
    QString m_sortText;
    SortCollation m_collation = SortCollation::Exact;
    QList<QPair<QString, bool>> m_sortNames;            // field, descending
    mutable QList<QPair<int, bool>> m_sortFields;       // resolved
    mutable quint64 m_resolvedFields = 0;               // the store's field version resolved against
    mutable quint64 m_resolvedMasterFields = 0;         // the master's
    mutable QString m_unresolved;                       // why the view is empty

    TRowSet* m_master = nullptr;
    QStringList m_masterNames;
    QStringList m_detailNames;
    mutable QList<int> m_masterFields;
    mutable QList<int> m_detailFields;
    std::vector<TRowSet*> m_followers;
    mutable std::unique_ptr<RowSetLinkIndex> m_linkIndex;

    // The visible rows, rebuilt when the shared rows or the master's row change.
    // The shared rows themselves when nothing hides or reorders any (no copy per set then).
    mutable std::vector<RowSetRow*> m_ownView;
    mutable const std::vector<RowSetRow*>* m_viewRows = &m_ownView;
    const std::vector<RowSetRow*>& view() const { return *m_viewRows; }
    mutable quint64 m_viewVersion = ~quint64(0);
    mutable QVariantList m_viewMasterKey;
    mutable RowSetRow* m_current = nullptr;
    mutable int m_pos = -1;
    mutable bool m_eof = true;
    mutable bool m_bof = true;
    std::shared_ptr<RowSetListeners> m_listeners = std::make_shared<RowSetListeners>();

public:
    // A document's own bookkeeping rows, changed where they stand without moving any cursor or
    // running a handler (as a clone's edits would), each row journalled so that linked and
    // filtered views look at those rows only, with one change notice per call.
    //
    // Drops the rows of `gone` (whatever they hold pending) and appends `added` (values in the
    // fields' order, calculated ones left out or null) as pending inserts, all or none. Returns
    // the first new row's bookmark, the others following it; 0 when none is added.
    Bookmark replaceRows(const QList<Bookmark>& gone, QList<QVariantList> added);
    // Sets the fields of the row of the bookmark (read-only ones too, calculated ones refuse), as
    // an edit posted; false when the row is gone or deleted.
    bool setRowValues(Bookmark row, const QList<QPair<int, QVariant>>& values);
};

} // namespace Tarvo::Data
