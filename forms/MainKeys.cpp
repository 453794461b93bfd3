// Keystroke load: placeholder.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::TimerKeyTimer() {}

}  // namespace pelmor
