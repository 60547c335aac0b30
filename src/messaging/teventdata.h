#pragma once

#include "messaging/teventobject.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <typeindex>

namespace Tarvo::Messaging {

// One registration: the handler and the exact event class it wants. A handler bound to a
// target object is skipped once the target is gone, so a window destroyed without
// unregistering cannot be called back.
class TEventData
{
public:
    using Handler = std::function<void(TEventObject&)>;

    TEventData(Handler handler, std::type_index eventClass, QObject* target)
        : m_handler(std::move(handler)), m_eventClass(eventClass), m_target(target),
          m_hasTarget(target != nullptr)
    {}

    std::type_index eventClass() const { return m_eventClass; }
    bool matches(const TEventObject& event) const { return std::type_index(typeid(event)) == m_eventClass; }
    bool isLive() const { return !m_removed && (!m_hasTarget || m_target); }
    void call(TEventObject& event) const { m_handler(event); }

    void markRemoved() { m_removed = true; }

private:
    Handler m_handler;
    std::type_index m_eventClass;
    QPointer<QObject> m_target;
    bool m_hasTarget;
    bool m_removed = false;
};

} // namespace Tarvo::Messaging
