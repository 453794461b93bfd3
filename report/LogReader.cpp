// Reading pelmor.log: headers, sample lines and end lines (forms/LogFormat)
// grouped into measurements. Anything else (hand edits, a line cut off when
// the machine died, text of other programs) is listed and skipped.
#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

#include "platform/Codepage.h"
#include "report/Log.h"

namespace pelmor::report {

namespace {

// The line at pos without its line feed; pos moves past it. torn: the bytes
// end before a line feed.
std::string_view NextLine(std::string_view bytes, std::size_t& pos, bool& torn) {
    std::size_t eol = bytes.find('\n', pos);
    torn = eol == std::string_view::npos;
    if (torn) eol = bytes.size();
    const std::string_view line = bytes.substr(pos, eol - pos);
    pos = torn ? eol : eol + 1;
    return line;
}

constexpr std::size_t kShownBytes = 60;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The line for the warning list: printable ASCII as it is, other bytes as
// \xNN, cut after a few dozen bytes.
std::string Printable(std::string_view line) {
    std::string out;
    for (std::size_t i = 0; i < line.size() && i < kShownBytes; ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (line.size() > kShownBytes) out += "...";
    return out;
}

// Control characters would upset a terminal or a CSV reader: each becomes
// U+FFFD, a tab a blank.
std::string CleanText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '\t') {
            out += ' ';
        } else if (c < 0x20 || c == 0x7F) {
            out += "\xEF\xBF\xBD";
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += "\xEF\xBF\xBD";  // U+0080..U+009F
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int DaysInMonth(int month, int year) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30,
                                                  31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

int IndexOf(std::string_view word, std::string_view names) {
    // names: three letters each
    if (word.size() != 3) return -1;
    for (std::size_t i = 0; i + 3 <= names.size(); i += 3)
        if (names.substr(i, 3) == word) return static_cast<int>(i / 3);
    return -1;
}

bool Digits(std::string_view s, std::size_t n, int& value) {
    if (s.size() != n) return false;
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Elapsed seconds as the log holds them (32 bits), and energies, powers and
// counts no battery comes near: sums of many lines stay far from overflow.
bool InRange(const TraceLine& l) {
    constexpr std::int64_t kMost = std::int64_t{1} << 31;
    if (l.elapsed < -kMost || l.elapsed >= kMost) return false;
    for (const auto* v : l.energy.Fields())
        if (*v && **v >= kMost) return false;
    return true;
}

}  // namespace

std::string IsoDate(std::string_view text) {
    std::array<std::string_view, 5> words;
    std::size_t count = 0;
    text = Trim(text);
    while (!text.empty()) {
        if (count == words.size()) return {};
        std::size_t end = 0;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        words[count++] = text.substr(0, end);
        text = Trim(text.substr(end));
    }
    if (count != words.size()) return {};
    int month = IndexOf(words[1], "JanFebMarAprMayJunJulAugSepOctNovDec") + 1;
    int day, hour, minute, second, year;
    const std::string_view& time = words[3];
    if (IndexOf(words[0], "SunMonTueWedThuFriSat") < 0 || month == 0 ||
        !(Digits(words[2], 1, day) || Digits(words[2], 2, day)) || time.size() != 8 ||
        time[2] != ':' || time[5] != ':' || !Digits(time.substr(0, 2), 2, hour) ||
        !Digits(time.substr(3, 2), 2, minute) || !Digits(time.substr(6, 2), 2, second) ||
        !Digits(words[4], 4, year))
        return {};
    if (day < 1 || day > DaysInMonth(month, year) || hour > 23 || minute > 59 || second > 60)
        return {};
    char iso[64];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return iso;
}

Log ReadLog(std::string_view bytes) {
    Log log;
    bool open = false;       // the last measurement takes further samples
    bool afterDate = false;  // the previous line was a header's date
    std::size_t number = 0;
    std::size_t pos = 0;

    auto begin = [&](std::size_t line, bool header) {
        Measurement m;
        m.line = line;
        m.header = header;
        log.measurements.push_back(std::move(m));
        open = true;
    };
    auto skip = [&](std::string_view line, const char* reason, bool last) {
        log.skipped.push_back(
            {number, Printable(line), last ? "the last line is incomplete" : reason});
    };

    while (pos < bytes.size()) {
        bool torn = false;
        std::string_view line = NextLine(bytes, pos, torn);
        ++number;
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const LogLine p = ParseLogLine(line);
        const bool wasAfterDate = afterDate;
        afterDate = false;
        switch (p.kind) {
        case LogLineKind::Blank:
            break;
        case LogLineKind::Quoted:
            if (wasAfterDate) {
                log.measurements.back().comment = CleanText(Cp932ToUtf8(p.text));
                break;
            }
            begin(number, true);
            log.measurements.back().started = IsoDate(p.text);
            afterDate = true;
            if (log.measurements.back().started.empty())
                skip(line, "the header's date is not understood", torn);
            break;
        case LogLineKind::Sample: {
            const Sample sample{p.elapsed, p.level, p.source};
            // Elapsed seconds that go back belong to a measurement started
            // without a header (its comment dialog was closed by its box).
            Measurement* m = open ? &log.measurements.back() : nullptr;
            if (!m || (!m->samples.empty() && sample.elapsed < m->samples.back().elapsed)) {
                begin(number, false);
                m = &log.measurements.back();
            }
            m->samples.push_back(sample);
            break;
        }
        case LogLineKind::End:
            // An end line with nothing open: a measurement started without a
            // header and closed before its first tick.
            if (!open) begin(number, false);
            log.measurements.back().closed = true;
            open = false;
            break;
        case LogLineKind::Bad:
            skip(line, p.reason, torn);
            break;
        }
    }
    return log;
}

Trace ReadTrace(std::string_view bytes) {
    Trace trace;
    std::size_t number = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        bool torn = false;
        std::string_view line = NextLine(bytes, pos, torn);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        TraceLine l;
        const char* reason = "";
        if (ParseTraceLine(line, l, &reason) && !InRange(l)) reason = "a figure out of range";
        if (!*reason) {
            trace.lines.push_back(l);
        } else if (line != kTraceColumns) {
            trace.skipped.push_back(
                {number, Printable(line), torn ? "the last line is incomplete" : reason});
        }
    }
    return trace;
}

std::vector<std::vector<TraceLine>> TraceOfEach(const Log& log, const Trace& trace) {
    // The header's date and a line's started, both as seconds of the local
    // wall clock (the date read as if it were UTC).
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byStart;
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        TraceTime t;
        if (ParseIsoTime(log.measurements[i].started + "+00:00", t)) byStart[t.utc].push_back(i);
    }
    std::vector<std::vector<TraceLine>> each(log.measurements.size());
    for (const TraceLine& l : trace.lines) {
        const auto found = byStart.find(l.started.utc + l.started.offset);
        // Measurements that began in the same second (a log put together
        // from copies) cannot be told apart: none of them takes the lines.
        if (found != byStart.end() && found->second.size() == 1) each[found->second[0]].push_back(l);
    }
    return each;
}

}  // namespace pelmor::report
