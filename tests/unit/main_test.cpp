// The main window: the one-second tick, the log, the history and its file,
// the graph, and starting, stopping and closing a measurement.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST(Sampling, SourceAndLevelInPanelAndLog) {
    struct Row {
        const char* name;
        Source source;
        std::optional<int> level;
        bool fails;
        const char* panel;
        const char* line;
    } rows[] = {
        {"battery", Source::Battery, 80, false, "電池駆動  80%", "   3598,  80,  0\r\n"},
        {"mains", Source::Mains, 5, false, "ＡＣ駆動   5%", "   3598,   5,  1\r\n"},
        {"empty", Source::Battery, 0, false, "電池駆動   0%", "   3598,   0,  0\r\n"},
        {"unknown source counts as mains", Source::Unknown, 42, false, "　不明　  42%",
         "   3598,  42,  1\r\n"},
        {"unknown level is full", Source::Battery, std::nullopt, false, "電池駆動 満充電",
         "   3598, 100,  0\r\n"},
        {"full", Source::Mains, 100, false, "ＡＣ駆動 満充電", "   3598, 100,  1\r\n"},
        {"failed read before any good one", Source::Battery, 80, true, "バッテリ残量取得失敗",
         "   3598, 100,  1\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Main m;
        m.StartStop();
        m.Set(r.source, r.level);
        m.rig.power.fails = r.fails;
        m.Tick(3598);
        EXPECT_EQ(m.W().Panel(1), r.panel);
        EXPECT_EQ(m.W().Panel(0), "   0:59:58");
        EXPECT_EQ(m.rig.Read("pelmor.log"), r.line);
    }
}

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
    }
    EXPECT_EQ(m.rig.Read("pelmor.log"),
              "      1,  80,  0\r\n      3,  79,  0\r\n      5,  79,  1\r\n");
    m.rig.clock.now += 3600 * 1000;
    m.Tick(0);
    EXPECT_EQ(m.W().Panel(0), " 1000:00:06");
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
    EXPECT_EQ(inside, 1);
    EXPECT_EQ(std::count_if(m.rig.journal.begin(), m.rig.journal.end(),
                            [](const std::string& s) { return s.rfind("box", 0) == 0; }),
              1);
    EXPECT_NE(m.rig.Find("box ﾛｸﾞﾌｧｲﾙ保存失敗。 / Pelmor / stop / over main"), -1);
    EXPECT_EQ(m.rig.Read("pelmor.log"), "      3,  69,  0\r\n");
}

TEST(Measure, StartAndStop) {
    Main m;
    m.rig.Write("pelmor.ini", "[setup]\r\nreload=25\r\nkey=3\r\n");
    m.Open();
    auto& w = m.W();
    m.StartStop();
    EXPECT_EQ(w.items["mnuStart"]->caption, "計測終了(&E)");
    EXPECT_FALSE(w.items["mnuSetup"]->enabled);
    EXPECT_TRUE(w.timers["TimerKey"]->enabled && w.timers["TimerURL"]->enabled);
    EXPECT_EQ(w.timers["TimerURL"]->interval, 25000u);
    EXPECT_EQ(w.timers["TimerKey"]->interval, 3000u);
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
    const int end = m.rig.Find("log       0,   0,  2");
    ASSERT_NE(end, -1);
    EXPECT_LT(end, m.rig.Find("ini log"));
    // Nothing is logged after the end line.
    m.Set(Source::Battery, 10);
    m.Tick();
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

TEST(History, SlidesHalfAnHourWhenFull) {
    Main m;
    TfrmMain& f = *m.form;
    for (int i = 0; i < 179; ++i) f.AppendSample(i, 0);
    EXPECT_EQ(f.Count, 179);
    f.AppendSample(179, 1);
    EXPECT_EQ(f.Count, 150);
    EXPECT_EQ(f.Samples[0].Level, 30);
    EXPECT_EQ(f.Samples[149].Level, 179);
    EXPECT_EQ(f.Samples[149].Source, 1);
}

TEST(History, OneSamplePerMinuteThenTheGraph) {
    Main m;
    EXPECT_NE(m.rig.Find("prepare"), -1) << "the foreground switch is prepared with the window";
    m.rig.clock.now -= 12 * 60;  // minute 1: the first tick samples whatever minute it is
    auto& calls = m.W().images["Image1"]->canvas.calls;
    m.Set(Source::Battery, 100);
    m.Tick(0);
    m.Tick(1);  // same minute
    EXPECT_EQ(m.form->Count, 1);
    m.Set(Source::Mains, 50);
    m.Tick(60);
    EXPECT_EQ(m.form->Count, 2);
    // The new sample is on the graph drawn at its minute: a green segment.
    EXPECT_EQ(calls.back(), "pen 65280 2 line 3 4 5 48");
    m.rig.clock.now += 3600;  // the same minute of another hour
    m.Tick(0);
    EXPECT_EQ(m.form->Count, 2);
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
    ASSERT_EQ(m.form->Count, 2);
    EXPECT_EQ(m.form->Samples[0].Source, 10);
    EXPECT_EQ(m.form->Samples[1].Source, 11);
    EXPECT_EQ(m.form->Samples[1].Level, 81);
    EXPECT_EQ(m.W().Panel(2), " 前回の電源断から 1:02:05経過");
    // Saved again without the mark, over what was there.
    m.Close();
    EXPECT_EQ(m.rig.Read("pelmor.ini"), "[log]\r\n0=80 0\r\n1=81 1\r\n2=\r\nendtime=1700003786\r\n");
}

TEST(History, HandEditedFiles) {
    const struct {
        const char* name;
        std::string ini;
        int count;
        PowerSample first;
        const char* panel2;
    } rows[] = {
        {"one number", "[log]\r\n0=57\r\n", 1, {57, 10}, ""},
        {"gap ends the list", "[log]\r\n0=5 0\r\n2=6 0\r\n", 1, {5, 10}, ""},
        {"huge code stays the largest", "[log]\r\n0=1 2147483640\r\n", 1, {1, INT32_MAX}, ""},
        {"tab between the numbers", "[log]\r\n0=9\t1\r\n", 1, {9, 11}, ""},
        {"level 0", "[log]\r\n0=0 1\r\n", 1, {0, 11}, ""},
        {"text after the level", "[log]\r\n0=57: 1\r\n", 1, {57, 10}, ""},
        {"negative level", "[log]\r\n0=-5 0\r\n", 1, {-5, 10}, ""},
        {"endtime in the future", "[log]\r\nendtime=1700000030\r\n", 0, {}, " 前回の電源断から 0:00:-30経過"},
        {"endtime 100 hours ago", "[log]\r\nendtime=1699640000\r\n", 0, {}, " 前回の電源断から 100:00:00経過"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Main m;
        m.rig.Write("pelmor.ini", r.ini);
        m.Open();
        EXPECT_EQ(m.form->Count, r.count);
        if (r.count) {
            EXPECT_EQ(m.form->Samples[0].Level, r.first.Level);
            EXPECT_EQ(m.form->Samples[0].Source, r.first.Source);
        }
        EXPECT_EQ(m.W().Panel(2), r.panel2);
    }
    // More entries than the program writes: the newest 179 are kept.
    Main m;
    std::string ini = "[log]\r\n";
    for (int i = 0; i < 200; ++i) ini += std::to_string(i) + "=" + std::to_string(i) + " 0\r\n";
    m.rig.Write("pelmor.ini", ini);
    m.Open();
    EXPECT_EQ(m.form->Count, 179);
    EXPECT_EQ(m.form->Samples[0].Level, 21);
    EXPECT_EQ(m.form->Samples[178].Level, 199);
}

TEST(Graph, GridFrameAndCurve) {
    Main m;
    m.rig.Write("pelmor.ini", "[log]\r\n0=100 1\r\n1=50 0\r\n2=40 1\r\n");
    m.Open();
    TfrmMain& f = *m.form;
    f.AppendSample(0, 0);
    f.AppendSample(20, 1);
    f.AppendSample(30, 7);
    f.DrawGraph();
    const auto& c = m.W().images["Image1"]->canvas.calls;
    ASSERT_EQ(c.size(), 1u + 9 + 17 + 4 + 5);
    const std::pair<int, const char*> rows[] = {
        {0, "pen 16777215 1 rect 0 0 353 97 brush 16777215"},  // cleared white
        {1, "pen 8355711 1 line 3 83 349 83"},  // y 10: grey, thin
        {5, "pen 0 2 line 3 48 349 48"},        // y 50: black, wide
        {9, "pen 8355711 1 line 3 13 349 13"},  // y 90, the last horizontal line
        {10, "pen 8355711 1 line 23 4 23 92"},  // x 10: the vertical lines after
        {12, "pen 8355711 2 line 61 4 61 92"},  // x 30: half hour
        {15, "pen 0 2 line 118 4 118 92"},      // x 60: hour
        {27, "pen 0 2 line 3 4 349 4"},         // the frame
        {30, "pen 0 2 line 3 92 3 4"},
        {31, "pen 100 2 line 3 4 5 48"},         // previous run, battery: dark red
        {32, "pen 25600 2 line 5 48 7 57"},      // previous run, mains: dark green
        {33, "pen 255 2 line 7 57 9 92"},        // battery: red
        {34, "pen 65280 2 line 9 92 11 74"},     // mains: green
        {35, "pen 65280 2 line 11 74 13 66"},    // a code of no colour keeps the last
    };
    for (auto [i, want] : rows) EXPECT_EQ(c[static_cast<std::size_t>(i)], want) << i;
}

TEST(ProgramDir, TheFolderOfTheExecutable) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\Pelmor\\pelmor.exe", "C:\\Pelmor"}, {"C:\\pelmor.exe", "C:"},
        {"C:pelmor.exe", "C:"}, {"/opt/pelmor/pelmor", "/opt/pelmor"}, {"pelmor", ""}};
    for (auto [path, dir] : rows) EXPECT_EQ(ExtractFileDir(path), dir) << path;
}
