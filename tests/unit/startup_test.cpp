// Start-up and the main window as it stands after construction.
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

TEST(Startup, RunsTheFrameworkStepsInOrderAndReleasesTheMutex) {
    Rig rig;
    FakeMutex mutex;
    int code = PelmorMain(mutex, rig.app);
    EXPECT_EQ(code, 0);
    ASSERT_GE(rig.ui.journal.size(), 4u);
    EXPECT_EQ(rig.ui.journal[0], "Initialize");
    EXPECT_EQ(rig.ui.journal[1], "Title Pelmor");
    EXPECT_EQ(rig.ui.journal[2], "CreateForm frmMain");
    EXPECT_EQ(rig.ui.journal.back(), "Run");
    EXPECT_EQ(mutex.calls, (std::vector<std::string>{"CreateMutexA 1 ravoshu-pelmor", "ReleaseMutex 68"}));
    EXPECT_EQ(mutex.sa.nLength, 12u);
    EXPECT_EQ(mutex.sa.lpSecurityDescriptor, nullptr);
    EXPECT_EQ(mutex.sa.bInheritHandle, 1);
    EXPECT_NE(frmMain, nullptr);
}

TEST(Startup, NullMutexBeepsAndEndsWithoutAWindow) {
    Rig rig;
    FakeMutex mutex;
    mutex.handle = 0;
    EXPECT_EQ(PelmorMain(mutex, rig.app), -1);
    EXPECT_EQ(mutex.calls, (std::vector<std::string>{"CreateMutexA 1 ravoshu-pelmor", "MessageBeep 48"}));
    EXPECT_TRUE(rig.ui.journal.empty());
    EXPECT_EQ(rig.ui.formsCreated, 0);
}

TEST(Startup, FrameworkExceptionFromTheLoopIsShownAndTheMutexReleased) {
    Rig rig;
    FakeMutex mutex;
    rig.ui.onRun = [] { throw Exception("loop failed"); };
    EXPECT_EQ(PelmorMain(mutex, rig.app), 0);
    ASSERT_EQ(rig.ui.exceptions.size(), 1u);
    EXPECT_EQ(rig.ui.exceptions[0], "loop failed");
    EXPECT_EQ(mutex.calls.back(), "ReleaseMutex 68");
}

TEST(MainWindow, StartsIdleWithEveryFieldAtItsInitialValue) {
    Rig rig;
    TfrmMain form(rig.app);
    EXPECT_EQ(frmMain, &form);
    EXPECT_EQ(form.GraphWorld.left, -2.0);
    EXPECT_EQ(form.GraphWorld.top, 105.0);
    EXPECT_EQ(form.GraphWorld.right, 182.0);
    EXPECT_EQ(form.GraphWorld.bottom, -5.0);
    EXPECT_EQ(form.GraphView.left, 0);
    EXPECT_EQ(form.GraphView.top, 0);
    EXPECT_EQ(form.GraphView.right, 353);
    EXPECT_EQ(form.GraphView.bottom, 97);
    EXPECT_EQ(form.Count, 0);
    EXPECT_EQ(form.LastMinute, -1);
    EXPECT_EQ(form.Measuring, 0);
    EXPECT_EQ(form.LastLoggedLevel, -1);
    EXPECT_EQ(form.LastLoggedSource, -1);
    EXPECT_EQ(form.KeyLineCount, 0);
    EXPECT_EQ(form.UrlIndex, 0);
    EXPECT_EQ(form.UrlCount, 0);
    EXPECT_EQ(form.LogClosed, 0);

    FakeWindow& w = rig.ui.Main();
    EXPECT_TRUE(w.visible);
    EXPECT_EQ(w.Item("mnuStart").caption, "計測開始(&S)");
    EXPECT_TRUE(w.Item("mnuSetup").enabled);
    EXPECT_FALSE(w.Ctl("chkKey").checked);
    EXPECT_FALSE(w.Ctl("chkURL").checked);
    EXPECT_EQ(w.Ctl("lstURL").items.size(), 0u);
    EXPECT_EQ(w.Bar().panels, (std::vector<std::string>{"", "", ""}));
    EXPECT_TRUE(w.Tmr("TimerBase").enabled);
    EXPECT_EQ(w.Tmr("TimerBase").interval, 1000u);
    EXPECT_FALSE(w.Tmr("TimerKey").enabled);
    EXPECT_EQ(w.Tmr("TimerKey").interval, 1000u);
    EXPECT_FALSE(w.Tmr("TimerURL").enabled);
    EXPECT_EQ(w.Tmr("TimerURL").interval, 30000u);
    // The constructor draws nothing.
    EXPECT_TRUE(w.Img("Image1").canvas.calls.empty());
}

TEST(MainWindow, EachDialogOpeningIsAFreshForm) {
    Rig rig;
    TfrmMain form(rig.app);
    int shown = 0;
    rig.ui.onModal["frmAbout"] = [&](FakeWindow& about) {
        ++shown;
        about.Click("btnOK");
        EXPECT_TRUE(about.closed);
    };
    rig.ui.Main().Click("S1");
    rig.ui.Main().Click("S1");
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(rig.ui.formsCreated, 3);
    EXPECT_EQ(rig.ui.windows.size(), 1u);  // both about boxes destroyed
}

TEST(Paths, ProgramDirIsTheExecutablesFolderEvenWithDoubleByteNames) {
    EXPECT_EQ(ExtractFileDir("C:\\Pelmor\\pelmor.exe"), "C:\\Pelmor");
    EXPECT_EQ(ExtractFileDir("C:\\pelmor.exe"), "C:");
    EXPECT_EQ(ExtractFileDir("pelmor.exe"), "");
    EXPECT_EQ(ExtractFileDir("/opt/pelmor/pelmor"), "/opt/pelmor");
}
