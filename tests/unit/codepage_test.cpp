#include <gtest/gtest.h>

#include "platform/Codepage.h"

using namespace pelmor;

TEST(Cp932, ConvertsBothWays) {
    enum Way { Both, ToCp932, ToUtf8 };
    const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
    struct Case {
        const char* name;
        Way way;
        std::string utf8, cp932;
    } cases[] = {
        {"kanji", Both, "電池駆動", "\x93\x64\x92\x72\x8B\xEC\x93\xAE"},
        {"half-width katakana, punctuation", Both, "ﾛｸﾞﾌｧｲﾙ保存失敗。",
         "\xDB\xB8\xDE\xCC\xA7\xB2\xD9\x95\xDB\x91\xB6\x8E\xB8\x94\x73\x81\x42"},
        {"second byte 0x5C", Both, "表示", "\x95\x5C\x8E\xA6"},
        {"ideographic space", Both, "\xE3\x80\x80不明", "\x81\x40\x95\x73\x96\xBE"},
        {"the Windows table's full-width tilde", Both, "～", "\x81\x60"},
        {"ASCII and line ends", Both, "abc\r\n", "abc\r\n"},
        {"characters CP932 lacks", ToCp932, "A한Bé😀", "A?B??"},
        {"invalid UTF-8", ToCp932, "x\xFFy", "x?y"},
        {"lead byte at the end", ToUtf8, "ab" + bad, "ab\x93"},
        {"lead byte before a line feed keeps it", ToUtf8, bad + "\nA", "\x81\nA"},
        {"unassigned double-byte code", ToUtf8, bad + "A", "\x85\x40" "A"},
    };
    for (const Case& c : cases) {
        if (c.way != ToUtf8) { EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.name; }
        if (c.way != ToCp932) { EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.name; }
    }
}

TEST(Cp932, APrefixNeverEndsInsideADoubleByteCharacter) {
    const std::string text = "A\x93\x64\x92\x72\xB1Z";  // A, 電, 池, half-width ｱ, Z
    struct Case {
        const char* name;
        std::string text;
        std::size_t limit, prefix;
    } cases[] = {
        {"nothing", text, 0, 0}, {"A", text, 1, 1}, {"not half of 電", text, 2, 1},
        {"A電", text, 3, 3}, {"not half of 池", text, 4, 3}, {"A電池", text, 5, 5},
        {"ｱ is one byte", text, 6, 6}, {"all", text, 7, 7}, {"more than all", text, 100, 7},
        {"lone lead byte at the end", "ab\x93", 10, 2},
        {"0xE0 leads, 0xDF and 0xFD do not", "\xE0\x40\xDF\xFD", 3, 3},
        {"0xFC leads", "\xFC\x40", 1, 0}, {"0x9F leads, 0xA0 does not", "\x9F\x40\xA0", 3, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(Cp932Prefix(c.text, c.limit), c.prefix) << c.name;
}

// Through a system that knows only ASCII, with '?' as its default character.
TEST(Cp932, ReadBackWhetherOrNotTheSystemCanRejectInvalidBytes) {
    const struct { bool knowsFlag; std::string cp932; std::wstring wide; } cases[] = {
        {true, "A\xA0" "B", L"A\xFFFD" L"B"}, {false, "AB", L"AB"}, {false, "A\xA0" "B", L"A?B"}};
    for (const auto& c : cases)
        EXPECT_EQ(DecodeCp932(c.cp932, [&](std::string_view bytes, bool strict, std::wstring& out) {
            if (strict && !c.knowsFlag) return Cp932Decoded::StrictUnknown;
            out.assign(bytes.begin(), bytes.end());
            for (wchar_t& b : out) b = b < 0 || b > 0x7F ? L'?' : b;
            return strict && out.find(L'?') != out.npos ? Cp932Decoded::Invalid : Cp932Decoded::Converted;
        }), c.wide) << c.cp932;
}
