// pelmor-report on logs that Pelmor wrote (the unit soak, Wine scenarios),
// on damaged logs, and as a program with its exit codes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

#ifdef __has_feature
#if __has_feature(address_sanitizer)  // the sanitizer's shadow needs more than the memory limit below
#define UNDER_ASAN
#endif
#endif

using namespace pelmor::report;
using namespace std::string_literals;
using enum pelmor::TraceEvent;
using enum pelmor::TraceSource;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Fixture(const std::string& name) { return Slurp(std::string(FIXTURES) + "/" + name); }

std::vector<LogFile> One(const std::string& log, std::optional<std::string> trace = {}) {
    std::vector<LogFile> logs(1);
    logs[0].name = "pelmor.log";
    logs[0].log = ReadLog(log);
    if (trace) logs[0].trace = ReadTrace(*trace);
    return logs;
}

// The summary CSV without its first line; without the columns that come
// after the eleven that the report has always had, or with only those.
std::string Rows(const std::string& bytes, std::optional<std::string> trace = {}, bool later = false) {
    std::istringstream csv(SummaryCsv(One(bytes, trace)));
    std::string row, out;
    std::getline(csv, row);
    while (std::getline(csv, row)) {
        std::size_t cut = row.size();
        for (int i = 0; i < 10; ++i) cut = row.rfind(',', cut - 1);
        out += (later ? row.substr(cut + 1, row.rfind(',') - cut - 1) : row.substr(0, cut)) + "\n";
    }
    return out;
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

// A trace line written in a test: seconds after the start, event, source,
// level, energy, full-charge and design energy (mWh), power (mW); the clock
// `ahead` seconds off the elapsed; `started` seconds after 09:30:05.
struct T {
    std::int64_t at; pelmor::TraceEvent event; pelmor::TraceSource source; std::optional<int> level{};
    std::optional<std::int64_t> energy{}, full{}, design{}, power{};
    std::int64_t ahead = 0, started = 0;
};

std::string TraceBytes(std::initializer_list<T> lines) {
    const std::int64_t start = 1796603405;  // 2026-12-07T09:30:05+09:00
    std::string out = pelmor::TraceHeaderBytes();
    for (const T& t : lines)
        out += pelmor::TraceLineBytes({{start + t.started, 32400}, {start + t.started + t.at + t.ahead, 32400}, t.event, t.at,
                                       t.source, t.level, t.energy, t.full, t.design, t.power, {}, {}});
    return out;
}

// Each figure worked out by hand from the lines; the columns after the
// log's own: battery_life_s,life_bound,gaps_s,estimated_life_h,
// estimate_basis,avg_power_w,energy_used_wh,capacity_pct,flags.
TEST(Report, BatteryLifeFromLogAndTrace) {
    const std::string h = "\r\n' Mon Dec  7 09:30:05 2026\r\n' run\r\n";
    const std::string mainsThenBattery = h + "0, 100, 1\n100, 100, 0\n250, 99, 0\n370, 98, 0\n400, 97, 0\n";
    const std::string shutdown = h + "0, 7, 0\n50, 6, 0\n170, 5, 0\n290, 4, 0\n0, 0, 2\n";
    const std::string asleep = h + "0, 20, 0\n40, 19, 0\n140, 18, 0\n36150, 17, 1\n36170, 18, 1\n";
    const std::string later = h + "0, 90, 0\n0, 0, 2\n\n' Mon Dec  7 10:00:00 2026\n' 2\n100, 89, 0\n220, 88, 0\n";
    const std::string setBack = h + "0, 100, 0\n100, 99, 0\n-3400, 98, 0\n";
    const struct { const char* what; std::string log; std::optional<std::string> trace; const char* rows; } cases[] = {
        // On the mains until 100 s, then 5 intervals on battery to the stop
        // at 400: 300 s. Energy 50000 -> 49000 mWh in those 300 s: 1 Wh,
        // 1000 * 3.6 / 300 = 12 W; 50 Wh full / 12 W = 4.17 h; 50000 of a
        // design 60000 mWh: 83.33 %. Ended at 97 %: not run down.
        {"started on the mains, unplugged, a trace with energy", mainsThenBattery,
         TraceBytes({{0, Start, Mains, 100, 50000, 50000, 60000, 0}, {60, Minute, Mains, 100, 50000, 50000, 60000, 0},
                     {100, Source, Battery, 100, 50000, 50000, 60000, 12000}, {160, Minute, Battery, 99, 49800, 50000, 60000, 12000},
                     {220, Minute, Battery, 99, 49600, 50000, 60000, 12000}, {280, Minute, Battery, 98, 49400, 50000, 60000, 12000},
                     {340, Minute, Battery, 98, 49200, 50000, 60000, 12000}, {400, Stop, Battery, 97, 49000, 50000, 60000, 12000}}),
         "300,exact,0,4.17,energy,12.00,1.00,83.33,not_run_down\n"},
        // The shutdown's close line at 330 s is the last sign of life. No
        // energy: the level's first and last changes, 6 % at 50 s and 4 % at
        // 290 s: 2 % in 240 s, 100 % in 12000 s = 3.33 h.
        {"a shutdown at critical battery, a trace without energy", shutdown,
         TraceBytes({{0, Start, Battery, 7}, {60, Minute, Battery, 6}, {120, Minute, Battery, 6}, {180, Minute, Battery, 5},
                     {240, Minute, Battery, 5}, {300, Minute, Battery, 4}, {330, Close, Battery, 4}}),
         "330,exact,0,3.33,level,,,,started_low\n"},
        // The log alone: its last line at 290 s, at least.
        {"the same without a trace", shutdown, std::nullopt, "290,at_least,,3.33,level,,,,started_low no_trace\n"},
        {"a trace with no line of the measurement", shutdown, TraceBytes({{0, Start, Battery, 7, {}, {}, {}, {}, 0, 1}}),
         "290,at_least,,3.33,level,,,,started_low no_trace\n"},
        // A log put together from two copies: whose lines are they?
        {"two measurements that began in the same second", shutdown + shutdown, TraceBytes({{0, Start, Battery, 7}}),
         "290,at_least,,3.33,level,,,,started_low no_trace\n290,at_least,,3.33,level,,,,started_low no_trace\n"},
        // 150 s on battery, then asleep 36000 s until the resume on the
        // mains. Power 9 W for 120 s and 6 W for 30 s: 1260 J / 150 s =
        // 8.4 W, 0.35 Wh. No full-charge energy: the level's changes at 40,
        // 140 and 36150 s (17 % after the sleep): 2 % in 100 s + 36010 s
        // less the 36000 s asleep, 110 s; 100 % in 5500 s = 1.53 h.
        {"a suspend on battery, the resume on the mains", asleep,
         TraceBytes({{0, Start, Battery, 20, {}, {}, {}, 9000}, {60, Minute, Battery, 19, {}, {}, {}, 9000},
                     {120, Minute, Battery, 19, {}, {}, {}, 6000}, {150, Suspend, Battery, 18, {}, {}, {}, 6000},
                     {36150, Resume, Mains, 17}, {36180, Minute, Mains, 18}, {36200, Stop, Mains, 18}}),
         "150,exact,36000,1.53,level,8.40,0.35,,started_low not_run_down gap\n"},
        // The first measurement: 30 s to its close. The second has no line
        // at its start; the trace's 90 % makes 89 % at 100 s a change: 1 %
        // from 100 s to 220 s, 3.33 h; 240 s to its stop.
        {"a later measurement without a first line", later,
         TraceBytes({{0, Start, Battery, 90}, {30, Close, Battery, 90}, {0, Start, Battery, 90, {}, {}, {}, {}, 0, 1795},
                     {60, Minute, Battery, 90, {}, {}, {}, {}, 0, 1795}, {120, Minute, Battery, 89, {}, {}, {}, {}, 0, 1795},
                     {180, Minute, Battery, 89, {}, {}, {}, {}, 0, 1795}, {240, Stop, Battery, 88, {}, {}, {}, {}, 0, 1795}}),
         "30,exact,0,,,,,,started_low not_run_down\n240,exact,0,3.33,level,,,,started_low not_run_down\n"},
        // Set back an hour after 120 s: the step across it is not counted,
        // 120 + 60 + 60 + 10 s, at least. The log's line at -3400 s starts
        // a measurement of its own, without a date.
        {"a clock set back", setBack,
         TraceBytes({{0, Start, Battery, 100}, {60, Minute, Battery, 100}, {120, Minute, Battery, 99},
                     {-3420, Minute, Battery, 99}, {-3360, Minute, Battery, 98}, {-3300, Minute, Battery, 98},
                     {-3290, Stop, Battery, 98}}),
         "250,at_least,0,,,,,,not_run_down clock_jump\n0,at_least,,,,,,,not_run_down no_trace\n"},
        // Elapsed counted apart from a clock that went an hour ahead at 90 s.
        {"the clock and the elapsed seconds disagree", shutdown,
         TraceBytes({{0, Start, Battery, 7}, {60, Minute, Battery, 6}, {120, Minute, Battery, 5, {}, {}, {}, {}, 3600}}),
         "120,at_least,0,3.33,level,,,,started_low clock_jump\n"},
        // Twice on battery: 0-60 and 120-180 s; the mains' minute between. The
        // level's changes at 30 s and 150 s: 1 % in 60 s on battery, 1.67 h.
        {"on the mains in between", h + "0, 100, 0\n30, 99, 0\n60, 99, 1\n120, 99, 0\n150, 98, 0\n",
         TraceBytes({{0, Start, Battery, 100}, {60, Source, Mains, 100}, {120, Source, Battery, 100}, {180, Stop, Battery, 100}}),
         "120,exact,0,1.67,level,,,,not_run_down mains_between\n"},
        // An energy gauge that does not move: the power told, 8 W for 120 s,
        // 0.27 Wh; 50 Wh full / 8 W = 6.25 h.
        {"a gauge that stays", h + "0, 100, 0\n", TraceBytes({{0, Start, Battery, 100, 50000, 50000, {}, 8000},
                     {60, Minute, Battery, 100, 50000, 50000, {}, 8000}, {120, Stop, Battery, 100, 50000, 50000, {}, 8000}}),
         "120,exact,0,6.25,energy,8.00,0.27,,not_run_down\n"},
        {"two changes in one second", h + "0, 50, 0\n100, 49, 0\n100, 48, 0\n", std::nullopt,
         "100,at_least,,,,,,,started_low not_run_down no_trace\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Rows(c.log, c.trace, true), c.rows) << c.what;
}

TEST(Report, TraceLinesThatCannotBeRead) {
    const std::string ok = "2026-12-07T09:30:05+09:00,2026-12-07T09:31:05+09:00,minute,60,battery,99,,,,,,";
    const std::string columns(pelmor::kTraceColumns);
    const struct { const char* what; std::string bytes, kept; } cases[] = {
        // kept: how many lines were read, then the skipped ones' numbers and reasons
        {"LF or CR LF, the columns' line anywhere", columns + "\n" + ok + "\n" + columns + "\r\n" + ok + "\r\n", "2"},
        {"a torn last line", columns + "\r\n" + ok + "\r\n" + ok.substr(0, 30), "1 3 the last line is incomplete"},
        {"elapsed past 32 bits, an energy of 2^31 mWh", ok + "\n" + ok.substr(0, 59) + "2147483648,battery,99,,,,,,\n" + ok.substr(0, 73) + "2147483648,,,,,\n" + ok.substr(0, 59) +
             "-2147483648,battery,99,,2147483647,,,,\n",
         "2 2 a figure out of range 3 a figure out of range"},
    };
    for (const auto& c : cases) {
        const Trace t = ReadTrace(c.bytes);
        std::string kept = std::to_string(t.lines.size());
        for (const SkippedLine& k : t.skipped) kept += " " + std::to_string(k.line) + " " + k.reason;
        EXPECT_EQ(kept, c.kept) << c.what;
    }
}

TEST(Report, TableAndSampleCsv) {
    // 3 min on battery around 2 h asleep; 600 mWh in 180 s: 12 W, 60 Wh full: 5 h.
    EXPECT_EQ(SummaryTable(One("' Mon Dec  7 09:30:05 2026\n' run\n0, 100, 0\n100, 99, 0\n",
                               TraceBytes({{0, Start, Battery, 100, 60000, 60000}, {60, Minute, Battery, 100, 59800, 60000},
                                           {120, Suspend, Battery, 99, 59600, 60000}, {7320, Resume, Battery, 99, 59600, 60000},
                                           {7380, Close, Battery, 99, 59400, 60000}}))),
              "#  started              battery life  bound     gaps       estimate  level      on mains  end line  comment\n"
              "1  2026-12-07 09:30:05  0:03 (3 min)  exact  2:00:00  5.00 h energy  100 -> 99   0:00:00  OPEN      run\n\n"
              "1: not run down: the last level on battery was over 10 %\n"
              "   asleep or not running for a while: that time is left out\n\n"
              "OPEN: no end line. Stopped from the menu, or cut off (the battery ran out,\n"
              "the program was killed). A shutdown at critical battery writes the end line.\n");
    const std::string bytes = Fixture("wine-measure.log");
    EXPECT_EQ(SamplesCsv(ReadLog(bytes)), "measurement,elapsed_s,level,source\n1,1,77,0\n1,2,75,0\n1,3,73,0\n1,4,73,1\n1,5,73,0\n2,1,72,0\n");
    EXPECT_EQ(SummaryTable(One("junk\n")), "No measurements in the log.\n");
    // 8 h 20 min 59 s: whole minutes, never rounded up.
    EXPECT_NE(SummaryTable(One("' Mon Dec  7 09:30:05 2026\n' x\n0, 100, 0\n30059, 5, 0\n")).find("  8:20 (500 min)  at least"),
              std::string::npos);
}

TEST(Report, HtmlPageStandsAlone) {
    std::vector<LogFile> logs = One(Fixture("wine-measure.log") + Fixture("wine-shutdown.log") + "\n' x\n' <b>&\n");
    const std::string page = HtmlReport(logs);
    // Lines of the stretches of the measurements (two, none, one), then of each in the overlay; the two stretches on the mains shaded; the comment
    // in the table, its chart and the overlay's legend; the other one escaped; nothing from outside the page.
    std::string counts;
    for (const char* what : {"<polyline", "fill-opacity", "<meta charset=\"utf-8\">", "電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目", "&lt;b&gt;&amp;",
                             "<script", "src=", "href=", "url(", "@import", "<b>&", "power (W)"}) {
        std::size_t n = 0;
        for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
        counts += std::to_string(n) + " ";
    }
    EXPECT_EQ(counts, "6 2 1 3 2 0 0 0 0 0 0 0 ");
    EXPECT_TRUE(page.find("stroke=\"#FF0000\"") != std::string::npos && page.find("stroke=\"#00FF00\"") != std::string::npos);
}

// Nine runs laid over each other, the second on the mains for ten minutes
// before it was unplugged, one with the power in its trace.
TEST(Report, HtmlOverlayOfSeveralLogs) {
    std::vector<LogFile> logs;
    for (int i = 0; i < 9; ++i) {
        logs.push_back(One("' Mon Dec  7 09:30:05 2026\n' x\n" + std::string(i == 1 ? "0, 100, 1\n600, 100, 0\n" : "0, 100, 0\n") +
                           "4000, 60, 0\n").front());
        logs.back().name = "run" + std::to_string(i) + "/pelmor.log";
    }
    logs[2].trace = ReadTrace(TraceBytes({{0, Start, Battery, 100, {}, {}, {}, 7400}}));
    const std::string page = HtmlReport(logs), overlay = page.substr(page.find("<h2>All measurements"));
    // From ten minutes before the unplugging; no run in the mains' green; each of the nine its own line.
    EXPECT_NE(overlay.find(">-0:10<"), std::string::npos);
    EXPECT_TRUE(overlay.find("#00FF00") == std::string::npos && overlay.find("#2ca02c") == std::string::npos);
    std::set<std::string> looks;
    for (std::size_t at = overlay.find("<polyline"); at != std::string::npos; at = overlay.find("<polyline", at + 1))
        looks.insert(overlay.substr(at, overlay.find("points", at) - at));
    EXPECT_EQ(looks.size(), 9u);
    // One table with the logs' names; the power of the one trace drawn, 7.4 W on a 10 W axis.
    EXPECT_TRUE(page.find("<table", page.find("<table") + 1) == std::string::npos && page.find("<td>run8/pelmor.log") != std::string::npos);
    EXPECT_TRUE(page.find(">10</text>") != std::string::npos && page.find("power (W)") == page.rfind("power (W)"));
    // Nothing wider than a window of 900 pixels with its margins.
    for (std::size_t at = page.find(" width=\""); at != std::string::npos; at = page.find(" width=\"", at + 1))
        EXPECT_LE(std::stod(page.substr(at + 8)), 884) << page.substr(at, 20);
}

TEST(Report, TheProgramsOutputsAndExitCodes) {
    char dir[] = "/tmp/pelmor-report-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string d = dir, log = Fixture("wine-killed.log");
    std::ofstream(d + "/pelmor.log", std::ios::binary) << log;
    std::ofstream(d + "/torn.log", std::ios::binary) << Fixture("wine-shutdown.log") << "  12,";
    ::mkdir((d + "/b").c_str(), 0700);
    // The second log's measurement, 3 s on battery to its stop; a line the trace cannot hold.
    std::ofstream(d + "/b/pelmor.log", std::ios::binary) << "' Mon Dec  7 09:30:05 2026\r\n' =cmd|' /C calc'!A0\r\n0, 99, 0\r\n";
    std::ofstream(d + "/b/pelmor-trace.csv", std::ios::binary)
        << pelmor::TraceHeaderBytes() << "2026-12-07T09:30:05+09:00,2026-12-07T09:30:05+09:00,start,0,battery,99,,,,,,\r\n"
        << "2026-12-07T09:30:05+09:00,2026-12-07T09:30:08+09:00,stop,3,battery,99,,,,,,\r\nx\r\n";
    const std::string trace = Slurp(d + "/b/pelmor-trace.csv");
    ASSERT_EQ(::link((d + "/pelmor.log").c_str(), (d + "/same.log").c_str()), 0);
    const struct { std::string args; int exit; const char *out, *err; } cases[] = {
        {"", 0, "OPEN: no end line.", ""},
        {"--summary-csv", 0, "measurement,started,comment,duration_s,first_level,last_level,"
                             "battery_s,mains_s,drain_pct_per_h,full_charge_h,ended,battery_life_s,life_bound,gaps_s,"
                             "estimated_life_h,estimate_basis,avg_power_w,energy_used_wh,capacity_pct,flags,log\n", ""},
        {"--csv - < torn.log", 1, "1,2,90,0\n", "(standard input):7: skipped, the last line is incomplete:   12,\n"},
        {"--html page.html torn.log; s=$?; cat page.html; (exit $s)", 1, "<svg", "torn.log:7:"},
        // The trace beside b's log is read; a comment a spreadsheet would run is text.
        {"--summary-csv pelmor.log b/pelmor.log", 1,
         "1,2026-12-07T09:30:05,'=cmd|' /C calc'!A0,0,99,99,0,0,,,open,3,exact,0,,,,,,not_run_down,b/pelmor.log\n",
         "b/pelmor-trace.csv:4: skipped, not twelve columns: x\n"},
        {"b/pelmor.log pelmor.log", 1, "b/pelmor.log 1: not run down", "1 line(s) of b/pelmor-trace.csv skipped"},
        // Never over what it reads: the log, its trace, a link to it, the page's name forgotten.
        {"--html pelmor.log", 2, "", "refusing to write over pelmor.log"},
        {"--html b/pelmor-trace.csv b/pelmor.log", 2, "", "refusing to write over b/pelmor-trace.csv"},
        {"--html same.log pelmor.log", 2, "", "refusing"},
        {"--summary-csv pelmor.log >> same.log", 2, "", "refusing"},
        {"--html pelmor.log - < same.log", 2, "", "refusing"},
        {"missing.log", 2, "", "cannot read missing.log"},
        {"--html", 2, "", "--html needs"},
        {"--sum", 2, "", "unknown option --sum"},
#ifndef UNDER_ASAN
        // A sparse file of 3 GB in 400 MB of address space.
        {"-h >/dev/null; truncate -s 3G big.log; (ulimit -v 400000; " + std::string(REPORT_EXE) + " big.log)", 2, "",
         "not enough memory"},
#endif
    };
    for (const auto& c : cases) {
        const int status = std::system(("cd " + d + " && { " + REPORT_EXE + " " + c.args + "; } >out 2>err").c_str());
        ASSERT_TRUE(WIFEXITED(status)) << c.args;
        EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.args;
        const std::string out = Slurp(d + "/out"), err = Slurp(d + "/err");
        EXPECT_NE(out.find(c.out), std::string::npos) << c.args << ": " << out;
        EXPECT_TRUE(*c.err ? err.find(c.err) != std::string::npos : err.empty()) << c.args << ": " << err;
    }
    EXPECT_EQ(Slurp(d + "/pelmor.log"), log);
    EXPECT_EQ(Slurp(d + "/b/pelmor-trace.csv"), trace);
    std::system(("rm -rf " + d).c_str());
}
