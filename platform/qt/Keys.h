// The keystroke load of the Linux front end.
#pragma once

#include "platform/Keys.h"

namespace pelmor::qt {

// Keys typed as a keyboard would type them. On X11 with the XTEST extension
// each key is pressed and released through the X server, which sends it to
// the window with the input focus. Elsewhere (Wayland, which lets no
// program type for the user) a press and a release are posted to the
// program's focused widget. Decided when the first line is typed.
class Keyboard : public IKeyboard {
public:
    void TypeLine(std::string_view line) override;

private:
    enum class Path { Undecided, XTest, Posted };
    void Decide();
    void TypeXTest(std::string_view line);
    void TypePosted(std::string_view line);
    Path path_ = Path::Undecided;
    void* display_ = nullptr;  // the X display, when XTest is used
};

}  // namespace pelmor::qt
