// The figures of a measurement and the text forms of the report: the table
// for people, CSV for spreadsheets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/Log.h"

namespace pelmor::report {

// The warnings of a measurement's battery life.
enum Flag : unsigned {
    kStartedLow = 1,     // the first level on battery was under 95 %
    kNotRunDown = 2,     // the last level on battery was over 10 %
    kMainsBetween = 4,   // more than one stretch on battery
    kGap = 8,            // asleep or not running for a while
    kClockJump = 16,     // the clock and the elapsed seconds disagree
    kNoTrace = 32,       // no trace lines: the log alone
};

struct Summary {
    std::optional<std::int64_t> duration;  // elapsed seconds of the last sample line
    std::optional<int> firstLevel, lastLevel;
    // Each interval between two sample lines counts for the source of the
    // earlier one.
    std::int64_t batterySeconds = 0, mainsSeconds = 0;
    // Percent lost per hour on battery: the drops of the stretches on
    // battery over their time. None without time on battery.
    std::optional<double> drainPerHour;
    // 100 % at that rate; none when nothing was lost.
    std::optional<double> fullChargeHours;

    // Time on battery up to its last sign of life, less the gaps: from the
    // trace when it has lines of the measurement (exact), else from the log
    // (at least: the time after its last line is not in it).
    std::int64_t batteryLife = 0;
    bool exact = false;
    std::optional<std::int64_t> gaps;  // seconds asleep or not running; trace only
    // Hours from full to empty: the full-charge energy over the average
    // power, else 100 % over the level's drain between its first and last
    // change on battery.
    std::optional<double> estimateHours;
    bool energyBasis = false;
    std::optional<double> avgPowerW, energyUsedWh, capacityPct;
    unsigned flags = 0;
    // The elapsed second it first ran on battery; none if it never did.
    std::optional<std::int64_t> onBattery;
};

// trace: the measurement's trace lines in the file's order (none: no trace).
Summary Summarise(const Measurement& m, const std::vector<TraceLine>& trace = {});

// One log as given on the command line, and the trace beside it.
struct LogFile {
    std::string name;
    Log log;
    std::optional<Trace> trace;
};

// A measurement of one of the logs, with its trace lines and figures.
struct Run {
    const LogFile* file = nullptr;
    std::size_t number = 0;  // 1-based, within its log
    const Measurement* m = nullptr;
    std::vector<TraceLine> trace;
    Summary s;
};
std::vector<Run> Runs(const std::vector<LogFile>& logs);

// Seconds as h:mm:ss (hours not limited to a day).
std::string Hms(std::int64_t seconds);
// A number with two decimals.
std::string Fixed2(double value);
// The flags in the CSV's words, separated by blanks, and in a sentence.
std::string FlagNames(unsigned flags);
std::string FlagWords(unsigned flags);
// "8:20 (500 min)": hours:minutes and the whole minutes.
std::string LifeText(std::int64_t seconds);

// One row per measurement, aligned, with the warnings in words below.
std::string SummaryTable(const std::vector<LogFile>& logs);
// measurement,started,comment,duration_s,first_level,last_level,battery_s,
// mains_s,drain_pct_per_h,full_charge_h,ended,battery_life_s,life_bound,
// gaps_s,estimated_life_h,estimate_basis,avg_power_w,energy_used_wh,
// capacity_pct,flags,log
std::string SummaryCsv(const std::vector<LogFile>& logs);
// measurement,elapsed_s,level,source: every sample line.
std::string SamplesCsv(const Log& log);

}  // namespace pelmor::report
