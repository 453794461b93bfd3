// The figures of a measurement and the text forms of the report: the table
// for people, CSV for spreadsheets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "report/Log.h"

namespace pelmor::report {

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
};

Summary Summarise(const Measurement& m);

// Seconds as h:mm:ss (hours not limited to a day).
std::string Hms(std::int64_t seconds);
// A number with two decimals.
std::string Fixed2(double value);

// One row per measurement, aligned, with a note on those that have no end
// line.
std::string SummaryTable(const Log& log);
// measurement,started,comment,duration_s,first_level,last_level,battery_s,
// mains_s,drain_pct_per_h,full_charge_h,ended
std::string SummaryCsv(const Log& log);
// measurement,elapsed_s,level,source: every sample line.
std::string SamplesCsv(const Log& log);

}  // namespace pelmor::report
