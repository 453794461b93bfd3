// Start-up: the instance mutex, the application object's steps, and the
// exit code.
#pragma once

#include "app/Application.h"
#include "platform/Instance.h"

namespace pelmor {

inline constexpr char kMutexName[] = "ravoshu-pelmor";

// Runs the program: 0 after a normal run, -1 when the mutex cannot be created.
int PelmorMain(IInstanceMutex& mutex, TApplication& app);

}  // namespace pelmor
