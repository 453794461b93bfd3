// Keystroke load: a line of digits typed into Memo1 at each tick.
#include "forms/Main.h"

namespace pelmor {

namespace {

constexpr char kTypedLine[] = "0123456789";
constexpr std::uint8_t kVkReturn = 13;
constexpr std::int32_t kLinesBeforeClear = 10;

}  // namespace

void TfrmMain::TimerKeyTimer() {
    if (!chkKey.Checked()) return;
    ForceForeground(window_->Handle());
    Memo1.SetFocus();
    if (KeyLineCount == kLinesBeforeClear) {
        Memo1.SelectAll();
        Memo1.Clear();
        KeyLineCount = 0;
    }
    // Key presses only: the digit characters are their own virtual-key codes.
    IKeyInjector& keys = app_.svc.keys;
    for (const char* c = kTypedLine; *c != '\0'; ++c)
        keys.KeybdEvent(static_cast<std::uint8_t>(*c), 0, 0, 0);
    keys.KeybdEvent(kVkReturn, 0, 0, 0);
    ++KeyLineCount;
}

}  // namespace pelmor
