#pragma once

namespace Tarvo::Catalog {

// Puts the import list and "Разбор прайс-листов" behind their menu items.
void registerPriceImportWindows();

} // namespace Tarvo::Catalog
