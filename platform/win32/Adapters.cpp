// The Win32 services behind the clock, power, profile, keyboard, window
// activation and instance-mutex seams: thin calls of the system functions.
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/win32/Services.h"

namespace pelmor::win32 {

// ---- Clock -----------------------------------------------------------------

std::int32_t Clock::Now() const { return static_cast<std::int32_t>(std::time(nullptr)); }

// The system's local wall-clock time, as the runtime's gettime() reads it.
int Clock::LocalMinute() const {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return st.wMinute;
}

// The layout of ctime() as the C standard gives it: "Www Mmm dd hh:mm:ss
// yyyy\n", the day right-aligned in two characters. Microsoft's runtime pads
// the day with a zero instead, so the text is built here from localtime().
// A time localtime() cannot convert (before 1970, for one) gives an empty
// text, as with the portable clock.
std::string Clock::CTime(std::int32_t t) const {
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t tt = t;
    const std::tm* tm = std::localtime(&tt);
    if (!tm || tm->tm_wday < 0 || tm->tm_wday > 6 || tm->tm_mon < 0 || tm->tm_mon > 11)
        return {};
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                          kDays[tm->tm_wday], kMonths[tm->tm_mon], tm->tm_mday, tm->tm_hour,
                          tm->tm_min, tm->tm_sec, tm->tm_year + 1900);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

// ---- Power -----------------------------------------------------------------

bool Power::Read(PowerStatus& status) {
    SYSTEM_POWER_STATUS sps{};
    if (!::GetSystemPowerStatus(&sps)) return false;
    status.ACLineStatus = sps.ACLineStatus;
    status.BatteryLifePercent = sps.BatteryLifePercent;
    return true;
}

// ---- Profile ---------------------------------------------------------------

std::string Profile::GetString(const std::string& section, const std::string& key,
                               const std::string& def, std::size_t size,
                               const std::string& path) {
    if (size == 0) return {};
    // The system copies at most buffer - 1 bytes and a zero. The buffer starts
    // small and grows while the value fills it, up to the size asked for, so
    // that a huge size costs memory only for a value that long.
    const std::size_t limit = size > 0x7FFFFFFF ? 0x7FFFFFFF : size;
    std::size_t capacity = limit < 4096 ? limit : 4096;
    for (;;) {
        std::vector<char> buf(capacity + 1, '\0');
        DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                             buf.data(), static_cast<DWORD>(capacity),
                                             path.c_str());
        if (n > capacity - 1) n = static_cast<DWORD>(capacity - 1);  // never trust it past the buffer
        if (n < capacity - 1 || capacity == limit) return std::string(buf.data(), n);
        capacity = capacity > limit / 2 ? limit : capacity * 2;
    }
}

int Profile::GetInt(const std::string& section, const std::string& key, int def,
                    const std::string& path) {
    return static_cast<int>(
        ::GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path.c_str()));
}

bool Profile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& path) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        path.c_str()) != FALSE;
}

// ---- Keys ------------------------------------------------------------------

void Keys::KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                      std::uintptr_t extra) {
    ::keybd_event(vk, scan, flags, static_cast<ULONG_PTR>(extra));
}

// ---- Activation ------------------------------------------------------------

bool Activation::GetVersionEx(std::uint32_t recordSize, OsVersion& version) {
    // Room for the extended record too; a size larger than that would let
    // the system write past the record, so it is refused here.
    OSVERSIONINFOEXA info{};
    if (recordSize > sizeof info) return false;
    info.dwOSVersionInfoSize = recordSize;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.platformId = info.dwPlatformId;
    return true;
}

// On failure the value is left as it was.
bool Activation::GetForegroundLockTimeout(std::uint32_t& value) {
    DWORD timeout = 0;
    if (!::SystemParametersInfoA(0x2000 /* SPI_GETFOREGROUNDLOCKTIMEOUT */, 0, &timeout, 0))
        return false;
    value = timeout;
    return true;
}

// The new timeout is the pointer argument itself, not what it points to.
bool Activation::SetForegroundLockTimeout(std::uintptr_t value) {
    return ::SystemParametersInfoA(0x2001 /* SPI_SETFOREGROUNDLOCKTIMEOUT */, 0,
                                   reinterpret_cast<PVOID>(value), 0) != FALSE;
}

bool Activation::SetForegroundWindow(WindowHandle w) {
    return ::SetForegroundWindow(reinterpret_cast<HWND>(w)) != FALSE;
}

void Activation::SetFocus(WindowHandle w) { ::SetFocus(reinterpret_cast<HWND>(w)); }

void Activation::SetActiveWindow(WindowHandle w) {
    ::SetActiveWindow(reinterpret_cast<HWND>(w));
}

// ---- InstanceMutex ---------------------------------------------------------

std::uintptr_t InstanceMutex::Create(const MutexSecurity& sa, bool initialOwner,
                                     const std::string& name) {
    SECURITY_ATTRIBUTES attrs{};
#ifdef _WIN64
    // The caller gives the 32-bit record's length (12); the 64-bit record is
    // larger, and the system is handed the length of the record it reads.
    attrs.nLength = sizeof attrs;
#else
    attrs.nLength = sa.nLength;
#endif
    attrs.lpSecurityDescriptor = const_cast<void*>(sa.lpSecurityDescriptor);
    attrs.bInheritHandle = sa.bInheritHandle;
    HANDLE h = ::CreateMutexA(&attrs, initialOwner ? TRUE : FALSE, name.c_str());
    return reinterpret_cast<std::uintptr_t>(h);
}

void InstanceMutex::Release(std::uintptr_t handle) {
    ::ReleaseMutex(reinterpret_cast<HANDLE>(handle));
}

void InstanceMutex::MessageBeep(unsigned type) { ::MessageBeep(type); }

}  // namespace pelmor::win32
