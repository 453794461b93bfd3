// pelmor-report: the battery life, read from pelmor.log and the trace
// pelmor-trace.csv beside it (its uses: kUsage below). Without a file name
// it reads pelmor.log in the current folder; "-" reads standard input
// ("--html -" writes the page to standard output). Lines that cannot be read
// are listed on standard error. It only reads: an output that is one of the
// files it reads is refused.
// Exit code: 0 all lines read, 1 report made but lines skipped, 2 no report
// (wrong arguments, a log that cannot be read or does not fit in memory, an
// output that is an input or cannot be written).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

#include "platform/Codepage.h"
#include "platform/FileIdentity.h"
#include "platform/DataFolder.h"
#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

namespace {

constexpr int kAllRead = 0, kLinesSkipped = 1, kNoReport = 2;

constexpr char kUsage[] =
    "usage: pelmor-report [pelmor.log...]                     summary table\n"
    "       pelmor-report --summary-csv [pelmor.log...]       summary as CSV\n"
    "       pelmor-report --csv [pelmor.log]                  every sample line as CSV\n"
    "       pelmor-report --html report.html [pelmor.log...]  page with table and charts\n"
    "The log defaults to pelmor.log in the current folder; - is standard input.\n"
    "pelmor-trace.csv beside each log is read when it is there.\n";

bool ReadAll(std::FILE* f, std::string& out) {
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return !std::ferror(f);
}

// errno on failure, 0 when read.
int ReadFile(const std::string& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno ? errno : ENOENT;
    // The whole file at once when its size is known, so that one too
    // large fails before anything is read.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) bytes.reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    const bool ok = ReadAll(f, bytes);
    const int error = errno ? errno : EIO;
    std::fclose(f);
    return ok ? 0 : error;
}

bool WriteAll(std::FILE* f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "pelmor-report: %s\n%s", problem, kUsage);
    return kNoReport;
}

int Report(int argc, char** argv) {
    using namespace pelmor;
    enum class Mode { Table, SummaryCsv, SamplesCsv, Html } mode = Mode::Table;
    bool modeGiven = false;
    std::vector<std::string> inputs;
    std::string html;
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
        } else {
            inputs.emplace_back(arg);
        }
    }
    if (inputs.empty()) inputs.emplace_back("pelmor.log");
    if (mode == Mode::SamplesCsv && inputs.size() > 1) return Usage("--csv takes one log");
    int fromStdin = 0;
    for (const std::string& in : inputs) fromStdin += in == "-";
    if (fromStdin > 1) return Usage("standard input given twice");

    // Every file read, for the check that no output is one of them.
    std::vector<std::string> read;
    std::vector<report::LogFile> logs;
    bool skipped = false;
    for (const std::string& input : inputs) {
        report::LogFile file;
        file.name = input == "-" ? "(standard input)" : input;
        std::string bytes;
        if (input == "-") {
#ifdef _WIN32
            _setmode(_fileno(stdin), _O_BINARY);  // bytes as they are, Ctrl+Z included
#endif
            if (!ReadAll(stdin, bytes)) {
                std::fprintf(stderr, "pelmor-report: cannot read standard input\n");
                return kNoReport;
            }
        } else if (const int error = ReadFile(input, bytes)) {
            std::fprintf(stderr, "pelmor-report: cannot read %s: %s\n", input.c_str(),
                         std::strerror(error));
            return kNoReport;
        } else {
            read.push_back(input);
        }
        file.log = report::ReadLog(bytes);
        bytes = std::string();
        const char* name = file.name.c_str();
        for (const report::SkippedLine& s : file.log.skipped)
            std::fprintf(stderr, "%s:%zu: skipped, %s: %s\n", name, s.line, s.reason.c_str(),
                         s.text.c_str());
        if (!file.log.skipped.empty())
            std::fprintf(stderr, "pelmor-report: %zu line(s) of %s skipped\n",
                         file.log.skipped.size(), name);

        if (input != "-") {
            // The trace beside the log, if the program wrote one.
            std::string trace = ExtractFileDir(input);
            if (!trace.empty() && trace.back() != ':') trace += '/';
            trace += kTraceFileName;
            const int error = ReadFile(trace, bytes);
            if (error == 0) {
                read.push_back(trace);
                file.trace = report::ReadTrace(bytes);
                for (const report::SkippedLine& s : file.trace->skipped)
                    std::fprintf(stderr, "%s:%zu: skipped, %s: %s\n", trace.c_str(), s.line,
                                 s.reason.c_str(), s.text.c_str());
                if (!file.trace->skipped.empty())
                    std::fprintf(stderr, "pelmor-report: %zu line(s) of %s skipped\n",
                                 file.trace->skipped.size(), trace.c_str());
                skipped = skipped || !file.trace->skipped.empty();
            } else if (error != ENOENT) {
                std::fprintf(stderr, "pelmor-report: cannot read %s: %s; without it\n",
                             trace.c_str(), std::strerror(error));
                skipped = true;
            }
            bytes = std::string();
        }
        skipped = skipped || !file.log.skipped.empty();
#ifdef _WIN32
        file.name = Cp932ToUtf8(file.name);  // file names come in the ANSI code page
#endif
        logs.push_back(std::move(file));
    }

    // Never write over what was read: the page, or standard output sent to
    // a file.
    for (const std::string& in : read) {
        const bool page = mode == Mode::Html && html != "-" && SameFile(html, in);
        if (page || ((mode != Mode::Html || html == "-") && SameFile(1, in))) {
            std::fprintf(stderr,
                         "pelmor-report: refusing to write over %s, which it reads%s\n",
                         in.c_str(), page ? " (--html takes the name of the page to write)" : "");
            return kNoReport;
        }
    }
    if (fromStdin && mode == Mode::Html && html != "-" && SameFile(0, html)) {
        std::fprintf(stderr, "pelmor-report: refusing to write over standard input's file\n");
        return kNoReport;
    }

    std::string out;
    std::FILE* target = stdout;
    switch (mode) {
    case Mode::Table:
        out = report::SummaryTable(logs);
#ifdef _WIN32
        out = Utf8ToCp932(out);  // the console's code page on the system Pelmor is made for
#endif
        break;
    case Mode::SummaryCsv:
        out = report::SummaryCsv(logs);
        break;
    case Mode::SamplesCsv:
        out = report::SamplesCsv(logs.front().log);
        break;
    case Mode::Html:
        out = report::HtmlReport(logs);
        if (html != "-") target = std::fopen(html.c_str(), "wb");
        if (!target) {
            std::fprintf(stderr, "pelmor-report: cannot write %s: %s\n", html.c_str(),
                         std::strerror(errno));
            return kNoReport;
        }
        break;
    }
    bool written = WriteAll(target, out);
    if (target != stdout) written = std::fclose(target) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "pelmor-report: writing the report failed\n");
        return kNoReport;
    }
    return skipped ? kLinesSkipped : kAllRead;
}

}  // namespace

int main(int argc, char** argv) {
    // An input too large for memory ends here, with a message, never an abort.
    try {
        return Report(argc, argv);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fprintf(stderr, "pelmor-report: not enough memory for the input\n");
    return kNoReport;
}
