// The real calls behind IApi.
#include <windows.h>

#include "platform/win32/Api.h"

namespace pelmor::win32 {

namespace {

class SystemCalls final : public IApi {
public:
    bool GetVersionExA(std::uint32_t recordSize, OsVersion& version) override {
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
    bool GetForegroundLockTimeout(std::uint32_t& value) override {
        DWORD timeout = 0;
        if (!::SystemParametersInfoA(0x2000 /* SPI_GETFOREGROUNDLOCKTIMEOUT */, 0, &timeout, 0)) return false;
        value = timeout;
        return true;
    }

    // The new timeout is the pointer argument itself, not what it points to.
    bool SetForegroundLockTimeout(std::uintptr_t value) override {
        return ::SystemParametersInfoA(0x2001 /* SPI_SETFOREGROUNDLOCKTIMEOUT */, 0,
                                       reinterpret_cast<PVOID>(value), 0) != FALSE;
    }

    bool SetForegroundWindow(WindowHandle w) override {
        return ::SetForegroundWindow(reinterpret_cast<HWND>(w)) != FALSE;
    }
    void SetFocus(WindowHandle w) override { ::SetFocus(reinterpret_cast<HWND>(w)); }
    void SetActiveWindow(WindowHandle w) override { ::SetActiveWindow(reinterpret_cast<HWND>(w)); }

    void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                     std::uintptr_t extra) override {
        ::keybd_event(vk, scan, flags, static_cast<ULONG_PTR>(extra));
    }

    std::uintptr_t CreateMutexA(const MutexSecurity& sa, bool initialOwner,
                                const char* name) override {
        SECURITY_ATTRIBUTES attrs{};
#ifdef _WIN64
        // The caller gives the 32-bit record's length (12); the 64-bit record
        // is larger, and the system is handed the length of the record it reads.
        attrs.nLength = sizeof attrs;
#else
        attrs.nLength = sa.nLength;
#endif
        attrs.lpSecurityDescriptor = const_cast<void*>(sa.lpSecurityDescriptor);
        attrs.bInheritHandle = sa.bInheritHandle;
        return reinterpret_cast<std::uintptr_t>(
            ::CreateMutexA(&attrs, initialOwner ? TRUE : FALSE, name));
    }
    void ReleaseMutex(std::uintptr_t handle) override {
        ::ReleaseMutex(reinterpret_cast<HANDLE>(handle));
    }
    void MessageBeep(unsigned type) override { ::MessageBeep(type); }

    bool GetSystemPowerStatus(std::uint8_t& acLineStatus,
                              std::uint8_t& batteryLifePercent) override {
        // Windows NT 4.0 has no power management: its kernel32 lacks the
        // function, which is looked up rather than imported so that the
        // program loads there (and reads no power status).
        using Fn = BOOL(WINAPI*)(LPSYSTEM_POWER_STATUS);
        static const Fn getStatus = [] {
            HMODULE kernel = GetModuleHandleA("kernel32.dll");
            return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(
                                GetProcAddress(kernel, "GetSystemPowerStatus")))
                          : nullptr;
        }();
        SYSTEM_POWER_STATUS sps{};
        if (!getStatus || !getStatus(&sps)) return false;
        acLineStatus = sps.ACLineStatus;
        batteryLifePercent = sps.BatteryLifePercent;
        return true;
    }
};

}  // namespace

IApi& SystemApi() {
    static SystemCalls calls;
    return calls;
}

}  // namespace pelmor::win32
