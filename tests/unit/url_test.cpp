// The URL list file and the web-page tick.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <stdlib.h>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;
namespace fs = std::filesystem;

namespace {

// A fresh folder holding the program, with or without a url.lst.
class ProgramFolder {
public:
    ProgramFolder() {
        std::string pattern = (fs::temp_directory_path() / "pelmor-url-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        dir_ = pattern;
    }
    ~ProgramFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void Write(const std::string& bytes) const {
        std::ofstream out(dir_ / "url.lst", std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string Exe() const { return (dir_ / "pelmor.exe").string(); }

private:
    fs::path dir_;
};

struct UrlRig : Rig {
    ProgramFolder folder;
    std::unique_ptr<TfrmMain> form;

    explicit UrlRig(const std::string* list) {
        ui.exeName = folder.Exe();
        if (list) folder.Write(*list);
        form = std::make_unique<TfrmMain>(app);
    }
    FakeWindow& W() { return ui.Main(); }
    FakeControl& List() { return W().Ctl("lstURL"); }
    std::vector<std::string> Items() { return List().items; }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) W().Fire("TimerURL");
    }
    void Tour(bool on) { W().Ctl("chkURL").checked = on; }
};

UrlRig Loaded(const std::string& list) { return UrlRig(&list); }

using Lines = std::vector<std::string>;

}  // namespace

// --- reading url.lst -------------------------------------------------------

TEST(UrlList, TokensInFileOrderWhateverTheLines) {
    const std::string list = "http://a.example/ http://b.example/\nhttp://c.example/\n";
    UrlRig rig(&list);
    EXPECT_EQ(rig.form->UrlCount, 3);
    EXPECT_EQ(rig.Items(), (Lines{"http://a.example/", "http://b.example/", "http://c.example/"}));
    EXPECT_EQ(rig.form->UrlEntries, rig.Items());
    EXPECT_EQ(rig.List().itemIndex, -1);
    EXPECT_EQ(rig.form->UrlIndex, 0);
}

TEST(UrlList, EveryWhiteSpaceSeparatesAndNoneIsKept) {
    const std::string list = "\r\n  a\tb\r\nc\vd\fe  \n\n\t f";
    UrlRig rig(&list);
    EXPECT_EQ(rig.Items(), (Lines{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(rig.form->UrlCount, 6);
}

TEST(UrlList, DuplicatesMakeAnEntryEach) {
    const std::string list = "x y x\nx\n";
    UrlRig rig(&list);
    EXPECT_EQ(rig.Items(), (Lines{"x", "y", "x", "x"}));
}

TEST(UrlList, NothingToReadLeavesTheListEmpty) {
    const std::string empty, blank = " \t\r\n\v\f\n\n   ";
    for (const std::string* list : {static_cast<const std::string*>(nullptr), &empty, &blank}) {
        UrlRig rig(list);
        EXPECT_EQ(rig.form->UrlCount, 0);
        EXPECT_TRUE(rig.Items().empty());
        EXPECT_TRUE(rig.form->UrlEntries.empty());
        // Ticks then do nothing, even with the box ticked.
        rig.Tour(true);
        rig.activation.calls.clear();
        rig.Tick(3);
        EXPECT_TRUE(rig.dde.journal.empty());
        EXPECT_TRUE(rig.activation.calls.empty());
        EXPECT_EQ(rig.W().Ctl("Memo1").focusCount, 0);
    }
}

TEST(UrlList, AFolderNamedUrlLstIsNoList) {
    ProgramFolder folder;
    Rig rig;
    rig.ui.exeName = folder.Exe();
    fs::create_directories(fs::path(folder.Exe()).parent_path() / "url.lst");
    TfrmMain form(rig.app);
    EXPECT_EQ(form.UrlCount, 0);
}

TEST(UrlList, TooLongTokensAreSkippedWholeAndTheRestLoads) {
    const std::string max(255, 'm'), over(256, 'o'), huge(5000, 'h');
    const std::string list = "first " + max + " " + over + "\n" + huge + " second\n" +
                             std::string(300, 'z') + "\nthird " + over;  // no final newline
    UrlRig rig(&list);
    EXPECT_EQ(rig.Items(), (Lines{"first", max, "second", "third"}));
    EXPECT_EQ(rig.form->UrlCount, 4);
}

TEST(UrlList, DoubleByteTextIsShownConvertedAndKeptAsBytes) {
    // "http://例.jp/表ﾃｽﾄ" in code page 932; 表 ends in 0x5C.
    const std::string bytes = "http://\x97\xe1.jp/\x95\x5c\xc3\xbd\xc4";
    const std::string list = bytes + "\r\nplain\r\n";
    UrlRig rig(&list);
    EXPECT_EQ(rig.Items(), (Lines{"http://例.jp/表ﾃｽﾄ", "plain"}));
    EXPECT_EQ(rig.form->UrlEntries, (Lines{bytes, "plain"}));

    rig.Tour(true);
    rig.Tick();
    EXPECT_EQ(rig.dde.commands, (Lines{bytes}));
}

TEST(UrlList, AZeroByteEndsTheEntryText) {
    const std::string list = std::string("abc\0def ghi\n", 12);
    UrlRig rig(&list);
    EXPECT_EQ(rig.form->UrlEntries, (Lines{"abc", "ghi"}));
}

TEST(UrlList, HasNoCountLimit) {
    std::string list;
    for (int i = 0; i < 100000; ++i) list += "http://host/" + std::to_string(i) + "\n";
    UrlRig rig(&list);
    ASSERT_EQ(rig.form->UrlCount, 100000);
    EXPECT_EQ(rig.Items().back(), "http://host/99999");
    EXPECT_EQ(rig.Items()[4242], "http://host/4242");
}

TEST(UrlList, RandomBytesLoadWithoutHarm) {
    std::mt19937 gen(20240611);
    for (int round = 0; round < 4; ++round) {
        std::string list(256 * 1024, '\0');
        // Fewer separators in later rounds, so long tokens occur too.
        std::uniform_int_distribution<int> byte(0, 255), keep(0, 4 * round);
        for (char& c : list) {
            c = static_cast<char>(byte(gen));
            if (std::strchr(" \t\r\n\v\f", c) && c != '\0' && keep(gen) != 0) c = 'k';
        }
        // Expected tokens, found another way: split at white space, drop
        // tokens over 255 bytes, cut each at its first zero byte.
        Lines expected;
        std::size_t pos = 0;
        const char* ws = " \t\r\n\v\f";
        while ((pos = list.find_first_not_of(ws, pos)) != std::string::npos) {
            std::size_t end = list.find_first_of(ws, pos);
            if (end == std::string::npos) end = list.size();
            if (end - pos <= 255) expected.push_back(list.substr(pos, end - pos).c_str());
            pos = end;
        }
        UrlRig rig(&list);
        EXPECT_EQ(rig.form->UrlEntries, expected) << "round " << round;
        EXPECT_EQ(rig.form->UrlCount, static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(rig.Items().size(), expected.size());
    }
}

// --- the web-page tick ------------------------------------------------------

TEST(WebTour, UntickedBoxMakesNoCallAtAll) {
    UrlRig rig = Loaded("a b c");
    rig.activation.calls.clear();
    rig.Tick(4);
    EXPECT_TRUE(rig.dde.journal.empty());
    EXPECT_EQ(rig.dde.created, 0);
    EXPECT_TRUE(rig.activation.calls.empty());
    EXPECT_EQ(rig.W().Ctl("Memo1").focusCount, 0);
    EXPECT_EQ(rig.form->UrlIndex, 0);
    EXPECT_EQ(rig.List().itemIndex, -1);
}

TEST(WebTour, ATickHandsOverThePageThenPullsTheWindowForward) {
    UrlRig rig = Loaded("http://a.example/ http://b.example/");
    std::strcpy(rig.form->IePath, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE");
    rig.form->OsKind = 10;
    rig.dde.shared = &rig.ui.journal;
    rig.activation.shared = &rig.ui.journal;
    rig.ui.journal.clear();
    rig.Tour(true);
    rig.Tick();
    EXPECT_EQ(rig.ui.journal,
              (Lines{
                  "dde create",
                  "dde ServiceApplication C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE",
                  "dde SetLink Iexplore WWW_OpenURL ok",
                  "dde ExecuteMacro http://a.example/ wait",
                  "dde CloseLink",
                  "dde destroy",
                  "SetForegroundWindow " + std::to_string(rig.form->Window().Handle()),
                  "SetFocus Memo1",
              }));
    EXPECT_EQ(rig.List().itemIndex, 0);
    EXPECT_EQ(rig.form->UrlIndex, 1);
}

TEST(WebTour, VisitsTheEntriesInTurnAndWraps) {
    UrlRig rig = Loaded("u0 u1 u2");
    rig.Tour(true);
    std::vector<int> selected;
    for (int i = 0; i < 7; ++i) {
        rig.Tick();
        selected.push_back(rig.List().itemIndex);
    }
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1", "u2", "u0", "u1", "u2", "u0"}));
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(rig.form->UrlIndex, 1);
    EXPECT_EQ(rig.dde.created, 7);
    EXPECT_EQ(rig.dde.destroyed, 7);
}

TEST(WebTour, AFailedLinkSendsNothingAndTheSameEntryIsDueNext) {
    UrlRig rig = Loaded("u0 u1 u2");
    rig.form->OsKind = 1;
    rig.Tour(true);
    rig.Tick();  // u0
    rig.dde.linkResults = {false, false, true, true};
    rig.dde.journal.clear();
    rig.activation.calls.clear();
    const int focusBefore = rig.W().Ctl("Memo1").focusCount;
    rig.Tick();
    EXPECT_EQ(rig.dde.journal, (Lines{"create", std::string("ServiceApplication ") + kDefaultIePath,
                                      "SetLink Iexplore WWW_OpenURL failed", "CloseLink",
                                      "destroy"}));
    EXPECT_EQ(rig.form->UrlIndex, 1);
    EXPECT_EQ(rig.List().itemIndex, 0);  // the selection stays on the last page sent
    // The window comes forward all the same.
    EXPECT_EQ(rig.activation.calls.size(), 1u);
    EXPECT_EQ(rig.W().Ctl("Memo1").focusCount, focusBefore + 1);

    rig.Tick(3);
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1", "u2"}));
    EXPECT_EQ(rig.form->UrlIndex, 0);
}

TEST(WebTour, AFailedCommandStillMovesOn) {
    UrlRig rig = Loaded("u0 u1");
    rig.dde.executeSucceeds = false;
    rig.Tour(true);
    rig.Tick(3);
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1", "u0"}));
}

TEST(WebTour, OneEntryIsSentEveryTime) {
    UrlRig rig = Loaded("\n  only  \n");
    rig.Tour(true);
    rig.Tick(3);
    EXPECT_EQ(rig.dde.commands, (Lines{"only", "only", "only"}));
    EXPECT_EQ(rig.form->UrlIndex, 0);
    EXPECT_EQ(rig.List().itemIndex, 0);
}

TEST(WebTour, TheTourGoesOnAfterTheBoxWasOffAndAHandSelection) {
    UrlRig rig = Loaded("u0 u1 u2");
    rig.Tour(true);
    rig.Tick(2);  // u0 u1
    rig.Tour(false);
    rig.Tick(2);
    rig.List().itemIndex = 0;  // the user clicks another entry
    rig.Tour(true);
    rig.Tick();
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1", "u2"}));
    EXPECT_EQ(rig.List().itemIndex, 2);
}

TEST(WebTour, ATickDuringTheWaitOfAnotherStartsNoSecondConversation) {
    UrlRig rig = Loaded("u0 u1 u2");
    rig.Tour(true);
    int nested = 0;
    rig.dde.onSetLink = [&] {
        if (nested++ == 0) rig.Tick(2);  // the timer fires while the link waits
    };
    rig.Tick();
    EXPECT_EQ(rig.dde.created, 1);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(rig.dde.commands, (Lines{"u0"}));
    EXPECT_EQ(rig.form->UrlIndex, 1);
    // Once the tick is over the next ones run as usual.
    rig.Tick();
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1"}));
}

TEST(WebTour, AnErrorInTheConversationEndsOnlyThatTick) {
    UrlRig rig = Loaded("u0 u1");
    rig.Tour(true);
    rig.dde.onSetLink = [] { throw Exception("DDE failed"); };
    rig.Tick();
    EXPECT_EQ(rig.ui.exceptions, (Lines{"DDE failed"}));
    EXPECT_EQ(rig.dde.destroyed, 1);
    EXPECT_EQ(rig.form->UrlIndex, 0);
    rig.dde.onSetLink = nullptr;
    rig.Tick();
    EXPECT_EQ(rig.dde.commands, (Lines{"u0"}));
}

TEST(WebTour, AFullBrowserPathIsPassedWithoutOverrun) {
    UrlRig rig = Loaded("u0");
    std::memset(rig.form->IePath, 'p', sizeof rig.form->IePath);  // no terminating zero
    rig.Tour(true);
    rig.Tick();
    EXPECT_EQ(rig.dde.journal.at(1), "ServiceApplication " + std::string(128, 'p'));
}

// Not a test: how long loading a long list takes. Run with
// --gtest_also_run_disabled_tests --gtest_filter=*UrlListLoadTime*
TEST(Benchmark, DISABLED_UrlListLoadTime) {
    std::string list;
    for (int i = 0; i < 100000; ++i)
        list += "http://www.example.com/pages/" + std::to_string(i) + ".html\r\n";
    for (int round = 0; round < 3; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        UrlRig rig(&list);
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0);
        ASSERT_EQ(rig.form->UrlCount, 100000);
        std::printf("100000 entries (%zu bytes): window built and list loaded in %.1f ms\n",
                    list.size(), ms.count());
    }
}

TEST(WebTour, ASecondMeasurementGoesOnWithTheNextEntry) {
    UrlRig rig = Loaded("u0 u1 u2");
    rig.Tour(true);
    rig.W().Click("mnuStart");
    ASSERT_TRUE(rig.W().Tmr("TimerURL").enabled);
    rig.Tick(2);  // u0 u1
    rig.W().Click("mnuStart");
    ASSERT_FALSE(rig.W().Tmr("TimerURL").enabled);
    rig.W().Click("mnuStart");
    rig.Tick();
    EXPECT_EQ(rig.dde.commands, (Lines{"u0", "u1", "u2"}));
}
