#include "report/Summary.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace pelmor::report {

namespace {

std::string Number(std::int64_t v) {
    char buf[24];
    auto [end, err] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

template <typename T>
std::string OrEmpty(const std::optional<T>& v) {
    return v ? Number(*v) : std::string();
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Left-aligned text columns, right-aligned number columns; the last column
// is not padded (comments may hold characters of any width).
std::string Columns(const std::vector<std::vector<std::string>>& rows, std::string_view align) {
    std::vector<std::size_t> width(align.size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool last = c + 1 == row.size();
            const std::string pad(width[c] - row[c].size(), ' ');
            if (c) line += "  ";
            if (align[c] == 'r') line += pad;
            line += row[c];
            if (align[c] != 'r' && !last) line += pad;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

}  // namespace

Summary Summarise(const Measurement& m) {
    Summary s;
    const std::vector<Sample>& x = m.samples;
    if (x.empty()) return s;
    s.duration = x.back().elapsed;
    s.firstLevel = x.front().level;
    s.lastLevel = x.back().level;

    // Stretches of lines on one source: from a line to the next one on the
    // other source (or the last line).
    std::int64_t drop = 0;
    for (std::size_t i = 0; i + 1 < x.size();) {
        std::size_t j = i + 1;
        while (j + 1 < x.size() && x[j].source == x[i].source) ++j;
        const std::int64_t time = std::int64_t{x[j].elapsed} - x[i].elapsed;
        if (x[i].source == kOnBattery) {
            s.batterySeconds += time;
            // A stretch over which the level rose (the gauge corrected
            // itself) counts as no drop, not as a gain.
            drop += std::max(0, x[i].level - x[j].level);
        } else {
            s.mainsSeconds += time;
        }
        i = j;
    }
    if (s.batterySeconds > 0) {
        s.drainPerHour = static_cast<double>(drop) * 3600.0 / static_cast<double>(s.batterySeconds);
        if (drop > 0) s.fullChargeHours = 100.0 / *s.drainPerHour;
    }
    return s;
}

std::string Hms(std::int64_t seconds) {
    const char* sign = seconds < 0 ? "-" : "";
    std::uint64_t v = seconds < 0 ? 0 - static_cast<std::uint64_t>(seconds)
                                  : static_cast<std::uint64_t>(seconds);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu:%02u:%02u", sign,
                  static_cast<unsigned long long>(v / 3600), static_cast<unsigned>(v / 60 % 60),
                  static_cast<unsigned>(v % 60));
    return buf;
}

std::string Fixed2(double value) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    return buf;
}

std::string SummaryTable(const Log& log) {
    if (log.measurements.empty()) return "No measurements in the log.\n";
    std::vector<std::vector<std::string>> rows = {{"#", "started", "duration", "on battery",
                                                   "on mains", "level", "drain %/h",
                                                   "100 % lasts", "end line", "comment"}};
    std::vector<std::string> open;
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        const Measurement& m = log.measurements[i];
        const Summary s = Summarise(m);
        std::string started = m.started.empty() ? "-" : m.started;
        std::replace(started.begin(), started.end(), 'T', ' ');
        std::string levels = "-";
        if (s.firstLevel) levels = Number(*s.firstLevel) + " -> " + Number(*s.lastLevel);
        rows.push_back({Number(static_cast<std::int64_t>(i + 1)), started,
                        s.duration ? Hms(*s.duration) : "-", Hms(s.batterySeconds),
                        Hms(s.mainsSeconds), levels,
                        s.drainPerHour ? Fixed2(*s.drainPerHour) : "-",
                        s.fullChargeHours ? Fixed2(*s.fullChargeHours) + " h" : "-",
                        m.closed ? "closed" : "OPEN", m.comment});
        if (!m.closed) open.push_back(Number(static_cast<std::int64_t>(i + 1)));
    }
    std::string out = Columns(rows, "rlrrrlrrll");
    if (!open.empty()) {
        std::string list;
        for (const std::string& n : open) list += (list.empty() ? "" : ", ") + n;
        out += "\nNo end line (OPEN): " + list +
               ".\n  Stopped from the menu, or cut off (the battery ran out, the program was\n"
               "  killed). For a run to an empty battery, the duration is the battery life.\n";
    }
    return out;
}

std::string SummaryCsv(const Log& log) {
    std::string out =
        "measurement,started,comment,duration_s,first_level,last_level,battery_s,mains_s,"
        "drain_pct_per_h,full_charge_h,ended\n";
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        const Measurement& m = log.measurements[i];
        const Summary s = Summarise(m);
        out += Number(static_cast<std::int64_t>(i + 1)) + "," + m.started + "," +
               CsvField(m.comment) + "," + OrEmpty(s.duration) + "," + OrEmpty(s.firstLevel) +
               "," + OrEmpty(s.lastLevel) + "," + Number(s.batterySeconds) + "," +
               Number(s.mainsSeconds) + "," + (s.drainPerHour ? Fixed2(*s.drainPerHour) : "") +
               "," + (s.fullChargeHours ? Fixed2(*s.fullChargeHours) : "") + "," +
               (m.closed ? "closed" : "open") + "\n";
    }
    return out;
}

std::string SamplesCsv(const Log& log) {
    std::string out = "measurement,elapsed_s,level,source\n";
    char buf[64];
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        for (const Sample& x : log.measurements[i].samples) {
            char* p = std::to_chars(buf, buf + 20, i + 1).ptr;
            *p++ = ',';
            p = std::to_chars(p, p + 12, x.elapsed).ptr;
            *p++ = ',';
            p = std::to_chars(p, p + 4, x.level).ptr;
            *p++ = ',';
            *p++ = static_cast<char>('0' + x.source);
            *p++ = '\n';
            out.append(buf, p);
        }
    }
    return out;
}

}  // namespace pelmor::report
