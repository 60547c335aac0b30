#include "AcceptedOrders/ui/tvwaccordersregistration.h"

#include "AcceptedOrders/ui/tvwaccorders.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/twindowactivator.h"

namespace Tarvo::AcceptedOrders {

void registerAcceptedOrderRegister()
{
    auto& registry = Shell::FormActivationRegistry::instance();
    if (registry.contains(TvwAccOrders::FormType))
        return;
    registry.add(std::make_unique<Shell::TWindowActivator>(
        TvwAccOrders::FormType, [] { return new TvwAccOrders(Data::Database::openMain()); },
        Shell::TWindowActivator::Restore::ShowOnly));
}

} // namespace Tarvo::AcceptedOrders
