// The rules every toolkit applies to a layout, and the layout parser.
#include <gtest/gtest.h>

#include <optional>

#include <array>
#include <tuple>

#include "platform/Toolkit.h"
#include "platform/ToolkitRules.h"

using namespace pelmor;
using namespace pelmor::toolkit;
using namespace std::string_literals;

TEST(ToolkitRules, Shortcuts) {
    struct Case {
        const char* text;
        bool ok = false, ctrl = false, shift = false, alt = false;
        unsigned key = 42;  // a rejected text leaves the result alone
    } cases[] = {
        {"Ctrl+S", true, true, false, false, 'S'}, {"shift+ctrl+f5", true, true, true, false, 0x74},
        {"Alt+0", true, false, false, true, '0'}, {"F1", true, false, false, false, 0x70},
        {"F24", true, false, false, false, 0x87}, {"F10", true, false, false, false, 0x79}, {""}, {"Ctrl+"}, {"Ctrl+Enter"}, {"Hyper+S"},
        {"Ctrl+Z", true, true, false, false, 'Z'}, {"Alt+9", true, false, false, true, '9'},
        {"F9", true, false, false, false, 0x78},
        {"F0"}, {"F25"}, {"F024"}, {"F1/"}, {"F1:"}, {"Ctrl+:"}, {"Ctrl+SS"}, {"+S"},
    };
    for (const Case& c : cases) {
        Shortcut s{false, false, false, 42};
        EXPECT_EQ(ParseShortcut(c.text, s), c.ok) << c.text;
        EXPECT_EQ(std::tuple(s.ctrl, s.shift, s.alt, s.key),
                  std::tuple(c.ctrl, c.shift, c.alt, c.key)) << c.text;
    }
}

TEST(ToolkitRules, TextToInteger) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {" 30\t", 30}, {"+7", 7}, {"-5", -5}, {"0", 0}, {"$1F", 31}, {"0x1f", 31}, {"0X1F", 31},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1},
        {"2147483648", std::nullopt}, {"$100000000", std::nullopt}, {"", std::nullopt}, {"1 2", std::nullopt},
        {"0x", std::nullopt}, {"12a", std::nullopt}, {"-", std::nullopt}};
    for (const auto& [text, value] : cases) {
        std::optional<int> got;  // none: the conversion error
        try { got = StrToInt(text); } catch (const EConvertError&) {}
        EXPECT_EQ(got, value) << text;
    }
}

TEST(ToolkitRules, FilterLists) {
    std::pair<std::string, std::string> cases[] = {
        {"実行ﾌﾟﾛｸﾞﾗﾑ|*.exe", "実行ﾌﾟﾛｸﾞﾗﾑ\0*.exe\0\0"s},
        {"Programs|*.exe;*.com|All|*.*", "Programs\0*.exe;*.com\0All\0*.*\0\0"s},
        {"", "\0\0"s}, {"Everything", "Everything\0*.*\0\0"s},
        {"Text|*.txt|Other", "Text\0*.txt\0Other\0*.*\0\0"s},
    };
    for (const auto& [filter, list] : cases) EXPECT_EQ(FilterList(filter), list) << filter;
}

TEST(ToolkitRules, TabOrderFollowsTheTabIndexThenTheLayout) {
    Layout layout = Layout::Parse("form f\nbutton last tab=4\nlabel plain\nedit first tab=0\n"
                                  "edit tieA tab=2\nedit tieB tab=2\n");
    std::vector<std::string> names;
    for (const LayoutNode* n : TabOrder(layout)) names.push_back(n->name);
    EXPECT_EQ(names, (std::vector<std::string>{"first", "tieA", "tieB", "last"}));
}

TEST(ToolkitRules, PanelEdgesAddUpAndTheLastReachesTheEnd) {
    std::pair<std::vector<int>, std::vector<int>> cases[] = {
        {{90, 90, 50}, {90, 180, -1}}, {{50}, {-1}}, {{}, {}}};
    for (const auto& [widths, edges] : cases) EXPECT_EQ(PanelEdges(widths), edges);
}

// An .ico file: a directory of pictures {width (256 is written as 0),
// colours, bit count}, then their bytes: "a", "bb", "ccc"...
static std::string Ico(std::initializer_list<std::array<unsigned, 3>> pictures) {
    std::string s = "\0\0\1\0"s + char(pictures.size()) + '\0', data;
    auto put = [&s](unsigned v, int bytes) {
        for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    };
    unsigned n = 0;
    for (auto [width, colours, bits] : pictures) {
        put(width % 256 * 0x101, 2), put(colours, 2), put(1, 2), put(bits, 2), put(++n, 4);
        put(unsigned(6 + 16 * pictures.size() + data.size()), 4);
        data.append(n, char('a' + n - 1));
    }
    return s + data;
}

TEST(ToolkitRules, IconPictures) {
    const std::string one = Ico({{32, 16, 4}});
    std::string big = one + std::string(69999, 'a');  // its picture now 70000 bytes
    big[6 + 8] = char(70000 % 256), big[6 + 9] = char(70000 / 256), big[6 + 10] = char(70000 >> 16);
    std::string bare = one.substr(0, 22);  // the directory alone, its picture its first byte
    bare[6 + 12] = 0;
    std::tuple<const char*, std::string, int, std::string> cases[] = {  // size, bytes and size
        {"exact size, most colours", Ico({{16, 16, 4}, {32, 16, 4}, {32, 0, 8}}), 32, "ccc 32x32"},
        {"exact small size", Ico({{16, 16, 4}, {32, 16, 4}}), 16, "a 16x16"},
        {"exact size over one pixel larger", Ico({{17, 16, 4}, {16, 16, 4}}), 16, "bb 16x16"},
        {"nearest larger", Ico({{16, 16, 4}, {48, 16, 4}, {256, 0, 32}}), 32, "bb 48x48"},
        {"width 0 means 256", Ico({{48, 16, 4}, {256, 0, 32}}), 300, "bb 256x256"},
        {"largest smaller", Ico({{16, 16, 4}, {24, 16, 4}}), 32, "bb 24x24"},
        {"colour count for a bit count of 0", Ico({{32, 2, 0}, {32, 16, 0}}), 32, "bb 32x32"},
        {"16 colours over 2", Ico({{32, 16, 0}, {32, 2, 0}}), 32, "a 32x32"},
        {"3 colours need 4 bits", Ico({{32, 3, 0}, {32, 0, 2}}), 32, "a 32x32"},
        {"no colour count is 8 bits: a tie", Ico({{32, 0, 0}, {32, 0, 8}}), 32, "a 32x32"},
        {"one picture", one, 16, "a 32x32"},
        {"a picture of 70000 bytes", big, 32, std::string(70000, 'a') + " 32x32"},
        {"a file no longer than its directory", bare, 32, "\0 32x32"s},
        {"picture cut short", one.substr(0, one.size() - 1), 32, ""},
        {"directory cut short", one.substr(0, 20), 32, ""},
        {"no pictures", "\0\0\1\0\0\0"s, 32, ""},
        {"a cursor file", "\0\0\2\0\1\0"s, 32, ""},
        {"reserved word not 0", "\1" + one.substr(1), 32, ""},
        {"empty", "", 32, ""},
    };
    for (const auto& [name, ico, size, picked] : cases) {
        IconPicture p;
        const bool ok = PickIconPicture(ico, size, p);
        EXPECT_EQ(ok ? ico.substr(p.offset, p.size) + " " + std::to_string(p.width) + "x" +
                           std::to_string(p.height) : "", picked) << name;
    }
}

TEST(ToolkitRules, LayoutSyntaxErrorsThrow) {
    std::pair<const char*, const char*> cases[] = {
        {"unterminated quote", "form f\nlabel l caption=\"abc\n"},
        {"a line without a name", "form f\nlabel\n"},
        {"first node not the form", "label l\nform f\n"},
        {"indented form", "  form f\n"},
        {"no form at all", "# comment only\n"},
    };
    for (const auto& [name, text] : cases) EXPECT_THROW(Layout::Parse(text), Exception) << name;
}
