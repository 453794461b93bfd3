// The two options both programs answer without opening a window: --help and
// --version. Every other argument is left to the toolkit (Qt's -platform,
// -display and the like) or ignored, as before.
#pragma once

#include <string>
#include <vector>

namespace pelmor {

enum class CommandRequest { Run, Help, Version };

// The request of the arguments after the program's name; the first of
// --help (-h, /?) and --version decides.
CommandRequest ReadCommandLine(const std::vector<std::string>& args);

// The Windows entry point's command line, one string: split at blanks, with
// "double-quoted" parts kept whole.
std::vector<std::string> SplitCommandLine(const std::string& line);

// What each request prints (ASCII, LF line ends; the Windows program turns
// them into CR LF where it writes them).
std::string HelpText(const std::string& program);
std::string VersionText();

}  // namespace pelmor
