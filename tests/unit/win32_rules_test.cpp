// The Windows services' own rules, against a recording stand-in of the
// Windows functions; and start-up on top of the instance mark.
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "fakes/Fakes.h"
#include "platform/win32/Browser.h"
#include "platform/win32/Foreground.h"
#include "platform/win32/Instance.h"
#include "platform/win32/Keys.h"
#include "platform/win32/Power.h"

using namespace pelmor;
using namespace pelmor::win32;

namespace {

using fake::Say;

struct Recorder : IApi {
    std::vector<std::string> calls;
    OsVersion version{6, 1, 2};
    bool versionFails = false, timeoutFails = false;
    std::uint32_t timeout = 200000;
    std::uintptr_t mutex = 0x44;
    std::uint8_t ac = 1, percent = 255;

    bool GetVersionExA(std::uint32_t size, OsVersion& v) override {
        calls.push_back(Say("GetVersionExA", size));
        if (!versionFails) v = version;
        return !versionFails;
    }
    bool GetForegroundLockTimeout(std::uint32_t& v) override {
        calls.push_back("get timeout");
        if (!timeoutFails) v = timeout;
        return !timeoutFails;
    }
    bool SetForegroundLockTimeout(std::uintptr_t v) override {
        calls.push_back(Say("set timeout", v));
        timeout = static_cast<std::uint32_t>(v);
        return true;
    }
    bool SetForegroundWindow(WindowHandle w) override {
        calls.push_back(Say("SetForegroundWindow", w));
        return w != 0;
    }
    void SetFocus(WindowHandle w) override { calls.push_back(Say("SetFocus", w)); }
    void SetActiveWindow(WindowHandle w) override { calls.push_back(Say("SetActiveWindow", w)); }
    void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                     std::uintptr_t extra) override {
        calls.push_back(Say("key", vk, scan, flags, extra));
    }
    std::uintptr_t CreateMutexA(const MutexSecurity& sa, bool owner, const char* name) override {
        calls.push_back(Say("CreateMutexA", sa.nLength, sa.lpSecurityDescriptor ? "sd" : "-",
                            sa.bInheritHandle, owner, name));
        return mutex;
    }
    void ReleaseMutex(std::uintptr_t h) override { calls.push_back(Say("ReleaseMutex", h)); }
    void MessageBeep(unsigned type) override { calls.push_back(Say("MessageBeep", type)); }
    bool GetSystemPowerStatus(std::uint8_t& a, std::uint8_t& p) override {
        a = ac, p = percent;
        return true;
    }
    std::optional<std::vector<BatteryData>> batteries;  // none: no way to ask
    bool QueryBatteries(std::vector<BatteryData>& b) override {
        if (batteries) b = *batteries;
        return batteries.has_value();
    }
};

using Calls = std::vector<std::string>;

}  // namespace

TEST(Win32Foreground, OsFamilies) {
    const struct {
        OsVersion version;
        std::int32_t kind;
    } rows[] = {{{4, 0, 1}, 1},  {{4, 10, 1}, 3}, {{4, 90, 1}, 3}, {{4, 0, 2}, 10},
                {{4, 0, 0}, 0},  {{5, 0, 2}, 11}, {{5, 1, 2}, 11}, {{5, 2, 7}, 11},
                {{3, 51, 2}, 0}, {{6, 0, 2}, 0},  {{10, 0, 2}, 0}};
    for (const auto& r : rows) {
        Recorder api;
        api.version = r.version;
        EXPECT_EQ(DetectOsKind(api), r.kind) << r.version.major << "." << r.version.minor;
        EXPECT_EQ(api.calls, Calls{"GetVersionExA 148"});
    }
    Recorder api;
    api.versionFails = true;
    EXPECT_EQ(DetectOsKind(api), 0);
}

TEST(Win32Foreground, TheSwitchOnEachFamily) {
    const Calls plain = {"SetForegroundWindow 7"};
    const Calls lifted = {"get timeout",   "set timeout 0",     "SetForegroundWindow 7",
                          "set timeout 200000", "SetFocus 7", "SetActiveWindow 7"};
    const Calls unread = {"get timeout", "SetForegroundWindow 7", "SetFocus 7",
                          "SetActiveWindow 7"};
    const struct {
        OsVersion version;
        bool timeoutFails;
        const Calls& calls;
    } rows[] = {{{6, 1, 2}, false, plain},  {{4, 0, 1}, false, plain}, {{4, 0, 2}, false, plain},
                {{4, 10, 1}, false, lifted}, {{5, 1, 2}, false, lifted},
                {{5, 0, 2}, true, unread}};
    for (const auto& r : rows) {
        Recorder api;
        api.version = r.version;
        api.timeoutFails = r.timeoutFails;
        Foreground fg(api);
        fg.Prepare();
        api.calls.clear();
        EXPECT_TRUE(fg.BringForward(7));
        EXPECT_EQ(api.calls, r.calls) << fg.OsKind;
        EXPECT_EQ(api.timeout, 200000u);
    }
}

TEST(Win32Keyboard, ElevenKeyPressesAndNoRelease) {
    Recorder api;
    Keyboard(api).TypeLine("0123456789");
    Calls want;
    for (int vk = '0'; vk <= '9'; ++vk) want.push_back("key " + std::to_string(vk) + " 0 0 0");
    want.push_back("key 13 0 0 0");
    EXPECT_EQ(api.calls, want);
}

TEST(Win32Power, SystemValuesToAReading) {
    using S = PowerReading::Source;
    const struct {
        std::uint8_t ac, percent;
        S source;
        std::optional<int> level;
    } rows[] = {{0, 80, S::Battery, 80}, {1, 100, S::Mains, 100}, {255, 5, S::Unknown, 5},
                {2, 0, S::Unknown, 0},   {0, 255, S::Battery, std::nullopt}};
    for (const auto& r : rows) {
        Recorder api;
        api.ac = r.ac, api.percent = r.percent;
        PowerReading got;
        ASSERT_TRUE(Power(api).Read(got));
        EXPECT_EQ(std::pair(got.source, got.level), std::pair(r.source, r.level)) << int(r.ac);
    }
}

TEST(Win32Power, BatteryDevicesToEnergy) {
    constexpr std::uint32_t sys = 0x80000000u, rel = 0x40000000u, unk = 0xFFFFFFFFu;
    const BatteryData a{sys, 50000, 45000, 120, 30000, 11400, -9000};
    const BatteryData charging{sys, 24000, 23000, 0, 20000, 12600, 15000};
    const struct {
        const char* name;
        std::optional<std::vector<BatteryData>> batteries;
        const char* fields;  // energy,full,design,power,voltage,cycles
    } rows[] = {
        {"no way to ask (95, NT 4)", std::nullopt, ",,,,,"},
        {"no battery device (a desktop, Wine)", std::vector<BatteryData>{}, ",,,,,"},
        {"one discharging", std::vector{a}, "30000,45000,50000,9000,11400,120"},
        {"charging: no discharge power, no cycle counter", std::vector{charging}, "20000,23000,24000,0,12600,"},
        {"two combined", std::vector{a, charging}, "50000,68000,74000,9000,12000,"},
        {"a UPS is not the system's battery", std::vector{a, BatteryData{0, 1, 1, 1, 1, 1, -1}},
         "30000,45000,50000,9000,11400,120"},
        {"relative capacities", std::vector{BatteryData{sys | rel, 100, 98, 7, 60, 11000, -3}}, ",,,,11000,7"},
        {"unknowns", std::vector{BatteryData{sys, unk, 45000, 3, unk, unk, INT32_MIN}}, ",45000,,,,3"},
        {"one unknown spoils the sum", std::vector{a, BatteryData{sys, 1, 1, 9, unk, 12000, -1}},
         ",45001,50001,9001,11700,120"},
    };
    for (const auto& r : rows) {
        Recorder api;
        api.batteries = r.batteries;
        PowerReading got;
        got.energy.energyMwh = 1;  // stale fields are not kept
        Power(api).ReadEnergy(got);
        std::string fields;
        for (const auto* v : got.energy.Fields())
            fields += (v == &got.energy.energyMwh ? "" : ",") + (*v ? std::to_string(**v) : "");
        EXPECT_EQ(fields, r.fields) << r.name;
    }
}

namespace {

struct Conversation : IDdeClientConv {
    Calls& calls;
    bool link, execute;
    Conversation(Calls& c, bool l, bool e) : calls(c), link(l), execute(e) {}
    ~Conversation() override { calls.push_back("destroy"); }
    void SetServiceApplication(const std::string& p) override { calls.push_back("app " + p); }
    bool SetLink(const std::string& s, const std::string& t) override {
        calls.push_back("link " + s + " " + t);
        return link;
    }
    bool ExecuteMacro(const std::string& c, bool wait) override {
        calls.push_back("execute " + c + (wait ? " wait" : ""));
        return execute;
    }
    void CloseLink() override { calls.push_back("close"); }
};

struct Client : IDdeClient {
    Calls& calls;
    bool link = true, execute = true;
    explicit Client(Calls& c) : calls(c) {}
    std::unique_ptr<IDdeClientConv> CreateConversation() override {
        return std::make_unique<Conversation>(calls, link, execute);
    }
};

}  // namespace

TEST(Win32Browser, OneConversationPerPage) {
    const Calls opened = {"app ie.exe", "link Iexplore WWW_OpenURL", "connected",
                          "execute http://a/ wait", "close", "destroy"};
    const Calls unlinked = {"app ie.exe", "link Iexplore WWW_OpenURL", "close", "destroy"};
    const struct {
        bool link, execute;
        IBrowser::Result result;
        const Calls& calls;
    } rows[] = {{true, true, IBrowser::Result::Opened, opened},
                {true, false, IBrowser::Result::Refused, opened},
                {false, true, IBrowser::Result::NoBrowser, unlinked}};
    for (const auto& r : rows) {
        Calls calls;
        int clients = 0;
        Browser browser(
            [&] {
                ++clients;
                auto c = std::make_unique<Client>(calls);
                c->link = r.link, c->execute = r.execute;
                return c;
            },
            [] { return nullptr; });
        for (int page = 0; page < 2; ++page) {
            calls.clear();
            EXPECT_EQ(browser.OpenPage("ie.exe", "http://a/",
                                       [&] { calls.push_back("connected"); }),
                      r.result);
            EXPECT_EQ(calls, r.calls);
        }
        EXPECT_EQ(clients, 1) << "the client is set up once, when first wanted";
    }
}

struct PipeRecorder : IBrowser {  // a pipe browser that records what it is given
    Calls& calls;
    explicit PipeRecorder(Calls& c) : calls(c) {}
    ~PipeRecorder() override { calls.push_back("pipe ended"); }
    Result OpenPage(const std::string& p, const std::string& u, const std::function<void()>&) override {
        return calls.push_back("pipe " + p + " " + u), Result::Opened;
    }
};

TEST(Win32Browser, TheProgramChoosesTheTransport) {
    // Pages in a row, each with its program, and what each one comes to.
    const struct {
        const char* program;
        Calls calls;
    } rows[] = {
        {"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
         {"made", "pipe C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe u"}},
        {"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
         {"pipe C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe u"}},
        {"C:\\EDGE\\MSEDGE.EXE", {"pipe ended", "made", "pipe C:\\EDGE\\MSEDGE.EXE u"}},
        {"C:\\x\\iexplore.exe", {"pipe ended", "app C:\\x\\iexplore.exe"}},
        {"C:\\\x95\x5C" "chrome.exe", {"app C:\\\x95\x5C" "chrome.exe"}},
        {"C:\\\x95\x5C\\brave.exe", {"made", "pipe C:\\\x95\x5C\\brave.exe u"}},
        {"D:Vivaldi.exe", {"pipe ended", "made", "pipe D:Vivaldi.exe u"}},
        {"C:/opera/opera.exe", {"pipe ended", "made", "pipe C:/opera/opera.exe u"}},
        {"C:\\chrome.exe\\netscape.exe", {"pipe ended", "app C:\\chrome.exe\\netscape.exe"}},
        {"C:\\x\\chrome.exe.lnk", {"app C:\\x\\chrome.exe.lnk"}},
    };
    Calls calls;
    Browser browser([&] { return std::make_unique<Client>(calls); },
                    [&] { return calls.push_back("made"), std::make_unique<PipeRecorder>(calls); });
    for (const auto& r : rows) {
        calls.clear();
        browser.OpenPage(r.program, "u", [] {});
        for (std::size_t i = 0; i < calls.size(); ++i)  // DDE: up to its service application
            if (calls[i].rfind("app ", 0) == 0) calls.resize(i + 1);
        EXPECT_EQ(calls, r.calls) << r.program;
    }
}

TEST(Win32Browser, Rules) {
    EXPECT_EQ(DefaultBrowserPath(10, "C:\\e\\msedge.exe", "ie"), "C:\\e\\msedge.exe");
    EXPECT_EQ(DefaultBrowserPath(11, "", "ie"), "ie");
    EXPECT_EQ(DefaultBrowserPath(6, "C:\\e\\msedge.exe", "ie"), "ie");
    const std::pair<const char*, const char*> urls[] = {
        {"http://a/", "http://a/"},         {"about:blank", "about:blank"},
        {"www.a.jp/x", "http://www.a.jp/x"}, {"C:\\p.htm", "file:///C:\\p.htm"},
        {"\\\\s\\p.htm", "file:///\\\\s\\p.htm"},   {"www.a.jp:8080/x", "http://www.a.jp:8080/x"},
        {"ab:9", "http://ab:9"}, {"ab:0/", "http://ab:0/"}, {"ws:x", "ws:x"}, {"1a:x", "http://1a:x"}, {"", ""},
    };
    for (const auto& [in, out] : urls) EXPECT_EQ(NavigableUrl(in), out) << in;
}

TEST(Win32Instance, TheNamedMutexAndItsFailure) {
    Recorder api;
    Instance mark(api);
    EXPECT_TRUE(mark.Acquire());
    mark.Release();
    EXPECT_EQ(api.calls, (Calls{"CreateMutexA 12 - 1 1 ravoshu-pelmor", "ReleaseMutex 68"}));
    api.calls.clear();
    api.mutex = 0;
    EXPECT_FALSE(mark.Acquire());
    EXPECT_EQ(api.calls, (Calls{"CreateMutexA 12 - 1 1 ravoshu-pelmor", "MessageBeep 48"}));
}

TEST(Startup, RunsTheApplicationBetweenAcquireAndRelease) {
    struct Mark : IInstance {
        fake::Journal& j;
        bool ok;
        Mark(fake::Journal& jj, bool o) : j(jj), ok(o) {}
        bool Acquire() override {
            j.push_back("acquire");
            return ok;
        }
        void Release() override { j.push_back("release"); }
    };
    for (bool ok : {true, false}) {
        fake::Rig rig;
        Mark mark(rig.journal, ok);
        EXPECT_EQ(PelmorMain(mark, rig.app), ok ? 0 : -1);
        if (!ok) {
            EXPECT_EQ(rig.journal, fake::Journal{"acquire"});
            continue;
        }
        EXPECT_EQ(rig.journal.front(), "acquire");
        EXPECT_EQ(rig.journal.back(), "release");
        EXPECT_TRUE(rig.Find("initialize") < rig.Find("title Pelmor") &&
                    rig.Find("title Pelmor") < rig.Find("form frmMain") && rig.Find("form frmMain") < rig.Find("run"));
    }
    // A framework error from the form is shown and the program still ends well.
    fake::Rig rig;
    Mark mark(rig.journal, true);
    rig.ui.onRun = [] { throw Exception("broken"); };
    EXPECT_EQ(PelmorMain(mark, rig.app), 0);
    EXPECT_NE(rig.Find("exception broken"), -1);
    EXPECT_EQ(rig.journal.back(), "release");
}
