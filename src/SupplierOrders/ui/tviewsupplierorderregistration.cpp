#include "SupplierOrders/ui/tviewsupplierorderregistration.h"

#include "SupplierOrders/ui/tviewsupplierorder.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/twindowactivator.h"

namespace Tarvo::SupplierOrders {

void registerSupplierOrderRegister()
{
    auto& registry = Shell::FormActivationRegistry::instance();
    if (registry.contains(TViewSupplierOrder::FormType))
        return;
    registry.add(std::make_unique<Shell::TWindowActivator>(
        TViewSupplierOrder::FormType, [] { return new TViewSupplierOrder(Data::Database::openMain()); },
        Shell::TWindowActivator::Restore::ToNormal));
}

} // namespace Tarvo::SupplierOrders
