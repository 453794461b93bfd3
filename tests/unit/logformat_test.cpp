// The log's layout: every kind of line the program writes reads back as
// written, and a header keeps to its 127 bytes.
#include <gtest/gtest.h>

#include "forms/LogFormat.h"

using namespace pelmor;

namespace {

// The lines of a piece of the file, each read back and told in short:
// "blank", "quoted <text>", "sample <elapsed> <level> <source>", "end".
std::string ReadBack(const std::string& written) {
    static const char* const kKinds[] = {"blank", "quoted ", "sample", "end", "bad"};
    const std::string bytes = LogBytes(written);
    std::string told;
    for (std::size_t pos = 0, eol; pos < bytes.size(); pos = eol + 2) {
        eol = bytes.find("\r\n", pos);
        if (eol == std::string::npos) return told + "| no CR LF at the end";
        const LogLine l = ParseLogLine(std::string_view(bytes).substr(pos, eol - pos));
        told += (told.empty() ? "" : " | ") + std::string(kKinds[static_cast<int>(l.kind)]) + std::string(l.text);
        if (l.kind == LogLineKind::Sample)
            for (std::int32_t n : {l.elapsed, l.level, l.source}) told += " " + std::to_string(n);
    }
    return told;
}

}  // namespace

TEST(LogFormat, EveryLineWrittenReadsBackAsWritten) {
    const std::string date = "Mon Dec  7 09:30:05 2026\n", kana = "\x83\x65\x83X\x83g \xB6\xC5";
    const struct { std::string written, read; } rows[] = {
        {LogHeader(date, "run 1"), "blank | quoted Mon Dec  7 09:30:05 2026 | quoted run 1"},
        {LogHeader(date, kana), "blank | quoted Mon Dec  7 09:30:05 2026 | quoted " + kana},
        {LogHeader(date, ""), "blank | quoted Mon Dec  7 09:30:05 2026 | quoted "},
        {SampleLine(125, 87, kOnBattery), "sample 125 87 0"},
        {SampleLine(1, 100, kOnAc), "sample 1 100 1"},
        {SampleLine(0, 0, kOnBattery), "sample 0 0 0"},
        {SampleLine(12345678, 5, kOnAc), "sample 12345678 5 1"},
        {SampleLine(-3, 50, kOnBattery), "sample -3 50 0"},
        {EndLine(), "end"},
        {"1\n", "bad"},
    };
    for (const auto& r : rows) EXPECT_EQ(ReadBack(r.written), r.read) << r.written;
}

TEST(LogFormat, CommentIsCutToTheHeaderAtACharacterBoundary) {
    // The header holds 127 bytes: 96 are left for the comment.
    const std::string date = "Tue Nov 14 22:13:20 2023\n";
    const std::string a95(95, 'a'), kana = "\x82\xA0";
    const std::pair<std::string, std::string> rows[] = {
        {std::string(96, 'a'), std::string(96, 'a')},
        {std::string(97, 'a'), std::string(96, 'a')},
        {a95 + kana, a95},
        {a95.substr(1) + kana, a95.substr(1) + kana},
    };
    for (const auto& [comment, kept] : rows)
        EXPECT_EQ(LogHeader(date, comment), "\n' " + date + "' " + kept + "\n");
}
