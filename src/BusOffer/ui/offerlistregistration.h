#pragma once

namespace Tarvo::BusOffer {

// Puts the register of buyer requests behind form type 113 ("Заявки покупателей").
void registerOfferRegister();

} // namespace Tarvo::BusOffer
