// The keystroke load: while its box is ticked, a line of digits typed into
// the memo at each tick, the memo emptied before the eleventh; and the
// foreground switch that both loads make.
#pragma once

#include <cstdint>

#include "platform/Foreground.h"
#include "platform/Keys.h"
#include "platform/Toolkit.h"

namespace pelmor {

class KeyLoad {
public:
    KeyLoad(IKeyboard& keys, IForeground& foreground, ICheckBox& chkKey, IMemo& memo);

    // Readies the foreground switch; once, as the window is built.
    void Prepare() { foreground_.Prepare(); }
    // Brings the window to the foreground.
    bool ForceForeground(WindowHandle window) { return foreground_.BringForward(window); }
    // One tick; window: the memo's window, brought forward first.
    void Tick(WindowHandle window);

private:
    IKeyboard& keys_;
    IForeground& foreground_;
    ICheckBox& chkKey_;
    IMemo& memo_;
    std::int32_t KeyLineCount = 0;  // lines typed since the memo was emptied
};

}  // namespace pelmor
