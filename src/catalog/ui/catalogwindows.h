#pragma once

namespace Tarvo::Catalog {

// Puts the catalog's reference books behind their main-menu items and makes the conversion
// ask for a missing quotation with its dialog. Called once at start-up (and by tests).
void registerCatalogWindows();

} // namespace Tarvo::Catalog
