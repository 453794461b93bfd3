// The Windows implementations of the platform seams. Nothing here needs
// <windows.h>: the services that hold rules of their own reach the system
// through IApi or the DDE client, so they build and are checked anywhere.
#pragma once

#include <functional>
#include <memory>

#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/Foreground.h"
#include "platform/Instance.h"
#include "platform/Keys.h"
#include "platform/LogFile.h"
#include "platform/Power.h"
#include "platform/Profile.h"
#include "platform/win32/Api.h"
#include "platform/win32/Dde.h"

namespace pelmor::win32 {

class Clock : public IClock {
public:
    std::int32_t Now() const override;
    int LocalMinute() const override;
    std::string CTime(std::int32_t t) const override;
};

// GetSystemPowerStatus: ACLineStatus 0 is the battery, 1 the mains, 255
// (and anything else) unknown; a BatteryLifePercent of 255 is unknown.
class Power : public IPowerSource {
public:
    explicit Power(IApi& api) : api_(api) {}
    bool Read(PowerReading& reading) override;

private:
    IApi& api_;
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

// The private-profile functions.
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

// A key press (keybd_event, no release) for each digit, whose character is
// its own virtual-key code, then one for Enter.
class Keyboard : public IKeyboard {
public:
    explicit Keyboard(IApi& api) : api_(api) {}
    void TypeLine(std::string_view line) override;

private:
    IApi& api_;
};

// The OS family decides how the window is brought forward: Windows 98/Me
// and 2000/XP refuse the switch while the foreground-lock timeout runs, so
// it is lifted around the call there.
class Foreground : public IForeground {
public:
    explicit Foreground(IApi& api) : api_(api) {}
    void Prepare() override;
    bool BringForward(WindowHandle window) override;

    // 1 Windows 95, 3 98/Me, 10 NT 4, 11 2000/XP, 0 anything else.
    std::int32_t OsKind = 0;

private:
    IApi& api_;
};

std::int32_t DetectOsKind(IApi& api);

// Internet Explorer over DDE: service "Iexplore", topic "WWW_OpenURL", one
// conversation per page; the browser program is the conversation's service
// application, started when no server answers.
class Browser : public IBrowser {
public:
    // makeClient: called when the first page is wanted, so a copy that stops
    // at start-up sets up nothing of DDE.
    explicit Browser(std::function<std::unique_ptr<IDdeClient>()> makeClient = CreateDdeClient)
        : makeClient_(std::move(makeClient)) {}
    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;

private:
    std::function<std::unique_ptr<IDdeClient>()> makeClient_;
    std::unique_ptr<IDdeClient> client_;
};

// The named mutex "ravoshu-pelmor". A copy started while another runs gets
// the same mutex and runs like the first; only a null handle stops start-up,
// with the exclamation beep.
class Instance : public IInstance {
public:
    explicit Instance(IApi& api) : api_(api) {}
    bool Acquire() override;
    void Release() override;

private:
    IApi& api_;
    std::uintptr_t handle_ = 0;
};

}  // namespace pelmor::win32
