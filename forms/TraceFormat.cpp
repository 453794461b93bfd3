#include "forms/TraceFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace pelmor {

namespace {

constexpr const char* kEvents[] = {"start", "minute", "source", "suspend", "resume", "stop", "close"};
constexpr const char* kSources[] = {"battery", "mains", "unknown"};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    std::int64_t year;
    int month, day;
};

Civil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The number of exactly n decimal digits at s[at]; -1 for anything else.
int Digits(std::string_view s, std::size_t at, std::size_t n) {
    if (at + n > s.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

bool Whole(std::string_view s, std::int64_t& value) {
    if (s.empty() || s.front() == '+') return false;
    auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), value);
    return err == std::errc() && end == s.data() + s.size();
}

bool Optional(std::string_view s, std::optional<std::int64_t>& value) {
    if (s.empty()) {
        value.reset();
        return true;
    }
    std::int64_t v = 0;
    if (!Whole(s, v) || v < 0) return false;
    value = v;
    return true;
}

template <std::size_t N>
bool Named(std::string_view s, const char* const (&names)[N], int& index) {
    for (std::size_t i = 0; i < N; ++i)
        if (s == names[i]) {
            index = static_cast<int>(i);
            return true;
        }
    return false;
}

void Append(std::string& out, const std::optional<std::int64_t>& v) {
    out += ',';
    if (v) out += std::to_string(*v);
}

}  // namespace

std::string IsoTime(TraceTime t) {
    const std::int64_t local = t.utc + t.offset;
    const std::int64_t days = FloorDiv(local, 86400);
    const std::int64_t secs = local - days * 86400;
    const Civil date = CivilFromDays(days);
    const std::int32_t off = t.offset < 0 ? -t.offset : t.offset;
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  static_cast<long long>(date.year), date.month, date.day, static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60),
                  t.offset < 0 ? '-' : '+', static_cast<int>(off / 3600),
                  static_cast<int>(off / 60 % 60));
    return text;
}

bool ParseIsoTime(std::string_view s, TraceTime& t) {
    if (s.size() != 25 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' ||
        s[16] != ':' || (s[19] != '+' && s[19] != '-') || s[22] != ':')
        return false;
    const int y = Digits(s, 0, 4), mo = Digits(s, 5, 2), d = Digits(s, 8, 2), h = Digits(s, 11, 2),
              mi = Digits(s, 14, 2), se = Digits(s, 17, 2), oh = Digits(s, 20, 2), om = Digits(s, 23, 2);
    if (std::min({y, h, mi, se, oh, om}) < 0 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 ||
        se > 59 || oh > 23 || om > 59)
        return false;
    const std::int64_t days = DaysFromCivil(y, mo, d);
    const Civil back = CivilFromDays(days);
    if (back.day != d || back.month != mo) return false;  // no 31 April, no 29 February of a common year
    t.offset = (s[19] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
    t.utc = days * 86400 + h * 3600 + mi * 60 + se - t.offset;
    return true;
}

const char* TraceEventName(TraceEvent e) { return kEvents[static_cast<int>(e)]; }
const char* TraceSourceName(TraceSource s) { return kSources[static_cast<int>(s)]; }

std::string TraceHeaderBytes() { return std::string(kTraceColumns) + "\r\n"; }

std::string TraceLineBytes(const TraceLine& l) {
    std::string out = IsoTime(l.started);
    out += ',';
    out += IsoTime(l.time);
    out += ',';
    out += TraceEventName(l.event);
    out += ',';
    out += std::to_string(l.elapsed);
    out += ',';
    out += TraceSourceName(l.source);
    out += ',';
    if (l.level) out += std::to_string(*l.level);
    for (const auto* v : l.energy.Fields()) Append(out, *v);
    out += "\r\n";
    return out;
}

bool ParseTraceLine(std::string_view text, TraceLine& l, const char** reason) {
    const char* dummy = nullptr;
    const char*& why = reason ? *reason : dummy;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    std::vector<std::string_view> cells;
    for (std::size_t at = 0;;) {
        const std::size_t comma = text.find(',', at);
        cells.push_back(text.substr(at, comma == std::string_view::npos ? comma : comma - at));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    if (cells.size() != 12) {
        why = text == kTraceColumns ? "the line naming the columns" : "not twelve columns";
        return false;
    }
    int event = 0, source = 0;
    std::int64_t level = 0;
    if (!ParseIsoTime(cells[0], l.started) || !ParseIsoTime(cells[1], l.time)) {
        why = "a time that is not local ISO 8601 with its offset";
        return false;
    }
    if (!Named(cells[2], kEvents, event) || !Named(cells[4], kSources, source)) {
        why = "an unknown event or source";
        return false;
    }
    if (!Whole(cells[3], l.elapsed)) {
        why = "elapsed_s is not a whole number";
        return false;
    }
    if (cells[5].empty()) {
        l.level.reset();
    } else if (!Whole(cells[5], level) || level < 0 || level > 100) {
        why = "the level is not 0 to 100";
        return false;
    } else {
        l.level = static_cast<int>(level);
    }
    const auto fields = l.energy.Fields();
    for (int i = 0; i < 6; ++i)
        if (!Optional(cells[6 + i], *fields[i])) {
            why = "an energy, power, voltage or cycle count that is not a whole number";
            return false;
        }
    l.event = static_cast<TraceEvent>(event);
    l.source = static_cast<TraceSource>(source);
    return true;
}

}  // namespace pelmor
