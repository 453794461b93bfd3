// Window activation and OS detection: placeholder.
#include "forms/Main.h"

namespace pelmor {

std::int32_t TfrmMain::DetectOsKind(IWindowActivation&) { return 0; }
bool TfrmMain::ForceForeground(WindowHandle) { return false; }

}  // namespace pelmor
