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
