#include <gtest/gtest.h>

#include "platform/Codepage.h"

namespace pelmor {
namespace {

// "電池" (two double-byte characters), "ｱ" (one half-width katakana byte).
const std::string kText = "A\x93\x64\x92\x72\xB1Z";

TEST(Cp932Prefix, NeverEndsInsideADoubleByteCharacter) {
    EXPECT_EQ(Cp932Prefix(kText, 0), 0u);
    EXPECT_EQ(Cp932Prefix(kText, 1), 1u);
    EXPECT_EQ(Cp932Prefix(kText, 2), 1u);  // would split 電
    EXPECT_EQ(Cp932Prefix(kText, 3), 3u);
    EXPECT_EQ(Cp932Prefix(kText, 4), 3u);
    EXPECT_EQ(Cp932Prefix(kText, 5), 5u);
    EXPECT_EQ(Cp932Prefix(kText, 6), 6u);  // half-width katakana is one byte
    EXPECT_EQ(Cp932Prefix(kText, 7), 7u);
    EXPECT_EQ(Cp932Prefix(kText, 100), 7u);
}

TEST(Cp932Prefix, ATruncatedLeadByteAtTheEndIsLeftOut) {
    EXPECT_EQ(Cp932Prefix("ab\x93", 10), 2u);
    EXPECT_EQ(Cp932Prefix("", 10), 0u);
    // 0xE0..0xFC lead too; 0xA0..0xDF and 0xFD.. do not.
    EXPECT_EQ(Cp932Prefix("\xE0\x40\xDF\xFD", 3), 3u);
    EXPECT_EQ(Cp932Prefix("\xFC\x40", 1), 0u);
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

TEST(Cp932Conversion, JapaneseTextRoundTrips) {
    struct Pair {
        const char* utf8;
        const char* cp932;
    };
    const Pair pairs[] = {
        {"電池駆動", "\x93\x64\x92\x72\x8B\xEC\x93\xAE"},
        {"ﾛｸﾞﾌｧｲﾙ保存失敗。",
         "\xDB\xB8\xDE\xCC\xA7\xB2\xD9\x95\xDB\x91\xB6\x8E\xB8\x94\x73\x81\x42"},
        {"\xE3\x80\x80不明\xE3\x80\x80", "\x81\x40\x95\x73\x96\xBE\x81\x40"},
        {"～", "\x81\x60"},  // the Windows table's full-width tilde
        {"abc\r\n", "abc\r\n"},
        {"", ""},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932) << p.utf8;
        EXPECT_EQ(Cp932ToUtf8(p.cp932), p.utf8) << p.utf8;
    }
}

TEST(Cp932Conversion, WhatCannotBeConvertedIsReplacedOneForOne) {
    EXPECT_EQ(Utf8ToCp932("A한B"), "A?B");
    EXPECT_EQ(Utf8ToCp932("café"), "caf?");
    EXPECT_EQ(Utf8ToCp932("x\xFFy"), "x?y");

    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(Cp932ToUtf8("ab\x93"), "ab" + fffd);
    // A lead byte whose next byte cannot follow it stands alone: the line
    // feed after it is kept.
    EXPECT_EQ(Cp932ToUtf8("\x81\n" "A"), fffd + "\nA");
    EXPECT_EQ(Cp932ToUtf8("\x85\x40" "A"), fffd + "A");  // unassigned code
}

}  // namespace
}  // namespace pelmor
