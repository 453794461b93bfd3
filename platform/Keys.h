// The keystroke load: keys typed as a keyboard would type them, into
// whichever window has the keyboard focus.
#pragma once

#include <string_view>

namespace pelmor {

class IKeyboard {
public:
    virtual ~IKeyboard() = default;
    // Presses the key of each character of line (digits), then Enter.
    virtual void TypeLine(std::string_view line) = 0;
};

}  // namespace pelmor
