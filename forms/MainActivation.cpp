// Window activation and OS detection: the OS family, found once at
// construction, and the routine that pulls a window to the foreground.
#include "forms/Main.h"

namespace pelmor {

namespace {

// Size of the plain ANSI version record, without the extended fields.
constexpr std::uint32_t kOsVersionInfoSize = 148;

constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr std::uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

}  // namespace

std::int32_t TfrmMain::DetectOsKind(IWindowActivation& system) {
    OsVersion v;
    // A failed query leaves nothing to go by: "other".
    if (!system.GetVersionEx(kOsVersionInfoSize, v)) return 0;
    if (v.major == 4) {
        if (v.platformId == kPlatformWindows) return v.minor == 0 ? 1 : 3;
        if (v.platformId == kPlatformNt) return 10;
        return 0;
    }
    if (v.major == 5) return 11;
    return 0;
}

bool TfrmMain::ForceForeground(WindowHandle window) {
    IWindowActivation& system = app_.svc.activation;
    if (OsKind != 3 && OsKind != 11) return system.SetForegroundWindow(window);

    // These families refuse the switch to a process that is not in the
    // foreground while the foreground-lock timeout runs: lift it around the
    // call. When the timeout cannot be read there is nothing to restore, so
    // it is left as it is.
    std::uint32_t saved = 0;
    const bool haveSaved = system.GetForegroundLockTimeout(saved);
    if (haveSaved) system.SetForegroundLockTimeout(0);
    const bool result = system.SetForegroundWindow(window);
    if (haveSaved) system.SetForegroundLockTimeout(saved);
    system.SetFocus(window);
    system.SetActiveWindow(window);
    return result;
}

}  // namespace pelmor
