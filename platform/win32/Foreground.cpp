#include "platform/win32/Foreground.h"

namespace pelmor::win32 {

namespace {

// Size of the plain ANSI version record, without the extended fields.
constexpr std::uint32_t kOsVersionInfoSize = 148;
constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr std::uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

}  // namespace

std::int32_t DetectOsKind(IApi& api) {
    OsVersion v;
    // A failed query leaves nothing to go by: "other".
    if (!api.GetVersionExA(kOsVersionInfoSize, v)) return 0;
    if (v.major == 4) {
        if (v.platformId == kPlatformWindows) return v.minor == 0 ? 1 : 3;
        if (v.platformId == kPlatformNt) return 10;
        return 0;
    }
    if (v.major == 5) return 11;
    return 0;
}

void Foreground::Prepare() { OsKind = DetectOsKind(api_); }

bool Foreground::BringForward(WindowHandle window) {
    if (OsKind != 3 && OsKind != 11) return api_.SetForegroundWindow(window);

    // When the timeout cannot be read there is nothing to restore, so it is
    // left as it is.
    std::uint32_t saved = 0;
    const bool haveSaved = api_.GetForegroundLockTimeout(saved);
    if (haveSaved) api_.SetForegroundLockTimeout(0);
    const bool result = api_.SetForegroundWindow(window);
    if (haveSaved) api_.SetForegroundLockTimeout(saved);
    api_.SetFocus(window);
    api_.SetActiveWindow(window);
    return result;
}

}  // namespace pelmor::win32
