#pragma once

namespace Tarvo::NewLookup {

// The main menu's "Настройка имен колонок". Called once at start.
void registerColumnSettings();

} // namespace Tarvo::NewLookup
