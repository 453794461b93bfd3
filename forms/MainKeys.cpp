// Keystroke load: a line of digits typed into Memo1 at each tick, and the
// foreground switch both loads make first.
#include "forms/Main.h"

namespace pelmor {

namespace {

constexpr char kTypedLine[] = "0123456789";
constexpr std::int32_t kLinesBeforeClear = 10;

}  // namespace

bool TfrmMain::ForceForeground(WindowHandle window) {
    return app_.svc.foreground.BringForward(window);
}

void TfrmMain::TimerKeyTimer() {
    if (!chkKey.Checked()) return;
    ForceForeground(window_->Handle());
    Memo1.SetFocus();
    if (KeyLineCount == kLinesBeforeClear) {
        Memo1.SelectAll();
        Memo1.Clear();
        KeyLineCount = 0;
    }
    app_.svc.keys.TypeLine(kTypedLine);
    ++KeyLineCount;
}

}  // namespace pelmor
