#include "forms/KeyLoad.h"

namespace pelmor {

namespace {

constexpr char kTypedLine[] = "0123456789";
constexpr std::int32_t kLinesBeforeClear = 10;

}  // namespace

KeyLoad::KeyLoad(IKeyboard& keys, IForeground& foreground, ICheckBox& chkKey, IMemo& memo)
    : keys_(keys), foreground_(foreground), chkKey_(chkKey), memo_(memo) {}

void KeyLoad::Tick(WindowHandle window) {
    if (!chkKey_.Checked()) return;
    ForceForeground(window);
    memo_.SetFocus();
    if (KeyLineCount == kLinesBeforeClear) {
        memo_.SelectAll();
        memo_.Clear();
        KeyLineCount = 0;
    }
    keys_.TypeLine(kTypedLine);
    ++KeyLineCount;
}

}  // namespace pelmor
