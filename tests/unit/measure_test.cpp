// Starting and stopping measurements from the menu, and closing the window.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct MeasureRig : Rig {
    std::unique_ptr<TfrmMain> form = std::make_unique<TfrmMain>(app);
    int commentsShown = 0;

    MeasureRig() {
        // By default the user types nothing and presses the button.
        ui.onModal["frmComment"] = [this](FakeWindow& dlg) {
            ++commentsShown;
            dlg.Click("btnOK");
        };
    }
    FakeWindow& W() { return ui.Main(); }
    FakeTimer& Timer(const char* name) { return W().Tmr(name); }
    void Menu() { W().Click("mnuStart"); }
    void Tick() { W().Fire("TimerBase"); }
    bool Close() { return W().CloseBox(); }
    std::string Ini(const std::string& key) {
        const std::string* v = profile.Value(Path("pelmor.ini"), "log", key);
        return v ? *v : "<missing>";
    }
};

const std::string kEndLine = "      0,   0,  2\r\n";

}  // namespace

TEST(Measurement, StartShowsTheCommentDialogThenStartsTheLoadTimers) {
    MeasureRig rig;
    rig.clock.now = 1700000100;
    rig.ui.onModal["frmComment"] = [&](FakeWindow& dlg) {
        ++rig.commentsShown;
        EXPECT_TRUE(dlg.modal);
        EXPECT_EQ(rig.form->Measuring, 0);  // nothing starts before the dialog closes
        EXPECT_FALSE(rig.Timer("TimerKey").enabled);
        rig.clock.now += 7;  // the user takes a while
        dlg.Click("btnOK");
    };
    rig.Menu();
    EXPECT_EQ(rig.commentsShown, 1);
    EXPECT_THROW(rig.ui.Form("frmComment"), std::out_of_range);  // destroyed again
    EXPECT_EQ(StartTime, 1700000107);
    EXPECT_EQ(rig.form->Measuring, 1);
    EXPECT_EQ(rig.W().Item("mnuStart").caption, "計測終了(&E)");
    EXPECT_FALSE(rig.W().Item("mnuSetup").enabled);
    EXPECT_TRUE(rig.W().Item("S1").enabled);
    EXPECT_TRUE(rig.W().Item("mnuExit").enabled);
    EXPECT_TRUE(rig.Timer("TimerKey").enabled);
    EXPECT_TRUE(rig.Timer("TimerURL").enabled);
    EXPECT_EQ(rig.Timer("TimerKey").interval, 10000u);
    EXPECT_EQ(rig.Timer("TimerURL").interval, 60000u);
    EXPECT_TRUE(rig.Timer("TimerBase").enabled);
}

TEST(Measurement, TheIntervalsComeFromTheSettingsInForceAtEachStart) {
    MeasureRig rig;
    rig.form->ReloadInterval = 20;
    rig.form->KeyInterval = 1;
    rig.Menu();
    EXPECT_EQ(rig.Timer("TimerURL").interval, 20000u);
    EXPECT_EQ(rig.Timer("TimerKey").interval, 1000u);
    rig.Menu();

    // Settings from a hand-edited file: none or negative never fire, huge
    // ones are held at the longest interval.
    rig.form->ReloadInterval = 0;
    rig.form->KeyInterval = -5;
    rig.Menu();
    EXPECT_EQ(rig.Timer("TimerURL").interval, 0u);
    EXPECT_EQ(rig.Timer("TimerKey").interval, 0u);
    rig.Menu();
    rig.form->ReloadInterval = 5000000;
    rig.form->KeyInterval = 2147483647;
    rig.Menu();
    EXPECT_EQ(rig.Timer("TimerURL").interval, 4294967295u);
    EXPECT_EQ(rig.Timer("TimerKey").interval, 4294967295u);
}

TEST(Measurement, StopEndsTheLoadAndClearsTheElapsedTimeWithoutLogging) {
    MeasureRig rig;
    rig.Menu();
    rig.clock.now += 65;
    rig.Tick();
    EXPECT_EQ(rig.W().Bar().panels[0], "   0:01:05");
    const std::string logBefore = rig.LogText();

    rig.Menu();
    EXPECT_EQ(rig.commentsShown, 1);  // a stop shows no dialog
    EXPECT_EQ(rig.form->Measuring, 0);
    EXPECT_EQ(rig.W().Item("mnuStart").caption, "計測開始(&S)");
    EXPECT_TRUE(rig.W().Item("mnuSetup").enabled);
    EXPECT_FALSE(rig.Timer("TimerKey").enabled);
    EXPECT_FALSE(rig.Timer("TimerURL").enabled);
    EXPECT_EQ(rig.W().Bar().panels[0], "");
    EXPECT_EQ(rig.LogText(), logBefore);

    rig.clock.now += 5;
    rig.power.status.BatteryLifePercent = 50;
    rig.Tick();  // idle: panel 0 and the log stay as they are
    EXPECT_EQ(rig.W().Bar().panels[0], "");
    EXPECT_EQ(rig.LogText(), logBefore);
}

TEST(Measurement, OnlyTheExactStartCaptionStarts) {
    MeasureRig rig;
    rig.W().Item("mnuStart").caption = "計測開始(&S) ";
    rig.Menu();
    EXPECT_EQ(rig.commentsShown, 0);
    EXPECT_EQ(rig.form->Measuring, 0);
    EXPECT_EQ(rig.W().Item("mnuStart").caption, "計測開始(&S)");
    rig.Menu();
    EXPECT_EQ(rig.commentsShown, 1);
    EXPECT_EQ(rig.form->Measuring, 1);
}

TEST(Measurement, ClosingTheDialogWithItsCloseBoxStartsWithoutAHeader) {
    MeasureRig rig;
    rig.ui.onModal["frmComment"] = [&](FakeWindow& dlg) {
        dlg.Ctl("edtComment").text = "never written";
        dlg.CloseBox();
    };
    rig.Menu();
    EXPECT_EQ(rig.form->Measuring, 1);
    EXPECT_EQ(rig.LogText(), "");
    rig.Tick();
    EXPECT_EQ(rig.LogText(), "      0,  80,  0\r\n");
}

TEST(Measurement, TwoMeasurementsInARunShareTheLogAndTheLastLoggedValues) {
    MeasureRig rig;
    std::string comment = "first";
    rig.ui.onModal["frmComment"] = [&](FakeWindow& dlg) {
        dlg.Ctl("edtComment").text = comment;
        dlg.Click("btnOK");
    };
    rig.Menu();
    rig.clock.now += 3;
    rig.Tick();
    rig.Menu();
    rig.clock.now += 3600;
    comment = "second";
    rig.Menu();
    rig.clock.now += 2;
    rig.Tick();  // same level and source: no line
    rig.power.status.BatteryLifePercent = 79;
    rig.clock.now += 1;
    rig.Tick();
    EXPECT_EQ(rig.LogText(),
              "\r\n' Tue Nov 14 22:13:20 2023\r\n' first\r\n"
              "      3,  80,  0\r\n"
              "\r\n' Tue Nov 14 23:13:23 2023\r\n' second\r\n"
              "      3,  79,  0\r\n");
}

TEST(CloseQuery, ClosingWhileMeasuringWritesTheEndLineOnceAndSaves) {
    MeasureRig rig;
    rig.Menu();
    rig.clock.now += 10;
    rig.Tick();
    EXPECT_TRUE(rig.Close());
    EXPECT_EQ(rig.form->LogClosed, 1);
    EXPECT_EQ(rig.form->Measuring, 1);  // the close stops nothing
    EXPECT_TRUE(rig.Timer("TimerKey").enabled);
    const std::string log = rig.LogText();
    ASSERT_GE(log.size(), kEndLine.size());
    EXPECT_EQ(log.substr(log.size() - kEndLine.size()), kEndLine);
    EXPECT_EQ(rig.Ini("endtime"), std::to_string(rig.clock.now));

    // A tick that still comes before the window is gone adds nothing.
    rig.power.status.BatteryLifePercent = 40;
    rig.Tick();
    bool canClose = true;
    rig.form->FormCloseQuery(canClose);
    EXPECT_EQ(rig.LogText(), log);
}

TEST(CloseQuery, ClosingWhenIdleOrAfterAStopOnlySaves) {
    {
        MeasureRig rig;
        EXPECT_TRUE(rig.Close());
        EXPECT_EQ(rig.log.opens, 0);
        EXPECT_EQ(rig.form->LogClosed, 0);
        EXPECT_EQ(rig.Ini("endtime"), std::to_string(rig.clock.now));
    }
    {
        MeasureRig rig;
        rig.Menu();
        rig.Tick();
        rig.Menu();
        const std::string log = rig.LogText();
        rig.clock.now += 60;
        rig.Tick();  // a new minute: a second history sample
        EXPECT_TRUE(rig.Close());
        EXPECT_EQ(rig.LogText(), log);
        EXPECT_EQ(rig.Ini("0"), "80 0");
        EXPECT_EQ(rig.Ini("1"), "80 0");
        EXPECT_EQ(rig.Ini("2"), "");
    }
}

TEST(CloseQuery, NeverChangesTheCanCloseFlag) {
    MeasureRig rig;
    bool canClose = true;
    rig.form->FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    rig.Menu();
    bool refused = false;
    rig.form->FormCloseQuery(refused);
    EXPECT_FALSE(refused);
}

TEST(CloseQuery, AnEndLineThatCannotBeWrittenStillClosesTheLogAndSaves) {
    MeasureRig rig;
    rig.Menu();
    rig.log.locked[rig.Path("pelmor.log")] = true;
    EXPECT_TRUE(rig.Close());
    EXPECT_EQ(rig.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(rig.form->LogClosed, 1);
    EXPECT_EQ(rig.Ini("endtime"), std::to_string(rig.clock.now));
}
