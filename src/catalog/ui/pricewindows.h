#pragma once

namespace Tarvo::Catalog {

// Puts the price-list window and the books of price kinds and manufacturers behind their
// main-menu items. Called once at start-up (and by tests).
void registerPriceWindows();

} // namespace Tarvo::Catalog
