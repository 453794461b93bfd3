// The layout rules every toolkit applies: shortcuts, file filters, tab
// order, status-bar parts and the choice of an icon picture.
#include <gtest/gtest.h>

#include "forms/Main.h"
#include "platform/ToolkitRules.h"

using namespace pelmor;
using namespace pelmor::toolkit;

namespace {

std::string Bytes(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (auto p : parts) {
        s.append(p);
        s.push_back('\0');
    }
    s.push_back('\0');
    return s;
}

// A little-endian .ico file: a directory of pictures, then their bytes.
struct IcoEntry {
    int width, height, colours, bitCount;
    std::size_t size;
};

std::string Ico(const std::vector<IcoEntry>& entries, std::size_t extraTail = 0) {
    auto put16 = [](std::string& s, unsigned v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    auto put32 = [&](std::string& s, std::size_t v) {
        put16(s, static_cast<unsigned>(v & 0xFFFF));
        put16(s, static_cast<unsigned>((v >> 16) & 0xFFFF));
    };
    std::string s;
    put16(s, 0);
    put16(s, 1);
    put16(s, static_cast<unsigned>(entries.size()));
    std::size_t offset = 6 + 16 * entries.size();
    for (const auto& e : entries) {
        s.push_back(static_cast<char>(e.width == 256 ? 0 : e.width));
        s.push_back(static_cast<char>(e.height == 256 ? 0 : e.height));
        s.push_back(static_cast<char>(e.colours));
        s.push_back(0);
        put16(s, 1);
        put16(s, static_cast<unsigned>(e.bitCount));
        put32(s, e.size);
        put32(s, offset);
        offset += e.size;
    }
    for (const auto& e : entries) s.append(e.size, 'x');
    s.append(extraTail, 'y');
    return s;
}

}  // namespace

TEST(ToolkitShortcut, ReadsModifiersAndKeys) {
    Shortcut s;
    ASSERT_TRUE(ParseShortcut("Ctrl+S", s));
    EXPECT_TRUE(s.ctrl);
    EXPECT_FALSE(s.shift);
    EXPECT_FALSE(s.alt);
    EXPECT_EQ(s.key, static_cast<unsigned>('S'));

    ASSERT_TRUE(ParseShortcut("shift+ctrl+f5", s));
    EXPECT_TRUE(s.ctrl && s.shift && !s.alt);
    EXPECT_EQ(s.key, 0x74u);  // VK_F5

    ASSERT_TRUE(ParseShortcut("Alt+0", s));
    EXPECT_TRUE(s.alt && !s.ctrl);
    EXPECT_EQ(s.key, static_cast<unsigned>('0'));

    ASSERT_TRUE(ParseShortcut("F24", s));
    EXPECT_EQ(s.key, 0x87u);
}

TEST(ToolkitShortcut, RejectsWhatIsNoShortcut) {
    Shortcut s;
    s.key = 42;
    for (const char* bad : {"", "Ctrl+", "Ctrl+Enter", "Hyper+S", "F0", "F25", "Ctrl+SS", "+S"}) {
        EXPECT_FALSE(ParseShortcut(bad, s)) << bad;
    }
    EXPECT_EQ(s.key, 42u) << "a rejected text leaves the result alone";
}

TEST(ToolkitShortcut, TheMainMenuShortcutIsCtrlS) {
    const LayoutNode* start = MainLayout().Find("mnuStart");
    ASSERT_NE(start, nullptr);
    Shortcut s;
    ASSERT_TRUE(ParseShortcut(start->Str("shortcut"), s));
    // 0x4000 (Ctrl) + 'S': the shortcut value 16467 of the menu item.
    EXPECT_EQ((s.ctrl ? 0x4000u : 0u) + s.key, 16467u);
}

TEST(ToolkitFilter, PairsBecomeADoubleZeroList) {
    EXPECT_EQ(FilterList("実行ﾌﾟﾛｸﾞﾗﾑ|*.exe"), Bytes({"実行ﾌﾟﾛｸﾞﾗﾑ", "*.exe"}));
    EXPECT_EQ(FilterList("Programs|*.exe;*.com|All|*.*"),
              Bytes({"Programs", "*.exe;*.com", "All", "*.*"}));
}

TEST(ToolkitFilter, OddAndEmptyFilters) {
    EXPECT_EQ(FilterList(""), std::string("\0\0", 2));
    EXPECT_EQ(FilterList("Everything"), Bytes({"Everything", "*.*"}));
    EXPECT_EQ(FilterList("Text|*.txt|Other"), Bytes({"Text", "*.txt", "Other", "*.*"}));
}

TEST(ToolkitTabOrder, FollowsTabIndexNotLayoutOrder) {
    Layout layout = Layout::Parse(
        "form f class=T\n"
        "button last at=0,0 size=1,1 tab=4\n"
        "label plain at=0,0 size=1,1\n"
        "edit first at=0,0 size=1,1 tab=0\n"
        "edit tieA at=0,0 size=1,1 tab=2\n"
        "edit tieB at=0,0 size=1,1 tab=2\n");
    std::vector<std::string> names;
    for (const LayoutNode* n : TabOrder(layout)) names.push_back(n->name);
    EXPECT_EQ(names, (std::vector<std::string>{"first", "tieA", "tieB", "last"}));
}

TEST(ToolkitTabOrder, MainWindowTabsThroughItsFourControls) {
    std::vector<std::string> names;
    for (const LayoutNode* n : TabOrder(MainLayout())) names.push_back(n->name);
    EXPECT_EQ(names, (std::vector<std::string>{"chkKey", "Memo1", "chkURL", "lstURL"}));
}

TEST(ToolkitPanels, EdgesAddUpAndTheLastPanelReachesTheEnd) {
    EXPECT_EQ(PanelEdges({90, 90, 50}), (std::vector<int>{90, 180, -1}));
    EXPECT_EQ(PanelEdges({50}), (std::vector<int>{-1}));
    EXPECT_TRUE(PanelEdges({}).empty());
}

TEST(ToolkitIcon, PicksTheExactSizeWithTheMostColours) {
    std::string ico = Ico({{16, 16, 16, 4, 10}, {32, 32, 16, 4, 20}, {32, 32, 0, 8, 30}});
    IconPicture p;
    ASSERT_TRUE(PickIconPicture(ico, 32, p));
    EXPECT_EQ(p.width, 32);
    EXPECT_EQ(p.bitCount, 8);
    EXPECT_EQ(p.size, 30u);
    EXPECT_EQ(p.offset, 6u + 3 * 16 + 10 + 20);
    ASSERT_TRUE(PickIconPicture(ico, 16, p));
    EXPECT_EQ(p.width, 16);
    EXPECT_EQ(p.offset, 6u + 3 * 16);
}

TEST(ToolkitIcon, FallsBackToTheNearestLargerThenTheLargest) {
    std::string ico = Ico({{16, 16, 16, 4, 4}, {48, 48, 16, 4, 4}, {256, 256, 0, 32, 4}});
    IconPicture p;
    ASSERT_TRUE(PickIconPicture(ico, 32, p));
    EXPECT_EQ(p.width, 48);
    ASSERT_TRUE(PickIconPicture(ico, 300, p));
    EXPECT_EQ(p.width, 256) << "a width byte of 0 means 256";
    std::string small = Ico({{16, 16, 16, 4, 4}, {24, 24, 16, 4, 4}});
    ASSERT_TRUE(PickIconPicture(small, 32, p));
    EXPECT_EQ(p.width, 24);
}

TEST(ToolkitIcon, OldFilesWithoutBitCountUseTheColourCount) {
    std::string ico = Ico({{32, 32, 2, 0, 4}, {32, 32, 16, 0, 4}});
    IconPicture p;
    ASSERT_TRUE(PickIconPicture(ico, 32, p));
    EXPECT_EQ(p.bitCount, 4);
}

TEST(ToolkitIcon, RejectsBrokenFiles) {
    IconPicture p;
    EXPECT_FALSE(PickIconPicture("", 32, p));
    EXPECT_FALSE(PickIconPicture(std::string("\0\0\2\0\1\0", 6), 32, p)) << "a cursor file";
    EXPECT_FALSE(PickIconPicture(std::string("\0\0\1\0\0\0", 6), 32, p)) << "no pictures";
    std::string ico = Ico({{32, 32, 16, 4, 40}});
    EXPECT_FALSE(PickIconPicture(ico.substr(0, ico.size() - 1), 32, p)) << "picture cut short";
    EXPECT_FALSE(PickIconPicture(ico.substr(0, 20), 32, p)) << "directory cut short";
    EXPECT_TRUE(PickIconPicture(ico, 32, p));
}
