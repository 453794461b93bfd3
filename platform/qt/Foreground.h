// The foreground switch of the Linux front end.
#pragma once

#include "platform/Foreground.h"

namespace pelmor::qt {

// Raises the window and asks the window system to activate it.
class Foreground : public IForeground {
public:
    void Prepare() override {}
    bool BringForward(WindowHandle window) override;
};

}  // namespace pelmor::qt
