// Test doubles for the platform services, and a rig that bundles them with
// the fake toolkit into an application object.
#pragma once

#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "fakes/FakeToolkit.h"
#include "platform/Instance.h"

namespace pelmor::fake {

// A settable clock. Local time is UTC, so ctime texts are predictable.
struct FakeClock : IClock {
    std::int32_t now = 1700000000;  // Tue Nov 14 22:13:20 2023
    std::int32_t Now() const override { return now; }
    int LocalMinute() const override { return static_cast<int>((now / 60) % 60); }
    std::string CTime(std::int32_t t) const override {
        std::time_t tt = t;
        std::tm tm{};
#ifdef _WIN32
        gmtime_s(&tm, &tt);
#else
        gmtime_r(&tt, &tm);
#endif
        char buf[32];
        std::strftime(buf, sizeof buf, "%a %b %d %H:%M:%S %Y\n", &tm);
        // ctime pads the day with a blank, not a zero
        if (buf[8] == '0') buf[8] = ' ';
        return buf;
    }
};

struct FakePower : IPowerSource {
    PowerStatus status{0, 80};
    bool fail = false;
    int reads = 0;
    bool Read(PowerStatus& out) override {
        ++reads;
        if (fail) return false;
        out = status;
        return true;
    }
};

// An in-memory file system for the log. Files are byte strings by path.
struct FakeLogFile : ILogFile {
    std::map<std::string, std::string> files;
    std::map<std::string, bool> locked;  // open fails with a reason other than missing
    bool failCreate = false;
    bool failWrite = false;              // the write fails whole
    std::size_t shortWrite = SIZE_MAX;   // at most this many bytes are written
    bool failCommit = false;
    int opens = 0, creates = 0, commits = 0, closes = 0;
    std::string openPath;
    bool isOpen = false;

    OpenResult OpenAppend(const std::string& path) override {
        ++opens;
        if (locked[path]) return OpenResult::Failed;
        if (!files.count(path)) return OpenResult::Missing;
        openPath = path;
        isOpen = true;
        return OpenResult::Ok;
    }
    bool Create(const std::string& path) override {
        ++creates;
        if (failCreate) return false;
        files[path];
        openPath = path;
        isOpen = true;
        return true;
    }
    bool Write(const char* data, std::size_t size) override {
        if (!isOpen || failWrite) return false;
        std::size_t n = size < shortWrite ? size : shortWrite;
        files[openPath].append(data, n);
        return n == size;
    }
    bool Commit() override {
        ++commits;
        return !failCommit;
    }
    void Close() override {
        ++closes;
        isOpen = false;
    }
};

// Private profile in memory: sections and keys compare without case;
// values in order of writing.
struct FakeProfile : IProfile {
    struct Entry {
        std::string key, value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::map<std::string, std::vector<Section>> files;  // path -> sections
    std::vector<std::string> writes;                     // "section/key=value" in order

    static bool Same(const std::string& a, const std::string& b);
    Section* Find(const std::string& path, const std::string& section);
    const std::string* Value(const std::string& path, const std::string& section,
                             const std::string& key);
    void Set(const std::string& path, const std::string& section, const std::string& key,
             const std::string& value);

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, std::size_t size,
                          const std::string& path) override;
    int GetInt(const std::string& section, const std::string& key, int def,
               const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value, const std::string& path) override;
};

struct FakeKeys : IKeyInjector {
    struct Event {
        std::uint8_t vk, scan;
        std::uint32_t flags;
        std::uintptr_t extra;
    };
    std::vector<Event> events;
    std::vector<std::string>* journal = nullptr;
    void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                    std::uintptr_t extra) override {
        events.push_back({vk, scan, flags, extra});
        if (journal) journal->push_back("keybd_event " + std::to_string(vk));
    }
};

// Records the calls of every conversation into one journal.
struct FakeDde : IDdeClient {
    std::vector<std::string> journal;
    bool linkSucceeds = true;
    std::deque<bool> linkResults;  // consumed first, then linkSucceeds
    int created = 0, destroyed = 0;
    std::vector<std::string>* shared = nullptr;  // also written here, if set
    std::function<void()> onSetLink;  // runs inside SetLink (a wait that pumps messages)
    bool executeSucceeds = true;
    std::vector<std::string> commands;  // the bytes of every ExecuteMacro

    struct Conv : IDdeClientConv {
        FakeDde& dde;
        explicit Conv(FakeDde& d) : dde(d) {}
        ~Conv() override { dde.Log("destroy"); ++dde.destroyed; }
        void SetServiceApplication(const std::string& p) override { dde.Log("ServiceApplication " + p); }
        bool SetLink(const std::string& s, const std::string& t) override {
            if (dde.onSetLink) dde.onSetLink();
            bool ok = dde.linkSucceeds;
            if (!dde.linkResults.empty()) {
                ok = dde.linkResults.front();
                dde.linkResults.pop_front();
            }
            dde.Log("SetLink " + s + " " + t + (ok ? " ok" : " failed"));
            return ok;
        }
        bool ExecuteMacro(const std::string& c, bool wait) override {
            dde.Log("ExecuteMacro " + c + (wait ? " wait" : " nowait"));
            dde.commands.push_back(c);
            return dde.executeSucceeds;
        }
        void CloseLink() override { dde.Log("CloseLink"); }
    };
    void Log(const std::string& s) {
        journal.push_back(s);
        if (shared) shared->push_back("dde " + s);
    }
    std::unique_ptr<IDdeClientConv> CreateConversation() override {
        ++created;
        Log("create");
        return std::make_unique<Conv>(*this);
    }
};

struct FakeActivation : IWindowActivation {
    OsVersion version{5, 1, 2};
    bool versionFails = false;
    std::uint32_t recordSize = 0;
    std::uint32_t timeout = 200000;
    bool timeoutReadFails = false;
    bool foregroundResult = true;
    std::vector<std::string> calls;
    std::vector<std::string>* shared = nullptr;
    void Log(const std::string& s) {
        calls.push_back(s);
        if (shared) shared->push_back(s);
    }
    bool GetVersionEx(std::uint32_t size, OsVersion& v) override {
        recordSize = size;
        if (versionFails) return false;
        v = version;
        return true;
    }
    bool GetForegroundLockTimeout(std::uint32_t& value) override {
        Log("GetForegroundLockTimeout");
        if (timeoutReadFails) return false;
        value = timeout;
        return true;
    }
    bool SetForegroundLockTimeout(std::uintptr_t value) override {
        Log("SetForegroundLockTimeout " + std::to_string(value));
        timeout = static_cast<std::uint32_t>(value);
        return true;
    }
    bool SetForegroundWindow(WindowHandle w) override {
        Log("SetForegroundWindow " + std::to_string(w));
        return foregroundResult;
    }
    void SetFocus(WindowHandle w) override { Log("SetFocus " + std::to_string(w)); }
    void SetActiveWindow(WindowHandle w) override { Log("SetActiveWindow " + std::to_string(w)); }
};

struct FakeMutex : IInstanceMutex {
    std::uintptr_t handle = 0x44;
    std::vector<std::string> calls;
    MutexSecurity sa;
    std::uintptr_t Create(const MutexSecurity& s, bool owner, const std::string& name) override {
        sa = s;
        calls.push_back("CreateMutexA " + std::string(owner ? "1 " : "0 ") + name);
        return handle;
    }
    void Release(std::uintptr_t h) override { calls.push_back("ReleaseMutex " + std::to_string(h)); }
    void MessageBeep(unsigned type) override { calls.push_back("MessageBeep " + std::to_string(type)); }
};

// Every fake service, and an application object over them.
struct Rig {
    FakeToolkit ui;
    FakeClock clock;
    FakePower power;
    FakeLogFile log;
    FakeProfile profile;
    FakeKeys keys;
    FakeDde dde;
    FakeActivation activation;
    Services services{ui, clock, power, log, profile, keys, dde, activation};
    TApplication app{services};

    Rig() {
        ui.exeName = std::string("C:") + kPathDelimiter + "Pelmor" + kPathDelimiter + "pelmor.exe";
    }
    std::string Dir() const { return std::string("C:") + kPathDelimiter + "Pelmor"; }
    std::string Path(const char* name) const { return JoinPath(Dir(), name); }
    std::string LogText() { return log.files[Path("pelmor.log")]; }
};

}  // namespace pelmor::fake
