// Bringing the program's window in front of every other, so that the typed
// keys reach it.
#pragma once

#include "platform/Toolkit.h"

namespace pelmor {

class IForeground {
public:
    virtual ~IForeground() = default;
    // Learns what the system needs for the switch; once, as the main window
    // is built.
    virtual void Prepare() = 0;
    // True when the window came to the foreground.
    virtual bool BringForward(WindowHandle window) = 0;
};

}  // namespace pelmor
