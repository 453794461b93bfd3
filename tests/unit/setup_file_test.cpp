// The settings and history file: settings and history read by the main
// window's constructor, history and close time saved at close.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fakes/Fakes.h"
#include "forms/Main.h"
#include "platform/posix/IniProfile.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct SetupRig : Rig {
    std::string Ini() const { return Path("pelmor.ini"); }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        profile.Set(Ini(), section, key, value);
    }
    const std::string* Get(const std::string& section, const std::string& key) {
        return profile.Value(Ini(), section, key);
    }
    // A main window built over the current settings file.
    std::unique_ptr<TfrmMain> Open() { return std::make_unique<TfrmMain>(app); }
    std::string Panel(int i) { return ui.Main().Bar().panels.at(static_cast<std::size_t>(i)); }
};

// Keys 0..n-1 of section log, "level source" each.
void History(SetupRig& rig, int n, int firstLevel = 0) {
    for (int i = 0; i < n; ++i) {
        rig.Set("log", std::to_string(i), std::to_string(firstLevel + i) + " " + std::to_string(i % 2));
    }
}

}  // namespace

TEST(SettingsFile, WithoutAFileTheDefaultsApplyAndNothingIsShown) {
    SetupRig rig;
    auto form = rig.Open();
    EXPECT_STREQ(form->IePath, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    EXPECT_EQ(form->ReloadInterval, 60);
    EXPECT_EQ(form->KeyInterval, 10);
    EXPECT_EQ(form->Count, 0);
    EXPECT_EQ(rig.Panel(2), "");
    EXPECT_TRUE(rig.profile.writes.empty());  // reading never creates the file
}

TEST(SettingsFile, SettingsAreReadFromTheSetupSectionWithoutRangeChecks) {
    SetupRig rig;
    rig.Set("setup", "iepath", "D:\\BROWSER\\B.EXE");
    rig.Set("setup", "reload", "5");
    rig.Set("setup", "key", "-3");
    auto form = rig.Open();
    EXPECT_STREQ(form->IePath, "D:\\BROWSER\\B.EXE");
    EXPECT_EQ(form->ReloadInterval, 5);
    EXPECT_EQ(form->KeyInterval, -3);
}

TEST(SettingsFile, AnEmptyPathIsKeptAndALongPathIsCutTo127Bytes) {
    {
        SetupRig rig;
        rig.Set("setup", "iepath", "");
        auto form = rig.Open();
        EXPECT_STREQ(form->IePath, "");
    }
    {
        SetupRig rig;
        rig.Set("setup", "iepath", std::string(300, 'x'));
        auto form = rig.Open();
        EXPECT_EQ(std::string(form->IePath), std::string(127, 'x'));
    }
}

TEST(HistoryLoad, EntriesLoadInOrderMarkedAsPreviousRunUpToTheFirstGap) {
    SetupRig rig;
    rig.Set("log", "0", "87 0");
    rig.Set("log", "1", "80 1");
    rig.Set("log", "3", "70 0");  // after the gap: never read
    auto form = rig.Open();
    ASSERT_EQ(form->Count, 2);
    EXPECT_EQ(form->Samples[0].Level, 87);
    EXPECT_EQ(form->Samples[0].Source, 10);
    EXPECT_EQ(form->Samples[1].Level, 80);
    EXPECT_EQ(form->Samples[1].Source, 11);
}

TEST(HistoryLoad, AnEmptyValueEndsTheLoadLikeAMissingKey) {
    SetupRig rig;
    History(rig, 4);
    rig.Set("log", "2", "");
    auto form = rig.Open();
    EXPECT_EQ(form->Count, 2);
}

TEST(HistoryLoad, FieldsThatDoNotScanKeepTheirZero) {
    SetupRig rig;
    rig.Set("log", "0", "57");
    rig.Set("log", "1", "abc 5");
    rig.Set("log", "2", "44x 1");
    rig.Set("log", "3", "  -5   +1  trailing");
    rig.Set("log", "4", "99999999999 1");
    auto form = rig.Open();
    ASSERT_EQ(form->Count, 5);
    EXPECT_EQ(form->Samples[0].Level, 57);
    EXPECT_EQ(form->Samples[0].Source, 10);
    EXPECT_EQ(form->Samples[1].Level, 0);
    EXPECT_EQ(form->Samples[1].Source, 10);
    EXPECT_EQ(form->Samples[2].Level, 44);
    EXPECT_EQ(form->Samples[2].Source, 10);
    EXPECT_EQ(form->Samples[3].Level, -5);
    EXPECT_EQ(form->Samples[3].Source, 11);
    EXPECT_EQ(form->Samples[4].Level, 2147483647);
    EXPECT_EQ(form->Samples[4].Source, 11);
}

TEST(HistoryLoad, AHandEditedSectionKeepsTheNewest179Entries) {
    SetupRig rig;
    History(rig, 250);  // levels 0..249
    auto form = rig.Open();
    ASSERT_EQ(form->Count, 179);
    EXPECT_EQ(form->Samples[0].Level, 71);
    EXPECT_EQ(form->Samples[0].Source, 11);
    EXPECT_EQ(form->Samples[178].Level, 249);
    EXPECT_EQ(form->Samples[178].Source, 11);
    EXPECT_EQ(form->Samples[179].Level, 0);  // the spare slot stays untouched

    // The first sample of the run follows the newest entry and slides.
    form->AppendSample(50, 0);
    EXPECT_EQ(form->Count, 150);
    EXPECT_EQ(form->Samples[0].Level, 101);
    EXPECT_EQ(form->Samples[148].Level, 249);
    EXPECT_EQ(form->Samples[149].Level, 50);
}

TEST(HistoryLoad, ExactlyAFullSaveLoadsWhole) {
    SetupRig rig;
    History(rig, 179, 1);
    auto form = rig.Open();
    ASSERT_EQ(form->Count, 179);
    EXPECT_EQ(form->Samples[0].Level, 1);
    EXPECT_EQ(form->Samples[178].Level, 179);
}

TEST(ElapsedSinceClose, PanelTwoShowsHoursMinutesSecondsSinceTheLastClose) {
    struct Case {
        std::int32_t before;  // seconds between endtime and now
        const char* text;
    };
    const Case cases[] = {
        {3600 + 2 * 60 + 5, " 前回の電源断から 1:02:05経過"},
        {100 * 3600, " 前回の電源断から 100:00:00経過"},
        {59, " 前回の電源断から 0:00:59経過"},
        {-30, " 前回の電源断から 0:00:-30経過"},
        {-(3600 + 61), " 前回の電源断から -1:-1:-1経過"},
    };
    for (const Case& c : cases) {
        SetupRig rig;
        rig.Set("log", "endtime", std::to_string(rig.clock.now - c.before));
        auto form = rig.Open();
        EXPECT_EQ(rig.Panel(2), c.text) << c.before;
    }
}

TEST(ElapsedSinceClose, NoPositiveEndTimeLeavesPanelTwoEmpty) {
    for (const char* value : {"0", "-5", "", "none"}) {
        SetupRig rig;
        rig.Set("log", "endtime", value);
        auto form = rig.Open();
        EXPECT_EQ(rig.Panel(2), "") << value;
    }
}

TEST(HistorySave, WritesEntriesTerminatorAndCloseTimeInOrder) {
    SetupRig rig;
    rig.Set("log", "0", "80 1");
    auto form = rig.Open();
    form->AppendSample(79, 0);
    form->AppendSample(78, 1);
    rig.clock.now += 120;
    form->SaveHistory();
    const std::string endtime = "log/endtime=" + std::to_string(rig.clock.now);
    EXPECT_EQ(rig.profile.writes,
              (std::vector<std::string>{"log/0=80 1", "log/1=79 0", "log/2=78 1", "log/3=", endtime}));
    // The marks come off in memory too.
    EXPECT_EQ(form->Samples[0].Source, 1);
    EXPECT_TRUE(rig.profile.Find(rig.Ini(), "setup") == nullptr);
}

TEST(HistorySave, AnEmptyHistoryWritesTheTerminatorZero) {
    SetupRig rig;
    auto form = rig.Open();
    form->SaveHistory();
    ASSERT_EQ(rig.profile.writes.size(), 2u);
    EXPECT_EQ(rig.profile.writes[0], "log/0=");
}

TEST(HistorySave, CodesAboveTheMarkLoseOnlyOneMark) {
    SetupRig rig;
    rig.Set("log", "0", "50 10");
    auto form = rig.Open();
    EXPECT_EQ(form->Samples[0].Source, 20);
    form->SaveHistory();
    EXPECT_EQ(*rig.Get("log", "0"), "50 10");
}

TEST(HistorySave, AShorterSaveLeavesStaleKeysThatTheNextLoadNeverReaches) {
    SetupRig rig;
    History(rig, 170, 1);
    rig.Set("log", "170", "");  // the earlier save's terminator
    auto form = rig.Open();
    ASSERT_EQ(form->Count, 170);
    for (int i = 0; i < 10; ++i) form->AppendSample(50, 0);  // 180 -> slides to 150
    ASSERT_EQ(form->Count, 150);
    form->SaveHistory();
    EXPECT_EQ(*rig.Get("log", "149"), "50 0");
    EXPECT_EQ(*rig.Get("log", "150"), "");
    ASSERT_NE(rig.Get("log", "169"), nullptr);
    EXPECT_EQ(*rig.Get("log", "151"), "152 1");  // unchanged from the earlier save
    EXPECT_EQ(*rig.Get("log", "169"), "170 1");
    EXPECT_EQ(*rig.Get("log", "170"), "");
    form.reset();

    auto next = rig.Open();
    EXPECT_EQ(next->Count, 150);
    EXPECT_EQ(next->Samples[0].Level, 31);
    EXPECT_EQ(next->Samples[149].Source, 10);
}

// The whole round on a real file through IniProfile: a run's history comes
// back marked in the next run and goes out unmarked again.
TEST(HistoryFile, SurvivesARestartOnARealFile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelmor-setup-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path dir = pattern;
    IniProfile ini;
    Rig rig;
    Services services{rig.ui, rig.clock, rig.power, rig.log, ini, rig.keys, rig.dde, rig.activation};
    TApplication app{services};
    rig.ui.exeName = (dir / "pelmor.exe").string();
    const std::string iniPath = (dir / "pelmor.ini").string();
    {
        std::ofstream f(iniPath, std::ios::binary);
        f << "[setup]\r\niepath=C:\\IE.EXE\r\nreload=30\r\n";
    }
    {
        TfrmMain first(app);
        first.AppendSample(90, 0);
        first.AppendSample(89, 1);
        bool canClose = true;
        first.FormCloseQuery(canClose);
    }
    rig.clock.now += 3 * 3600 + 4 * 60 + 5;
    {
        TfrmMain second(app);
        EXPECT_STREQ(second.IePath, "C:\\IE.EXE");
        EXPECT_EQ(second.ReloadInterval, 30);
        EXPECT_EQ(second.KeyInterval, 10);
        ASSERT_EQ(second.Count, 2);
        EXPECT_EQ(second.Samples[0].Level, 90);
        EXPECT_EQ(second.Samples[0].Source, 10);
        EXPECT_EQ(second.Samples[1].Source, 11);
        EXPECT_EQ(rig.ui.Main().Bar().panels[2], " 前回の電源断から 3:04:05経過");
    }
    std::ifstream f(iniPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "[setup]\r\niepath=C:\\IE.EXE\r\nreload=30\r\n[log]\r\n0=90 0\r\n1=89 1\r\n2=\r\n"
                     "endtime=" + std::to_string(rig.clock.now - (3 * 3600 + 4 * 60 + 5)) + "\r\n");
    std::filesystem::remove_all(dir);
}
