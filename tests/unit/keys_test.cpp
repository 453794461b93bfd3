// The keystroke load: what one tick does, and the ten-line cycle of the memo.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct KeyRig : Rig {
    TfrmMain form{app};
    FakeWindow& w = ui.Main();
    FakeControl& memo = w.Ctl("Memo1");

    KeyRig() {
        activation.version = {4, 0, 2};  // NT 4: a plain foreground call
        form.OsKind = 10;
        activation.shared = &ui.journal;
        keys.journal = &ui.journal;
        activation.calls.clear();
        ui.journal.clear();
    }
    void Tick() { w.Fire("TimerKey"); }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    int Clears() const {
        return static_cast<int>(std::count(ui.journal.begin(), ui.journal.end(), "Clear Memo1"));
    }
    std::vector<std::string> Line() const {
        std::vector<std::string> line;
        for (char c = '0'; c <= '9'; ++c) line.push_back("keybd_event " + std::to_string(int(c)));
        line.push_back("keybd_event 13");
        return line;
    }
};

}  // namespace

TEST(KeystrokeLoad, UntickedBoxMakesNoCallAtAll) {
    KeyRig rig;
    rig.Tick(3);
    EXPECT_TRUE(rig.keys.events.empty());
    EXPECT_TRUE(rig.activation.calls.empty());
    EXPECT_TRUE(rig.ui.journal.empty());
    EXPECT_EQ(rig.memo.focusCount, 0);
    EXPECT_EQ(rig.form.KeyLineCount, 0);
}

TEST(KeystrokeLoad, ATickBringsTheWindowForwardFocusesTheMemoAndTypesOneLine) {
    KeyRig rig;
    rig.w.Ctl("chkKey").checked = true;
    rig.Tick();

    std::vector<std::string> expected{
        "SetForegroundWindow " + std::to_string(rig.form.Window().Handle()),
        "SetFocus Memo1",
    };
    for (const auto& k : rig.Line()) expected.push_back(k);
    EXPECT_EQ(rig.ui.journal, expected);

    ASSERT_EQ(rig.keys.events.size(), 11u);
    for (std::size_t i = 0; i < 11; ++i) {
        const auto& e = rig.keys.events[i];
        EXPECT_EQ(e.vk, i < 10 ? 0x30 + i : 13u) << i;
        EXPECT_EQ(e.scan, 0) << i;
        EXPECT_EQ(e.flags, 0u) << i;  // presses only, no releases
        EXPECT_EQ(e.extra, 0u) << i;
    }
    EXPECT_EQ(rig.form.KeyLineCount, 1);
}

TEST(KeystrokeLoad, LockedFamiliesLiftTheTimeoutBeforeTyping) {
    KeyRig rig;
    rig.form.OsKind = 11;
    rig.w.Ctl("chkKey").checked = true;
    rig.Tick();
    const WindowHandle h = rig.form.Window().Handle();
    std::vector<std::string> expected{
        "GetForegroundLockTimeout",     "SetForegroundLockTimeout 0",
        "SetForegroundWindow " + std::to_string(h),
        "SetForegroundLockTimeout 200000",
        "SetFocus " + std::to_string(h), "SetActiveWindow " + std::to_string(h),
        "SetFocus Memo1",
    };
    for (const auto& k : rig.Line()) expected.push_back(k);
    EXPECT_EQ(rig.ui.journal, expected);
}

TEST(KeystrokeLoad, TheMemoIsEmptiedBeforeTheEleventhLine) {
    KeyRig rig;
    rig.w.Ctl("chkKey").checked = true;
    for (int tick = 1; tick <= 10; ++tick) {
        rig.Tick();
        EXPECT_EQ(rig.form.KeyLineCount, tick);
    }
    EXPECT_EQ(rig.Clears(), 0);
    EXPECT_EQ(rig.keys.events.size(), 110u);

    rig.memo.text = "0123456789\r\n";  // what the memo holds by now, in short
    rig.ui.journal.clear();
    rig.Tick();
    EXPECT_EQ(rig.form.KeyLineCount, 1);
    EXPECT_EQ(rig.memo.text, "");
    std::vector<std::string> expected{
        "SetForegroundWindow " + std::to_string(rig.form.Window().Handle()),
        "SetFocus Memo1",
        "SelectAll Memo1",
        "Clear Memo1",
    };
    for (const auto& k : rig.Line()) expected.push_back(k);
    EXPECT_EQ(rig.ui.journal, expected);
    EXPECT_EQ(rig.keys.events.size(), 121u);

    // The cycle repeats: the next clear comes on the 21st tick.
    rig.ui.journal.clear();
    rig.Tick(9);
    EXPECT_EQ(rig.Clears(), 0);
    EXPECT_EQ(rig.form.KeyLineCount, 10);
    rig.Tick();
    EXPECT_EQ(rig.Clears(), 1);
    EXPECT_EQ(rig.form.KeyLineCount, 1);
}

TEST(KeystrokeLoad, CountCarriesOverWhileTheBoxIsUnticked) {
    KeyRig rig;
    FakeControl& box = rig.w.Ctl("chkKey");
    box.checked = true;
    rig.Tick(4);
    box.checked = false;
    rig.Tick(5);
    EXPECT_EQ(rig.form.KeyLineCount, 4);
    EXPECT_EQ(rig.keys.events.size(), 44u);
    box.checked = true;
    rig.Tick(6);
    EXPECT_EQ(rig.Clears(), 0);
    rig.Tick();  // the seventh tick after rechecking
    EXPECT_EQ(rig.Clears(), 1);
    EXPECT_EQ(rig.form.KeyLineCount, 1);
}

TEST(KeystrokeLoad, ARefusedForegroundSwitchStillTypes) {
    KeyRig rig;
    rig.activation.foregroundResult = false;
    rig.w.Ctl("chkKey").checked = true;
    rig.Tick();
    EXPECT_EQ(rig.keys.events.size(), 11u);
    EXPECT_EQ(rig.memo.focusCount, 1);
    EXPECT_EQ(rig.form.KeyLineCount, 1);
}

TEST(KeystrokeLoad, CountCarriesOverFromOneMeasurementToTheNext) {
    KeyRig rig;
    rig.w.Ctl("chkKey").checked = true;
    rig.w.Click("mnuStart");  // start (the comment dialog closes at once)
    ASSERT_TRUE(rig.w.Tmr("TimerKey").enabled);
    rig.Tick(4);
    rig.w.Click("mnuStart");  // stop
    ASSERT_FALSE(rig.w.Tmr("TimerKey").enabled);
    EXPECT_EQ(rig.form.KeyLineCount, 4);
    rig.w.Click("mnuStart");
    rig.Tick(6);
    EXPECT_EQ(rig.Clears(), 0);
    rig.Tick();
    EXPECT_EQ(rig.Clears(), 1);
    EXPECT_EQ(rig.form.KeyLineCount, 1);
}
