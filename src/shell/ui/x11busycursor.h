#pragma once

#include <QtGlobal>

namespace Tarvo::Shell {

// Puts the watch cursor on the program's windows straight through the X
// connection, which may be used from any thread: Qt's own cursor calls work
// only on the user-interface thread, which is exactly the thread that is
// stuck when the busy cursor is due. On other platforms it does nothing and
// the cursor follows once the user-interface thread is free again.
class X11BusyCursor
{
public:
    // UI thread, at start: finds the X connection.
    static void init();
    // UI thread, before each wait of the event loop: the windows to mark.
    static void publishWindows();
    // Any thread.
    static void apply(bool busy);
    static bool available();
};

} // namespace Tarvo::Shell
