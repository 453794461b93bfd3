// The Win32 window system behind IToolkit.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/Toolkit.h"

namespace pelmor::win32 {

// Forms, controls, menus, timers, modal loops.
std::unique_ptr<IToolkit> CreateToolkit(HINSTANCE instance);

// UTF-8 <-> UTF-16 for window texts.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace pelmor::win32
