#include "platform/win32/Keys.h"

namespace pelmor::win32 {

namespace {
constexpr std::uint8_t kVkReturn = 13;
}

void Keyboard::TypeLine(std::string_view line) {
    for (char c : line) api_.keybd_event(static_cast<std::uint8_t>(c), 0, 0, 0);
    api_.keybd_event(kVkReturn, 0, 0, 0);
}

}  // namespace pelmor::win32
