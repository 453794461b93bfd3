// pelmor-trace.csv's layout, for the programs that write it and for
// pelmor-report that reads it: one line a minute and at each event of a
// measurement, with what the system tells of the battery's energy. Plain
// ASCII, comma-separated, CR LF line ends, a first line naming the columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Power.h"

namespace pelmor {

inline constexpr std::string_view kTraceFileName = "pelmor-trace.csv";
inline constexpr std::string_view kTraceColumns =
    "started,time,event,elapsed_s,source,level,energy_mwh,full_mwh,design_mwh,"
    "power_mw,voltage_mv,cycles";

enum class TraceEvent { Start, Minute, Source, Suspend, Resume, Stop, Close };
enum class TraceSource { Battery, Mains, Unknown };

// A moment of the wall clock: seconds since the epoch (UTC) and the local
// time's offset from UTC at that moment, in seconds east.
struct TraceTime {
    std::int64_t utc = 0;
    std::int32_t offset = 0;
};

struct TraceLine {
    TraceTime started, time;
    TraceEvent event = TraceEvent::Minute;
    std::int64_t elapsed = 0;  // seconds, as the log counts them
    TraceSource source = TraceSource::Unknown;
    std::optional<int> level;  // percent
    BatteryEnergy energy;  // every battery combined; none where the system does not tell
};

// "2026-12-07T09:30:05+09:00"; "Z" is never used, an offset of 0 is "+00:00".
std::string IsoTime(TraceTime t);
// Reads IsoTime's form back; false for anything else or an impossible date.
bool ParseIsoTime(std::string_view text, TraceTime& t);

const char* TraceEventName(TraceEvent e);
const char* TraceSourceName(TraceSource s);

// The file's first line and one line of it, each with its CR LF.
std::string TraceHeaderBytes();
std::string TraceLineBytes(const TraceLine& line);

// Reads one line without its line end (a trailing CR is ignored). On false,
// reason says what is wrong; the header line is not a line of the trace.
bool ParseTraceLine(std::string_view text, TraceLine& line, const char** reason = nullptr);

}  // namespace pelmor
