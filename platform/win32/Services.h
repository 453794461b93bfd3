// The Win32 implementations of the platform seams.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/Activation.h"
#include "platform/Clock.h"
#include "platform/Dde.h"
#include "platform/Instance.h"
#include "platform/Keys.h"
#include "platform/LogFile.h"
#include "platform/Power.h"
#include "platform/Profile.h"
#include "platform/Toolkit.h"

namespace pelmor::win32 {

// The window system: forms, controls, menus, timers, modal loops.
std::unique_ptr<IToolkit> CreateToolkit(HINSTANCE instance);

class Clock : public IClock {
public:
    std::int32_t Now() const override;
    int LocalMinute() const override;
    std::string CTime(std::int32_t t) const override;
};

class Power : public IPowerSource {
public:
    bool Read(PowerStatus& status) override;
};

class LogFile : public ILogFile {
public:
    ~LogFile() override;
    OpenResult OpenAppend(const std::string& path) override;
    bool Create(const std::string& path) override;
    bool Write(const char* data, std::size_t size) override;
    bool Commit() override;
    void Close() override;

private:
    int fd_ = -1;
};

class Profile : public IProfile {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, std::size_t size,
                          const std::string& path) override;
    int GetInt(const std::string& section, const std::string& key, int def,
               const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value, const std::string& path) override;
};

class Keys : public IKeyInjector {
public:
    void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                    std::uintptr_t extra) override;
};

class Activation : public IWindowActivation {
public:
    bool GetVersionEx(std::uint32_t recordSize, OsVersion& version) override;
    bool GetForegroundLockTimeout(std::uint32_t& value) override;
    bool SetForegroundLockTimeout(std::uintptr_t value) override;
    bool SetForegroundWindow(WindowHandle w) override;
    void SetFocus(WindowHandle w) override;
    void SetActiveWindow(WindowHandle w) override;
};

class InstanceMutex : public IInstanceMutex {
public:
    std::uintptr_t Create(const MutexSecurity& sa, bool initialOwner,
                          const std::string& name) override;
    void Release(std::uintptr_t handle) override;
    void MessageBeep(unsigned type) override;
};

// DDE client conversations through DDEML.
std::unique_ptr<IDdeClient> CreateDdeClient();

// UTF-8 <-> UTF-16 for window texts.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace pelmor::win32
