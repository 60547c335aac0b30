#include "data/rowset/rowsetsubscription.h"

#include <algorithm>

namespace Tarvo::Data {

int RowSetListeners::add(Kind kind, std::function<void(int)> call)
{
    entries.push_back({nextId, kind, std::move(call)});
    return nextId++;
}

void RowSetListeners::notify(const std::shared_ptr<RowSetListeners>& self, Kind kind, int row)
{
    // A listener may remove others or destroy the row set; the list is looked up afresh each time.
    const std::shared_ptr<RowSetListeners> keep = self;
    std::vector<int> ids;
    for (const Entry& e : keep->entries)
        if (e.kind == kind)
            ids.push_back(e.id);
    for (int id : ids) {
        if (!keep->alive && kind != Kind::Destroyed)
            return;
        auto it = std::find_if(keep->entries.begin(), keep->entries.end(),
                               [id](const Entry& e) { return e.id == id; });
        if (it == keep->entries.end())
            continue;
        const auto call = it->call;
        call(row);
    }
}

RowSetSubscription::RowSetSubscription(std::weak_ptr<RowSetListeners> listeners, int id)
    : m_listeners(std::move(listeners)), m_id(id)
{
}

RowSetSubscription::RowSetSubscription(RowSetSubscription&& other) noexcept
    : m_listeners(std::move(other.m_listeners)), m_id(other.m_id)
{
    other.m_id = 0;
}

RowSetSubscription& RowSetSubscription::operator=(RowSetSubscription&& other) noexcept
{
    if (this != &other) {
        reset();
        m_listeners = std::move(other.m_listeners);
        m_id = other.m_id;
        other.m_id = 0;
    }
    return *this;
}

void RowSetSubscription::reset()
{
    if (auto l = m_listeners.lock())
        std::erase_if(l->entries, [this](const RowSetListeners::Entry& e) { return e.id == m_id; });
    m_listeners.reset();
    m_id = 0;
}

bool RowSetSubscription::active() const
{
    const auto l = m_listeners.lock();
    return l && l->alive &&
           std::any_of(l->entries.begin(), l->entries.end(),
                       [this](const RowSetListeners::Entry& e) { return e.id == m_id; });
}

} // namespace Tarvo::Data
