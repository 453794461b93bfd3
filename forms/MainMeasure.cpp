// Starting, stopping and closing a measurement: placeholder.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::mnuStartClick() {}
void TfrmMain::FormCloseQuery(bool&) {}

}  // namespace pelmor
