// Web page load: placeholder.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::LoadUrlList() {}
void TfrmMain::TimerURLTimer() {}

}  // namespace pelmor
