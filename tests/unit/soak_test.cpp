// A whole day of measuring on the fake clock: 86,400 one-second ticks with
// the battery draining from 100 % to 0 %, the mains plugged in once, both
// loads ticked, and the real portable settings and log files on disk.
#include <gtest/gtest.h>

#include <malloc.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/Fakes.h"
#include "forms/Main.h"
#include "platform/posix/IniProfile.h"
#include "platform/posix/LogFile.h"

using namespace pelmor;
using namespace pelmor::fake;
namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct CountingKeys : IKeyInjector {
    long events = 0;
    bool wrong = false;
    int next = 0;  // position in "0123456789" + Enter
    void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                    std::uintptr_t extra) override {
        const std::uint8_t expected = next < 10 ? static_cast<std::uint8_t>('0' + next) : 13;
        wrong = wrong || vk != expected || scan != 0 || flags != 0 || extra != 0;
        next = (next + 1) % 11;
        ++events;
    }
};

struct RecordingDde : IDdeClient {
    long pages = 0;
    long conversations = 0, open = 0;
    std::string lastThree[3];
    struct Conv : IDdeClientConv {
        RecordingDde& dde;
        explicit Conv(RecordingDde& d) : dde(d) { ++dde.open; }
        ~Conv() override { --dde.open; }
        void SetServiceApplication(const std::string&) override {}
        bool SetLink(const std::string&, const std::string&) override { return true; }
        bool ExecuteMacro(const std::string& command, bool) override {
            dde.lastThree[dde.pages % 3] = command;
            ++dde.pages;
            return true;
        }
        void CloseLink() override {}
    };
    std::unique_ptr<IDdeClientConv> CreateConversation() override {
        ++conversations;
        return std::make_unique<Conv>(*this);
    }
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int Level(long s) { return static_cast<int>(100 - s * 100 / 86400); }


// Window activation that remembers nothing, so the test's own records do not
// hide the window's memory use.
struct QuietActivation : IWindowActivation {
    long switches = 0;
    bool GetVersionEx(std::uint32_t, OsVersion& v) override {
        v = {5, 1, 2};
        return true;
    }
    bool GetForegroundLockTimeout(std::uint32_t& value) override {
        value = 0;
        return true;
    }
    bool SetForegroundLockTimeout(std::uintptr_t) override { return true; }
    bool SetForegroundWindow(WindowHandle) override {
        ++switches;
        return true;
    }
    void SetFocus(WindowHandle) override {}
    void SetActiveWindow(WindowHandle) override {}
};
int Mains(long s) { return s >= 30000 && s < 33600 ? 1 : 0; }

}  // namespace

TEST(Soak, ADayOfMeasuringLogsEveryChangeOnceAndKeepsTheHistoryBounded) {
    char pattern[] = "/tmp/pelmor-soak-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    {
        std::ofstream(dir / "url.lst") << "http://a.example/\nhttp://b.example/ http://c.example/\n";
        std::ofstream(dir / "pelmor.ini") << "[setup]\r\nkey=1\r\nreload=20\r\n";
    }

    FakeToolkit ui;
    FakeClock clock;
    FakePower power;
    PosixLogFile log;
    IniProfile profile;
    CountingKeys keys;
    RecordingDde dde;
    QuietActivation activation;
    Services services{ui, clock, power, log, profile, keys, dde, activation};
    TApplication app(services);
    ui.exeName = (dir / "pelmor.exe").string();

    const std::int32_t t0 = clock.now;
    power.status = {0, 100};
    TfrmMain form(app);
    FakeWindow& w = ui.Main();
    w.Ctl("Memo1").journal = nullptr;
    NullCanvas canvas;
    w.Img("Image1").replacement = &canvas;
    w.Ctl("chkKey").checked = true;
    w.Ctl("chkURL").checked = true;
    ui.onModal["frmComment"] = [](FakeWindow& d) {
        d.Ctl("edtComment").text = "soak 24h";
        d.Click("btnOK");
    };
    w.Click("mnuStart");
    ASSERT_EQ(w.Tmr("TimerKey").interval, 1000u);
    ASSERT_EQ(w.Tmr("TimerURL").interval, 20000u);

    std::string expected = "\r\n' " + clock.CTime(t0);
    expected.insert(expected.size() - 1, "\r");
    expected += "' soak 24h\r\n";
    int lastLevel = -1, lastMains = -1;
    int slides = 0, previousCount = 0, appended = 0, lastMinute = -1, lastSampled = -1;
    std::size_t heapAtHourOne = 0;

    for (long s = 1; s <= 86400; ++s) {
        clock.now = t0 + static_cast<std::int32_t>(s);
        power.status.ACLineStatus = static_cast<std::uint8_t>(Mains(s));
        power.status.BatteryLifePercent = static_cast<std::uint8_t>(Level(s));
        w.Fire("TimerBase");
        w.Fire("TimerKey");
        if (s % 20 == 0) w.Fire("TimerURL");

        if (Level(s) != lastLevel || Mains(s) != lastMains) {
            char line[64];
            std::snprintf(line, sizeof line, "%7ld, %3d, %2d\r\n", s, Level(s), Mains(s));
            expected += line;
            lastLevel = Level(s);
            lastMains = Mains(s);
        }
        if (clock.LocalMinute() != lastMinute) {
            lastMinute = clock.LocalMinute();
            lastSampled = Level(s);
            ++appended;
        }
        ASSERT_LE(form.Count, 179) << "after second " << s;
        if (form.Count < previousCount) {
            ASSERT_EQ(previousCount, 179);
            ASSERT_EQ(form.Count, 150);
            ++slides;
        }
        previousCount = form.Count;
        if (s == 3600) heapAtHourOne = mallinfo2().uordblks;
    }
    const std::size_t heapAtEnd = mallinfo2().uordblks;
    ASSERT_TRUE(w.CloseBox());
    expected += "      0,   0,  2\r\n";

    EXPECT_EQ(Slurp(dir / "pelmor.log"), expected);

    // One sample a minute, the first on the first tick; full at 179, then a
    // slide of 30 every 30 minutes.
    EXPECT_EQ(appended, 1441);
    EXPECT_EQ(slides, (appended - 180) / 30 + 1);
    EXPECT_EQ(form.Count, 150 + (appended - 180) % 30);

    // The settings file holds the history unmarked, its terminator, endtime.
    const std::string ini = (dir / "pelmor.ini").string();
    int saved = 0;
    while (!profile.GetString("log", std::to_string(saved), "", 256, ini).empty()) ++saved;
    EXPECT_EQ(saved, form.Count);
    EXPECT_LE(saved, 179);
    EXPECT_EQ(profile.GetString("log", std::to_string(saved - 1), "", 256, ini),
              std::to_string(lastSampled) + " 0");
    EXPECT_EQ(profile.GetInt("log", "endtime", -1, ini), t0 + 86400);
    EXPECT_EQ(profile.GetInt("setup", "key", -1, ini), 1);

    // Both loads ran all day: one line of keys a second, a page every 20 s.
    EXPECT_EQ(keys.events, 86400L * 11);
    EXPECT_FALSE(keys.wrong);
    EXPECT_EQ(dde.pages, 86400 / 20);
    EXPECT_EQ(dde.conversations, dde.pages);
    EXPECT_EQ(dde.open, 0);
    EXPECT_EQ(activation.switches, 86400L + dde.pages);
    EXPECT_EQ(dde.lastThree[(dde.pages - 1) % 3], "http://c.example/");  // 4320 pages: ends on the third
    EXPECT_TRUE(ui.messageBoxes.empty());

    // The window's memory stays where it was after the first hour.
    if (!kSanitized) EXPECT_LT(heapAtEnd, heapAtHourOne + 64 * 1024);
    fs::remove_all(dir);
}
