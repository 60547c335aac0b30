#pragma once

#include "messaging/tdataregistration.h"

#include <vector>

namespace Tarvo::Messaging {

class TDataRegistrationImpl final : public TDataRegistration
{
public:
    TDataRegistrationImpl() = default;
    TDataRegistrationImpl(const TDataRegistrationImpl&) = delete;
    TDataRegistrationImpl& operator=(const TDataRegistrationImpl&) = delete;

    using TDataRegistration::Register;
    TEventData* Register(TEventData::Handler handler, std::type_index eventClass,
                         QObject* target = nullptr) override;
    void Unregister(TEventData* registration) override;
    void Notify(std::unique_ptr<TEventObject> event) override;

    int count() const { return int(m_items.size()); }

private:
    // Shared so that a walk keeps a registration alive while a handler unregisters it.
    std::vector<std::shared_ptr<TEventData>> m_items;
};

} // namespace Tarvo::Messaging
