#include "app/CommandLine.h"

#ifndef PELMOR_VERSION
#define PELMOR_VERSION "unknown"
#endif

namespace pelmor {

CommandRequest ReadCommandLine(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "/?" || arg == "-?") return CommandRequest::Help;
        if (arg == "--version") return CommandRequest::Version;
    }
    return CommandRequest::Run;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::string HelpText(const std::string& program) {
    return "Usage: " + program + " [--help | --version]\n"
           "\n"
           "Pelmor, a battery-life benchmark: one window that shows the power source and\n"
           "the battery level, draws a three-hour history and, while a measurement runs,\n"
           "logs every change and puts a light load on the machine (typed keys, web pages).\n"
           "Everything else is set in its settings dialog or in its files, pelmor.ini,\n"
           "pelmor.log and url.lst: beside the program when its folder may be written,\n"
           "otherwise (the Linux program) in ~/.local/share/pelmor.\n"
           "pelmor-report turns pelmor.log into a table, CSV or an HTML page.\n"
           "\n"
           "  --help     print this text and exit\n"
           "  --version  print the version and exit\n";
}

std::string VersionText() { return "Pelmor " PELMOR_VERSION "\n"; }

}  // namespace pelmor
