#pragma once

namespace Tarvo::SupplierOrders {

// Registers the activator of form type 43 ("Формирование заказа поставщику"): it reads the open
// amounts first and, when nothing is open, says "Нет товаров для заказа." and opens nothing.
void registerSupplierOrderForming();

} // namespace Tarvo::SupplierOrders
