#pragma once

namespace Tarvo::SupplierOrders {

// Registers "Заказы поставщику" (form type 129, restored to normal) on the main connection.
void registerSupplierOrderRegister();

} // namespace Tarvo::SupplierOrders
