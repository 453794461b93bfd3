// The system calls that bring a window to the foreground, and the OS version.
#pragma once

#include <cstdint>

#include "platform/Toolkit.h"

namespace pelmor {

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t platformId = 0;
};

class IWindowActivation {
public:
    virtual ~IWindowActivation() = default;
    // GetVersionExA with a record of the given size; false when the call fails.
    virtual bool GetVersionEx(std::uint32_t recordSize, OsVersion& version) = 0;
    // SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0)
    virtual bool GetForegroundLockTimeout(std::uint32_t& value) = 0;
    // SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (void*)value, 0)
    virtual bool SetForegroundLockTimeout(std::uintptr_t value) = 0;
    virtual bool SetForegroundWindow(WindowHandle w) = 0;
    virtual void SetFocus(WindowHandle w) = 0;
    virtual void SetActiveWindow(WindowHandle w) = 0;
};

}  // namespace pelmor
