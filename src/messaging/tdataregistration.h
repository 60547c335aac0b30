#pragma once

#include "messaging/teventdata.h"

#include <memory>
#include <type_traits>

namespace Tarvo::Messaging {

// The in-process publish/subscribe registry: handlers are registered per event class, and a
// notified event reaches every handler of exactly its class (a subclass does not reach the
// parent's handlers), in registration order. Main thread only.
class TDataRegistration
{
public:
    virtual ~TDataRegistration() = default;

    // Appends a registration; the same handler may be registered several times.
    virtual TEventData* Register(TEventData::Handler handler, std::type_index eventClass,
                                 QObject* target = nullptr) = 0;
    // Removes and frees a registration; null is ignored.
    virtual void Unregister(TEventData* registration) = 0;
    // Calls the matching handlers and frees the event afterwards, also when a handler throws
    // (the exception then reaches the caller and the remaining handlers are not called).
    virtual void Notify(std::unique_ptr<TEventObject> event) = 0;

    // Typed registration: the handler receives the event as its own class.
    template <typename Event>
    TEventData* Register(std::function<void(Event&)> handler, QObject* target = nullptr)
    {
        static_assert(std::is_base_of_v<TEventObject, Event>);
        return Register([h = std::move(handler)](TEventObject& e) { h(static_cast<Event&>(e)); },
                        std::type_index(typeid(Event)), target);
    }
};

// The process-wide registry, created on first use.
TDataRegistration& DataRegistration();

// Unregisters on destruction: what a subscriber keeps for as long as it listens.
class TRegistrationGuard
{
public:
    TRegistrationGuard() = default;
    explicit TRegistrationGuard(TEventData* registration) : m_registration(registration) {}
    TRegistrationGuard(const TRegistrationGuard&) = delete;
    TRegistrationGuard& operator=(const TRegistrationGuard&) = delete;
    TRegistrationGuard(TRegistrationGuard&& o) noexcept
        : m_registration(std::exchange(o.m_registration, nullptr))
    {}
    TRegistrationGuard& operator=(TRegistrationGuard&& o) noexcept
    {
        if (this != &o) {
            reset();
            m_registration = std::exchange(o.m_registration, nullptr);
        }
        return *this;
    }
    ~TRegistrationGuard() { reset(); }

    void reset()
    {
        if (m_registration)
            DataRegistration().Unregister(std::exchange(m_registration, nullptr));
    }
    TEventData* get() const { return m_registration; }

private:
    TEventData* m_registration = nullptr;
};

} // namespace Tarvo::Messaging
