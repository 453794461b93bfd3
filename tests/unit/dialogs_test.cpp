// The settings dialog, opened from the main window's menu.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;
using fake::Rig;

namespace {

struct Dialog {
    Rig rig;
    TfrmMain form{rig.app};
    // Opens the settings dialog, lets act do what a user does in it, and
    // tells whether it closed by itself (else its close box closes it).
    bool Setup(const std::function<void(fake::Window&)>& act) {
        bool closed = false;
        rig.ui.onModal["frmSetup"] = [&](fake::Window& d) {
            act(d);
            closed = d.closed;
        };
        rig.ui.Form("frmMain").Click("mnuSetup");
        return closed;
    }
};

}  // namespace

TEST(SetupDialog, ShowsTheSettings) {
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\\x95\x5C\\ie.exe", "C:\\表\\ie.exe"},
        {std::string(127, 'p'), std::string(127, 'p')},
        {std::string(130, 'p'), std::string(127, 'p')},
    };
    for (const auto& row : rows) {
        Dialog d;
        d.rig.Write("pelmor.ini", "[setup]\r\niepath=" + row.first + "\r\nreload=30\r\n");
        d.form.ReadSetup();
        d.Setup([&](fake::Window& w) {
            EXPECT_EQ(w.Ctl("edtIEpath").text, row.second);
            EXPECT_EQ(w.Ctl("edtReload").text, "30");
            EXPECT_EQ(w.Ctl("edtKey").text, "10");
            EXPECT_EQ(w.tabs, (std::vector<std::string>{"edtIEpath", "edtReload", "edtKey", "btnOK", "btnCancel"}));
        });
    }
}

TEST(SetupDialog, TheSystemsBrowserWhereTheFileNamesNone) {
    for (const char* ini : {"", "[setup]\r\niepath=ie.exe\r\n"}) {
        Rig rig;
        rig.loads.systemBrowser = "C:\\e\\msedge.exe";
        rig.Write("pelmor.ini", ini);
        TfrmMain form{rig.app};
        form.ReadSetup();
        std::string shown;
        rig.ui.onModal["frmSetup"] = [&](fake::Window& w) { shown = w.Ctl("edtIEpath").text; };
        rig.ui.Form("frmMain").Click("mnuSetup");
        EXPECT_EQ(shown, *ini ? "ie.exe" : "C:\\e\\msedge.exe");
    }
}

TEST(SetupDialog, OkStoresAndWritesEachValueThatPassesItsTest) {
    const struct {
        const char* name;
        std::string path, reload, key;
        bool closes;
        const char* ini;                // the file afterwards
        std::int32_t reloadNow, keyNow;  // what the program uses now
        const char* editedPath;
    } rows[] = {
        {"all good", "C:\\表\\ie.exe", "20", "1", true,
         "[setup]\r\niepath=C:\\\x95\x5C\\ie.exe\r\nreload=20\r\nkey=1\r\n", 20, 1, nullptr},
        {"empty path", "", "30", "5", false, "", 60, 10, Settings::kDefaultIePath},
        {"path too long", std::string(128, 'x'), "30", "5", false, "", 60, 10, nullptr},
        {"path of 127 bytes", std::string(127, 'x'), "30", "5", true, nullptr, 30, 5, nullptr},
        {"web interval too short", "ie.exe", "19", "5", false, "[setup]\r\niepath=ie.exe\r\n", 20,
         10, nullptr},
        {"key interval too short", "ie.exe", "25", "0", false,
         "[setup]\r\niepath=ie.exe\r\nreload=25\r\n", 25, 1, nullptr},
        {"not a number", "ie.exe", "2x", "5", false, "[setup]\r\niepath=ie.exe\r\n", 60, 10, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Dialog d;
        const bool closed = d.Setup([&](fake::Window& w) {
            w.Ctl("edtIEpath").text = r.path;
            w.Ctl("edtReload").text = r.reload;
            w.Ctl("edtKey").text = r.key;
            w.Click("btnOK");
            if (r.editedPath) { EXPECT_EQ(w.Ctl("edtIEpath").text, r.editedPath); }
        });
        EXPECT_EQ(closed, r.closes);
        // A rejection beeps, or shows the conversion error.
        EXPECT_EQ(d.rig.Find("beep") != -1 || d.rig.Find("exception") != -1, !r.closes);
        if (r.ini) { EXPECT_EQ(d.rig.Read("pelmor.ini"), r.ini); }
        EXPECT_EQ(d.form.settings.ReloadInterval, r.reloadNow);
        EXPECT_EQ(d.form.settings.KeyInterval, r.keyNow);
    }
}

TEST(SetupDialog, CancelAndTheCloseBoxChangeNothing) {
    for (const char* button : {"btnCancel", ""}) {
        Dialog d;
        const bool closed = d.Setup([&](fake::Window& w) {
            w.Ctl("edtReload").text = "99";
            if (*button) w.Click(button);
        });
        EXPECT_EQ(closed, *button != '\0');
        EXPECT_EQ(d.form.settings.ReloadInterval, 60);
        EXPECT_EQ(d.rig.Read("pelmor.ini"), "");
    }
}

TEST(SetupDialog, BrowseGivesTheShortNameOfTheChosenFile) {
    const std::pair<std::string, std::string> rows[] = {
        {"/programs/browser.exe", "SHORT~1.EXE"},  // the short form
        {"/a.exe", "/a.exe"},                       // none to be had: as chosen
        {"", "before"},                             // cancelled
    };
    for (const auto& row : rows) {
        Dialog d;
        d.Setup([&](fake::Window& w) {
            w.Ctl("edtIEpath").text = "before";
            w.dialogs["OpenDialog"]->chosen = row.first;
            w.Click("SpeedButton1");
            EXPECT_EQ(w.Ctl("edtIEpath").text, row.second) << row.first;
        });
    }
}
