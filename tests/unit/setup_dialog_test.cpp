// The settings dialog: what OK stores in the main window and writes to the
// settings file at each step, Cancel, and the browse button.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "fakes/Fakes.h"
#include "forms/Main.h"
#include "forms/Setup.h"
#include "platform/Codepage.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

// Short names the test hands out; anything else has none.
struct FakePathNames : IPathNames {
    std::map<std::string, std::string> shortNames;
    std::vector<std::string> asked;
    std::string ShortPathName(const std::string& longPath) override {
        asked.push_back(longPath);
        auto it = shortNames.find(longPath);
        return it == shortNames.end() ? std::string() : it->second;
    }
};

const char kStartPath[] = "C:\\IE\\IEXPLORE.EXE";

struct SetupDialog : ::testing::Test {
    Rig rig;
    TfrmMain form{rig.app};
    FakePathNames names;

    void SetUp() override {
        std::strcpy(form.IePath, kStartPath);
        form.ReloadInterval = 60;
        form.KeyInterval = 10;
    }
    // A dialog opened on the main window's current values, left open.
    std::unique_ptr<TfrmSetup> Open() { return std::make_unique<TfrmSetup>(rig.app, names); }
    FakeWindow& W() { return rig.ui.Form("frmSetup"); }
    std::string Edit(const char* name) { return W().Ctl(name).text; }
    void Type(const std::string& path, const std::string& reload, const std::string& key) {
        W().Ctl("edtIEpath").text = path;
        W().Ctl("edtReload").text = reload;
        W().Ctl("edtKey").text = key;
    }
    // The value of a setup key in the settings file; "-" when it is not there.
    std::string Ini(const char* key) {
        const std::string* v = rig.profile.Value(rig.Path("pelmor.ini"), "setup", key);
        return v ? *v : "-";
    }
};

}  // namespace

TEST_F(SetupDialog, OpensOnTheMainWindowsCurrentValues) {
    // A path in code page 932 bytes: "C:\ﾌﾞﾗｳｻﾞ\起動.EXE".
    std::strcpy(form.IePath, "C:\\\xCC\xDE\xD7\xB3\xBB\xDE\\\x8B\x4E\x93\xAE.EXE");
    form.ReloadInterval = 300;
    form.KeyInterval = -7;
    auto dialog = Open();
    EXPECT_EQ(Edit("edtIEpath"), "C:\\ﾌﾞﾗｳｻﾞ\\起動.EXE");
    EXPECT_EQ(Edit("edtReload"), "300");
    EXPECT_EQ(Edit("edtKey"), "-7");
    EXPECT_FALSE(W().closed);
    EXPECT_TRUE(rig.profile.writes.empty());
}

TEST_F(SetupDialog, OkAtTheMinimumsStoresAndWritesAllThreeInOrderAndCloses) {
    auto dialog = Open();
    Type("D:\\ﾌﾞﾗｳｻﾞ\\IEXPLORE.EXE", "20", "1");
    W().Click("btnOK");
    EXPECT_TRUE(W().closed);
    EXPECT_TRUE(rig.ui.beeps.empty());
    const std::string bytes = "D:\\\xCC\xDE\xD7\xB3\xBB\xDE\\IEXPLORE.EXE";
    EXPECT_STREQ(form.IePath, bytes.c_str());
    EXPECT_EQ(form.ReloadInterval, 20);
    EXPECT_EQ(form.KeyInterval, 1);
    EXPECT_EQ(rig.profile.writes, (std::vector<std::string>{
                                      "setup/iepath=" + bytes, "setup/reload=20", "setup/key=1"}));
    ASSERT_EQ(rig.profile.files.size(), 1u);
    EXPECT_EQ(rig.profile.files.begin()->first, rig.Path("pelmor.ini"));
}

// Each rejection ends the click where it happens: what was read before it
// is stored and written, what comes after it is not even looked at.
TEST(SetupDialogSteps, ARejectionKeepsWhatWasStoredBeforeItAndLooksAtNothingAfter) {
    struct Case {
        const char* what;
        const char* path;
        const char* reload;
        const char* key;
        int beeps, exceptions;
        std::int32_t reloadAfter, keyAfter;
        const char* iniPath;
        const char* iniReload;
        const char* iniKey;
        const char* reloadEdit;
        const char* keyEdit;
    };
    const Case cases[] = {
        {"empty path", "", "abc", "xyz", 1, 0, 60, 10, "-", "-", "-", "abc", "xyz"},
        {"reload 19", "C:\\B.EXE", "19", "xyz", 1, 0, 20, 10, "C:\\B.EXE", "-", "-", "19", "xyz"},
        {"reload negative", "C:\\B.EXE", "-5", "3", 1, 0, 20, 10, "C:\\B.EXE", "-", "-", "-5", "3"},
        {"reload 0", "C:\\B.EXE", "0", "3", 1, 0, 20, 10, "C:\\B.EXE", "-", "-", "0", "3"},
        {"key 0", "C:\\B.EXE", "60", "0", 1, 0, 60, 1, "C:\\B.EXE", "60", "-", "60", "0"},
        {"key negative", "C:\\B.EXE", "45", "-1", 1, 0, 45, 1, "C:\\B.EXE", "45", "-", "45", "-1"},
        {"reload letters", "C:\\B.EXE", "abc", "3", 0, 1, 60, 10, "C:\\B.EXE", "-", "-", "abc", "3"},
        {"key empty", "C:\\B.EXE", "60", "", 0, 1, 60, 10, "C:\\B.EXE", "60", "-", "60", ""},
        {"key letters", "C:\\B.EXE", "25", "ten", 0, 1, 25, 10, "C:\\B.EXE", "25", "-", "25", "ten"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        TfrmMain form(rig.app);
        std::strcpy(form.IePath, kStartPath);
        form.ReloadInterval = 60;
        form.KeyInterval = 10;
        FakePathNames names;
        TfrmSetup dialog(rig.app, names);
        FakeWindow& w = rig.ui.Form("frmSetup");
        w.Ctl("edtIEpath").text = c.path;
        w.Ctl("edtReload").text = c.reload;
        w.Ctl("edtKey").text = c.key;

        w.Click("btnOK");

        EXPECT_FALSE(w.closed);
        EXPECT_EQ(rig.ui.beeps, std::vector<unsigned>(static_cast<std::size_t>(c.beeps), 0x30u));
        EXPECT_EQ(rig.ui.exceptions.size(), static_cast<std::size_t>(c.exceptions));
        EXPECT_EQ(form.ReloadInterval, c.reloadAfter);
        EXPECT_EQ(form.KeyInterval, c.keyAfter);
        EXPECT_STREQ(form.IePath, *c.path ? c.path : kStartPath);
        auto ini = [&](const char* key) {
            const std::string* v = rig.profile.Value(rig.Path("pelmor.ini"), "setup", key);
            return v ? *v : std::string("-");
        };
        EXPECT_EQ(ini("iepath"), c.iniPath);
        EXPECT_EQ(ini("reload"), c.iniReload);
        EXPECT_EQ(ini("key"), c.iniKey);
        EXPECT_EQ(w.Ctl("edtReload").text, c.reloadEdit);
        EXPECT_EQ(w.Ctl("edtKey").text, c.keyEdit);
    }
}

TEST_F(SetupDialog, TheConversionErrorNamesTheTextAndTheProgramCarriesOn) {
    auto dialog = Open();
    Type("C:\\B.EXE", "1分", "3");
    W().Click("btnOK");
    ASSERT_EQ(rig.ui.exceptions.size(), 1u);
    EXPECT_NE(rig.ui.exceptions[0].find("1分"), std::string::npos);
    // The dialog still works: a corrected value goes through.
    W().Ctl("edtReload").text = "90";
    W().Click("btnOK");
    EXPECT_TRUE(W().closed);
    EXPECT_EQ(form.ReloadInterval, 90);
    EXPECT_EQ(form.KeyInterval, 3);
}

TEST_F(SetupDialog, EmptyPathIsResetToTheDefaultWhichASecondOkAccepts) {
    auto dialog = Open();
    Type("", "60", "10");
    W().Click("btnOK");
    EXPECT_EQ(Edit("edtIEpath"), "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    EXPECT_FALSE(W().closed);
    EXPECT_TRUE(rig.profile.writes.empty());
    W().Click("btnOK");
    EXPECT_TRUE(W().closed);
    EXPECT_STREQ(form.IePath, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    EXPECT_EQ(Ini("iepath"), "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    EXPECT_EQ(rig.ui.beeps.size(), 1u);
}

TEST_F(SetupDialog, BlanksAreAPath) {
    auto dialog = Open();
    Type("   ", "60", "10");
    W().Click("btnOK");
    EXPECT_TRUE(W().closed);
    EXPECT_STREQ(form.IePath, "   ");
    EXPECT_EQ(Ini("iepath"), "   ");
    EXPECT_TRUE(rig.ui.beeps.empty());
}

TEST_F(SetupDialog, CancelAfterARejectionLeavesTheMinimumInTheMainWindow) {
    rig.ui.onModal["frmSetup"] = [](FakeWindow& w) {
        w.Ctl("edtReload").text = "19";
        w.Click("btnOK");
        EXPECT_FALSE(w.closed);
        w.Click("btnCancel");
        EXPECT_TRUE(w.closed);
    };
    rig.ui.Main().Click("mnuSetup");
    EXPECT_EQ(form.ReloadInterval, 20);
    EXPECT_EQ(form.KeyInterval, 10);
    EXPECT_EQ(Ini("iepath"), kStartPath);
    EXPECT_EQ(Ini("reload"), "-");
    // The next opening shows the minimum the rejection left.
    rig.ui.onModal["frmSetup"] = [](FakeWindow& w) { EXPECT_EQ(w.Ctl("edtReload").text, "20"); };
    rig.ui.Main().Click("mnuSetup");
}

TEST_F(SetupDialog, CancelAndTheCloseBoxChangeNothing) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "cancel");
        auto dialog = Open();
        Type("C:\\OTHER.EXE", "99", "9");
        if (closeBox) {
            EXPECT_TRUE(W().CloseBox());
        } else {
            W().Click("btnCancel");
            EXPECT_TRUE(W().closed);
        }
        EXPECT_STREQ(form.IePath, kStartPath);
        EXPECT_EQ(form.ReloadInterval, 60);
        EXPECT_EQ(form.KeyInterval, 10);
        EXPECT_TRUE(rig.profile.writes.empty());
        EXPECT_TRUE(rig.ui.beeps.empty());
    }
}

TEST_F(SetupDialog, IntervalsHaveNoUpperBound) {
    auto dialog = Open();
    // 5,000,000 s is more milliseconds than 32 bits hold.
    Type("C:\\B.EXE", "5000000", "2147483647");
    W().Click("btnOK");
    EXPECT_TRUE(W().closed);
    EXPECT_EQ(form.ReloadInterval, 5000000);
    EXPECT_EQ(form.KeyInterval, 2147483647);
    EXPECT_EQ(Ini("reload"), "5000000");
    EXPECT_EQ(Ini("key"), "2147483647");
}

TEST_F(SetupDialog, APathOverTheBufferIsTurnedAwayWhole) {
    // IePath sits last among the window's fields; note what follows it.
    const std::int32_t levelAfter = form.LastReadLevel;
    const std::int32_t sourceAfter = form.LastReadSource;
    struct Case {
        const char* what;
        std::string path;  // UTF-8
        std::size_t bytes;  // in code page 932
        bool accepted;
    };
    std::string wide63, wide64;
    for (int i = 0; i < 63; ++i) wide63 += "鍵";
    wide64 = wide63 + "鍵";
    const Case cases[] = {
        {"127 single bytes", std::string(127, 'a'), 127, true},
        {"128 single bytes", std::string(128, 'a'), 128, false},
        {"63 double-byte and one single", wide63 + "a", 127, true},
        {"64 double-byte", wide64, 128, false},
        {"a very long path", std::string(5000, 'x'), 5000, false},
        {"half-width katakana, one byte each", std::string() + "C:\\" + [] {
             std::string s;
             for (int i = 0; i < 124; ++i) s += "ｱ";
             return s;
         }(), 127, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Utf8ToCp932(c.path).size(), c.bytes);
        std::strcpy(form.IePath, kStartPath);
        rig.profile.writes.clear();
        rig.ui.beeps.clear();
        auto dialog = Open();
        Type(c.path, "60", "10");
        W().Click("btnOK");
        EXPECT_EQ(W().closed, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(std::string(form.IePath), Utf8ToCp932(c.path));
            EXPECT_EQ(rig.profile.writes.size(), 3u);
            EXPECT_TRUE(rig.ui.beeps.empty());
        } else {
            EXPECT_STREQ(form.IePath, kStartPath);
            EXPECT_TRUE(rig.profile.writes.empty());
            EXPECT_EQ(rig.ui.beeps, std::vector<unsigned>{0x30u});
            EXPECT_EQ(Edit("edtIEpath"), c.path);  // kept for the user to shorten
        }
        EXPECT_EQ(form.LastReadLevel, levelAfter);
        EXPECT_EQ(form.LastReadSource, sourceAfter);
    }
}

TEST_F(SetupDialog, BrowsePutsTheShortFormInTheEditAndStoresNothing) {
    const std::string chosen = "C:\\Program Files\\ｲﾝﾀｰﾈｯﾄ ｴｸｽﾌﾟﾛｰﾗ\\IEXPLORE.EXE";
    const std::string chosenBytes = Utf8ToCp932(chosen);
    names.shortNames[chosenBytes] = "C:\\PROGRA~1\\\xB2\xDD\xC0\xB0\xC8~1\\IEXPLORE.EXE";
    auto dialog = Open();
    W().Dlg("OpenDialog").onExecute = [&](std::string& file) {
        file = chosen;
        return true;
    };
    W().Click("SpeedButton1");
    EXPECT_EQ(names.asked, std::vector<std::string>{chosenBytes});
    EXPECT_EQ(Edit("edtIEpath"), "C:\\PROGRA~1\\ｲﾝﾀｰﾈ~1\\IEXPLORE.EXE");
    EXPECT_STREQ(form.IePath, kStartPath);
    EXPECT_TRUE(rig.profile.writes.empty());
    EXPECT_FALSE(W().closed);
    // OK then saves the short form.
    W().Click("btnOK");
    EXPECT_EQ(Ini("iepath"), "C:\\PROGRA~1\\\xB2\xDD\xC0\xB0\xC8~1\\IEXPLORE.EXE");
}

TEST_F(SetupDialog, BrowseWithoutAShortFormKeepsTheLongNameAndCancelKeepsTheEdit) {
    auto dialog = Open();
    std::string next = "C:\\Gone\\IEXPLORE.EXE";
    bool ok = true;
    W().Dlg("OpenDialog").onExecute = [&](std::string& file) {
        file = next;
        return ok;
    };
    W().Click("SpeedButton1");
    EXPECT_EQ(Edit("edtIEpath"), "C:\\Gone\\IEXPLORE.EXE");
    ok = false;
    next = "C:\\Other\\IEXPLORE.EXE";
    W().Click("SpeedButton1");
    EXPECT_EQ(Edit("edtIEpath"), "C:\\Gone\\IEXPLORE.EXE");
    EXPECT_TRUE(rig.profile.writes.empty());
}

// What OK writes is what the next start of the program reads back.
TEST(SetupDialogFile, TheNextStartReadsWhatOkWrote) {
    Rig rig;
    {
        TfrmMain form(rig.app);
        rig.ui.onModal["frmSetup"] = [](FakeWindow& w) {
            // A settings file without the keys: the defaults.
            EXPECT_EQ(w.Ctl("edtIEpath").text, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
            EXPECT_EQ(w.Ctl("edtReload").text, "60");
            EXPECT_EQ(w.Ctl("edtKey").text, "10");
            w.Ctl("edtIEpath").text = "D:\\ﾌﾞﾗｳｻﾞ\\起動.EXE";
            w.Ctl("edtReload").text = "75";
            w.Ctl("edtKey").text = "3";
            w.Click("btnOK");
        };
        rig.ui.Main().Click("mnuSetup");
    }
    rig.ui.onModal.clear();
    TfrmMain next(rig.app);
    EXPECT_STREQ(next.IePath, "D:\\\xCC\xDE\xD7\xB3\xBB\xDE\\\x8B\x4E\x93\xAE.EXE");
    EXPECT_EQ(next.ReloadInterval, 75);
    EXPECT_EQ(next.KeyInterval, 3);
    rig.ui.onModal["frmSetup"] = [](FakeWindow& w) {
        EXPECT_EQ(w.Ctl("edtIEpath").text, "D:\\ﾌﾞﾗｳｻﾞ\\起動.EXE");
        EXPECT_EQ(w.Ctl("edtReload").text, "75");
        EXPECT_EQ(w.Ctl("edtKey").text, "3");
    };
    rig.ui.Main().Click("mnuSetup");
}
