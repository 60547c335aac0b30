#include "BusOffer/ui/offerlistregistration.h"

#include "BusOffer/ui/tviewbusinesoffers.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/twindowactivator.h"

namespace Tarvo::BusOffer {

void registerOfferRegister()
{
    auto& registry = Shell::FormActivationRegistry::instance();
    if (registry.contains(TviewBusinesOffers::FormType))
        return;
    registry.add(std::make_unique<Shell::TWindowActivator>(
        TviewBusinesOffers::FormType, [] { return new TviewBusinesOffers(Data::Database::openMain()); },
        Shell::TWindowActivator::Restore::ToNormal));
}

} // namespace Tarvo::BusOffer
