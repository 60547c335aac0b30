#pragma once

namespace Tarvo::AcceptedOrders {

// Puts the register of confirmed orders behind form type 215 ("Подтвержденные заказы").
void registerAcceptedOrderRegister();

} // namespace Tarvo::AcceptedOrders
