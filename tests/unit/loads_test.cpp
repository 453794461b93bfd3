// The two loads of a measurement: a line of keys typed into the memo, and
// the next page of url.lst opened in the browser.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;
using fake::Rig;
using Result = IBrowser::Result;

namespace {

// A tour of url.lst (none when urls is empty), its box ticked.
struct Tour : Rig {
    fake::Control box, list;
    Settings settings{profile, dir};
    WebTour tour{loads, settings, box, list};
    explicit Tour(const std::string& urls) {
        if (!urls.empty()) Write("url.lst", urls);
        settings.Read();
        tour.LoadUrlList(dir);
        box.checked = true;
    }
};

}  // namespace

TEST(Keys, OneLineATickAndTheMemoEmptiedBeforeTheEleventh) {
    Rig rig;
    fake::Control box, memo;
    memo.name = "Memo1", memo.journal = &rig.journal;
    KeyLoad keys(rig.loads, rig.loads, box, memo);
    auto tick = [&] {
        rig.journal.clear();
        keys.Tick(0x100);
        return rig.journal;
    };
    EXPECT_TRUE(tick().empty()) << "unticked: nothing at all";
    box.checked = true;
    const fake::Journal line = {"forward", "focus Memo1", "type 0123456789"};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(tick(), line) << i;
    EXPECT_EQ(tick(), (fake::Journal{"forward", "focus Memo1", "select all Memo1", "clear Memo1",
                                     "type 0123456789"}));
    // The count stays while the box is unticked.
    box.checked = false;
    tick();
    box.checked = true;
    for (int i = 2; i <= 10; ++i) EXPECT_EQ(tick(), line) << i;
    EXPECT_EQ(tick().size(), 5u);
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
        Tour t(r.file);
        EXPECT_EQ(t.tour.UrlEntries(), r.entries);
        EXPECT_EQ(t.list.items, r.entries);
        EXPECT_EQ(t.tour.Tick(), !r.entries.empty());
    }
}

TEST(UrlList, CodePageBytesAreShownConvertedAndSentAsTheyAre) {
    Tour t("http://\x95\x5C/\n");
    EXPECT_EQ(t.list.items, std::vector<std::string>{"http://表/"});
    t.tour.Tick();
    EXPECT_EQ(t.journal.at(0), "open http://\x95\x5C/ with C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
}

TEST(WebTour, PagesInOrderAWrapAndNoAdvanceWithoutABrowser) {
    Tour t("u0 u1 u2");
    t.box.checked = false;
    EXPECT_FALSE(t.tour.Tick());
    EXPECT_TRUE(t.journal.empty()) << "unticked: nothing at all";
    t.box.checked = true;
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
    for (const auto& k : ticks) {
        t.loads.results = {k.result};
        t.journal.clear();
        EXPECT_TRUE(t.tour.Tick());
        ASSERT_EQ(t.journal.size(), 1u);
        EXPECT_EQ(t.journal[0].substr(0, 7), std::string("open ") + k.opened);
        EXPECT_EQ(t.list.itemIndex, k.selected) << k.opened;
        EXPECT_EQ(t.tour.UrlIndex(), k.next) << k.opened;
    }
}

TEST(WebTour, ATickWhileTheBrowserIsAwaitedDoesNothing) {
    Tour t("u0 u1");
    bool inner = true;
    t.loads.whileOpening = [&] {
        t.loads.whileOpening = nullptr;
        inner = t.tour.Tick();
    };
    EXPECT_TRUE(t.tour.Tick());
    EXPECT_FALSE(inner);
    EXPECT_EQ(t.journal, fake::Journal{"open u0 with C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE"});
    EXPECT_EQ(t.tour.UrlIndex(), 1);
}

TEST(WebTour, TheBrowserPathIsTheOneInForceAtTheTick) {
    Tour t("u0");
    t.settings.StoreIePath("/usr/bin/chromium");
    t.tour.Tick();
    EXPECT_EQ(t.journal.back(), "open u0 with /usr/bin/chromium");
}
