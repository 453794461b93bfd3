// Start-up: the mark of a running copy, the application object's steps, and
// the exit code.
#pragma once

#include "app/Application.h"
#include "platform/Instance.h"

namespace pelmor {

// Runs the program: 0 after a normal run, -1 when the instance mark cannot
// be had.
int PelmorMain(IInstance& instance, TApplication& app);

}  // namespace pelmor
