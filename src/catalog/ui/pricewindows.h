#pragma once

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// Where long product lists are read: the server-cursor connection in "SCR" mode (when it is
// open), else `db`.
Data::Database& productReader(Data::Database& db);

// Puts the price-list window and the books of price kinds and manufacturers behind their
// main-menu items. Called once at start-up (and by tests).
void registerPriceWindows();

} // namespace Tarvo::Catalog
