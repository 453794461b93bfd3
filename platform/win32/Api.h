// The Windows functions the services below are made of, one to one. The
// rules on top of them (which calls, in which order, with which arguments)
// build without <windows.h> and are checked against a recording stand-in;
// Api.cpp makes the real calls.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Toolkit.h"

namespace pelmor::win32 {

// The fields of OSVERSIONINFOA that matter here.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t platformId = 0;
};

// The fields of SECURITY_ATTRIBUTES.
struct MutexSecurity {
    std::uint32_t nLength = 0;
    const void* lpSecurityDescriptor = nullptr;
    std::int32_t bInheritHandle = 0;
};

// One battery as the battery class's I/O controls describe it: the fields
// of BATTERY_INFORMATION and BATTERY_STATUS that matter here, as given.
struct BatteryData {
    std::uint32_t capabilities = 0;  // BATTERY_SYSTEM_BATTERY, BATTERY_CAPACITY_RELATIVE...
    std::uint32_t designedCapacity = 0, fullChargedCapacity = 0, cycleCount = 0;
    std::uint32_t capacity = 0, voltage = 0;  // remaining; mV
    std::int32_t rate = 0;                    // negative while discharging
};

class IApi {
public:
    virtual ~IApi() = default;
    // GetVersionExA with a record of the given size; false when it fails.
    virtual bool GetVersionExA(std::uint32_t recordSize, OsVersion& version) = 0;
    // SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0)
    virtual bool GetForegroundLockTimeout(std::uint32_t& value) = 0;
    // SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (void*)value, 0)
    virtual bool SetForegroundLockTimeout(std::uintptr_t value) = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
    virtual void SetFocus(WindowHandle window) = 0;
    virtual void SetActiveWindow(WindowHandle window) = 0;
    virtual void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                             std::uintptr_t extra) = 0;
    // CreateMutexA; 0 for a null handle.
    virtual std::uintptr_t CreateMutexA(const MutexSecurity& sa, bool initialOwner,
                                        const char* name) = 0;
    virtual void ReleaseMutex(std::uintptr_t handle) = 0;
    virtual void MessageBeep(unsigned type) = 0;
    // GetSystemPowerStatus: its ACLineStatus and BatteryLifePercent bytes.
    virtual bool GetSystemPowerStatus(std::uint8_t& acLineStatus,
                                      std::uint8_t& batteryLifePercent) = 0;
    // Every battery device's information and status: the devices of the
    // battery interface class through SetupAPI (SetupDiGetClassDevs,
    // SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetail), each
    // asked IOCTL_BATTERY_QUERY_TAG, IOCTL_BATTERY_QUERY_INFORMATION
    // (BatteryInformation) and IOCTL_BATTERY_QUERY_STATUS. A device that does
    // not answer is left out; false where the system has no such way.
    virtual bool QueryBatteries(std::vector<BatteryData>& batteries) = 0;
};

// The running system's functions.
IApi& SystemApi();

}  // namespace pelmor::win32
