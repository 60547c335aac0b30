#pragma once

namespace Tarvo::Otbor {

// The filter module: loads the global list at start-up (after the login) and puts the
// filter editor behind the main menu's "Отборы".
void registerOtborModule();

} // namespace Tarvo::Otbor
