// The main window as the parts' glue: the one-second tick through the
// sampling, the log, the history and the graph; the loads' foreground
// switch; starting, stopping and closing a measurement.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;
using fake::Rig;
using Source = PowerReading::Source;

namespace {

struct Main {
    Rig rig;
    std::unique_ptr<TfrmMain> form;
    Main() { Open(); }
    void Open() { form = std::make_unique<TfrmMain>(rig.app); }
    fake::Window& W() { return rig.ui.Form("frmMain"); }
    // Ctrl+S; the comment dialog is closed by its close box unless scripted.
    void StartStop() { W().Click("mnuStart"); }
    void Tick(int seconds = 1) {
        rig.clock.now += seconds;
        W().Tick("TimerBase");
    }
    void Set(Source s, std::optional<int> level) { rig.power.reading = {s, level}; }
    void Close() {
        bool can = true;
        form->FormCloseQuery(can);
    }
};

}  // namespace

TEST(Sampling, OnlyChangesAreLoggedAndAFailedReadKeepsTheLastValues) {
    Main m;
    m.StartStop();
    const struct {
        Source source;
        int level;
        bool fails;
    } ticks[] = {{Source::Battery, 80, false}, {Source::Battery, 80, false},
                 {Source::Battery, 79, false}, {Source::Battery, 79, true},
                 {Source::Mains, 79, false},   {Source::Mains, 79, false}};
    for (const auto& t : ticks) {
        m.Set(t.source, t.level);
        m.rig.power.fails = t.fails;
        m.Tick();
        EXPECT_FALSE(m.rig.log.open) << "the log and the trace are closed after each line";
    }
    EXPECT_EQ(m.rig.Read("pelmor.log"),
              "      1,  80,  0\r\n      3,  79,  0\r\n      5,  79,  1\r\n");
    EXPECT_EQ(m.W().bars["StatusBar"]->writes[1], 4) << "the power panel rewritten with no change";
    m.rig.power.fails = true;
    m.rig.clock.now += 3600 * 1000 + 54;
    m.Tick(0);
    EXPECT_EQ(m.W().Panel(0), " 1000:01:00");
    EXPECT_EQ(m.W().Panel(1), "バッテリ残量取得失敗");
}

TEST(Log, AFailedWriteShowsOneBoxWhileTicksGoOn) {
    Main m;
    m.StartStop();
    m.rig.log.fails = true;
    int inside = 0;
    m.rig.ui.onMessageBox = [&] {
        // The box's modal loop keeps the timers running; a failing tick shows
        // no second box, and a change written inside it is not written again.
        m.Set(Source::Battery, 70);
        m.Tick();
        m.rig.log.fails = false;
        m.Set(Source::Battery, 69);
        m.Tick();
        ++inside;
    };
    m.Tick();
    m.Tick();
    EXPECT_EQ(inside, 1) << "one box";
    EXPECT_NE(m.rig.Find("box ﾛｸﾞﾌｧｲﾙ保存失敗。 / Pelmor / stop / over main"), -1);
    EXPECT_EQ(m.rig.Read("pelmor.log"), "      3,  69,  0\r\n");
}

TEST(Measure, StartAndStop) {
    Main m;
    m.rig.Write("pelmor.ini", "[setup]\r\nreload=0x1A\r\nkey=0xb\r\n");
    m.Open();
    auto& w = m.W();
    m.StartStop();
    EXPECT_EQ(w.items["mnuStart"]->caption, "計測終了(&E)");
    EXPECT_FALSE(w.items["mnuSetup"]->enabled);
    EXPECT_EQ(std::tuple(w.timers["TimerURL"]->interval, w.timers["TimerKey"]->interval, w.timers["TimerKey"]->enabled &&
              w.timers["TimerURL"]->enabled), std::tuple(26000u, 11000u, true));
    m.Tick(5);
    m.StartStop();
    EXPECT_EQ(w.items["mnuStart"]->caption, "計測開始(&S)");
    EXPECT_TRUE(w.items["mnuSetup"]->enabled);
    EXPECT_FALSE(w.timers["TimerKey"]->enabled || w.timers["TimerURL"]->enabled);
    EXPECT_EQ(w.Panel(0), "");
    m.Set(Source::Battery, 60);
    m.Tick(1);
    // A stop writes no end line; the next start counts from its own start.
    m.StartStop();
    m.Set(Source::Battery, 50);
    m.Tick(7);
    EXPECT_EQ(m.rig.Read("pelmor.log"), "      5,  80,  0\r\n      7,  50,  0\r\n");
    EXPECT_EQ(w.Panel(0), "   0:00:07");
}

TEST(Measure, TimerIntervals) {
    const std::pair<std::int32_t, std::uint32_t> rows[] = {
        {0, 0}, {-5, 0}, {1, 1000}, {20, 20000}, {4294967, 4294967000u}, {4294968, UINT32_MAX}};
    for (auto [seconds, ms] : rows) EXPECT_EQ(TimerIntervalMs(seconds), ms) << seconds;
}

TEST(Measure, CommentHeaderStartsTheMeasurement) {
    Main m;
    m.rig.ui.onModal["frmComment"] = [](fake::Window& d) {
        d.Ctl("edtComment").text = "テスト ｶﾅ";
        d.Click("btnOK");
    };
    m.StartStop();
    m.Tick(2);
    EXPECT_EQ(m.rig.Read("pelmor.log"),
              "\r\n' Tue Nov 14 22:13:20 2023\r\n' \x83\x65\x83X\x83g \xB6\xC5\r\n"
              "      2,  80,  0\r\n");
}

TEST(Close, EndsTheLogBeforeSavingTheHistory) {
    Main m;
    m.StartStop();
    m.Tick();
    m.Close();
    EXPECT_LT(m.rig.Find("log       0,   0,  2"), m.rig.Find("ini log"));
    EXPECT_EQ(m.rig.Read("pelmor.log"), "      1,  80,  0\r\n      0,   0,  2\r\n");
}

TEST(Close, WithoutAMeasurementOnlySavesTheHistory) {
    Main m;
    m.Close();
    EXPECT_EQ(m.rig.Read("pelmor.ini"), "[log]\r\n0=\r\nendtime=1700000000\r\n");
    m.Tick();
    EXPECT_EQ(m.W().Panel(0), "");
    m.Close();
    EXPECT_EQ(m.rig.Find("log"), -1);
    // Values are replaced in place; a new key goes after the section's last line.
    EXPECT_EQ(m.rig.Read("pelmor.ini"), "[log]\r\n0=80 0\r\nendtime=1700000001\r\n1=\r\n");
}

TEST(History, OneSamplePerMinuteThenTheGraph) {
    Main m;
    EXPECT_NE(m.rig.Find("prepare"), -1) << "the foreground switch is prepared with the window";
    m.rig.clock.now -= 12 * 60;  // minute 1: the first tick samples whatever minute it is
    auto& calls = m.W().images["Image1"]->canvas.calls;
    m.Set(Source::Battery, 100);
    m.Tick(0);
    m.Tick(1);  // same minute
    EXPECT_EQ(calls.size(), 31u) << "one sample: grid and frame, no curve";
    m.Set(Source::Mains, 50);
    m.Tick(60);
    // The new sample is on the graph drawn at its minute: a green segment.
    EXPECT_EQ(calls.size(), 31u + 32);
    EXPECT_EQ(calls.back(), "pen 65280 2 line 3 4 5 48");
    m.rig.clock.now += 3600;  // the same minute of another hour
    m.Tick(0);
    EXPECT_EQ(calls.size(), 31u + 32);
}

TEST(History, SavedAndLoadedAsThePreviousRun) {
    Main m;
    m.Set(Source::Battery, 80);
    m.Tick();
    m.Set(Source::Mains, 81);
    m.Tick(60);
    m.Close();
    EXPECT_EQ(m.rig.Read("pelmor.ini"), "[log]\r\n0=80 0\r\n1=81 1\r\n2=\r\nendtime=1700000061\r\n");
    m.form.reset();
    m.rig.clock.now += 3725;
    m.Open();
    EXPECT_EQ(m.W().Panel(2), " 前回の電源断から 1:02:05経過");
    // Saved again without the mark, over what was there.
    m.Close();
    EXPECT_EQ(m.rig.Read("pelmor.ini"), "[log]\r\n0=80 0\r\n1=81 1\r\n2=\r\nendtime=1700003786\r\n");
}

TEST(Loads, BothBringTheWindowForwardForTheMemo) {
    Main m;
    m.rig.Write("url.lst", "u0");
    m.Open();
    m.StartStop();  // the loads' timers run while a measurement does
    m.W().Ctl("chkKey").checked = m.W().Ctl("chkURL").checked = true;
    m.rig.journal.clear();
    m.W().Tick("TimerKey");
    m.W().Tick("TimerURL");
    EXPECT_EQ(m.rig.journal, (fake::Journal{"forward", "focus Memo1", "type 0123456789",
                                            "open u0 with C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE",
                                            "forward", "focus Memo1"}));
}

TEST(ProgramDir, TheFolderOfTheExecutable) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\Pelmor\\pelmor.exe", "C:\\Pelmor"}, {"C:\\pelmor.exe", "C:"},
        {"C:pelmor.exe", "C:"}, {"/opt/pelmor/pelmor", "/opt/pelmor"}, {"pelmor", ""}};
    for (auto [path, dir] : rows) EXPECT_EQ(ExtractFileDir(path), dir) << path;
}
