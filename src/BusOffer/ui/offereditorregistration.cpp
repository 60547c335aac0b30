#include "BusOffer/ui/offereditorregistration.h"

#include "BusOffer/ui/tedbuisinesoffer.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/twindowactivator.h"

namespace Tarvo::BusOffer {

void registerOfferEditor()
{
    using Shell::TWindowActivator;
    Shell::FormActivationRegistry::instance().add(std::make_unique<TWindowActivator>(
        160, [] { return new TedBuisinesOffer(Data::Database::openMain()); }, TWindowActivator::Restore::ToNormal,
        [](QWidget* window, int bofId) { static_cast<TedBuisinesOffer*>(window)->loadOffer(bofId); }));
}

} // namespace Tarvo::BusOffer
