// The options both programs answer before any window opens.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

using namespace pelmor;

TEST(CommandLine, TheFirstOfHelpAndVersionDecides) {
    using R = CommandRequest;
    const struct {
        std::vector<std::string> args;
        R request;
    } rows[] = {
        {{}, R::Run},
        {{"-platform", "offscreen"}, R::Run},  // Qt's own, left to it
        {{"--versions"}, R::Run},
        {{"--version"}, R::Version},
        {{"-display", ":1", "--help"}, R::Help},
        {{"/?"}, R::Help},
        {{"--version", "--help"}, R::Version},
        {{"-h", "--version"}, R::Help},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReadCommandLine(row.args), row.request) << ::testing::PrintToString(row.args);
}

TEST(CommandLine, TheWindowsLineSplitsAtBlanksOutsideQuotes) {
    const struct {
        const char* line;
        std::vector<std::string> words;
    } rows[] = {
        {"", {}},
        {"  --help\t", {"--help"}},
        {"a  \"b c\" d", {"a", "b c", "d"}},
        {"x\"--ver\"sion \"\"", {"x--version", ""}},
    };
    for (const auto& row : rows) EXPECT_EQ(SplitCommandLine(row.line), row.words) << row.line;
}
