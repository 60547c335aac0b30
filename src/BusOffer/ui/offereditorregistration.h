#pragma once

namespace Tarvo::BusOffer {

// Puts the request editor behind activation number 160 ("Заявка покупателя").
void registerOfferEditor();

} // namespace Tarvo::BusOffer
