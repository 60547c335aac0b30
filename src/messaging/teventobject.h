#pragma once

namespace Tarvo::Messaging {

// Base of the objects a producer hands to the registry. Polymorphic so that the registry can
// tell an event's exact class.
class TEventObject
{
public:
    TEventObject() = default;
    TEventObject(const TEventObject&) = default;
    TEventObject& operator=(const TEventObject&) = default;
    virtual ~TEventObject() = default;
};

} // namespace Tarvo::Messaging
