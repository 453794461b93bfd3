// The two loads of a measurement: a line of keys typed into the memo, and
// the next page of url.lst opened in the browser.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/Fakes.h"

using namespace pelmor;
using fake::Rig;
using Result = IBrowser::Result;

namespace {

struct Loads {
    Rig rig;
    std::unique_ptr<TfrmMain> form;
    explicit Loads(const char* urls = nullptr) {
        if (urls) rig.Write("url.lst", urls);
        form = std::make_unique<TfrmMain>(rig.app);
        // The loads' timers run, as during a measurement.
        form->TimerKey.SetEnabled(true);
        form->TimerURL.SetEnabled(true);
    }
    fake::Window& W() { return rig.ui.Form("frmMain"); }
    // The journal of one tick of the timer.
    fake::Journal Tick(const char* timer) {
        rig.journal.clear();
        W().Tick(timer);
        return rig.journal;
    }
};

}  // namespace

TEST(Keys, OneLineATickAndTheMemoEmptiedBeforeTheEleventh) {
    Loads l;
    EXPECT_TRUE(l.Tick("TimerKey").empty()) << "unticked: nothing at all";
    l.W().Ctl("chkKey").checked = true;
    const fake::Journal line = {"forward", "focus Memo1", "type 0123456789"};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(l.Tick("TimerKey"), line) << i;
    EXPECT_EQ(l.Tick("TimerKey"), (fake::Journal{"forward", "focus Memo1", "select all Memo1",
                                                  "clear Memo1", "type 0123456789"}));
    // The count goes on across measurements and a box unticked for a while.
    for (int i = 0; i < 3; ++i) l.W().Click("mnuStart");
    l.W().Ctl("chkKey").checked = false;
    l.Tick("TimerKey");
    l.W().Ctl("chkKey").checked = true;
    for (int i = 2; i <= 10; ++i) EXPECT_EQ(l.Tick("TimerKey"), line) << i;
    EXPECT_EQ(l.Tick("TimerKey").size(), 5u);
}

TEST(UrlList, TokensOfTheFile) {
    const struct {
        const char* name;
        std::string file;
        std::vector<std::string> entries;
    } rows[] = {
        {"no file", "", {}},
        {"white space only", " \t\r\n\v\f", {}},
        {"two on a line, one on the next", "http://a/ http://b/\r\nhttp://c/\n", {"http://a/", "http://b/", "http://c/"}},
        {"duplicates kept", "x x", {"x", "x"}},
        {"256 bytes skipped whole", std::string(256, 'L') + " ok " + std::string(255, 'M'),
         {"ok", std::string(255, 'M')}},
        {"a zero byte ends the entry", std::string("ab\0cd ef", 8), {"ab", "ef"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig rig;
        if (!r.file.empty()) rig.Write("url.lst", r.file);
        TfrmMain form(rig.app);
        EXPECT_EQ(form.UrlCount, static_cast<std::int32_t>(r.entries.size()));
        EXPECT_EQ(form.UrlEntries, r.entries);
        EXPECT_EQ(rig.ui.Form("frmMain").Ctl("lstURL").items, r.entries);
    }
}

TEST(UrlList, CodePageBytesAreShownConvertedAndSentAsTheyAre) {
    Loads l("http://\x95\x5C/\n");
    EXPECT_EQ(l.W().Ctl("lstURL").items, std::vector<std::string>{"http://表/"});
    l.W().Ctl("chkURL").checked = true;
    EXPECT_EQ(l.Tick("TimerURL")[0],
              "open http://\x95\x5C/ with C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
}

TEST(WebTour, PagesInOrderAWrapAndNoAdvanceWithoutABrowser) {
    Loads l("u0 u1 u2");
    EXPECT_TRUE(l.Tick("TimerURL").empty()) << "unticked: nothing at all";
    l.W().Ctl("chkURL").checked = true;
    const struct {
        Result result;
        const char* opened;
        int selected;
        int next;
    } ticks[] = {
        {Result::Opened, "u0", 0, 1},    {Result::NoBrowser, "u1", 0, 1},
        {Result::Opened, "u1", 1, 2},    {Result::Refused, "u2", 2, 0},
        {Result::Opened, "u0", 0, 1},
    };
    for (const auto& t : ticks) {
        l.rig.loads.results = {t.result};
        const fake::Journal j = l.Tick("TimerURL");
        ASSERT_EQ(j.size(), 3u);
        EXPECT_EQ(j[0].substr(0, 7), std::string("open ") + t.opened);
        EXPECT_EQ(j[1], "forward");
        EXPECT_EQ(j[2], "focus Memo1");
        EXPECT_EQ(l.W().Ctl("lstURL").itemIndex, t.selected) << t.opened;
        EXPECT_EQ(l.form->UrlIndex, t.next) << t.opened;
    }
}

TEST(WebTour, ATickWhileTheBrowserIsAwaitedDoesNothing) {
    Loads l("u0 u1");
    l.W().Ctl("chkURL").checked = true;
    l.rig.loads.whileOpening = [&] {
        l.rig.loads.whileOpening = nullptr;
        l.W().Tick("TimerURL");
    };
    l.W().Tick("TimerURL");
    EXPECT_EQ(std::count_if(l.rig.journal.begin(), l.rig.journal.end(),
                            [](const std::string& s) { return s.rfind("open", 0) == 0; }),
              1);
    EXPECT_EQ(l.form->UrlIndex, 1);
}

TEST(WebTour, TheBrowserPathComesFromTheSettings) {
    Loads l("u0");
    l.rig.Write("pelmor.ini", "[setup]\r\niepath=/usr/bin/chromium\r\n");
    l.form->ReadSetup();
    l.W().Ctl("chkURL").checked = true;
    EXPECT_EQ(l.Tick("TimerURL")[0], "open u0 with /usr/bin/chromium");
}
