// pelmor.log as measurements: each header, the sample lines after it and
// the end line that closes it, read from whatever bytes the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/LogFormat.h"
#include "forms/TraceFormat.h"

namespace pelmor::report {

struct Sample {
    std::int32_t elapsed = 0;  // seconds since the measurement started
    int level = 0;             // percent, 0 to 100
    int source = kOnBattery;   // kOnBattery or kOnAc
};

struct Measurement {
    std::size_t line = 0;  // where it starts in the file (1-based)
    bool header = false;   // began with a header (date and comment)
    std::string started;   // the header's date as ISO 8601; empty if none or unreadable
    std::string comment;   // UTF-8
    std::vector<Sample> samples;
    bool closed = false;   // an end line follows its samples
};

// A line that could not be read, kept for the warning list.
struct SkippedLine {
    std::size_t line = 0;  // 1-based
    std::string text;      // the line as printable UTF-8, shortened
    std::string reason;
};

struct Log {
    std::vector<Measurement> measurements;
    std::vector<SkippedLine> skipped;
};

// Reads the log's bytes (CR LF or LF line ends, any content). Never fails:
// what cannot be read is listed in skipped.
Log ReadLog(std::string_view bytes);

// pelmor-trace.csv beside the log: its lines in the order of the file.
struct Trace {
    std::vector<TraceLine> lines;
    std::vector<SkippedLine> skipped;  // the line naming the columns is not listed
};

// Reads the trace's bytes like the log's: never fails.
Trace ReadTrace(std::string_view bytes);

// The trace lines of each measurement of the log, in the file's order: those
// whose started, in its own local time, is the header's date to the second.
// A measurement without a readable date, or whose date another one has
// too, has none.
std::vector<std::vector<TraceLine>> TraceOfEach(const Log& log, const Trace& trace);

// "Mon Dec  7 09:30:05 2026" (the C runtime's ctime layout, with or without
// the day's padding) as "2026-12-07T09:30:05"; empty if it is no such date.
std::string IsoDate(std::string_view ctimeText);

}  // namespace pelmor::report
