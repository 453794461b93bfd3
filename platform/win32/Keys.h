// The keystroke load through keybd_event, reached through IApi.
#pragma once

#include "platform/Keys.h"
#include "platform/win32/Api.h"

namespace pelmor::win32 {

// A key press (keybd_event, no release) for each digit, whose character is
// its own virtual-key code, then one for Enter.
class Keyboard : public IKeyboard {
public:
    explicit Keyboard(IApi& api) : api_(api) {}
    void TypeLine(std::string_view line) override;

private:
    IApi& api_;
};

}  // namespace pelmor::win32
