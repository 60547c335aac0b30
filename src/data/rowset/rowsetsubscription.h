#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace Tarvo::Data {

// The listeners a row set calls; shared with the subscriptions so that either side may go first.
struct RowSetListeners
{
    enum class Kind
    {
        Changed,   // rows, values or the visible set changed; the argument is the row when only its values did, else -1
        Scrolled,  // the cursor or the current row changed; argument -1
        Destroyed  // the row set is going; it may not be used from here on; argument -1
    };
    struct Entry
    {
        int id;
        Kind kind;
        std::function<void(int)> call;
    };
    std::vector<Entry> entries;
    int nextId = 1;
    bool alive = true;

    int add(Kind kind, std::function<void(int)> call);
    // Calls every listener of a kind; one removed (or the row set destroyed) meanwhile is skipped.
    static void notify(const std::shared_ptr<RowSetListeners>& self, Kind kind, int row = -1);
};

// The argument of a change notice: the visible row whose values alone changed (its place
// unchanged), Any for any other change, or the one visible row that alone left the view (a
// delete): views then drop that row instead of starting over.
struct RowSetChange
{
    static constexpr int Any = -1;
    static constexpr int removed(int row) { return -2 - row; }
    static constexpr bool isRemoval(int change) { return change <= -2; }
    static constexpr int removedRow(int change) { return -2 - change; }
};

// Keeps a listener on a row set for as long as it lives; harmless when the row set died first.
class RowSetSubscription
{
public:
    RowSetSubscription() = default;
    RowSetSubscription(std::weak_ptr<RowSetListeners> listeners, int id);
    RowSetSubscription(RowSetSubscription&& other) noexcept;
    RowSetSubscription& operator=(RowSetSubscription&& other) noexcept;
    RowSetSubscription(const RowSetSubscription&) = delete;
    RowSetSubscription& operator=(const RowSetSubscription&) = delete;
    ~RowSetSubscription() { reset(); }

    void reset();
    // The row set still exists and this listener is on it.
    bool active() const;

private:
    std::weak_ptr<RowSetListeners> m_listeners;
    int m_id = 0;
};

} // namespace Tarvo::Data
