// The measurement log's bytes and the one-second tick that feeds it.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct Log : ::testing::Test {
    Rig rig;
    TfrmMain form{rig.app};
    std::string path = rig.Path("pelmor.log");
};

struct Tick : ::testing::Test {
    Rig rig;
    TfrmMain form{rig.app};
    FakeWindow& w = rig.ui.Main();
    std::string Panel(int i) { return w.Bar().panels[static_cast<std::size_t>(i)]; }
    void Measure(std::int32_t since) {
        form.Measuring = 1;
        StartTime = since;
    }
    void Power(int ac, int percent) {
        rig.power.status.ACLineStatus = static_cast<std::uint8_t>(ac);
        rig.power.status.BatteryLifePercent = static_cast<std::uint8_t>(percent);
    }
};

}  // namespace

TEST_F(Log, SampleLinesAreRightAlignedFieldsEndedByCrLf) {
    form.WriteLog(87, 0, 125, "");
    form.WriteLog(0, 2, 0, "");
    form.WriteLog(5, 1, 12345678, "");
    EXPECT_EQ(rig.LogText(), "    125,  87,  0\r\n      0,   0,  2\r\n12345678,   5,  1\r\n");
}

TEST_F(Log, RawTextGoesUnchangedButForCrBeforeEveryLineFeed) {
    form.WriteLog(-1, -1, -1, "\n' Tue Nov 14 22:13:20 2023\n' \x83\x65\x83\x58\x83\x67\n");
    EXPECT_EQ(rig.LogText(), "\r\n' Tue Nov 14 22:13:20 2023\r\n' \x83\x65\x83\x58\x83\x67\r\n");
}

TEST_F(Log, AMissingFileIsCreatedAndAnExistingOneOnlyAppendedTo) {
    form.WriteLog(-1, 0, 0, "\n");
    EXPECT_EQ(rig.log.creates, 1);
    EXPECT_EQ(rig.LogText(), "\r\n");
    form.WriteLog(50, 0, 1, "");
    EXPECT_EQ(rig.log.creates, 1);
    EXPECT_EQ(rig.LogText(), "\r\n      1,  50,  0\r\n");
    // Every line is committed to disk and the file closed again.
    EXPECT_EQ(rig.log.commits, 2);
    EXPECT_EQ(rig.log.closes, 2);
    EXPECT_FALSE(rig.log.isOpen);
}

TEST_F(Log, EmptyTextOpensCreatesAndClosesWithoutWriting) {
    form.WriteLog(-1, -1, -1, "");
    EXPECT_EQ(rig.log.creates, 1);
    EXPECT_EQ(rig.log.closes, 1);
    EXPECT_EQ(rig.LogText(), "");
    EXPECT_TRUE(rig.ui.messageBoxes.empty());
}

TEST_F(Log, NothingIsWrittenOnceTheLogIsClosed) {
    form.WriteLog(10, 0, 1, "");
    form.LogClosed = 1;
    int opens = rig.log.opens;
    form.WriteLog(11, 0, 2, "");
    form.WriteLog(-1, 0, 0, "text\n");
    EXPECT_EQ(rig.log.opens, opens);
    EXPECT_EQ(rig.LogText(), "      1,  10,  0\r\n");
    EXPECT_TRUE(rig.ui.messageBoxes.empty());
}

TEST_F(Log, FailuresShowTheErrorBoxOwnedByTheMainWindow) {
    rig.log.files[path] = "old\r\n";
    rig.log.locked[path] = true;  // open fails for a reason other than a missing file
    form.WriteLog(10, 0, 1, "");
    ASSERT_EQ(rig.ui.messageBoxes.size(), 1u);
    const auto& box = rig.ui.messageBoxes[0];
    EXPECT_EQ(box.text, "ﾛｸﾞﾌｧｲﾙ保存失敗。");
    EXPECT_EQ(box.caption, "Pelmor");
    EXPECT_EQ(box.flags, kMbOk | kMbIconStop);
    EXPECT_EQ(box.owner, rig.ui.Main().handle);
    EXPECT_EQ(rig.log.files[path], "old\r\n");
    EXPECT_EQ(rig.log.creates, 0);
}

TEST_F(Log, FailedCreateWriteShortWriteAndCommitAreAllReported) {
    rig.log.failCreate = true;
    form.WriteLog(10, 0, 1, "");
    rig.log.failCreate = false;
    rig.log.files[path] = "";
    rig.log.failWrite = true;
    form.WriteLog(10, 0, 1, "");
    rig.log.failWrite = false;
    rig.log.shortWrite = 3;
    form.WriteLog(10, 0, 1, "");
    rig.log.shortWrite = SIZE_MAX;
    rig.log.failCommit = true;
    form.WriteLog(10, 0, 1, "");
    EXPECT_EQ(rig.ui.messageBoxes.size(), 4u);
    EXPECT_EQ(rig.log.opens, rig.log.closes + 1);  // the failed create left nothing open
}

TEST_F(Tick, PanelOneShowsSourceAndLevelAndIsSetOnlyWhenItChanges) {
    Power(0, 99);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(1), "電池駆動  99%");
    form.TimerBaseTimer();
    EXPECT_EQ(w.Bar().setCount[1], 1);
    Power(1, 100);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(1), "ＡＣ駆動 満充電");
    Power(255, 255);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(1), "　不明　 満充電");
    Power(1, 5);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(1), "ＡＣ駆動   5%");
    rig.power.fail = true;
    form.TimerBaseTimer();
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(1), "バッテリ残量取得失敗");
    EXPECT_EQ(w.Bar().setCount[1], 5);
    EXPECT_EQ(Panel(0), "");  // not measuring: panel 0 untouched
}

TEST_F(Tick, ElapsedTimeKeepsItsSignsAndWidensPastNineHundredNinetyNineHours) {
    Measure(rig.clock.now - 3725);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(0), "   1:02:05");
    Measure(rig.clock.now - 1000 * 3600 - 59);
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(0), " 1000:00:59");
    Measure(rig.clock.now + 3725);  // the clock was set back
    form.TimerBaseTimer();
    EXPECT_EQ(Panel(0), "  -1:-2:-5");
}

TEST_F(Tick, LogsALineOnlyWhenLevelOrSourceChanges) {
    Power(0, 80);
    Measure(rig.clock.now);
    form.TimerBaseTimer();
    rig.clock.now += 1;
    form.TimerBaseTimer();
    rig.clock.now += 1;
    Power(1, 80);  // mains plugged in, level unchanged
    form.TimerBaseTimer();
    rig.clock.now += 1;
    Power(1, 79);
    form.TimerBaseTimer();
    rig.clock.now += 1;
    form.TimerBaseTimer();
    EXPECT_EQ(rig.LogText(), "      0,  80,  0\r\n      2,  80,  1\r\n      3,  79,  1\r\n");
    EXPECT_EQ(form.LastLoggedLevel, 79);
    EXPECT_EQ(form.LastLoggedSource, 1);
}

TEST_F(Tick, AFailedReadCarriesTheLastGoodValues) {
    Measure(rig.clock.now);
    rig.power.fail = true;  // before any good read: full, on mains
    form.TimerBaseTimer();
    EXPECT_EQ(rig.LogText(), "      0, 100,  1\r\n");
    rig.power.fail = false;
    Power(0, 64);
    form.TimerBaseTimer();
    rig.power.fail = true;
    rig.clock.now += 60;
    form.TimerBaseTimer();
    EXPECT_EQ(rig.LogText(), "      0, 100,  1\r\n      0,  64,  0\r\n");
    ASSERT_EQ(form.Count, 2);
    EXPECT_EQ(form.Samples[1].Level, 64);
    EXPECT_EQ(form.Samples[1].Source, 0);
}

TEST_F(Tick, OneHistorySamplePerChangeOfTheMinuteWhetherMeasuringOrNot) {
    rig.clock.now = 1700000000 + 45;  // hh:13:20 + 45 s -> minute 14 at 22:14:05
    Power(0, 90);
    form.TimerBaseTimer();
    EXPECT_EQ(form.Count, 1);
    EXPECT_FALSE(w.Img("Image1").canvas.calls.empty());
    auto drawn = w.Img("Image1").canvas.calls.size();
    for (int s = 0; s < 54; ++s) {
        rig.clock.now += 1;
        form.TimerBaseTimer();
    }
    EXPECT_EQ(form.Count, 1);  // still 22:14:59
    EXPECT_EQ(w.Img("Image1").canvas.calls.size(), drawn);
    rig.clock.now += 1;
    Power(0, 89);
    form.TimerBaseTimer();
    EXPECT_EQ(form.Count, 2);
    EXPECT_EQ(form.Samples[1].Level, 89);
    // The same minute of another hour adds nothing: gaps leave no trace.
    rig.clock.now += 3600;
    form.TimerBaseTimer();
    EXPECT_EQ(form.Count, 2);
    EXPECT_TRUE(rig.LogText().empty());
}

TEST_F(Tick, ALockedLogShowsOneBoxWhileTicksGoOn) {
    rig.log.files[rig.Path("pelmor.log")] = "";
    rig.log.locked[rig.Path("pelmor.log")] = true;
    Measure(rig.clock.now);
    Power(0, 70);
    int nested = 0;
    // While the box is open its modal loop keeps the timer firing; the
    // level keeps changing, so each tick wants to log.
    rig.ui.onMessageBox = [&](const MessageBoxCall&) {
        for (int i = 0; i < 3; ++i) {
            ++nested;
            Power(0, 69 - i);
            rig.clock.now += 60;
            form.TimerBaseTimer();
        }
    };
    form.TimerBaseTimer();
    EXPECT_EQ(rig.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(Panel(1), "電池駆動  67%");
    // The minute step ran in each nested tick; the outer tick, back after
    // the box, finds the minute already sampled.
    EXPECT_EQ(form.Count, 3);
    // The newest change seen counts as logged, not the outer tick's older one.
    EXPECT_EQ(form.LastLoggedLevel, 67);
    rig.ui.onMessageBox = nullptr;
    form.TimerBaseTimer();
    EXPECT_EQ(rig.ui.messageBoxes.size(), 1u);  // nothing new to log
}

TEST_F(Tick, AChangeLoggedWhileTheBoxIsOpenIsNotLoggedAgainAfterIt) {
    const std::string path = rig.Path("pelmor.log");
    rig.log.files[path] = "";
    rig.log.locked[path] = true;
    Measure(rig.clock.now);
    Power(0, 79);
    // The other program lets go of the log while the box is open, and the
    // next tick inside the box logs the next change.
    rig.ui.onMessageBox = [&](const MessageBoxCall&) {
        rig.log.locked[path] = false;
        Power(0, 78);
        rig.clock.now += 1;
        form.TimerBaseTimer();
    };
    form.TimerBaseTimer();
    rig.ui.onMessageBox = nullptr;
    for (int i = 0; i < 3; ++i) {
        rig.clock.now += 1;
        form.TimerBaseTimer();
    }
    EXPECT_EQ(rig.LogText(), "      1,  78,  0\r\n");
    EXPECT_EQ(rig.ui.messageBoxes.size(), 1u);
}
