// pelmor.log's layout, for the program that writes it and for pelmor-report
// that reads it: the source codes, the sample and end lines, the header, and
// the CR LF line ends. Nothing else of the forms comes with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmor {

// The power source of a log line.
enum : std::int32_t {
    kOnBattery = 0,
    kOnAc = 1,  // also: source undetermined
    kEndOfMeasurement = 2,
};

// The file's bytes for text: every line feed stored as CR LF.
std::string LogBytes(std::string_view text);

// "%7d, %3d, %2d\n": elapsed seconds, level, source.
std::string SampleLine(std::int32_t elapsed, std::int32_t level, std::int32_t source);

// The sample line that closes a measurement: elapsed 0, level 0, kEndOfMeasurement.
std::string EndLine();

// The header that starts a measurement: an empty line, "' " and the ctime
// text (which ends in its own line feed), "' " and the comment (code page 932
// bytes), a line feed. At most kHeaderBytes: a longer comment is cut at a
// character boundary.
inline constexpr std::size_t kHeaderBytes = 127;
std::string LogHeader(const std::string& ctimeText, std::string_view commentCp932);

// One line of the file as read back, without its line end.
enum class LogLineKind { Blank, Quoted, Sample, End, Bad };
struct LogLine {
    LogLineKind kind = LogLineKind::Bad;
    std::int32_t elapsed = 0, level = 0, source = 0;  // Sample
    std::string_view text;                            // Quoted: after "'" and one blank
    const char* reason = "not a line of the log";     // Bad
};

// Reads a line leniently: blanks around the numbers, any widths. A sample
// has a level from 0 to 100 and a source kOnBattery or kOnAc; an end line
// has level 0.
LogLine ParseLogLine(std::string_view line);

}  // namespace pelmor
