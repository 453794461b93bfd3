// pelmor-report: the battery life, read from pelmor.log (its uses: kUsage
// below). Without a file name it reads pelmor.log in the current folder; "-"
// reads standard input ("--html -" writes the page to standard output).
// Lines that cannot be read are listed on standard error.
// Exit code: 0 all lines read, 1 report made but lines skipped, 2 no report
// (wrong arguments, the log cannot be read, the output cannot be written).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "platform/Codepage.h"
#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

namespace {

constexpr int kAllRead = 0, kLinesSkipped = 1, kNoReport = 2;

constexpr char kUsage[] =
    "usage: pelmor-report [pelmor.log]                     summary table\n"
    "       pelmor-report --summary-csv [pelmor.log]       summary as CSV\n"
    "       pelmor-report --csv [pelmor.log]               every sample line as CSV\n"
    "       pelmor-report --html report.html [pelmor.log]  page with table and charts\n"
    "The log defaults to pelmor.log in the current folder; - is standard input.\n";

bool ReadAll(std::FILE* f, std::string& out) {
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return !std::ferror(f);
}

bool WriteAll(std::FILE* f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "pelmor-report: %s\n%s", problem, kUsage);
    return kNoReport;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pelmor;
    enum class Mode { Table, SummaryCsv, SamplesCsv, Html } mode = Mode::Table;
    bool modeGiven = false, inputGiven = false;
    std::string input = "pelmor.log", html;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kAllRead;
        }
        if (arg == "--summary-csv" || arg == "--csv" || arg == "--html") {
            if (modeGiven) return Usage("give one of --summary-csv, --csv and --html");
            modeGiven = true;
            mode = arg == "--csv" ? Mode::SamplesCsv
                   : arg == "--html" ? Mode::Html
                                     : Mode::SummaryCsv;
            if (mode == Mode::Html) {
                if (++i == argc) return Usage("--html needs the name of the page to write");
                html = argv[i];
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + std::string(arg)).c_str());
        } else if (inputGiven) {
            return Usage("more than one log given");
        } else {
            input = arg;
            inputGiven = true;
        }
    }

    std::string bytes;
    if (input == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);  // bytes as they are, Ctrl+Z included
#endif
        if (!ReadAll(stdin, bytes)) {
            std::fprintf(stderr, "pelmor-report: cannot read standard input\n");
            return kNoReport;
        }
    } else {
        std::FILE* f = std::fopen(input.c_str(), "rb");
        const bool ok = f && ReadAll(f, bytes);
        const int error = errno;
        if (f) std::fclose(f);
        if (!ok) {
            std::fprintf(stderr, "pelmor-report: cannot read %s: %s\n", input.c_str(),
                         std::strerror(error));
            return kNoReport;
        }
    }

    const report::Log log = report::ReadLog(bytes);
    const char* name = input == "-" ? "(standard input)" : input.c_str();
    for (const report::SkippedLine& s : log.skipped)
        std::fprintf(stderr, "%s:%zu: skipped, %s: %s\n", name, s.line, s.reason.c_str(),
                     s.text.c_str());
    if (!log.skipped.empty())
        std::fprintf(stderr, "pelmor-report: %zu line(s) of %s skipped\n", log.skipped.size(),
                     name);

    std::string out;
    std::FILE* target = stdout;
    switch (mode) {
    case Mode::Table:
        out = report::SummaryTable(log);
#ifdef _WIN32
        out = Utf8ToCp932(out);  // the console's code page on the system Pelmor is made for
#endif
        break;
    case Mode::SummaryCsv:
        out = report::SummaryCsv(log);
        break;
    case Mode::SamplesCsv:
        out = report::SamplesCsv(log);
        break;
    case Mode::Html: {
        std::string title = input == "-" ? std::string("standard input") : input;
#ifdef _WIN32
        title = Cp932ToUtf8(title);  // file names come in the ANSI code page
#endif
        out = report::HtmlReport(log, title);
        if (html != "-") target = std::fopen(html.c_str(), "wb");
        if (!target) {
            std::fprintf(stderr, "pelmor-report: cannot write %s: %s\n", html.c_str(),
                         std::strerror(errno));
            return kNoReport;
        }
        break;
    }
    }
    bool written = WriteAll(target, out);
    if (target != stdout) written = std::fclose(target) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "pelmor-report: writing the report failed\n");
        return kNoReport;
    }
    return log.skipped.empty() ? kAllRead : kLinesSkipped;
}
