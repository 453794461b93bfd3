// Settings and history file: placeholder until the file rules are built.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::ReadSetup() {}
void TfrmMain::LoadHistory() {}
void TfrmMain::SaveHistory() {}

}  // namespace pelmor
