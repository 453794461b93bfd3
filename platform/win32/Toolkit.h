// The Win32 window system behind IToolkit.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/Toolkit.h"
#include "platform/win32/Text.h"

namespace pelmor::win32 {

// Forms, controls, menus, timers, modal loops.
std::unique_ptr<IToolkit> CreateToolkit(HINSTANCE instance);

}  // namespace pelmor::win32
