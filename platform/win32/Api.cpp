// The real calls behind IApi.
#include <windows.h>
// Types and constants only: SetupAPI and the device functions are looked up
// at run time, so that the program loads where they are missing.
#include <setupapi.h>
#include <batclass.h>

#include "platform/win32/Api.h"

namespace pelmor::win32 {

namespace {

// A function of a system DLL, looked up by name; null where it is missing.
template <class Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// What the battery devices are reached through: SetupAPI (98, 2000 and
// later) and kernel32's device functions, looked up once.
struct BatteryCalls {
    using GetClassDevs = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
    using EnumInterfaces = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                         PSP_DEVICE_INTERFACE_DATA);
    using GetDetail = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                    PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD, PSP_DEVINFO_DATA);
    using DestroyList = BOOL(WINAPI*)(HDEVINFO);
    using CreateFile = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    using IoControl = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

    BatteryCalls() {
        HMODULE setup = LoadLibraryA("setupapi.dll");
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        getClassDevs = Lookup<GetClassDevs>(setup, "SetupDiGetClassDevsA");
        enumInterfaces = Lookup<EnumInterfaces>(setup, "SetupDiEnumDeviceInterfaces");
        getDetail = Lookup<GetDetail>(setup, "SetupDiGetDeviceInterfaceDetailA");
        destroyList = Lookup<DestroyList>(setup, "SetupDiDestroyDeviceInfoList");
        createFile = Lookup<CreateFile>(kernel, "CreateFileA");
        ioControl = Lookup<IoControl>(kernel, "DeviceIoControl");
    }
    bool Complete() const {
        return getClassDevs && enumInterfaces && getDetail && destroyList && createFile && ioControl;
    }
    // One battery device by its path; false when it does not answer.
    bool Query(const char* path, BatteryData& data) const {
        HANDLE device = createFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (device == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        ULONG wait = 0, tag = 0;
        BATTERY_QUERY_INFORMATION query{};
        BATTERY_INFORMATION info{};
        BATTERY_WAIT_STATUS which{};
        BATTERY_STATUS status{};
        bool ok = ioControl(device, IOCTL_BATTERY_QUERY_TAG, &wait, sizeof wait, &tag, sizeof tag, &got,
                            nullptr) && tag != 0;
        if (ok) {
            query.BatteryTag = tag;
            query.InformationLevel = BatteryInformation;
            which.BatteryTag = tag;
            ok = ioControl(device, IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, &info,
                           sizeof info, &got, nullptr) &&
                 ioControl(device, IOCTL_BATTERY_QUERY_STATUS, &which, sizeof which, &status,
                           sizeof status, &got, nullptr);
        }
        CloseHandle(device);
        if (!ok) return false;
        data.capabilities = info.Capabilities;
        data.designedCapacity = info.DesignedCapacity;
        data.fullChargedCapacity = info.FullChargedCapacity;
        data.cycleCount = info.CycleCount;
        data.capacity = status.Capacity;
        data.voltage = status.Voltage;
        data.rate = static_cast<std::int32_t>(status.Rate);
        return true;
    }

    GetClassDevs getClassDevs;
    EnumInterfaces enumInterfaces;
    GetDetail getDetail;
    DestroyList destroyList;
    CreateFile createFile;
    IoControl ioControl;
};

// GUID_DEVICE_BATTERY, the battery devices' interface class.
const GUID kBatteryInterface = {0x72631e54, 0x78a4, 0x11d0, {0xbc, 0xf7, 0x00, 0xaa, 0x00, 0xb7, 0xb3, 0x2a}};

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

    bool QueryBatteries(std::vector<BatteryData>& batteries) override {
        static const BatteryCalls calls;
        batteries.clear();
        if (!calls.Complete()) return false;
        HDEVINFO list = calls.getClassDevs(&kBatteryInterface, nullptr, nullptr,
                                           DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (list == INVALID_HANDLE_VALUE) return false;
        for (DWORD i = 0; i < 64; ++i) {
            SP_DEVICE_INTERFACE_DATA device{};
            device.cbSize = sizeof device;
            if (!calls.enumInterfaces(list, nullptr, &kBatteryInterface, i, &device)) break;
            DWORD size = 0;
            calls.getDetail(list, &device, nullptr, 0, &size, nullptr);
            if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || size > 4096) continue;
            std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);  // aligned for the record
            auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (!calls.getDetail(list, &device, detail, size, &size, nullptr)) continue;
            BatteryData data;
            if (calls.Query(detail->DevicePath, data)) batteries.push_back(data);
        }
        calls.destroyList(list);
        return true;
    }
};

}  // namespace

IApi& SystemApi() {
    static SystemCalls calls;
    return calls;
}

}  // namespace pelmor::win32
