#include "messaging/tdataregistrationimpl.h"

#include <algorithm>

namespace Tarvo::Messaging {

TEventData* TDataRegistrationImpl::Register(TEventData::Handler handler, std::type_index eventClass,
                                            QObject* target)
{
    m_items.push_back(std::make_shared<TEventData>(std::move(handler), eventClass, target));
    return m_items.back().get();
}

void TDataRegistrationImpl::Unregister(TEventData* registration)
{
    if (!registration)
        return;
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [registration](const auto& p) { return p.get() == registration; });
    if (it == m_items.end())
        return;
    (*it)->markRemoved();
    m_items.erase(it);
}

void TDataRegistrationImpl::Notify(std::unique_ptr<TEventObject> event)
{
    if (!event)
        return;
    // Handlers may register or unregister while we walk: a snapshot keeps the walk valid, a
    // registration removed meanwhile is skipped, one added meanwhile waits for the next event.
    const std::vector<std::shared_ptr<TEventData>> snapshot = m_items;
    for (const auto& item : snapshot) {
        if (item->isLive() && item->matches(*event))
            item->call(*event);
    }
}

TDataRegistration& DataRegistration()
{
    static TDataRegistrationImpl registry;
    return registry;
}

} // namespace Tarvo::Messaging
