// pelmor-report on logs that Pelmor wrote (the unit soak, Wine scenarios),
// on damaged logs, and as a program with its exit codes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

using namespace pelmor::report;
using namespace std::string_literals;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Fixture(const std::string& name) { return Slurp(std::string(FIXTURES) + "/" + name); }

// The summary CSV without its first line.
std::string Rows(const std::string& bytes) {
    const std::string csv = SummaryCsv(ReadLog(bytes));
    return csv.substr(csv.find('\n') + 1);
}

// How a log was read, in short: per measurement its first line (H: a
// header), date, comment, number of samples and end; then the skipped lines.
std::string Shape(const std::string& bytes) {
    const Log log = ReadLog(bytes);
    std::string s;
    for (const Measurement& m : log.measurements)
        s += std::to_string(m.line) + (m.header ? "H:" : ":") + m.started + "|" + m.comment + "|" +
             std::to_string(m.samples.size()) + (m.closed ? "|closed " : "|open ");
    s += "skipped";
    for (const SkippedLine& k : log.skipped) s += " " + std::to_string(k.line);
    return s;
}

}  // namespace

// Summaries worked out by hand from the lines of each file.
TEST(Report, LogsWrittenByPelmorSummarised) {
    const struct { const char *file, *rows; } cases[] = {
        // One level a 864 s from 100 at 1 s to 0 at 86400 s; mains from 30000
        // (66 %) to 33600 s (62 %): 3600 s on mains, 86399 - 3600 on battery,
        // where 34 + 62 % were lost: 96 * 3600 / 82799 = 4.17 %/h.
        {"soak-24h.log", "1,2023-11-14T22:13:20,soak 24h,86400,100,0,82799,3600,4.17,23.96,closed\n"},
        // 77 -> 73 % in 3 s on battery, 1 s on mains, stopped; the close box
        // starts the next one, which the close ends.
        {"wine-measure.log",
         "1,2026-12-07T02:57:11,電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目,5,77,73,3,1,4800.00,0.02,open\n"
         "2,,,1,72,72,0,0,,,closed\n"},
        // Killed after 90 -> 87 % in 3 s; the restart's measurement is cut off too.
        {"wine-killed.log",
         "1,2026-12-07T02:57:03,,4,90,87,3,0,3600.00,0.03,open\n"
         "2,2026-12-07T02:57:08,,1,85,85,0,0,,,open\n"},
        // The level fell while on the mains: no time on battery, no rate.
        {"wine-shutdown.log", "1,2026-12-07T02:58:14,,2,91,90,0,1,,,closed\n"},
    };
    for (const auto& c : cases) {
        std::string bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        EXPECT_TRUE(ReadLog(bytes).skipped.empty()) << c.file;
        EXPECT_EQ(Rows(bytes), c.rows) << c.file;
        std::erase(bytes, '\r');
        EXPECT_EQ(Rows(bytes), c.rows) << c.file << " with LF line ends";
    }
}

TEST(Report, DamagedLogsAreReadAsFarAsTheyGo) {
    const std::string header = "\r\n' Mon Dec  7 09:30:05 2026\r\n' run\r\n";
    const std::string h = "2H:2026-12-07T09:30:05|run|";  // how that header reads
    const struct { const char* what; std::string bytes, shape; } cases[] = {
        {"empty", "", "skipped"},
        {"a torn last line", header + "      1,  90,  0\r\n      2,  89,  0\r\n      3,  8", h + "2|open skipped 6"},
        {"a torn header", "\r\n' Mon Dec  7 09:3", "2H:||0|open skipped 2"},
        {"a torn double-byte comment", "\n' Mon Dec  7 09:30:05 2026\n' \x93\x64\x92", "2H:2026-12-07T09:30:05|電\xEF\xBF\xBD|0|open skipped"},
        {"lines before the first header and other text", "    120,  50,  0\nhello, world\n\x00\x01\xFF\n"s + header + "      1,  49,  0\r\n",
         "1:||1|open 5H:2026-12-07T09:30:05|run|1|open skipped 2 3"},
        {"values Pelmor never writes", header + "      1, 101,  0\r\n      1,  50,  3\r\n      5,   5,  2\r\n"
                  "99999999999, 50, 0\r\n  1, 2, 3, 4\r\n      1,  -1,  0\r\n      1,  50,  1\r\n", h + "1|open skipped 4 5 6 7 8 9"},
        {"elapsed going back starts a measurement, equal ones do not",
         header + "     10,  90,  0\n     10,  89,  0\n      2,  88,  0\n      1,  87,  0\n", h + "2|open 6:||1|open 7:||1|open skipped"},
        {"an end line closes, the next line opens anew",
         header + "      1,  90,  0\n      0,   0,  2\n      7,  80,  1\n      0,   0,  2\n", h + "1|closed 6:||1|closed skipped"},
        {"an end line with nothing open", "      0,   0,  2\r\n", "1:||0|closed skipped"},
        {"a date that is no date still starts a measurement",
         "\n' Mon Dec 32 09:30:05 2026\n' x\n      1,  90,  0\n' Mon Feb 29 09:30:05 2025\n", "2H:|x|1|open 5H:||0|open skipped 2 5"},
        {"a header without its comment line, a leap day, blanks around numbers",
         "' Tue Feb 29 23:59:59 2028\n\t 1 ,50,0 \n", "1H:2028-02-29T23:59:59||1|open skipped"},
        {"control characters in a comment",
         "' Mon Dec  7 09:30:05 2026\n' a\tb\x1B[2J\x7F\r\n", "1H:2026-12-07T09:30:05|a b\xEF\xBF\xBD[2J\xEF\xBF\xBD|0|open skipped"},
    };
    for (const auto& c : cases) EXPECT_EQ(Shape(c.bytes), c.shape) << c.what;
}

TEST(Report, FiguresOfAMeasurement) {
    const std::string header = "\n' Mon Dec  7 09:30:05 2026\n' ";
    const struct { const char* what; std::string bytes, rows; } cases[] = {
        // Battery 0-900 (-5 %), 1800-2700 (-4 %), 3000-3600 (-4 %): 13 % in
        // 2400 s; mains 900-1800 and 2700-3000, where it charged.
        {"the source switching several times",
         header + "x\n0, 100, 0\n600, 95, 0\n900, 95, 1\n1500, 97, 1\n1800, 97, 0\n2400, 93, 0\n"
                  "2700, 93, 1\n3000, 94, 0\n3600, 90, 0\n",
         "1,2026-12-07T09:30:05,x,3600,100,90,2400,1200,19.50,5.13,open\n"},
        // The rise of 2 % in the first stretch does not make up for the drop
        // of 4 % in the second: 4 % in 300 s on battery.
        {"a level that rises on battery is no drop",
         header + "x\n0, 50, 0\n100, 52, 0\n200, 52, 1\n300, 52, 0\n400, 48, 0\n",
         "1,2026-12-07T09:30:05,x,400,50,48,300,100,48.00,2.08,open\n"},
        {"the end line adds no time", header + "x\n1, 80, 1\n61, 80, 1\n0, 0, 2\n",
         "1,2026-12-07T09:30:05,x,61,80,80,0,60,,,closed\n"},
        {"a header alone", header + "x\n", "1,2026-12-07T09:30:05,x,,,,0,0,,,open\n"},
        {"a comment with a comma and quotes", header + "a, \"b\"\n1, 9, 0\n",
         "1,2026-12-07T09:30:05,\"a, \"\"b\"\"\",1,9,9,0,0,,,open\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Rows(c.bytes), c.rows) << c.what;
}

TEST(Report, TableAndSampleCsv) {
    const Log log = ReadLog(Fixture("wine-measure.log"));
    EXPECT_EQ(SummaryTable(log),
              "#  started              duration  on battery  on mains  level     drain %/h  "
              "100 % lasts  end line  comment\n"
              "1  2026-12-07 02:57:11   0:00:05     0:00:03   0:00:01  77 -> 73    4800.00"
              "       0.02 h  OPEN      電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目\n"
              "2  -                     0:00:01     0:00:00   0:00:00  72 -> 72          -"
              "            -  closed\n"
              "\nNo end line (OPEN): 1.\n"
              "  Stopped from the menu, or cut off (the battery ran out, the program was\n"
              "  killed). For a run to an empty battery, the duration is the battery life.\n");
    EXPECT_EQ(SamplesCsv(log), "measurement,elapsed_s,level,source\n1,1,77,0\n1,2,75,0\n1,3,73,0\n1,4,73,1\n1,5,73,0\n2,1,72,0\n");
    EXPECT_EQ(SummaryTable(ReadLog("junk\n")), "No measurements in the log.\n");
}

TEST(Report, HtmlPageStandsAlone) {
    const std::string page =
        HtmlReport(ReadLog(Fixture("wine-measure.log") + Fixture("wine-shutdown.log") + "\n' x\n' <b>&\n"), "pelmor.log");
    // Charts of the three measurements with lines, then of all; the two stretches on the mains shaded; the comment
    // in the table, its chart and the overlay's legend; the other one escaped; nothing from outside the page.
    std::string counts;
    for (const char* what : {"<svg", "fill-opacity", "<meta charset=\"utf-8\">", "電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目", "&lt;b&gt;&amp;",
                             "<script", "src=", "href=", "url(", "@import", "<b>&"}) {
        std::size_t n = 0;
        for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
        counts += std::to_string(n) + " ";
    }
    EXPECT_EQ(counts, "4 2 1 3 2 0 0 0 0 0 0 ");
    EXPECT_TRUE(page.find("stroke=\"#FF0000\"") != std::string::npos && page.find("stroke=\"#00FF00\"") != std::string::npos);
}

TEST(Report, TheProgramsOutputsAndExitCodes) {
    char dir[] = "/tmp/pelmor-report-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string d = dir;
    std::ofstream(d + "/pelmor.log", std::ios::binary) << Fixture("wine-killed.log");
    std::ofstream(d + "/torn.log", std::ios::binary) << Fixture("wine-shutdown.log") << "  12,";
    const struct { std::string args; int exit; const char *out, *err; } cases[] = {
        {"", 0, "No end line (OPEN): 1, 2.", ""},
        {"--summary-csv", 0, "measurement,started,comment,duration_s,first_level,last_level,"
                             "battery_s,mains_s,drain_pct_per_h,full_charge_h,ended\n", ""},
        {"--csv - < torn.log", 1, "1,2,90,0\n", "(standard input):7: skipped, the last line is incomplete:   12,\n"},
        {"--html page.html torn.log; s=$?; cat page.html; (exit $s)", 1, "<svg", "torn.log:7:"},
        {"missing.log", 2, "", "cannot read missing.log"},
        {"--html", 2, "", "--html needs"},
        {"--sum", 2, "", "unknown option --sum"},
        {"a.log b.log", 2, "", "more than one log"},
    };
    for (const auto& c : cases) {
        const int status = std::system(("cd " + d + " && { " + REPORT_EXE + " " + c.args + "; } >out 2>err").c_str());
        ASSERT_TRUE(WIFEXITED(status)) << c.args;
        EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.args;
        const std::string out = Slurp(d + "/out"), err = Slurp(d + "/err");
        EXPECT_NE(out.find(c.out), std::string::npos) << c.args << ": " << out;
        EXPECT_TRUE(*c.err ? err.find(c.err) != std::string::npos : err.empty()) << c.args << ": " << err;
    }
    std::system(("rm -rf " + d).c_str());
}
