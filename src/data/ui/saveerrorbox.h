#pragma once

namespace Tarvo::Data {

// Makes the deferred modules show a refused save in an error box with a single Cancel
// button and reset the busy cursor; the application calls it once at start.
void installSaveErrorBox();

} // namespace Tarvo::Data
